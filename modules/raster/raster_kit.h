// The raster kit: what the raster modules (Pattern and the modules that
// paint their pictures pixel by pixel the same way) share.
//
//  - Rings: a cycle paints its picture as concentric one-pixel rings from the
//    edge inward, in the first tile the tile type draws, and copies every
//    finished ring into the other tiles, mirrored in odd columns and rows.
//  - Strip buffer: one row or column of palette indices (entries 0..235)
//    drawn through an index-picture header.
//  - Ring painting: a ring's four sides computed pixel by pixel (or, when
//    folded, a short sample line laid out back and forth), diffused and
//    drawn through the strip buffer.
//  - Cycle timer: after a finished picture the module waits "Duration"
//    seconds before the next cycle draws.
//  - Helpers of the pixel modules: warp tables cut from the sine table and
//    the in-place 3x3 smoothing of an index picture.
//
// Plain records and free functions; everything runs on the animation thread.
#pragma once
#include <algorithm>
#include <concepts>
#include <cstdint>
#include <utility>

#include "include/zentrix/module_record.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace ztx {

// ---- rings ---------------------------------------------------------------------------------

// A ring's rectangle, inclusive on all four sides; empty once the sides have
// crossed.
struct RingRect {
    int left = 0, top = 0, right = -1, bottom = -1;
    bool Empty() const { return right < left || bottom < top; }
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    // The next ring inward.
    void Shrink() { ++left, ++top, --right, --bottom; }
    // The ring `by` rings further out.
    void Grow(int by) { left -= by, top -= by, right += by, bottom += by; }
};

// The ring a frame starts from, twice: `tile` is the cycle's ring (picture
// coordinates) scaled into tile (0, 0); `source` is the same ring in the
// first tile the tile type draws (tile (0, 0), else the one to its right,
// else the one below; empty when a single tile is not drawn), kept inside
// the width x height picture.
struct TileRings {
    RingRect source, tile;
};
TileRings FirstTileRings(const RingRect& cycle, const TileGrid& grid, int width, int height);
// The ring `tile` of tile (0, 0) moved into the first tile the tile type
// draws and kept inside the picture, as FirstTileRings does.
RingRect SourceRing(const RingRect& tile, const TileGrid& grid, int width, int height);

// Copies the finished ring `source` into every other tile that passes the
// tile test, mirrored in odd columns and rows; `tile` is the same ring
// relative to tile (0, 0). A single tile copies nothing.
void ReplicateRing(DrawContext& dc, const TileGrid& grid, const RingRect& source, const RingRect& tile);

// Paints up to `count` rings inward from `rings`: `draw(source)` paints one
// ring of the source tile, which is then copied into the other tiles.
// Returns true when the rings have met (the picture is complete).
template <std::invocable<const RingRect&> Draw>
bool DrawRingsInward(DrawContext& dc, const TileGrid& grid, TileRings rings, int count, Draw&& draw) {
    for (int i = 0; i < count; ++i) {
        if (rings.source.Empty()) return true;
        draw(rings.source);
        ReplicateRing(dc, grid, rings.source, rings.tile);
        rings.source.Shrink();
        rings.tile.Shrink();
    }
    return false;
}

// A frame of a cycle drawn from the edge inward: paints `count` rings
// starting at `cycle` (picture coordinates, scaled into the source tile),
// then moves `cycle` in by `advance` rings of every tile. Returns true when
// the rings have met.
template <std::invocable<const RingRect&> Draw>
bool PaintCycleRings(DrawContext& dc, const TileGrid& grid, RingRect& cycle, int count, int advance, int width,
                     int height, Draw&& draw) {
    const TileRings rings = FirstTileRings(cycle, grid, width, height);
    cycle.left += advance * grid.xTiling;
    cycle.right -= advance * grid.xTiling;
    cycle.top += advance * grid.yTiling;
    cycle.bottom -= advance * grid.yTiling;
    return DrawRingsInward(dc, grid, rings, count, std::forward<Draw>(draw));
}

// ---- strip buffer --------------------------------------------------------------------------

