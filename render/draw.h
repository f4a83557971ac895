// The drawing layer: contexts, pens, brushes and every drawing operation the
// engine and the effect modules use, working on 8-bit device-index pictures.
//
// Colours: a palette-relative colour (PaletteIndexColor(i) = 0x01000000 | i)
// draws device index 10 + i, with entries above 235 clamped to 235 so a
// palette write never leaves 10..245. A plain RGB colour (0x00BBGGRR) draws
// the nearest of the 20 fixed colours (black = 0 erases, white = 255).
//
// Coordinates are 32-bit pixels, y downward; rectangles exclude their right
// column and bottom row. Anything may lie far outside the picture: work is
// proportional to the visible part only.
//
// Pens and brushes are small values: creating, selecting and "deleting" them
// costs nothing and never allocates. A context is one object shared by every
// thread that draws on the same picture; state left by one user is seen by
// the next.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "render/raster.h"
#include "render/region.h"
#include "render/surface.h"

namespace ztx {

// ---- colours -------------------------------------------------------------

constexpr uint32_t PaletteIndexColor(int entry) { return 0x01000000u | (uint32_t(entry) & 0xFFFFu); }
constexpr uint32_t RgbColor(int r, int g, int b) {
    return uint32_t(r & 255) | (uint32_t(g & 255) << 8) | (uint32_t(b & 255) << 16);
}
constexpr uint32_t kRgbBlack = 0x000000;
constexpr uint32_t kRgbWhite = 0xFFFFFF;

// Device index of palette entry `entry` (clamped to 0..235): 10 + entry.
int DeviceIndexOfEntry(int entry);
// Device index a colour value draws with (see above).
int DeviceIndexOf(uint32_t color);
// The fixed colour nearest to an RGB colour (0x00BBGGRR): squared distance,
// lowest device index on ties.
int NearestStaticIndex(uint32_t rgb);
// The palette entry (0..235) whose current colour is nearest to `rgb`
// (0x00BBGGRR), lowest entry on ties.
int NearestPaletteEntry(uint32_t rgb);

// The fixed colours of 3-D edges and text.
constexpr int kDeviceBlack = 0;
constexpr int kDeviceWhite = 255;
constexpr int kDeviceHighlight = 255;
constexpr int kDeviceShadow = 248;
constexpr int kDeviceDarkShadow = 0;
constexpr int kDeviceLight = 7;
constexpr int kDeviceFace = 7;

// ---- pens and brushes -----------------------------------------------------

struct Pen {
    bool null = false;  // draws nothing
    int width = 1;      // 0 or 1: one-pixel lines; 2 and more: round-capped strokes
    uint32_t color = kRgbBlack;
};

struct Brush {
    bool hollow = false;  // no interior fill
    uint32_t color = kRgbWhite;
};

constexpr Pen SolidPen(int width, uint32_t color) { return Pen{false, width, color}; }
constexpr Pen kBlackPen{false, 1, kRgbBlack};
constexpr Pen kNullPen{true, 0, kRgbBlack};
constexpr Brush SolidBrush(uint32_t color) { return Brush{false, color}; }
constexpr Brush kBlackBrush{false, kRgbBlack};
constexpr Brush kWhiteBrush{false, kRgbWhite};
constexpr Brush kHollowBrush{true, kRgbBlack};

// Raster mix of pens and brushes: copy the colour, or invert what is there.
enum class Mix { CopyPen, Not };

// ---- paths -------------------------------------------------------------------

struct Path {
    std::vector<PointD> points;      // all contours, pixel-corner coordinates
    std::vector<int> contourSizes;
};

struct Font;  // render/text.h

// ---- contexts ----------------------------------------------------------------

struct DrawContext {
    Canvas canvas;
    // The picture drawn on; exactly one is set (or none when detached).
    Surface* surface = nullptr;
    Bitmap8* bitmap = nullptr;
    Section* section = nullptr;  // 8-bit: values are indices into its table

    Pen pen = kBlackPen;
    Brush brush = kWhiteBrush;
    Mix mix = Mix::CopyPen;
    bool colorOnColor = false;     // stretch mode flag (only nearest-neighbour exists)
    bool transparentText = false;  // background mode
    Point position;                // current position for MoveTo / LineTo

