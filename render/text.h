// Text on the 8-bit picture: fonts found through fontconfig, glyphs from
// FreeType, drawn one-bit (not anti-aliased) in black on a transparent
// background, and glyph outlines added to a context's path.
//
// The stock variable-pitch font is a sans serif with a 13-pixel line
// (Liberation Sans, else DejaVu Sans, else whatever fontconfig offers for
// "sans-serif"). Text extents are the sum of the advance widths (no kerning)
// by the line height (ascent + descent); drawing advances lines by the same
// line height.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "render/draw.h"

namespace ztx {

struct Font;

// Creates a font of the family resolved through fontconfig. A negative height
// is the character (em) height in pixels; a positive one the cell height
// (ascent + descent). Null when no font file can be opened.
Font* CreateFont(const char* family, int height);
void DeleteFont(Font* font);
// The process's stock variable-pitch font (never deleted). Null only when the
// machine has no usable font at all.
const Font* StockVariableFont();
// Selects a font into the context (null = the stock font); returns the old one.
const Font* SelectFont(DrawContext& dc, const Font* font);
// The font file in use and its line height, for the record and for tests.
std::string FontFile(const Font* font);
int FontLineHeight(const Font* font);

struct TextExtent {
    int width = 0, height = 0;
};
// Extent of one line of 8-bit (Windows-1252) text in the selected font.
TextExtent MeasureText(const DrawContext& dc, std::string_view text);
// The Unicode code point of one Windows-1252 byte (0 for the five bytes
// 0x80..0x9F that have none). Text on the picture is in this code page.
uint32_t Cp1252ToUnicode(uint8_t c);
// Line height (ascent + descent) of the selected font.
int LineHeight(const DrawContext& dc);

// Draws text with its cell's top-left corner at (x, y), or, while a path is
// open, adds the glyph outlines to the path instead.
void TextOut(DrawContext& dc, int x, int y, std::string_view text);
// Draws text centred in the rectangle; lines separated by line breaks are
// each centred horizontally and the block vertically.
void DrawTextCentered(DrawContext& dc, const Rect& rect, std::string_view text);

}  // namespace ztx
