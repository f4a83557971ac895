#include "modules/raster/raster_kit.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>

#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/sine_table.h"

namespace ztx {

// ---- rings ---------------------------------------------------------------------------------

TileRings FirstTileRings(const RingRect& cycle, const TileGrid& grid, int width, int height) {
    const RingRect tile{cycle.left / grid.xTiling, cycle.top / grid.yTiling, cycle.right / grid.xTiling,
                        cycle.bottom / grid.yTiling};
    return TileRings{SourceRing(tile, grid, width, height), tile};
}

RingRect SourceRing(const RingRect& tile, const TileGrid& grid, int width, int height) {
    RingRect source = tile;
    if (!TileDrawn(0, 0, grid.tileType)) {
        if (grid.xTiling >= 2) {
            source.left += grid.tileWidth;
            source.right += grid.tileWidth;
        } else if (grid.yTiling == 1) {
            source.right = source.left - 1;
        } else {
            source.top += grid.tileHeight;
            source.bottom += grid.tileHeight;
        }
    }
    // Modules index their per-pixel tables by picture coordinates.
    source.right = std::min(source.right, width - 1);
    source.bottom = std::min(source.bottom, height - 1);
    source.left = std::max(source.left, 0);
    source.top = std::max(source.top, 0);
    return source;
}

void ReplicateRing(DrawContext& dc, const TileGrid& grid, const RingRect& source, const RingRect& tile) {
    const int tw = grid.tileWidth, th = grid.tileHeight;
    const int width = source.Width(), height = source.Height();
    if (grid.xTiling + grid.yTiling <= 2 || tw <= 0 || th <= 0 || width <= 0 || height <= 0) return;
    // The tile the ring was drawn in.
    const int srcColumn = (source.left - tile.left) / tw, srcRow = (source.top - tile.top) / th;
    for (int r = 0; r < grid.yTiling; ++r) {
        for (int c = 0; c < grid.xTiling; ++c) {
            if (!TileDrawn(c, r, grid.tileType) || (c == srcColumn && r == srcRow)) continue;
            const int dl = tile.left + c * tw, dt = tile.top + r * th;
            const int dr = tile.right + c * tw, db = tile.bottom + r * th;
            const bool mirrorX = c & 1, mirrorY = r & 1;
            // Rows: the destination's top row takes the source's bottom row in odd rows.
            const int rowToTop = mirrorY ? source.bottom : source.top;
            const int rowToBottom = mirrorY ? source.top : source.bottom;
            // Columns: the destination's left column takes the source's right one in odd columns.
            const int colToLeft = mirrorX ? source.right : source.left;
            const int colToRight = mirrorX ? source.left : source.right;
            if (mirrorX) {
                StretchBlt(dc, dr, dt, -width, 1, dc, source.left, rowToTop, width, 1);
                StretchBlt(dc, dr, db, -width, 1, dc, source.left, rowToBottom, width, 1);
            } else {
                BitBlt(dc, dl, dt, width, 1, dc, source.left, rowToTop);
                BitBlt(dc, dl, db, width, 1, dc, source.left, rowToBottom);
            }
            if (mirrorY) {
                StretchBlt(dc, dl, db, 1, -height, dc, colToLeft, source.top, 1, height);
                StretchBlt(dc, dr, db, 1, -height, dc, colToRight, source.top, 1, height);
            } else {
                BitBlt(dc, dl, dt, 1, height, dc, colToLeft, source.top);
                BitBlt(dc, dr, dt, 1, height, dc, colToRight, source.top);
            }
        }
    }
}

// ---- strip buffer --------------------------------------------------------------------------

bool AllocateStrip(StripBuffer& strip, int width, int height) {
    strip.width = std::max(width, 0);
    strip.height = std::max(height, 0);
    const size_t span = static_cast<size_t>(std::max(strip.width, strip.height) + 1);
    strip.pixels = static_cast<uint8_t*>(AllocateModuleMemory(span * 4));
    strip.header = static_cast<IndexDib*>(AllocateModuleMemory(sizeof(IndexDib)));
    if (strip.pixels == nullptr || strip.header == nullptr) return false;
    // Palette indices 0..235, as many as the picture is wide, one line.
    strip.header->width = strip.width;
    strip.header->height = 1;
    strip.header->table = kIdentityIndices;
    strip.header->tableCount = kPaletteEntries;
    strip.header->bits = strip.pixels;
    return true;
}

void FreeStrip(StripBuffer& strip) {
    FreeModuleMemory(strip.pixels);
    FreeModuleMemory(strip.header);
    strip.pixels = nullptr;
    strip.header = nullptr;
}

void DrawRowStrip(StripBuffer& strip, DrawContext& dc, int x, int y, int count) {
    IndexDib& h = *strip.header;
    h.width = strip.width;
    h.height = 1;
    DrawIndexDib(dc, x, y, count, 1, h, 0, 0, count, 1);
}

void DrawColumnStrip(StripBuffer& strip, DrawContext& dc, int x, int y, int count) {
    DrawColumnStripStretched(strip, dc, x, y, count, count);
}

void DrawRowStripStretched(StripBuffer& strip, DrawContext& dc, int x, int y, int count, int shown) {
    IndexDib& h = *strip.header;
    h.width = strip.width;
    h.height = 1;
    DrawIndexDib(dc, x, y, shown, 1, h, 0, 0, count, 1);
}

void DrawColumnStripStretched(StripBuffer& strip, DrawContext& dc, int x, int y, int count, int shown) {
    IndexDib& h = *strip.header;
    h.width = 1;
    h.height = strip.height;
    DrawIndexDib(dc, x, y, 1, shown, h, 0, 0, 1, count);
}

// ---- ring painting -------------------------------------------------------------------------

void Diffuse(uint8_t* pixels, int count, int step, int amount) {
    if (amount <= 0) return;
    for (int i = 0; i < count; ++i) {
        uint8_t& p = pixels[i * step];
        const int v = p + Rand15() % amount;
        p = static_cast<uint8_t>(v >= kPaletteEntries ? kPaletteEntries - 1 : v);
    }
}

bool AllocateRingCanvas(RingCanvas& canvas, int width, int height) {
    const bool strip = AllocateStrip(canvas.strip, width, height);
    const int span = std::max(std::max(width, height), 0) + 2;
    canvas.samples = static_cast<uint8_t*>(AllocateModuleMemory(size_t(span)));
    canvas.sampleCount = canvas.samples ? span : 0;
    return strip && canvas.samples != nullptr;
}

void FreeRingCanvas(RingCanvas& canvas) {
    FreeStrip(canvas.strip);
    FreeModuleMemory(canvas.samples);
    canvas.samples = nullptr;
    canvas.sampleCount = 0;
}

FoldSpans FoldSpansOf(const RingCanvas& canvas, const RingRect& ring, int fold) {
    const int nW = (ring.right - ring.left) / fold + 1, nH = (ring.bottom - ring.top) / fold + 1;
    return FoldSpans{nW, nH, std::min(std::max(nW, nH), canvas.sampleCount - 1)};
}

void LayOutFolded(uint8_t* out, int count, int step, const uint8_t* samples, int period) {
    int r = 0;
    bool back = false;
    for (int k = 0; k < count; ++k) {
        out[k * step] = samples[back ? period - r : r];
        if (++r == period) {
            r = 0;
            back = !back;
        }
    }
}

void DrawFoldedRing(RingCanvas& canvas, DrawContext& dc, const RingRect& ring, const FoldSpans& spans,
                    const FoldCopies& copies) {
    const int w = ring.Width(), h = ring.Height();
    uint8_t* out = canvas.strip.pixels;
    LayOutFolded(out, w, 1, canvas.samples, spans.nW);
    DrawRowStrip(canvas.strip, dc, ring.left, ring.bottom, w);
    // Where a copy's source lies off the picture (outermost ring), the
    // destination keeps what was there.
    BitBlt(dc, ring.left + copies.rowTo, ring.top, w, 1, dc, ring.left + copies.rowFrom, ring.bottom);
    LayOutFolded(out, h, 4, canvas.samples, spans.nH);
    DrawColumnStrip(canvas.strip, dc, ring.left, ring.top, h);
    BitBlt(dc, ring.right, ring.top, 1, h, dc, ring.left + copies.columnFrom, ring.top + copies.columnDown);
}

// ---- pixel-module helpers --------------------------------------------------------------------

void ReportAllocationFailure() { std::fputs("Could not allocate buffers\n", stderr); }

void AttachWarpTables(WarpRecord& warp, int width, int height, const int32_t* columns, const int32_t* rows) {
    warp.spanX = width - 1;
    warp.spanY = height - 1;
    warp.columns = columns;
    warp.rows = rows;
}

void FillSineProfile(int32_t* table, int count) {
    for (int i = 0; i < count; ++i) table[i] = SineTable[i & 2047];
}

namespace {

// The mean of the 3x3 neighbourhood of column c at row y, column c - 1
// being `left` and c + 1 `right`, all three `step` bytes a row.
inline uint8_t Mean9(const uint8_t* left, const uint8_t* here, const uint8_t* right, size_t y, size_t step) {
    const size_t a = (y - 1) * step, b = y * step, c = (y + 1) * step;
    const int sum = left[a] + left[b] + left[c] + here[a] + here[b] + here[c] + right[a] + right[b] + right[c];
    return static_cast<uint8_t>(sum / 9);
}

}  // namespace

void SmoothIndexPicture(uint8_t* bits, int stride, int lastColumn, int lastRow) {
    if (lastColumn < 1 || lastRow < 1) return;
    // Column order runs across the rows of the picture; bands of columns are
    // smoothed in a transposed copy instead, where each column is one run.
    constexpr int kBand = 32;
    const size_t rows = size_t(lastRow) + 2;
    std::unique_ptr<uint8_t[]> band(new (std::nothrow) uint8_t[(kBand + 2) * rows]);
    if (!band) {  // in place, column by column
        for (int x = 1; x <= lastColumn; ++x)
            for (int y = 1; y <= lastRow; ++y)
                bits[size_t(y) * stride + x] = Mean9(bits + x - 1, bits + x, bits + x + 1, y, size_t(stride));
        return;
    }
    for (int x0 = 1; x0 <= lastColumn; x0 += kBand) {
        const int x1 = std::min(x0 + kBand - 1, lastColumn);
        const int columns = x1 - x0 + 3;  // with the smoothed column on the left and the untouched one on the right
        for (size_t y = 0; y < rows; ++y) {
            const uint8_t* from = bits + y * stride + x0 - 1;
            for (int c = 0; c < columns; ++c) band[c * rows + y] = from[c];
        }
        for (int c = 1; c < columns - 1; ++c) {
            uint8_t* here = band.get() + c * rows;
            const uint8_t* left = here - rows;
            const uint8_t* right = here + rows;
            // The pixel below is the one just smoothed: kept in a register.
            int below = here[0];
            for (size_t y = 1; y <= size_t(lastRow); ++y) {
                const int sum = left[y - 1] + left[y] + left[y + 1] + right[y - 1] + right[y] + right[y + 1] + here[y] +
                                here[y + 1] + below;
                below = sum / 9;
                here[y] = static_cast<uint8_t>(below);
            }
        }
        for (size_t y = 1; y <= size_t(lastRow); ++y) {
            uint8_t* to = bits + y * stride + x0 - 1;
            for (int c = 1; c < columns - 1; ++c) to[c] = band[c * rows + y];
        }
    }
}

// ---- cycle timer ---------------------------------------------------------------------------

void StartCycleTimer(CycleTimer& timer) { timer.nextStart = GetTickCount(); }

void SetCyclePause(CycleTimer& timer, int seconds) {
    timer.pauseMs = static_cast<uint32_t>(std::max(seconds, 0)) * 1000u;
}

bool CyclePaused(const CycleTimer& timer, uint32_t now) { return static_cast<int32_t>(now - timer.nextStart) < 0; }

void PauseAfterCycle(CycleTimer& timer, uint32_t now) { timer.nextStart = now + timer.pauseMs; }

RasterFrame BeginRasterFrame(ModuleRecord* record, bool ready, const CycleTimer& timer) {
    RasterFrame frame;
    if (!DrawGate(record->Control[kDrawStartSlot], record->Control[kDrawStopSlot])) {
        frame.result = kFrameSkipped;
        return frame;
    }
    frame.now = GetTickCount();
    auto* dc = static_cast<DrawContext*>(record->Dc);
    if (ready && dc != nullptr && !CyclePaused(timer, frame.now)) frame.dc = dc;
    return frame;
}

}  // namespace ztx