// A row is drawn from the first bytes of `pixels`; a column from every
// fourth byte (the rows of a one-pixel-wide index picture are 4 bytes
// apart), bottom-up: its first pixel lands on the lowest line.
struct StripBuffer {
    uint8_t* pixels = nullptr;      // (longest side + 1) * 4 bytes
    IndexDib* header = nullptr;     // describes `pixels` to DrawIndexDib
    int32_t width = 0, height = 0;  // the picture's size
};
// Takes the pixels and the header from the module memory for a width x
// height picture. Returns false when either could not be had; FreeStrip
// then gives back the other.
bool AllocateStrip(StripBuffer& strip, int width, int height);
void FreeStrip(StripBuffer& strip);
// Draws `count` bytes of the strip as a row starting at (x, y).
void DrawRowStrip(StripBuffer& strip, DrawContext& dc, int x, int y, int count);
// Draws `count` pixels of the strip as a column from (x, y) down.
void DrawColumnStrip(StripBuffer& strip, DrawContext& dc, int x, int y, int count);
// The same, `count` strip pixels stretched over `shown` picture pixels.
void DrawRowStripStretched(StripBuffer& strip, DrawContext& dc, int x, int y, int count, int shown);
void DrawColumnStripStretched(StripBuffer& strip, DrawContext& dc, int x, int y, int count, int shown);

// ---- ring painting -------------------------------------------------------------------------

// Adds diffusion to `count` pixels `step` bytes apart: each becomes
// p + (random mod amount), or 235 from 236 on. Nothing for amount <= 0.
void Diffuse(uint8_t* pixels, int count, int step, int amount);

// The strip plus the sample line of folded rings.
struct RingCanvas {
    StripBuffer strip;
    uint8_t* samples = nullptr;  // longest side + 2 bytes
    int sampleCount = 0;
};
// Strip pixels, header and sample line from the module memory; false when
// any could not be had (FreeRingCanvas gives back the rest).
bool AllocateRingCanvas(RingCanvas& canvas, int width, int height);
void FreeRingCanvas(RingCanvas& canvas);

// Pixels a module computes for one side of a ring: `count` pixels starting
// at (x, y), each next one at (x + dx, y + dy); `first` is the index of the
// first one in the sample line (folded rings).
struct RingRun {
    int x, y, dx, dy, count, first;
};

// A ring drawn without folding: the values computed along the top row show
// on the bottom line and those of the bottom row on the top line (the strip
// bitmap is bottom-up), the left and right columns run upward. `fill(out,
// step, run)` writes run.count colour bytes `step` bytes apart.
template <class Fill>
void PaintPlainRing(RingCanvas& canvas, DrawContext& dc, const RingRect& ring, int diffuse, Fill&& fill) {
    uint8_t* out = canvas.strip.pixels;
    const int w = ring.Width(), h = ring.Height();
    fill(out, 1, RingRun{ring.left, ring.top, 1, 0, w, 0});
    Diffuse(out, w, 1, diffuse);
    DrawRowStrip(canvas.strip, dc, ring.left, ring.bottom, w);
    fill(out, 1, RingRun{ring.left, ring.bottom, 1, 0, w, 0});
    Diffuse(out, w, 1, diffuse);
    DrawRowStrip(canvas.strip, dc, ring.left, ring.top, w);
    fill(out, 4, RingRun{ring.left, ring.top, 0, 1, h, 0});
    Diffuse(out, h, 4, diffuse);
    DrawColumnStrip(canvas.strip, dc, ring.left, ring.top, h);
    fill(out, 4, RingRun{ring.right, ring.top, 0, 1, h, 0});
    Diffuse(out, h, 4, diffuse);
    DrawColumnStrip(canvas.strip, dc, ring.right, ring.top, h);
}

// Folding with factor f: nW = (right - left) / f + 1, nH = (bottom - top) / f
// + 1, n the larger (at most what the sample line holds, less one).
struct FoldSpans {
    int nW, nH, n;
};
FoldSpans FoldSpansOf(const RingCanvas& canvas, const RingRect& ring, int fold);

// Where a folded ring's top line and right column come from once the bottom
// line and the left column are drawn: the top line copies the bottom line
// from x = left + rowFrom to x = left + rowTo; the right column copies the
// column at left + columnFrom starting columnDown rows lower.
struct FoldCopies {
    int rowFrom = 1, rowTo = 0;
    int columnFrom = 0, columnDown = 1;
};

