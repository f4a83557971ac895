// Picture formats other than BMP, read through their libraries.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/surface.h"

namespace ztx {

// Decodes PNG, JPEG or GIF data (recognised by content) into a 24-bit
// section, or an 8-bit one for pictures with a colour table (GIF).
bool DecodeOtherPicture(const uint8_t* data, size_t size, Section& out);
// Extensions (lower case, no dot) of the formats DecodeOtherPicture reads.
std::vector<std::string> OtherPictureExtensions();

}  // namespace ztx
