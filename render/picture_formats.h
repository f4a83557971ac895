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
// Whether the data starts like a JPEG file.
bool IsJpegData(const uint8_t* data, size_t size);
// Decodes JPEG data straight into an 8-bit grey-ramp section of its
// brightness (as ConvertToBrightness gives), one row at a time: a large
// photograph never exists as a 24-bit picture.
bool DecodeJpegBrightness(const uint8_t* data, size_t size, Section& grey);
// Extensions (lower case, no dot) of the formats DecodeOtherPicture reads.
std::vector<std::string> OtherPictureExtensions();

}  // namespace ztx