// Lays out samples 0..n back and forth over `count` positions `step` bytes
// apart: position k takes sample k mod p while k / p is even and p - (k mod
// p) while it is odd.
void LayOutFolded(uint8_t* out, int count, int step, const uint8_t* samples, int period);
// Draws a folded ring from its sample line (see PaintFoldedRing).
void DrawFoldedRing(RingCanvas& canvas, DrawContext& dc, const RingRect& ring, const FoldSpans& spans,
                    const FoldCopies& copies);

// A folded ring: n + 1 samples are computed along the top row (from left, at
// most width - 1) and then down the right column (from top, at most height -
// 1); the first n get diffusion; they are laid out over the bottom line with
// nW and over the left column with nH, and the other two sides are copies.
// A ring too small for n + 1 samples keeps the rest of the earlier line.
template <class Fill>
void PaintFoldedRing(RingCanvas& canvas, DrawContext& dc, const RingRect& ring, const FoldSpans& spans, int diffuse,
                     const FoldCopies& copies, Fill&& fill) {
    const int rowCount = std::min(ring.Width() - 1, spans.n + 1);
    if (rowCount > 0) fill(canvas.samples, 1, RingRun{ring.left, ring.top, 1, 0, rowCount, 0});
    const int columnCount = std::min(ring.Height() - 1, spans.n + 1 - std::max(rowCount, 0));
    if (columnCount > 0)
        fill(canvas.samples + std::max(rowCount, 0), 1,
             RingRun{ring.right, ring.top, 0, 1, columnCount, std::max(rowCount, 0)});
    Diffuse(canvas.samples, spans.n, 1, diffuse);
    DrawFoldedRing(canvas, dc, ring, spans, copies);
}

// ---- pixel-module helpers --------------------------------------------------------------------

// The one report of a raster module whose working memory could not be had
// ("Could not allocate buffers" on the diagnostic output); the module then
// draws nothing until its next DoPreInitialize.
void ReportAllocationFailure();

// Points the warp at the module's tables: spans width - 1 and height - 1,
// `columns` and `rows` with one entry a picture column and row.
void AttachWarpTables(WarpRecord& warp, int width, int height, const int32_t* columns, const int32_t* rows);

// table[i] = SineTable[i mod 2048] for i < count: the warp tables of modules
// whose warps index the sine table by screen coordinate (wider pictures
// repeat the period instead of reading past it).
void FillSineProfile(int32_t* table, int count);

// One 3x3 smoothing pass over an 8-bit picture in place: each pixel of
// columns 1..lastColumn and stored rows 1..lastRow becomes the integer mean
// of its neighbourhood, column by column, each column upward through the
// stored rows, so pixels already smoothed feed the later ones.
void SmoothIndexPicture(uint8_t* bits, int stride, int lastColumn, int lastRow);

// ---- cycle timer ---------------------------------------------------------------------------

struct CycleTimer {
    uint32_t nextStart = 0;  // tick count from which frames draw again
    uint32_t pauseMs = 0;    // the wait after a finished picture
};
// Frames draw from now on (DoPreInitialize).
void StartCycleTimer(CycleTimer& timer);
// "Duration" in seconds (below 0 counts as 0) becomes the wait.
void SetCyclePause(CycleTimer& timer, int seconds);
// Whether the wait after a finished picture still runs at tick count `now`.
bool CyclePaused(const CycleTimer& timer, uint32_t now);
// The picture was finished at `now`: the wait starts.
void PauseAfterCycle(CycleTimer& timer, uint32_t now);

// The start of a raster module's DoDrawFrame: the draw gate ("Draw Start"
// and "Draw Stop"), then whether there is anything to draw with (`ready`,
// a context) and the wait after a finished picture is over. `dc` is null
// when the frame draws nothing; the routine then returns `result`.
struct RasterFrame {
    DrawContext* dc = nullptr;
    uint32_t now = 0;
    int result = 0;
};
RasterFrame BeginRasterFrame(ModuleRecord* record, bool ready, const CycleTimer& timer);

}  // namespace ztx
