// The raster kit: what the raster modules (Pattern and the modules that
// paint their pictures pixel by pixel the same way) share.
//
//  - Rings: a cycle paints its picture as concentric one-pixel rings from the
//    edge inward, in the first tile the tile type draws, and copies every
//    finished ring into the other tiles, mirrored in odd columns and rows.
//  - Strip buffer: one row or column of palette indices (entries 0..235)
//    drawn through an index-picture header.
//  - Cycle timer: after a finished picture the module waits "Duration"
//    seconds before the next cycle draws.
//
// Plain records and free functions; everything runs on the animation thread.
#pragma once
#include <concepts>
#include <cstdint>

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

}  // namespace ztx
