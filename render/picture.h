// Pictures in and out: BMP/DIB decoding of every layout found in users'
// files, BMP writing, captures of the window, conversion to brightness, and
// the file-name helpers of the slide show.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/draw.h"
#include "render/surface.h"

namespace ztx {

// Decodes a BMP file image ("BM" file header, then a packed picture).
// Pictures of 1, 4 and 8 bits (also RLE4/RLE8) become 8-bit sections with
// their colour table; 16, 24 and 32 bits keep their layout (16 and 32 with
// bit-field masks when the file has them). Rows are stored bottom-up
// whatever the file's order. False, with `out` untouched, on anything
// malformed or truncated; hostile input never reads out of bounds.
bool DecodeBmp(const uint8_t* data, size_t size, Section& out);
// The same for a packed picture without the 14-byte file header.
bool DecodePackedDib(const uint8_t* data, size_t size, Section& out);

// Loads a picture file of any supported format (recognised by content).
bool LoadPicture(const std::string& path, Section& out);
// The same as an 8-bit section: pictures with a colour table as they are,
// deeper ones as their brightness (ConvertToBrightness) on the grey ramp.
// JPEG files are converted row by row as they decode, so a large
// photograph costs one 8-bit picture besides the file.
bool LoadPicture8(const std::string& path, Section& out);
// File extensions (lower case, without dot) this build reads.
std::vector<std::string> SupportedPictureExtensions();
// The slide-show page's list of the formats this build reads:
// "*.rle *.dib, *.bmp, *.png, ..." (the formats read through libraries
// take the place of the graphics import filters).
std::string PictureFormatsText();

// The bytes of a BMP file for an 8-bit section (with its 256-entry table) or
// a 24-bit section. Empty for other sections.
std::string EncodeBmp(const Section& section);
// Writes the BMP file; 1 on success, 0 on failure (no section, no file).
int WriteBmp(const std::string& path, const Section& section);

// Captures the window's picture as a BMP of (width, height) x scale / 100:
// 8-bit with the live 256-entry device colours when `withColorTable`, else
// 24-bit. With `mirror` the file is twice the size each way, the left half
// mirrored into the right and the top into the bottom, so it tiles
// seamlessly. Returns the writer's result (0 also when the size is empty).
int GrabToBmp(DrawContext& window, const std::string& path, bool withColorTable, int width, int height,
              int scalePercent, bool mirror);

// 8-bit grey-ramp section of the same size holding (red + green + blue) / 3
// of each pixel of a 16-, 24- or 32-bit section. False for other depths.
bool ConvertToBrightness(const Section& source, Section& grey);
// The same for one row of `width` 24-bit pixels (blue, green, red bytes).
void BrightnessRow(const uint8_t* bgr, int width, uint8_t* grey);

// Slide-show file helpers. A pattern is a folder and a file pattern with
// "*" and "?" ("/pictures/*.bmp"); matches are plain files, in name order.
int CountMatches(const std::string& pattern);
// Full name of match number index mod count; empty when nothing matches.
std::string PickMatch(const std::string& pattern, int index);
bool IsPlainFile(const std::string& name);

}  // namespace ztx