    bool clipped = false;  // false: the whole picture
    Region clip;
    // Set by RequestRemoveClip from a thread that does not draw; the drawing
    // thread removes the clip at its next call on this context.
    std::atomic<bool> clipRemovalPending{false};

    bool pathOpen = false;
    Path path;

    const Font* font = nullptr;  // null: the stock variable-pitch font
};

// Points the context at a picture; keeps pens, brushes and modes, drops the
// clip. Attach again after the picture is re-created (CreateSurface,
// CreateBitmap8, CreateSection8), since the context keeps its address.
void AttachSurface(DrawContext& dc, Surface& surface);
void AttachBitmap(DrawContext& dc, Bitmap8& bitmap);
void AttachSection(DrawContext& dc, Section& section);  // 8-bit sections
// Points the context at top-down 8-bit device-index pixels the caller owns
// (rows of `width` bytes), such as a module's working memory.
void AttachPixels(DrawContext& dc, uint8_t* pixels, int width, int height);

// Publishes the picture for the presenter when the context draws on the
// window surface (frame end, and before sleeping inside a long drawing call).
void PublishContext(DrawContext& dc);

// Selection returns what was selected before.
Pen SelectPen(DrawContext& dc, const Pen& pen);
Brush SelectBrush(DrawContext& dc, const Brush& brush);
Mix SetMix(DrawContext& dc, Mix mix);
void SetStretchColorOnColor(DrawContext& dc);
void SetTransparentText(DrawContext& dc, bool transparent);

// Device facts: 8 bits, 1 plane, a palette, 96 dots per inch.
constexpr int kBitsPerPixel = 8;
constexpr int kPlanes = 1;
constexpr int kDotsPerInch = 96;

// ---- lines and curves -------------------------------------------------------------

void MoveTo(DrawContext& dc, int x, int y);
// Line from the current position to (x, y) with the pen; (x, y) becomes the
// current position. One-pixel pens leave out the end point.
void LineTo(DrawContext& dc, int x, int y);
// Connected segments; one-pixel pens leave out the last point.
void DrawPolyline(DrawContext& dc, const Point* points, int count);
// A polyline through the points, then a line joining each pair of them an
// edge names (a wire frame): the pixels of DrawPolyline followed by MoveTo
// and LineTo for each edge, with the current position at the last edge's
// end, but a wide pen painting a colour paints the round end at each point
// once.
struct WireEdge {
    int from, to;
};
void DrawWireFrame(DrawContext& dc, const Point* points, int count, const WireEdge* edges, int edgeCount);
// Cubic Bezier pieces: 1 + 3k points.
void DrawBezier(DrawContext& dc, const Point* points, int count);

// ---- filled shapes --------------------------------------------------------------------

// Interior with the brush (even-odd), outline with the pen (all vertices).
// Under the "not" mix the interior and the outline are two passes, so their
// overlap is inverted twice; only outlines with the hollow brush (the one
// use of that mix) invert each pixel exactly once.
void DrawPolygon(DrawContext& dc, const Point* points, int count);
// Rectangle and ellipse in (left, top, right, bottom): pixels left..right-1
// and top..bottom-1 with or without a pen; a pen outlines that area's edge.
void DrawRectangle(DrawContext& dc, int left, int top, int right, int bottom);
void DrawEllipse(DrawContext& dc, int left, int top, int right, int bottom);
// Fills with a brush, ignoring the mix and pen.
void FillRect(DrawContext& dc, const Rect& rect, const Brush& brush);

// Whole-rectangle raster operations (negative extents allowed).
enum class Rop { Blackness, Whiteness, DestInvert };
void PatBlt(DrawContext& dc, int x, int y, int width, int height, Rop rop);
inline void InvertRect(DrawContext& dc, const Rect& r) {
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, Rop::DestInvert);
}

// 3-D edges: two one-pixel rings in the fixed system colours.
enum class Edge3D { Raised, Sunken, Etched };
void DrawEdge(DrawContext& dc, const Rect& rect, Edge3D edge, bool fillMiddle);

