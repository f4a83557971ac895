#include "render/picture_formats.h"

namespace ztx {

bool DecodeOtherPicture(const uint8_t*, size_t, Section&) { return false; }

std::vector<std::string> OtherPictureExtensions() { return {}; }

}  // namespace ztx
