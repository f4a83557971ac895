// Scan conversion: turns polygons, wide strokes, ellipses and one-pixel lines
// into pixel spans. Nothing here knows about surfaces, colours or clipping
// regions; each routine reports the spans it covers inside a limit rectangle,
// row by row from top to bottom, and never spends time on rows or columns
// outside that rectangle (so geometry far off the picture costs nothing).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "render/region.h"

namespace ztx {

struct Point {
    int x = 0, y = 0;
};

struct PointD {
    double x = 0, y = 0;
};

// Receives spans: pixels x0 .. x1 - 1 of row y.
struct SpanSink {
    void (*emit)(void* ctx, int y, int x0, int x1);
    void* ctx;
    // Receiving a pixel twice does no harm (painting a colour): a scan may
    // then send overlapping spans when that is cheaper than merging them.
    bool overlapsAllowed = false;
    // When set, spans are plain fills of an 8-bit picture with nothing to
    // check (every span lies inside it): the scan sets the bytes itself,
    // row y starting at fillOrigin + y * fillStride, instead of calling emit.
    uint8_t* fillOrigin = nullptr;
    ptrdiff_t fillStride = 0;
    uint8_t fillValue = 0;
};

// Sets n bytes. Runs of a stroke or a small shape are mostly a few dozen
// bytes, where a library call costs more than the stores: up to 32 bytes
// are two or four overlapping 8-byte stores, up to 64 four overlapping
// 16-byte ones.
inline void FillBytes(uint8_t* at, uint8_t value, size_t n) {
    if (n < 8 || n > 64) {
        if (n >= 8) std::memset(at, value, n);
        else
            for (size_t i = 0; i < n; ++i) at[i] = value;
        return;
    }
    const uint64_t v = 0x0101010101010101ull * value;
    if (n <= 32) {
        std::memcpy(at, &v, 8);
        std::memcpy(at + n - 8, &v, 8);
        if (n > 16) {
            std::memcpy(at + 8, &v, 8);
            std::memcpy(at + n - 16, &v, 8);
        }
        return;
    }
    const uint64_t w[2] = {v, v};
    std::memcpy(at, w, 16);
    std::memcpy(at + 16, w, 16);
    std::memcpy(at + n - 32, w, 16);
    std::memcpy(at + n - 16, w, 16);
}

// Hands a span to the sink (x0 < x1).
inline void EmitSpan(const SpanSink& sink, int y, int x0, int x1) {
    if (sink.fillOrigin) FillBytes(sink.fillOrigin + y * sink.fillStride + x0, sink.fillValue, size_t(x1 - x0));
    else sink.emit(sink.ctx, y, x0, x1);
}

// Receives single pixels.
struct PixelSink {
    void (*emit)(void* ctx, int x, int y);
    void* ctx;
};

enum class FillRule { EvenOdd, Winding };

// Fills one or more closed contours (vertices at pixel corners: pixel (px, py)
// is inside when its centre (px + 0.5, py + 0.5) is). Rows come in increasing
// order; within a row spans are disjoint and sorted.
void ScanPolygon(const PointD* points, const int* contourSizes, int contourCount, FillRule rule,
                 const Rect& limit, SpanSink sink);

// A solid stroke of the given radius along the polyline (closed: back to the
// first point), with round caps and joins: every pixel whose centre lies
// within `radius` of the path. The stroke is one area: each pixel is reported
// exactly once.
void ScanStroke(const PointD* points, int count, bool closed, double radius, const Rect& limit, SpanSink sink);
// The body of a stroke's segment a-b without its round ends: the pixels
// whose centre lies within `radius` of the segment and projects onto it
// (ScanStroke of a-b less what only the discs at a and b add).
void ScanBar(const PointD& a, const PointD& b, double radius, const Rect& limit, SpanSink sink);

// The filled ellipse inscribed in `box` (pixel centres inside the ellipse).
void ScanEllipse(const Rect& box, const Rect& limit, SpanSink sink);
// The one-pixel outline of that filled ellipse: its pixels that have a
// horizontal or vertical neighbour outside it.
void ScanEllipseOutline(const Rect& box, const Rect& limit, SpanSink sink);

// The one-pixel line rule, shared by every line walker (clipped lines,
// unclipped walks, stamped brush lines). The line from (x0, y0) towards
// (x1, y1) has `count` steps, start included and end excluded, along its
// longer axis (x on ties): step i lies at major0 + majorStep * i on that
// axis and at minor0 + minorStep * MinorOffset(i) on the other, where
// MinorOffset(i) = floor((2 i minorRun + count) / (2 count)). The pixel of a
// step depends only on the end points, so drawing and erasing a line give
// the same set whatever part of it is visible.
struct LineSteps {
    bool xMajor = true;
    int64_t count = 0;     // |major difference|: the number of steps
    int64_t minorRun = 0;  // |minor difference|, at most count
    int64_t major0 = 0, minor0 = 0;
    int majorStep = 1, minorStep = 1;  // +1 or -1
};
inline LineSteps LineStepsOf(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    LineSteps s;
    s.xMajor = adx >= ady;
    s.count = s.xMajor ? adx : ady;
    s.minorRun = s.xMajor ? ady : adx;
    s.major0 = s.xMajor ? x0 : y0;
    s.minor0 = s.xMajor ? y0 : x0;
    s.majorStep = (s.xMajor ? dx : dy) < 0 ? -1 : 1;
    s.minorStep = (s.xMajor ? dy : dx) < 0 ? -1 : 1;
    return s;
}
int64_t MinorOffset(const LineSteps& line, int64_t step);
// The steps whose pixel lies inside `limit`, [first, last]; false when none.
bool StepsInside(const LineSteps& line, const Rect& limit, int64_t& first, int64_t& last);

// Follows the minor offset from one step to the next with an error term
// instead of a division per step: rem = (2 i minorRun + count) - 2 count m
// for step i at minor offset m, kept in [0, 2 count).
struct StepCursor {
    int64_t major = 0, minor = 0;  // the pixel of the current step
    int64_t rem = 0, twoMajor = 0, twoMinor = 0;
    // Moves to the next step; true when the minor coordinate moved too
    // (the caller moves it by minorStep).
    bool Next() {
        rem += twoMinor;
        if (rem < twoMajor) return false;
        rem -= twoMajor;
        return true;
    }
};
// The cursor at any step (CursorAt's general case).
StepCursor CursorAtStep(const LineSteps& line, int64_t step);
// The cursor at `step`.
inline StepCursor CursorAt(const LineSteps& line, int64_t step) {
    if (step != 0) return CursorAtStep(line, step);
    // Most walks start at the first step: offset 0, no division.
    StepCursor c;
    c.major = line.major0;
    c.minor = line.minor0;
    c.rem = line.count;
    c.twoMajor = 2 * line.count;
    c.twoMinor = 2 * line.minorRun;
    return c;
}

// Visits steps first..last (0 <= first, last < count) in order as visit(x, y).
template <class Visit>
void WalkSteps(const LineSteps& line, int64_t first, int64_t last, Visit&& visit) {
    if (first > last) return;
    StepCursor c = CursorAt(line, first);
    for (int64_t i = first; i <= last; ++i) {
        if (line.xMajor) visit(static_cast<int>(c.major), static_cast<int>(c.minor));
        else visit(static_cast<int>(c.minor), static_cast<int>(c.major));
        c.major += line.majorStep;
        if (c.Next()) c.minor += line.minorStep;
    }
}

// One-pixel line from (x0, y0) towards (x1, y1), start point included and end
// point excluded, reporting only pixels inside `limit`.
void ScanLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Rect& limit, PixelSink sink);

// Every point of the same line (start included, end excluded), unclipped:
// max(|dx|, |dy|) calls, unit steps along the longer axis.
void WalkLine(int x0, int y0, int x1, int y1, void (*callback)(int x, int y, void* ctx), void* ctx);

// Flattens a cubic Bezier into a polyline (first point included, last point
// included). The number of pieces depends only on the four control points.
// Returns the number of points written (at most maxPoints, at least 2).
int FlattenBezier(const PointD& p0, const PointD& p1, const PointD& p2, const PointD& p3, PointD* out,
                  int maxPoints);
constexpr int kMaxBezierPoints = 1025;

// Points of an ellipse outline inscribed in `box` as a closed polyline in
// pixel-corner coordinates. Returns the count (at most maxPoints).
int FlattenEllipse(const Rect& box, PointD* out, int maxPoints);
constexpr int kMaxEllipsePoints = 2048;

}  // namespace ztx