// ---- block transfers -------------------------------------------------------------

// Copies (sx, sy, width, height) of src to (x, y) of dst. src may be dst; the
// result is as if the whole source were read first. Parts whose source lies
// off the source picture leave the destination unchanged.
void BitBlt(DrawContext& dst, int x, int y, int width, int height, DrawContext& src, int sx, int sy);
// Stretches (sx, sy, sw, sh) of src (positive) onto the destination; a
// negative destination width anchored at x covers x + width + 1 .. x with the
// first source column on x (mirrored); heights likewise.
void StretchBlt(DrawContext& dst, int x, int y, int width, int height, DrawContext& src, int sx, int sy, int sw,
                int sh);

// An 8-bit bottom-up picture whose colour table holds palette entries: byte v
// draws palette entry table[v] (v itself beyond the table), clamped to 235.
struct IndexDib {
    int width = 0;
    int height = 0;  // positive: bottom-up (stored row 0 at the bottom)
    const uint16_t* table = nullptr;
    int tableCount = 0;
    const uint8_t* bits = nullptr;  // rows of DibStride(width, 8) bytes
};
// Draws (sx, sy, sw, sh) of the picture (counted from its bottom-left
// stored row) into (x, y, width, height), stretching when the sizes differ
// and mirroring for negative destination extents.
void DrawIndexDib(DrawContext& dc, int x, int y, int width, int height, const IndexDib& dib, int sx, int sy,
                  int sw, int sh);
// A 256-entry table 0, 1, ..., 255 and one of 0 .. 235 (strip header).
extern const uint16_t kIdentityIndices[256];

// Copies an 8-bit section into another (same size or stretched), matching
// colours: identical tables copy indices, otherwise each source colour maps
// to the nearest destination table colour.
void CopySectionMatched(const Section& src, Section& dst);

// Writes device index `value` to pixels x0 .. x1 - 1 of row y, inside the
// picture and the clip (copy mix). The text renderer paints glyphs with it.
void PaintDeviceSpan(DrawContext& dc, int y, int x0, int x1, int value);

// ---- read-back ------------------------------------------------------------------

// Current RGB (0x00BBGGRR) of a pixel: through the live device colours for
// device pictures, through the table for sections. Off the picture: 0.
uint32_t GetPixelRgb(DrawContext& dc, int x, int y);
// Raw value of a pixel (device index or table index); -1 off the picture.
int GetPixelIndex(const DrawContext& dc, int x, int y);

// ---- clipping -------------------------------------------------------------------

void RemoveClip(DrawContext& dc);
// Removal asked for by another thread (the palette thread at its end, the
// window thread) while the drawing thread may be inside a drawing call: it
// takes effect at the drawing thread's next call on the context.
void RequestRemoveClip(DrawContext& dc);
void SetClipRect(DrawContext& dc, const Rect& rect);
void IntersectClipRect(DrawContext& dc, const Rect& rect);
void ExcludeClipRect(DrawContext& dc, const Rect& rect);
void SetClipRegion(DrawContext& dc, const Region& region);
// Limits the clip to the region (which becomes the clip when there is none).
void IntersectClipRegion(DrawContext& dc, const Region& region);
// Moves the clip by (dx, dy) (nothing without a clip), so one clip shape can
// serve at many places without being built again.
void OffsetClipRegion(DrawContext& dc, int dx, int dy);

// Region builders for clip regions.
// Region builders for clip regions; only the part inside `limit` is kept.
// Pass the picture's rectangle, or better the bounds of what the region will
// be intersected with (a wedge triangle only matters inside its ball).
void RegionFromEllipse(Region& region, const Rect& box, const Rect& limit);
void RegionFromPolygon(Region& region, const Point* points, int count, FillRule rule, const Rect& limit);

// ---- paths -----------------------------------------------------------------------

void BeginPath(DrawContext& dc);
void EndPath(DrawContext& dc);
// The closed path (even-odd) becomes the clip; the path is used up.
void ClipToPath(DrawContext& dc);
// Outlines each contour with the pen; the path is used up.
void StrokePath(DrawContext& dc);

}  // namespace ztx
