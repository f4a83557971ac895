#include "render/raster.h"

#include "render/int_math.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <limits>
#include <vector>

namespace ztx {

namespace {

using i128 = __int128;

// First pixel whose centre is at or right of x: ceil(x - 0.5), clamped.
int64_t FirstPixelAtOrAfter(double x, const Rect& limit) {
    return TruncClamp(std::ceil(x - 0.5), int64_t(limit.left) - 1, int64_t(limit.right) + 1);
}
// Last pixel whose centre is at or left of x: floor(x - 0.5), clamped.
int64_t LastPixelAtOrBefore(double x, const Rect& limit) {
    return TruncClamp(std::floor(x - 0.5), int64_t(limit.left) - 1, int64_t(limit.right) + 1);
}

void EmitClamped(SpanSink& sink, int y, int64_t x0, int64_t x1, const Rect& limit) {
    x0 = std::max<int64_t>(x0, limit.left);
    x1 = std::min<int64_t>(x1, limit.right);
    if (x0 < x1) sink.emit(sink.ctx, y, static_cast<int>(x0), static_cast<int>(x1));
}

struct Edge {
    double x0, y0, x1, y1;
    double slope;
    int dir;
    int rowStart, rowEnd;  // rows [rowStart, rowEnd)
};

// Where an edge crosses a row, as the first pixel whose centre is at or right
// of the crossing.
struct Crossing {
    int64_t pixel;
    int dir;
};

// Whole-number vertices (the usual case) are crossed exactly, so a crossing
// that falls on a pixel centre is decided the same way on every machine.
bool IsWhole(double v) { return std::fabs(v) < 1e15 && v == std::floor(v); }

// The same in 64 bits, for vertices within +-2^28 (rows are 32-bit).
int64_t ExactFirstPixelSmall(const Edge& e, int row, const Rect& limit) {
    const int64_t x0 = int64_t(e.x0), y0 = int64_t(e.y0), dx = int64_t(e.x1) - x0, dy = int64_t(e.y1) - y0;
    const int64_t den = 2 * dy;
    const int64_t num = 2 * x0 * dy + (2 * int64_t(row) + 1 - 2 * y0) * dx;
    int64_t px = -FloorDiv<int64_t>(den - 2 * num, 2 * den);
    return std::clamp<int64_t>(px, int64_t(limit.left) - 1, int64_t(limit.right) + 1);
}

int64_t ExactFirstPixel(const Edge& e, int row, const Rect& limit) {
    // x = x0 + (row + 0.5 - y0) (x1 - x0) / (y1 - y0) = num / den, and the
    // first pixel at or after it is ceil(x - 0.5) = ceil((2 num - den) / (2 den)).
    const i128 x0 = int64_t(e.x0), y0 = int64_t(e.y0), dx = int64_t(e.x1) - int64_t(e.x0);
    const i128 dy = int64_t(e.y1) - int64_t(e.y0);
    const i128 den = 2 * dy;
    const i128 num = 2 * x0 * dy + (2 * i128(row) + 1 - 2 * y0) * dx;
    i128 px = CeilDiv<i128>(2 * num - den, 2 * den);
    if (px < limit.left - 1) px = limit.left - 1;
    if (px > limit.right + 1) px = limit.right + 1;
    return static_cast<int64_t>(px);
}

}  // namespace

void ScanPolygon(const PointD* points, const int* contourSizes, int contourCount, FillRule rule,
                 const Rect& limit, SpanSink sink) {
    if (RectEmpty(limit)) return;
    // Shapes wholly beside the limit cost nothing.
    int total = 0;
    for (int c = 0; c < contourCount; ++c) total += contourSizes[c];
    if (total <= 0) return;
    double minX = points[0].x, maxX = points[0].x;
    for (int i = 1; i < total; ++i) {
        minX = std::min(minX, points[i].x);
        maxX = std::max(maxX, points[i].x);
    }
    if (maxX - 0.5 < limit.left || minX - 0.5 >= limit.right) return;
    thread_local std::vector<Edge> edges;
    thread_local std::vector<const Edge*> active;
    thread_local std::vector<Crossing> cross;
    edges.clear();
    const PointD* p = points;
    for (int c = 0; c < contourCount; ++c) {
        int n = contourSizes[c];
        for (int i = 0; i < n; ++i) {
            PointD a = p[i], b = p[Wrap(i + 1, n)];
            if (a.y == b.y) continue;
            Edge e;
            e.dir = 1;
            if (a.y > b.y) {
                std::swap(a, b);
                e.dir = -1;
            }
            e.x0 = a.x;
            e.y0 = a.y;
            e.x1 = b.x;
            e.y1 = b.y;
            e.slope = (b.x - a.x) / (b.y - a.y);
            int64_t rs = TruncClamp(std::ceil(a.y - 0.5), int64_t(limit.top), int64_t(limit.bottom));
            int64_t re = TruncClamp(std::ceil(b.y - 0.5), int64_t(limit.top), int64_t(limit.bottom));
            if (rs >= re) continue;
            e.rowStart = static_cast<int>(rs);
            e.rowEnd = static_cast<int>(re);
            edges.push_back(e);
        }
        p += n;
    }
    if (edges.empty()) return;
    bool exact = true, small = true;
    for (const Edge& e : edges) {
        exact = exact && IsWhole(e.x0) && IsWhole(e.y0) && IsWhole(e.x1) && IsWhole(e.y1);
        small = small && std::fabs(e.x0) < 268435456.0 && std::fabs(e.x1) < 268435456.0 &&
                std::fabs(e.y0) < 268435456.0 && std::fabs(e.y1) < 268435456.0;
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.rowStart < b.rowStart; });
    active.clear();
    size_t next = 0;
    int row = edges[0].rowStart;
    while (true) {
        while (next < edges.size() && edges[next].rowStart <= row) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [row](const Edge* e) { return e->rowEnd <= row; }),
                     active.end());
        if (active.empty()) {
            if (next >= edges.size()) break;
            row = edges[next].rowStart;
            continue;
        }
        double yc = row + 0.5;
        cross.clear();
        for (const Edge* e : active) {
            int64_t px = !exact ? FirstPixelAtOrAfter(e->x0 + (yc - e->y0) * e->slope, limit)
                         : small ? ExactFirstPixelSmall(*e, row, limit)
                                 : ExactFirstPixel(*e, row, limit);
            cross.push_back(Crossing{px, e->dir});
        }
        std::sort(cross.begin(), cross.end(), [](const Crossing& a, const Crossing& b) { return a.pixel < b.pixel; });
        if (rule == FillRule::EvenOdd) {
            for (size_t k = 0; k + 1 < cross.size(); k += 2)
                EmitClamped(sink, row, cross[k].pixel, cross[k + 1].pixel, limit);
        } else {
            int wind = 0;
            int64_t start = 0;
            for (const Crossing& c : cross) {
                int before = wind;
                wind += c.dir;
                if (before == 0 && wind != 0) start = c.pixel;
                else if (before != 0 && wind == 0) EmitClamped(sink, row, start, c.pixel, limit);
            }
        }
        ++row;
        if (row >= limit.bottom) break;
    }
}

namespace {

// ceil and floor of values already known to lie well inside the int64 range
// (exact: truncation, then one step when it went the wrong way).
inline int64_t CeilOf(double v) {
    const int64_t i = static_cast<int64_t>(v);
    return i + (static_cast<double>(i) < v);
}
inline int64_t FloorOf(double v) {
    const int64_t i = static_cast<int64_t>(v);
    return i - (static_cast<double>(i) > v);
}

// The whole number nearest to v (ties to even) for |v| < 2^51: adding and
// subtracting 1.5 * 2^52 leaves no fraction bits to round with.
inline double RoundToWhole(double v) {
    constexpr double kShift = 6755399441055744.0;
    return (v + kShift) - kShift;
}

// The pixels [p0, p1) of a row, inside the limit, whose centres lie in
// [xl, xr]: ceil(xl - 0.5) .. floor(xr - 0.5), each clamped to the limit's
// columns (a right end that is not a number to its left). Returns whether
// there are any; p0 and p1 are set either way, and p0 <= p1 when xl <= xr.
inline bool PixelsBetween(double xl, double xr, const Rect& limit, int& p0, int& p1) {
    const double l = xl - 0.5, r = xr - 0.5;
    p0 = l > limit.left - 1 ? (l > limit.right - 1 ? limit.right : static_cast<int>(CeilOf(l))) : limit.left;
    p1 = r >= limit.left ? (r < limit.right ? static_cast<int>(FloorOf(r)) + 1 : limit.right) : limit.left;
    return p0 < p1;
}

// A row a piece does not meet at all: its ends cross (p0 > p1), unlike a row
// it meets between two pixel centres (p0 == p1).
constexpr int kMissLeft = INT_MAX, kMissRight = INT_MIN;

// One part of a stroke: a disc around a point or the rectangle of points
// whose projection falls on a segment, with the rows it may cover.
struct StrokeDisc {
    PointD c;
    int64_t r0 = 0, r1 = -1;  // rows, empty when r0 > r1
};

struct StrokeSegment {
    PointD a;
    double dx = 0, dy = 0, l2 = 0, length = 0, rl = 0;
    int64_t r0 = 0, r1 = -1;
    // Per-segment reciprocals (fast rows) and the guard that decides when a
    // fast row could round differently from the divisions it replaces.
    bool fast = false;
    double slopeA = 0, loA = 0, hiA = 0, slopeB = 0, halfB = 0, guard0 = 0, guard1 = 0;
};

// The rows r0 .. r1 whose centres lie in [ylo, yhi], within [lo, hi]
// (none when r0 > r1).
inline void CentreRows(double ylo, double yhi, int64_t lo, int64_t hi, int64_t& r0, int64_t& r1) {
    const double a = ylo - 0.5, b = yhi - 0.5;
    // Picture-sized values (every piece of an ordinary stroke) need no clamp.
    constexpr double kNear = 1 << 29;
    if (std::fabs(a) < kNear && std::fabs(b) < kNear) {
        r0 = std::max(CeilOf(a), lo);
        r1 = std::min(FloorOf(b), hi);
        return;
    }
    r0 = std::max<int64_t>(TruncClamp(std::ceil(a), INT32_MIN / 2, INT32_MAX / 2), lo);
    r1 = std::min<int64_t>(TruncClamp(std::floor(b), INT32_MIN / 2, INT32_MAX / 2), hi);
}

// Rows of a piece with x extent [xlo, xhi] and y extent [ylo, yhi], within
// [rowBase, rowEnd]; none when the piece lies wholly beside the limit.
void PieceRows(double ylo, double yhi, double xlo, double xhi, int64_t rowBase, int64_t rowEnd, const Rect& limit,
               int64_t& r0, int64_t& r1) {
    r0 = 0;
    r1 = -1;
    if (xhi - 0.5 < limit.left || xlo - 0.5 >= limit.right) return;
    CentreRows(ylo, yhi, rowBase, rowEnd, r0, r1);
}

StrokeDisc DiscOf(const PointD& c, double radius, int64_t rowBase, int64_t rowEnd, const Rect& limit) {
    StrokeDisc d;
    d.c = c;
    PieceRows(c.y - radius, c.y + radius, c.x - radius, c.x + radius, rowBase, rowEnd, limit, d.r0, d.r1);
    return d;
}

// The disc's row through centre height yc: |x - c.x| <= sqrt(r^2 - dy^2).
inline bool DiscRow(const StrokeDisc& d, double r2, double yc, const Rect& limit, int& p0, int& p1) {
    const double dy = yc - d.c.y;
    const double q = r2 - dy * dy;
    if (!(q >= 0)) {
        p0 = kMissLeft;
        p1 = kMissRight;
        return false;
    }
    const double h = std::sqrt(q);
    return PixelsBetween(d.c.x - h, d.c.x + h, limit, p0, p1);
}

// Sets up s as the segment a-b, whatever it held: the fields after `fast`
// are set, and read, only when it is. (A scan sets its segments up where it
// keeps them: a copy, read back soon after in wider pieces than it was
// written in, stalls the processor.)
void SetUpSegment(StrokeSegment& s, const PointD& a, const PointD& b, double radius, int64_t rowBase,
                  int64_t rowEnd, const Rect& limit) {
    s.length = s.rl = 0;
    s.r0 = 0;
    s.r1 = -1;
    s.fast = false;
    s.a = a;
    s.dx = b.x - a.x;
    s.dy = b.y - a.y;
    s.l2 = s.dx * s.dx + s.dy * s.dy;
    if (s.l2 <= 0) return;
    s.length = std::sqrt(s.l2);
    s.rl = radius * s.length;
    PieceRows(std::min(a.y, b.y) - radius, std::max(a.y, b.y) + radius, std::min(a.x, b.x) - radius,
              std::max(a.x, b.x) + radius, rowBase, rowEnd, limit, s.r0, s.r1);
    // Reciprocals replace the four divisions per row for ordinary segments
    // (finite, moderate coordinates, neither axis-parallel nor nearly so).
    constexpr double kBig = 2147483648.0, kTiny = 1.0 / 1048576;
    const bool moderate = std::fabs(a.x) < kBig && std::fabs(a.y) < kBig && std::fabs(b.x) < kBig &&
                          std::fabs(b.y) < kBig && radius >= 0 && radius < kBig;
    if (!moderate || !(std::fabs(s.dx) > kTiny) || !(std::fabs(s.dy) > kTiny)) return;
    const double idx = 1 / s.dx, idy = 1 / s.dy;
    // Along the row: u >= max(loA, loB) and u <= min(hiA, hiB) with
    // A = (-e dy + [0, l2]) / dx and B = (e dx -+ rl) / dy, e = yc - a.y.
    s.slopeA = -s.dy * idx;
    s.loA = std::min(0.0, s.l2 * idx);
    s.hiA = std::max(0.0, s.l2 * idx);
    s.slopeB = s.dx * idy;
    s.halfB = std::fabs(s.rl * idy);
    // Each fast bound lies within a few units of the last place (relative to
    // the terms it adds up) of the one the divisions give, and so do the ends
    // after adding a.x and subtracting 0.5. The guard is 2^-40 times those
    // terms, hundreds of times that error: a row whose ends are farther than
    // it from a rounding boundary rounds as the divisions would.
    constexpr double kGuard = 1.0 / 1099511627776.0;
    s.guard0 = kGuard * (std::fabs(s.loA) + std::fabs(s.hiA) + s.halfB + std::fabs(a.x) + 1);
    s.guard1 = kGuard * (std::fabs(s.slopeA) + std::fabs(s.slopeB));
    s.fast = true;
}

StrokeSegment SegmentOf(const PointD& a, const PointD& b, double radius, int64_t rowBase, int64_t rowEnd,
                        const Rect& limit) {
    StrokeSegment s;
    SetUpSegment(s, a, b, radius, rowBase, rowEnd, limit);
    return s;
}

// The segment's row through yc with one division per bound, the rule every
// faster path must agree with: 0 <= (x - a.x) dx + e dy <= l2 and
// |(x - a.x) dy - e dx| <= r |d|.
bool SegmentRowByDivision(const StrokeSegment& s, double yc, const Rect& limit, int& p0, int& p1) {
    const double e = yc - s.a.y;
    double ul = -std::numeric_limits<double>::infinity(), uh = -ul;
    auto constrain = [&](double coef, double p, double q) {
        if (coef > 0) {
            ul = std::max(ul, p / coef);
            uh = std::min(uh, q / coef);
        } else if (coef < 0) {
            ul = std::max(ul, q / coef);
            uh = std::min(uh, p / coef);
        } else if (p > 0 || q < 0) {
            uh = -std::numeric_limits<double>::infinity();
        }
    };
    constrain(s.dx, -e * s.dy, s.l2 - e * s.dy);
    constrain(s.dy, e * s.dx - s.rl, e * s.dx + s.rl);
    if (!(ul <= uh)) {
        p0 = kMissLeft;
        p1 = kMissRight;
        return false;
    }
    return PixelsBetween(s.a.x + ul, s.a.x + uh, limit, p0, p1);
}

// The guard for rows k0 .. k1 - 1 of a batch: the largest of their rows'
// (it grows with the distance from a.y, which is largest at an end row;
// row centres and their differences from a.y keep the rows' order).
double BatchGuard(const StrokeSegment& s, double firstCentre, int k0, int k1) {
    const double e0 = (double(k0) + firstCentre) - s.a.y, e1 = (double(k1 - 1) + firstCentre) - s.a.y;
    return s.guard0 + s.guard1 * std::max(std::fabs(e0), std::fabs(e1));
}

// Where the guard is large (far outside the picture), every row is left
// to the divisions.
bool AllInDoubt(int k0, int k1, int64_t* doubt) {
    std::fill(doubt + k0, doubt + k1, 1);
    return k0 < k1;
}

// What the fast rows give for a row that misses a segment's rectangle:
// either any empty run (p0 >= p1), or one marked as a miss (kMissLeft,
// kMissRight), which the outline scan tells apart from a row the piece
// meets between two pixel centres (p0 == p1).
enum class RowMisses { Empty, Marked };

// Rows are worked out in batches: a loop with no calls lets the processor
// overlap the rows' long chains of dependent steps.
constexpr int kRowBatch = 64;
// Rows a batch's arrays hold: four-row vector steps may write up to three
// past the last row asked for.
constexpr int kRowRoom = kRowBatch + 3;

// Fast rows k0 .. k1 - 1 of a segment (see SegmentRows), four at a time on
// vector registers where the compiler has them (GCC also builds an AVX2
// copy, picked when the program loads), else one at a time with step for
// step the same arithmetic (std::max(x, y) is "x < y ? y : x", and so is
// its vector form, NaN included). Row centres are y0 + k + 0.5, whole and
// half numbers far below 2^52, so adding k to the first centre is exact.
// doubt[k] is nonzero for rows the guard leaves in doubt; returns whether
// there is any.
#if defined(__GNUC__) && defined(__x86_64__)
// (The helpers are always inlined, also in unoptimised builds: the AVX2
// copy and the plain one pass 32-byte vectors differently, so a real call
// between them would not work. GCC notes the difference at the end of the
// file, so the note stays off from here on.)
#pragma GCC diagnostic ignored "-Wpsabi"
using V4d = double __attribute__((vector_size(32)));
using V4l = int64_t __attribute__((vector_size(32)));
using V4i = int32_t __attribute__((vector_size(16)));

[[gnu::always_inline]] inline V4d Select(V4l mask, V4d a, V4d b) {
    return (V4d)((mask & (V4l)a) | (~mask & (V4l)b));
}
[[gnu::always_inline]] inline V4d MaxOf(V4d x, V4d y) { return Select(x < y, y, x); }
[[gnu::always_inline]] inline V4d MinOf(V4d x, V4d y) { return Select(y < x, y, x); }
[[gnu::always_inline]] inline V4d AbsOf(V4d v) { return (V4d)((V4l)v & INT64_MAX); }
[[gnu::always_inline]] inline V4d Splat(double v) { return V4d{v, v, v, v}; }

template <RowMisses kMisses>
[[gnu::always_inline]] inline bool FastSegmentRowsOf(const StrokeSegment& s, double firstCentre, int k0, int k1,
                                                     const Rect& limit, int* p0, int* p1, int64_t* doubt) {
    constexpr double kShift = 6755399441055744.0;  // as in RoundToWhole
    const V4d left = Splat(limit.left), right = Splat(limit.right);
    const V4d ay = Splat(s.a.y), ax = Splat(s.a.x), slopeA = Splat(s.slopeA), slopeB = Splat(s.slopeB);
    const V4d loA = Splat(s.loA), hiA = Splat(s.hiA), halfB = Splat(s.halfB);
    const double guard = BatchGuard(s, firstCentre, k0, k1);
    if (!(guard < 0.25)) return AllInDoubt(k0, k1, doubt);
    const V4d centre = Splat(firstCentre), shift = Splat(kShift), near = Splat(0.5 - guard);
    const V4d thin = Splat(2 * guard);
    const V4i missLeft = V4i{kMissLeft, kMissLeft, kMissLeft, kMissLeft};
    const V4i missRight = V4i{kMissRight, kMissRight, kMissRight, kMissRight};
    V4l any = V4l{0, 0, 0, 0};
    // The last step may run past k1 (up to three rows, into the arrays'
    // room): those rows are not counted here and are overwritten after.
    V4d rowCentre = V4d{double(k0), double(k0 + 1), double(k0 + 2), double(k0 + 3)} + centre;  // exact
    V4l lane = V4l{k0, k0 + 1, k0 + 2, k0 + 3};
    const V4l end = V4l{k1, k1, k1, k1};
    for (int k = k0; k < k1; k += 4, rowCentre += 4.0, lane += 4) {
        const V4d e = rowCentre - ay;
        const V4d t = e * slopeA, w = e * slopeB;
        const V4d ul = MaxOf(t + loA, w - halfB), uh = MinOf(t + hiA, w + halfB);
        const V4d xl = ax + ul, xr = ax + uh;
        const V4d nl = (xl + shift) - shift, nr = (xr + shift) - shift;
        V4l unsure = (AbsOf(xl - nl) >= near) | (AbsOf(xr - nr) >= near);
        V4i l = __builtin_convertvector(MinOf(MaxOf(nl, left), right), V4i);
        V4i r = __builtin_convertvector(MinOf(MaxOf(nr, left), right), V4i);
        if constexpr (kMisses == RowMisses::Marked) {
            // Where the ends come within twice the guard of each other,
            // whether the row meets the piece at all is in doubt too.
            const V4d gap = xr - xl;
            unsure |= AbsOf(gap) < thin;
            const V4i miss = __builtin_convertvector(gap < -thin, V4i);
            l = miss ? missLeft : l;
            r = miss ? missRight : r;
        }
        any |= unsure & (lane < end);
        std::memcpy(doubt + k, &unsure, sizeof unsure);  // 0 or -1
        std::memcpy(p0 + k, &l, sizeof l);
        std::memcpy(p1 + k, &r, sizeof r);
    }
    return (any[0] | any[1] | any[2] | any[3]) != 0;
}
#else
template <RowMisses kMisses>
bool FastSegmentRowsOf(const StrokeSegment& s, double firstCentre, int k0, int k1, const Rect& limit, int* p0,
                       int* p1, int64_t* doubt) {
    const double left = limit.left, right = limit.right;
    const double guard = BatchGuard(s, firstCentre, k0, k1);
    if (!(guard < 0.25)) return AllInDoubt(k0, k1, doubt);
    bool anyDoubt = false;
    for (int k = k0; k < k1; ++k) {
        const double e = (double(k) + firstCentre) - s.a.y;
        const double t = e * s.slopeA, w = e * s.slopeB;
        const double ul = std::max(t + s.loA, w - s.halfB), uh = std::min(t + s.hiA, w + s.halfB);
        const double xl = s.a.x + ul, xr = s.a.x + uh;
        // Away from half-way points, ceil(xl - 0.5) and floor(xr - 0.5) + 1
        // are xl and xr rounded to nearest, with no branch and no
        // conversion. An end within the guard of a half-way point is in
        // doubt.
        const double nl = RoundToWhole(xl), nr = RoundToWhole(xr);
        bool unsure = (std::fabs(xl - nl) >= 0.5 - guard) | (std::fabs(xr - nr) >= 0.5 - guard);
        p0[k] = static_cast<int>(std::min(std::max(nl, left), right));
        p1[k] = static_cast<int>(std::min(std::max(nr, left), right));
        if constexpr (kMisses == RowMisses::Marked) {
            // As in the vector form.
            const double gap = xr - xl;
            unsure |= std::fabs(gap) < 2 * guard;
            if (gap < -2 * guard) p0[k] = kMissLeft, p1[k] = kMissRight;
        }
        doubt[k] = unsure;  // 0 or 1
        anyDoubt |= unsure;
    }
    return anyDoubt;
}
#endif

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
bool FastSegmentRows4(const StrokeSegment& s, double firstCentre, int k0, int k1, const Rect& limit, int* p0,
                      int* p1, int64_t* doubt) {
    return FastSegmentRowsOf<RowMisses::Empty>(s, firstCentre, k0, k1, limit, p0, p1, doubt);
}

// The disc's pixels on rows k0 .. k1 - 1 of a batch whose first row centre
// is firstCentre, as DiscRow gives them (p0[k] >= p1[k] where empty). Four
// rows at a time where vector registers allow: away from half-way points,
// ceil(x - 0.5) and floor(x - 0.5) + 1 are x rounded to nearest, and the
// square root is the same correctly rounded one; rows with an end exactly
// half-way, or no pixels at all, go through DiscRow.
#if defined(__GNUC__) && defined(__x86_64__)
#if !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void DiscRows(const StrokeDisc& d, double r2, double firstCentre, int k0, int k1, const Rect& limit, int* p0, int* p1) {
    constexpr double kShift = 6755399441055744.0, kLarge = 1125899906842624.0;  // 2^52 * 1.5, 2^50
    const V4d left = Splat(limit.left), right = Splat(limit.right), cx = Splat(d.c.x), cy = Splat(d.c.y);
    const V4d rr = Splat(r2), centre = Splat(firstCentre), shift = Splat(kShift), half = Splat(0.5);
    const V4d zero = Splat(0), large = Splat(kLarge);
    // As in FastSegmentRows4, the last step may run up to three rows past k1.
    V4d rowCentre = V4d{double(k0), double(k0 + 1), double(k0 + 2), double(k0 + 3)} + centre;  // exact
    V4l lane = V4l{k0, k0 + 1, k0 + 2, k0 + 3};
    const V4l end = V4l{k1, k1, k1, k1};
    for (int k = k0; k < k1; k += 4, rowCentre += 4.0, lane += 4) {
        const V4d dy = rowCentre - cy;
        const V4d q = rr - dy * dy;
        V4d root;
        for (int j = 0; j < 4; ++j) root[j] = std::sqrt(q[j] < 0 ? 0.0 : q[j]);
        const V4d xl = cx - root, xr = cx + root;
        const V4d nl = (xl + shift) - shift, nr = (xr + shift) - shift;
        const V4l odd = ((q < zero) | (AbsOf(xl - nl) == half) | (AbsOf(xr - nr) == half) | ~(AbsOf(xl) < large) |
                         ~(AbsOf(xr) < large)) &
                        (lane < end);
        const V4i l = __builtin_convertvector(MinOf(MaxOf(nl, left), right), V4i);
        const V4i r = __builtin_convertvector(MinOf(MaxOf(nr, left), right), V4i);
        std::memcpy(p0 + k, &l, sizeof l);
        std::memcpy(p1 + k, &r, sizeof r);
        if ((odd[0] | odd[1] | odd[2] | odd[3]) == 0) continue;
        for (int j = 0; j < 4; ++j)
            if (odd[j]) DiscRow(d, r2, double(k + j) + firstCentre, limit, p0[k + j], p1[k + j]);
    }
}
#else
void DiscRows(const StrokeDisc& d, double r2, double firstCentre, int k0, int k1, const Rect& limit, int* p0, int* p1) {
    for (int k = k0; k < k1; ++k)
        DiscRow(d, r2, double(k) + firstCentre, limit, p0[k], p1[k]);
}
#endif

// The segment's pixels on rows y0 .. y0 + n - 1 (n <= kRowBatch) into
// p0[k], p1[k] (arrays of kRowRoom); p0[k] >= p1[k] for rows it leaves empty.
void SegmentRows(const StrokeSegment& s, int64_t y0, int n, const Rect& limit, int* p0, int* p1) {
    const int k0 = static_cast<int>(std::clamp<int64_t>(s.r0 - y0, 0, n));
    const int k1 = static_cast<int>(std::clamp<int64_t>(s.r1 - y0 + 1, k0, n));
    int64_t doubt[kRowRoom];
    const bool anyDoubt = !s.fast || FastSegmentRows4(s, double(y0) + 0.5, k0, k1, limit, p0, p1, doubt);
    std::fill(p0, p0 + k0, kMissLeft), std::fill(p1, p1 + k0, kMissRight);
    std::fill(p0 + k1, p0 + n, kMissLeft), std::fill(p1 + k1, p1 + n, kMissRight);
    if (!anyDoubt) return;
    for (int k = k0; k < k1; ++k)
        if (!s.fast || doubt[k] != 0) SegmentRowByDivision(s, double(y0 + k) + 0.5, limit, p0[k], p1[k]);
}

struct RowPiece {
    int y;
    int x0, x1;
};

// The pixels of each row so far: up to two disjoint runs held in place
// (empty when x0 >= x1), more in a spill list.
struct RowRuns {
    int x0[2], x1[2];
};

inline bool Touch(int a0, int a1, int b0, int b1) { return a0 <= b1 && a1 >= b0; }

// Emits the union of a row's runs, left to right, touching runs as one.
void EmitUnion(int y, RowPiece* runs, int n, SpanSink& sink) {
    // Rows hold a few runs: insertion sort.
    for (int i = 1; i < n; ++i)
        for (int k = i; k > 0 && runs[k].x0 < runs[k - 1].x0; --k) std::swap(runs[k], runs[k - 1]);
    int cx0 = runs[0].x0, cx1 = runs[0].x1;
    for (int k = 1; k < n; ++k) {
        if (runs[k].x0 <= cx1) {
            cx1 = std::max(cx1, runs[k].x1);
        } else {
            EmitSpan(sink, y, cx0, cx1);
            cx0 = runs[k].x0;
            cx1 = runs[k].x1;
        }
    }
    EmitSpan(sink, y, cx0, cx1);
}

// Grows each row's run lo[k] .. hi[k] (empty when lo >= hi) by the piece
// p0[k] .. p1[k] where they touch, for rows k0 .. k1 - 1; marks in stray[k]
// the pieces that do not touch their row's run, and returns whether any
// does. Four rows at a time on vector registers where the compiler has them:
// the last step reads and writes back up to three rows past k1 unchanged,
// so lo and hi, like p0 and p1, need that room.
bool GatherRows(const int* p0, const int* p1, int k0, int k1, int* lo, int* hi, int* stray) {
#if defined(__GNUC__) && defined(__x86_64__)
    V4i any = V4i{0, 0, 0, 0};
    V4i lane = V4i{k0, k0 + 1, k0 + 2, k0 + 3};
    const V4i end = V4i{k1, k1, k1, k1};
    for (int k = k0; k < k1; k += 4, lane += 4) {
        V4i a, b, l, h;
        std::memcpy(&a, p0 + k, sizeof a);
        std::memcpy(&b, p1 + k, sizeof b);
        std::memcpy(&l, lo + k, sizeof l);
        std::memcpy(&h, hi + k, sizeof h);
        const V4i piece = (a < b) & (lane < end), empty = l >= h;
        const V4i join = piece & (empty | ((a <= h) & (b >= l)));
        const V4i low = empty | (a < l), high = empty | (b > h);
        l = (join & low) ? a : l;
        h = (join & high) ? b : h;
        const V4i out = piece & ~join;
        any |= out;
        std::memcpy(lo + k, &l, sizeof l);
        std::memcpy(hi + k, &h, sizeof h);
        std::memcpy(stray + k, &out, sizeof out);
    }
    return (any[0] | any[1] | any[2] | any[3]) != 0;
#else
    bool any = false;
    for (int k = k0; k < k1; ++k) {
        const bool piece = p0[k] < p1[k], empty = lo[k] >= hi[k];
        const bool join = piece && (empty || Touch(p0[k], p1[k], lo[k], hi[k]));
        if (join) {
            lo[k] = empty ? p0[k] : std::min(lo[k], p0[k]);
            hi[k] = empty ? p1[k] : std::max(hi[k], p1[k]);
        }
        stray[k] = piece && !join;
        any |= stray[k] != 0;
    }
    return any;
#endif
}

// Widens each row's run lo[k] .. hi[k] to take in the piece p0[k] .. p1[k]
// on rows 0 .. n - 1 that the piece meets, with pixels or between two pixel
// centres (runs start empty as INT_MAX .. INT_MIN). Four rows at a time
// like GatherRows, with the same room needed past n.
[[gnu::always_inline]] inline void WidenRows(const int* p0, const int* p1, int n, int* lo, int* hi) {
#if defined(__GNUC__) && defined(__x86_64__)
    V4i lane = V4i{0, 1, 2, 3};
    const V4i end = V4i{n, n, n, n};
    for (int k = 0; k < n; k += 4, lane += 4) {
        V4i a, b, l, h;
        std::memcpy(&a, p0 + k, sizeof a);
        std::memcpy(&b, p1 + k, sizeof b);
        std::memcpy(&l, lo + k, sizeof l);
        std::memcpy(&h, hi + k, sizeof h);
        const V4i piece = (a <= b) & (lane < end);
        l = (piece & (a < l)) ? a : l;
        h = (piece & (b > h)) ? b : h;
        std::memcpy(lo + k, &l, sizeof l);
        std::memcpy(hi + k, &h, sizeof h);
    }
#else
    for (int k = 0; k < n; ++k)
        if (p0[k] <= p1[k]) lo[k] = std::min(lo[k], p0[k]), hi[k] = std::max(hi[k], p1[k]);
#endif
}

// Rows r0 .. r1 of segments[segment], all within its rows.
struct SegmentJob {
    int segment;
    int64_t r0, r1;
};

// Widens the runs of each job's rows by its segment's pieces (as WidenRows
// does; row y's run is lo[y - rowBase] .. hi[y - rowBase]). All jobs in one
// call, so a job costs no call of its own. (The AVX-512 copy has twice the
// vector registers: a segment's spread-out values all stay in them.)
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#endif
void WidenBySegments(const StrokeSegment* segments, const SegmentJob* jobs, size_t count, const Rect& limit,
                     int64_t rowBase, int* lo, int* hi) {
    for (size_t j = 0; j < count; ++j) {
        const StrokeSegment& s = segments[jobs[j].segment];
        for (int64_t y0 = jobs[j].r0; y0 <= jobs[j].r1; y0 += kRowBatch) {
            const int n = static_cast<int>(std::min<int64_t>(kRowBatch, jobs[j].r1 - y0 + 1));
            int p0[kRowRoom], p1[kRowRoom];
            int64_t doubt[kRowRoom];
            const bool anyDoubt =
                !s.fast || FastSegmentRowsOf<RowMisses::Marked>(s, double(y0) + 0.5, 0, n, limit, p0, p1, doubt);
            if (anyDoubt)
                for (int k = 0; k < n; ++k)
                    if (!s.fast || doubt[k] != 0) SegmentRowByDivision(s, double(y0 + k) + 0.5, limit, p0[k], p1[k]);
            WidenRows(p0, p1, n, lo + (y0 - rowBase), hi + (y0 - rowBase));
        }
    }
}

// Which ends of a capsule carry their disc.
struct CapsuleDiscs {
    bool start, end;
};

// The segment a-b (or the point a when b is null) with the discs asked for,
// on rows rowBase .. rowEnd: each row's pieces at once, straight to the sink.
void ScanCapsule(const PointD& a, const PointD* b, CapsuleDiscs discs, double radius, int64_t rowBase,
                 int64_t rowEnd, const Rect& limit, SpanSink& sink) {
    const double r2 = radius * radius;
    const StrokeDisc da = discs.start ? DiscOf(a, radius, rowBase, rowEnd, limit) : StrokeDisc{};
    const StrokeDisc db = b && discs.end ? DiscOf(*b, radius, rowBase, rowEnd, limit) : StrokeDisc{};
    const StrokeSegment s = b ? SegmentOf(a, *b, radius, rowBase, rowEnd, limit) : StrokeSegment{};
    const bool hasSegment = s.l2 > 0;
    for (int64_t y0 = rowBase; y0 <= rowEnd; y0 += kRowBatch) {
        const int n = static_cast<int>(std::min<int64_t>(kRowBatch, rowEnd - y0 + 1));
        int s0[kRowRoom], s1[kRowRoom], a0[kRowRoom], a1[kRowRoom], b0[kRowRoom], b1[kRowRoom];
        if (hasSegment) SegmentRows(s, y0, n, limit, s0, s1);
        // Each disc's rows within this batch.
        const int ka0 = static_cast<int>(std::clamp<int64_t>(da.r0 - y0, 0, n));
        const int ka1 = static_cast<int>(std::clamp<int64_t>(da.r1 - y0 + 1, ka0, n));
        const int kb0 = static_cast<int>(std::clamp<int64_t>(db.r0 - y0, 0, n));
        const int kb1 = static_cast<int>(std::clamp<int64_t>(db.r1 - y0 + 1, kb0, n));
        if (!hasSegment) std::fill(s0, s0 + n, 0), std::fill(s1, s1 + n, 0);
        // Most rows of a long capsule meet neither disc.
        if (ka0 == ka1 && kb0 == kb1) {
            for (int k = 0; k < n; ++k)
                if (s0[k] < s1[k]) EmitSpan(sink, static_cast<int>(y0 + k), s0[k], s1[k]);
            continue;
        }
        // The pieces of a capsule's row overlap (it is convex), so each row
        // is one run: the segment's grown in place by the discs'. A row where
        // a disc's piece does not touch it is sorted out from the pieces
        // themselves (the segment's worked out again).
        int strayA[kRowRoom], strayB[kRowRoom];
        DiscRows(da, r2, double(y0) + 0.5, ka0, ka1, limit, a0, a1);
        DiscRows(db, r2, double(y0) + 0.5, kb0, kb1, limit, b0, b1);
        const bool stray = GatherRows(a0, a1, ka0, ka1, s0, s1, strayA) | GatherRows(b0, b1, kb0, kb1, s0, s1, strayB);
        for (int k = 0; k < n; ++k) {
            const int y = static_cast<int>(y0 + k);
            const bool inA = k >= ka0 && k < ka1, inB = k >= kb0 && k < kb1;
            if (stray && ((inA && strayA[k]) || (inB && strayB[k]))) {
                RowPiece runs[3];
                int m = 0;
                if (inA && a0[k] < a1[k]) runs[m++] = RowPiece{0, a0[k], a1[k]};
                if (hasSegment && y >= s.r0 && y <= s.r1 &&
                    SegmentRowByDivision(s, double(y) + 0.5, limit, runs[m].x0, runs[m].x1))
                    ++m;
                if (inB && b0[k] < b1[k]) runs[m++] = RowPiece{0, b0[k], b1[k]};
                EmitUnion(y, runs, m, sink);
            } else if (s0[k] < s1[k]) {
                EmitSpan(sink, y, s0[k], s1[k]);
            }
        }
    }
}

// Neighbouring segments first .. last - 1 of a polyline, scanned together:
// their points run one way down or up the picture, so a row meets the
// group once.
struct StrokeGroup {
    int last;
    double y0, y1;  // the points' rows
    int way;        // +1 down, -1 up, 0 level
};

StrokeGroup GroupFrom(const PointD* points, int count, int segments, int first) {
    StrokeGroup g{first, points[first].y, points[first].y, 0};
    for (; g.last < segments; ++g.last) {
        const double y = points[Wrap(g.last + 1, count)].y, dy = y - points[g.last].y;
        const int way = dy > 0 ? 1 : dy < 0 ? -1 : 0;
        const double y0 = std::min(g.y0, y), y1 = std::max(g.y1, y);
        if (g.last > first && way * g.way < 0) break;
        if (g.way == 0) g.way = way;
        g.y0 = y0;
        g.y1 = y1;
    }
    return g;
}

// Whether a polyline's segments are on average at least two radii long.
// (Only the way of scanning hangs on it, not the pixels: a plain square
// root will do where a huge coordinate overflows.)
bool LongSegments(const PointD* points, int count, int segments, double radius) {
    double total = 0;
    for (int s = 0; s < segments; ++s) {
        const PointD& a = points[s];
        const PointD& b = points[Wrap(s + 1, count)];
        const double dx = b.x - a.x, dy = b.y - a.y;
        total += std::sqrt(dx * dx + dy * dy);
    }
    return total >= 2 * radius * segments;
}

}  // namespace

namespace {

// Whether a piece between columns x0 and x1 lies, with its pen, wholly left
// or right of the limit: it adds nothing (a tile's clip leaves most pieces
// of a large figure out).
bool Beside(double x0, double x1, double radius, const Rect& limit) {
    return std::max(x0, x1) < limit.left - radius - 2 || std::min(x0, x1) > limit.right + radius + 2;
}

// The runs a scan hands over for rows rowBase .. rowEnd, merged into
// disjoint runs per row and sent to the sink row by row by Finish. When
// painting a pixel twice does no harm, each run goes to the sink at once.
class RowMerger {
public:
    RowMerger(int64_t rowBase, int64_t rowEnd, SpanSink& sink)
        : rowBase_(rowBase), rowEnd_(rowEnd), sink_(sink), merge_(!sink.overlapsAllowed) {
        if (merge_) rows_.assign(size_t(rowEnd - rowBase + 1), RowRuns{{0, 0}, {0, 0}});
        spill_.clear();
    }

    void Add(int64_t y, int x0, int x1) {
        if (merge_) Merge(y, x0, x1);
        else EmitSpan(sink_, static_cast<int>(y), x0, x1);
    }

    void Finish() {
        if (!merge_) return;
        std::sort(spill_.begin(), spill_.end(), [](const RowPiece& a, const RowPiece& b) { return a.y < b.y; });
        size_t next = 0;
        thread_local std::vector<RowPiece> gathered;
        for (int64_t y = rowBase_; y <= rowEnd_; ++y) {
            const RowRuns& r = rows_[size_t(y - rowBase_)];
            RowPiece held[2];
            int m = 0;
            for (int k = 0; k < 2; ++k)
                if (r.x0[k] < r.x1[k]) held[m++] = RowPiece{0, r.x0[k], r.x1[k]};
            if (next < spill_.size() && spill_[next].y == y) {
                gathered.assign(held, held + m);
                while (next < spill_.size() && spill_[next].y == y) gathered.push_back(spill_[next++]);
                EmitUnion(static_cast<int>(y), gathered.data(), int(gathered.size()), sink_);
            } else if (m == 1) {
                EmitSpan(sink_, static_cast<int>(y), held[0].x0, held[0].x1);
            } else if (m == 2) {
                EmitUnion(static_cast<int>(y), held, 2, sink_);
            }
        }
    }

private:
    void Merge(int64_t y, int x0, int x1) {
        RowRuns& r = rows_[size_t(y - rowBase_)];
        for (int k = 0; k < 2; ++k) {
            if (r.x0[k] >= r.x1[k]) {
                r.x0[k] = x0;
                r.x1[k] = x1;
                return;
            }
            if (Touch(x0, x1, r.x0[k], r.x1[k])) {
                r.x0[k] = std::min(r.x0[k], x0);
                r.x1[k] = std::max(r.x1[k], x1);
                const int o = 1 - k;
                if (r.x0[o] < r.x1[o] && Touch(r.x0[o], r.x1[o], r.x0[k], r.x1[k])) {
                    r.x0[0] = std::min(r.x0[0], r.x0[1]);
                    r.x1[0] = std::max(r.x1[0], r.x1[1]);
                    r.x0[1] = r.x1[1] = 0;
                }
                return;
            }
        }
        spill_.push_back(RowPiece{static_cast<int>(y), x0, x1});
    }

    int64_t rowBase_, rowEnd_;
    SpanSink& sink_;
    bool merge_;
    // Up to two runs per row held in place, more in the spill list.
    static thread_local std::vector<RowRuns> rows_;
    static thread_local std::vector<RowPiece> spill_;
};
thread_local std::vector<RowRuns> RowMerger::rows_;
thread_local std::vector<RowPiece> RowMerger::spill_;

// The heights where a piece's edge can be the outline of its group's stroke
// (see OutlineGroups): one or two ranges.
struct OutlineReach {
    double lo[2], hi[2];
    int count;
};

// Rows within this many of such a height are worked out for the piece too:
// near the points where a disc's edge touches a rectangle's, both edges are
// within rounding of each other, and either may give the end pixel.
constexpr double kTieRows = 1.0 / 16;

// A segment's unit direction u, of which the outline needs only x: the
// height of the unit normal (-u.y, u.x). None for a point repeated.
struct Direction {
    double x = 0;
    bool some = false;
};

Direction DirectionOf(const StrokeSegment& s) {
    if (!(s.l2 > 0)) return Direction{};
    return Direction{s.dx / s.length, true};
}

// A segment's rectangle meets the outline along its two long sides, each
// the segment moved by the radius along its normal (-u.y, u.x).
OutlineReach SegmentReach(const PointD& a, const PointD& b, const Direction& u, double radius) {
    const double lift = radius * std::fabs(u.x);
    const double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    return OutlineReach{{y0 - lift, y0 + lift}, {y1 - lift, y1 + lift}, 2};
}

OutlineReach DiscReach(const PointD& c, double radius) {
    return OutlineReach{{c.y - radius, 0}, {c.y + radius, 0}, 1};
}

// The disc at a join c of two segments going from a to b: every point of
// the stroke near c lies in one of the two rectangles, or beyond both of
// them (past the end of the first and before the start of the second),
// which is the disc's sector between the segments' normals on the outer side
// of the turn. So the disc meets the outline only along that arc, and
// touches the rectangles' sides only at the arc's ends and at the two points
// opposite them: the heights between the normals' on either side. (The
// normals have heights a.x and b.x. Within a group both directions go one
// way down or up, so the arc, less than a half turn, never passes the
// disc's top or bottom.) A join with a point repeated keeps the whole disc.
OutlineReach JoinReach(const PointD& c, const Direction& a, const Direction& b, double radius) {
    if (!(a.some && b.some)) return DiscReach(c, radius);
    const double low = radius * std::min(a.x, b.x), high = radius * std::max(a.x, b.x);
    return OutlineReach{{c.y + low, c.y - high}, {c.y + high, c.y - low}, 2};
}

// A polyline scanned by its outline. Within a group of neighbouring points
// that run one way down or up the picture (GroupFrom), the stroke meets
// every row in one run: its left end lies where the stroke's outline
// crosses the row, and so does its right end. The outline is made of the
// rectangles' long sides and arcs of the discs, so each piece is worked out
// only on the rows where its edge can be the outline (and the rows next to
// them, see kTieRows), and each row's run reaches from the leftmost of those
// pieces to the rightmost: on a curve of short segments about a quarter of
// the rows of every piece. A piece counts on every row it meets, also where
// it holds no pixel centre: its ends still bound the run. Pieces are worked
// out against `wide`, which holds the whole stroke, so none is cut at the
// limit and each run is cut only once it is whole. A piece wholly beside the
// limit is not worked out: on its rows the run goes on past that side.
void OutlineGroups(const PointD* points, int count, int segments, double radius, int64_t rowBase, int64_t rowEnd,
                   const Rect& limit, const Rect& wide, RowMerger& merger) {
    const double r2 = radius * radius;
    const size_t rowCount = size_t(rowEnd - rowBase + 1);
    thread_local std::vector<int> runLo, runHi;
    // Every row starts empty, and is left so once handed over.
    if (runLo.size() < rowCount + 3) {  // room for WidenRows
        runLo.resize(rowCount + 3, INT_MAX);
        runHi.resize(rowCount + 3, INT_MIN);
    }
    // Row y's run is lo[at(y)] .. hi[at(y)].
    int* const lo = runLo.data();
    int* const hi = runHi.data();
    auto at = [rowBase](int64_t y) { return size_t(y - rowBase); };
    auto fold = [&](int64_t y0, int n, const int* p0, const int* p1) {
        WidenRows(p0, p1, n, lo + at(y0), hi + at(y0));
    };
    int64_t g0 = 0, g1 = -1;  // the rows of the group being scanned
    // Calls use(r0, r1) once for every row of the piece's reach, widened by
    // margin (within the group's rows, which are left empty once handed over).
    auto reachRows = [&](const OutlineReach& reach, double margin, auto&& use) {
        int64_t r0[2], r1[2];
        for (int i = 0; i < reach.count; ++i)
            CentreRows(reach.lo[i] - margin, reach.hi[i] + margin, g0, g1, r0[i], r1[i]);
        if (reach.count == 2 && r0[0] <= r1[0] && r0[1] <= r1[1] && r0[1] <= r1[0] + 1 && r0[0] <= r1[1] + 1) {
            use(std::min(r0[0], r0[1]), std::max(r1[0], r1[1]));
            return;
        }
        for (int i = 0; i < reach.count; ++i)
            if (r0[i] <= r1[i]) use(r0[i], r1[i]);
    };
    // Works a piece out on its reach, or marks the rows of a piece wholly
    // beside the limit (it meets each of them, on that side).
    auto piece = [&](const OutlineReach& reach, double x0, double x1, auto&& work) {
        if (!Beside(x0, x1, radius, limit)) {
            reachRows(reach, kTieRows, work);
            return;
        }
        const bool leftOf = std::max(x0, x1) < limit.left;
        reachRows(reach, 0, [&](int64_t r0, int64_t r1) {
            for (int64_t y = r0; y <= r1; ++y) (leftOf ? lo[at(y)] : hi[at(y)]) = leftOf ? INT_MIN : INT_MAX;
        });
    };
    auto disc = [&](const PointD& c, const OutlineReach& reach) {
        // Its rows are the reach's (within the group's); a row past the disc
        // itself comes back marked as missed.
        const StrokeDisc d{c, g0, g1};
        piece(reach, c.x, c.x, [&](int64_t r0, int64_t r1) {
            // A join's arc mostly crosses a row or two: not worth a vector step.
            if (r1 - r0 < 2) {
                for (int64_t y = r0; y <= r1; ++y) {
                    int p0, p1;
                    DiscRow(d, r2, double(y) + 0.5, wide, p0, p1);
                    if (p0 <= p1) lo[at(y)] = std::min(lo[at(y)], p0), hi[at(y)] = std::max(hi[at(y)], p1);
                }
                return;
            }
            for (int64_t y0 = r0; y0 <= r1; y0 += kRowBatch) {
                const int n = static_cast<int>(std::min<int64_t>(kRowBatch, r1 - y0 + 1));
                int p0[kRowRoom], p1[kRowRoom];
                DiscRows(d, r2, double(y0) + 0.5, 0, n, wide, p0, p1);
                fold(y0, n, p0, p1);
            }
        });
    };
    // A group's segments are worked out together once it is gathered (or
    // every few thousand, so a huge polyline holds no more memory).
    constexpr size_t kBodies = 4096;
    thread_local std::vector<StrokeSegment> bodies(kBodies);
    thread_local std::vector<SegmentJob> jobs;
    size_t bodyCount = 0;
    auto workBodies = [&] {
        WidenBySegments(bodies.data(), jobs.data(), jobs.size(), wide, rowBase, lo, hi);
        bodyCount = 0;
        jobs.clear();
    };
    auto segment = [&](int index, const PointD& a, const PointD& b, const Direction& u) {
        piece(SegmentReach(a, b, u, radius), a.x, b.x, [&](int64_t r0, int64_t r1) {
            r0 = std::max(r0, bodies[size_t(index)].r0);
            r1 = std::min(r1, bodies[size_t(index)].r1);
            if (r0 <= r1) jobs.emplace_back(index, r0, r1);  // built in place, see SetUpSegment
        });
    };
    for (int first = 0; first < segments;) {
        const StrokeGroup group = GroupFrom(points, count, segments, first);
        CentreRows(group.y0 - radius, group.y1 + radius, rowBase, rowEnd, g0, g1);
        if (g0 > g1) {  // above or below the limit
            first = group.last;
            continue;
        }
        // The group's ends keep their whole discs; its joins only their arcs.
        Direction before;
        for (int s = first; s < group.last; ++s) {
            const PointD& a = points[s];
            const PointD& b = points[Wrap(s + 1, count)];
            if (bodyCount == kBodies) workBodies();
            StrokeSegment& body = bodies[bodyCount++];
            SetUpSegment(body, a, b, radius, rowBase, rowEnd, wide);
            const Direction along = DirectionOf(body);
            if (along.some) segment(int(bodyCount) - 1, a, b, along);
            disc(a, s == first ? DiscReach(a, radius) : JoinReach(a, before, along, radius));
            before = along;
        }
        disc(points[Wrap(group.last, count)], DiscReach(points[Wrap(group.last, count)], radius));
        workBodies();
        // Each row's run, cut to the limit; the row is left empty again.
        for (int64_t y = g0; y <= g1; ++y) {
            const int x0 = std::max(lo[at(y)], limit.left), x1 = std::min(hi[at(y)], limit.right);
            if (x0 < x1) merger.Add(y, x0, x1);
            lo[at(y)] = INT_MAX;
            hi[at(y)] = INT_MIN;
        }
        first = group.last;
    }
}

}  // namespace

void ScanStroke(const PointD* points, int count, bool closed, double radius, const Rect& limit, SpanSink sink) {
    if (count <= 0 || RectEmpty(limit)) return;
    const int segments = count == 1 ? 1 : (closed ? count : count - 1);
    // Rows the whole stroke can touch, and whether its points fit pixel
    // indices with room to spare (none is too far out, or not a number).
    constexpr double kRoom = 1 << 28;
    double xMin = points[0].x, xMax = points[0].x, yMin = points[0].y, yMax = points[0].y;
    bool roomy = std::fabs(radius) < kRoom;
    for (int i = 0; i < count; ++i) {
        xMin = std::min(xMin, points[i].x);
        xMax = std::max(xMax, points[i].x);
        yMin = std::min(yMin, points[i].y);
        yMax = std::max(yMax, points[i].y);
        roomy &= std::fabs(points[i].x) < kRoom && std::fabs(points[i].y) < kRoom;
    }
    // A height that is not a number adds no rows (std::min keeps whichever
    // comes first).
    if (!roomy)
        for (int i = 0; i < count; ++i) yMin = std::fmin(yMin, points[i].y), yMax = std::fmax(yMax, points[i].y);
    int64_t rowBase, rowEnd;
    CentreRows(yMin - radius, yMax + radius, limit.top, limit.bottom - 1, rowBase, rowEnd);
    if (rowBase > rowEnd) return;
    // The stroke is the union of a disc at every point and, for every
    // segment, the rectangle of points whose projection falls on it.
    if (segments == 1 && !closed) {
        ScanCapsule(points[0], count > 1 ? &points[1] : nullptr, CapsuleDiscs{true, count > 1}, radius, rowBase,
                    rowEnd, limit, sink);
        return;
    }
    // Segments that are long beside the radius overlap only at their joins:
    // when painting a pixel twice does no harm, each goes straight to the
    // sink as a capsule with the disc at its end (and the first with the one
    // at its start), with none of the bookkeeping of merging rows.
    if (sink.overlapsAllowed && count > 1 && LongSegments(points, count, segments, radius)) {
        for (int s = 0; s < segments; ++s) {
            const PointD& a = points[s];
            const PointD& b = points[Wrap(s + 1, count)];
            if (Beside(a.x, b.x, radius, limit)) continue;
            int64_t r0, r1;
            CentreRows(std::min(a.y, b.y) - radius, std::max(a.y, b.y) + radius, rowBase, rowEnd, r0, r1);
            if (r0 <= r1) ScanCapsule(a, &b, CapsuleDiscs{s == 0 && !closed, true}, radius, r0, r1, limit, sink);
        }
        return;
    }
    RowMerger merger(rowBase, rowEnd, sink);
    // The outline scan works pieces out whole across the row, in pixel
    // indices, and joins up each group's pieces on a row: the group must be
    // one unbroken line.
    if (roomy) {
        const Rect wide{static_cast<int>(std::floor(xMin - radius)) - 2, limit.top,
                        static_cast<int>(std::ceil(xMax + radius)) + 2, limit.bottom};
        OutlineGroups(points, count, segments, radius, rowBase, rowEnd, limit, wide, merger);
    } else {
        // Otherwise every segment is scanned as a capsule, merged row by row.
        SpanSink toMerger{.emit = [](void* m, int y, int x0, int x1) { static_cast<RowMerger*>(m)->Add(y, x0, x1); },
                          .ctx = &merger};
        for (int s = 0; s < segments; ++s) {
            const PointD& a = points[s];
            const PointD& b = points[Wrap(s + 1, count)];
            int64_t r0, r1;
            CentreRows(std::fmin(a.y, b.y) - radius, std::fmax(a.y, b.y) + radius, rowBase, rowEnd, r0, r1);
            if (r0 <= r1) ScanCapsule(a, &b, CapsuleDiscs{true, true}, radius, r0, r1, limit, toMerger);
        }
    }
    merger.Finish();
}

void ScanBar(const PointD& a, const PointD& b, double radius, const Rect& limit, SpanSink sink) {
    if (RectEmpty(limit)) return;
    int64_t rowBase, rowEnd;
    CentreRows(std::min(a.y, b.y) - radius, std::max(a.y, b.y) + radius, limit.top, limit.bottom - 1, rowBase,
               rowEnd);
    if (rowBase <= rowEnd) ScanCapsule(a, &b, CapsuleDiscs{false, false}, radius, rowBase, rowEnd, limit, sink);
}

namespace {

struct EllipseShape {
    double cx, cy, rx, ry;
};

EllipseShape ShapeOf(const Rect& box) {
    return EllipseShape{(double(box.left) + box.right) / 2, (double(box.top) + box.bottom) / 2,
                        (double(box.right) - box.left) / 2, (double(box.bottom) - box.top) / 2};
}

// Pixels [x0, x1) of the filled ellipse on row y; false when the row is empty.
bool EllipseRow(const EllipseShape& e, int64_t y, const Rect& limit, int64_t& x0, int64_t& x1) {
    if (e.rx <= 0 || e.ry <= 0) return false;
    double dy = (y + 0.5 - e.cy) / e.ry;
    double q = 1 - dy * dy;
    if (q < 0) return false;
    double h = e.rx * std::sqrt(q);
    x0 = FirstPixelAtOrAfter(e.cx - h, limit);
    x1 = LastPixelAtOrBefore(e.cx + h, limit) + 1;
    return x0 < x1;
}

Rect NormalRect(const Rect& r) {
    return Rect{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
}

}  // namespace

void ScanEllipse(const Rect& boxIn, const Rect& limit, SpanSink sink) {
    Rect box = NormalRect(boxIn);
    EllipseShape e = ShapeOf(box);
    int y0 = std::max(box.top, limit.top), y1 = std::min(box.bottom, limit.bottom);
    for (int y = y0; y < y1; ++y) {
        int64_t a, b;
        if (EllipseRow(e, y, limit, a, b)) EmitClamped(sink, y, a, b, limit);
    }
}

void ScanEllipseOutline(const Rect& boxIn, const Rect& limit, SpanSink sink) {
    Rect box = NormalRect(boxIn);
    EllipseShape e = ShapeOf(box);
    // Widen the limit by one so neighbour rows and columns are judged correctly.
    Rect wide{limit.left - 2, limit.top - 1, limit.right + 2, limit.bottom + 1};
    int y0 = std::max(box.top, limit.top), y1 = std::min(box.bottom, limit.bottom);
    for (int y = y0; y < y1; ++y) {
        int64_t a, b;
        if (!EllipseRow(e, y, wide, a, b)) continue;
        int64_t ua, ub, da, db;
        bool up = EllipseRow(e, int64_t(y) - 1, wide, ua, ub);
        bool down = EllipseRow(e, int64_t(y) + 1, wide, da, db);
        if (!up || !down) {
            EmitClamped(sink, y, a, b, limit);
            continue;
        }
        int64_t ia = std::max({a + 1, ua, da}), ib = std::min({b - 1, ub, db});
        if (ia >= ib) {
            EmitClamped(sink, y, a, b, limit);
            continue;
        }
        EmitClamped(sink, y, a, ia, limit);
        EmitClamped(sink, y, ib, b, limit);
    }
}


namespace {

// Lines of the picture's sizes keep their step arithmetic within 64 bits
// (2 * step * minorRun < 2^61), where it costs a fraction of the 128-bit
// arithmetic that huge coordinates need.
bool SmallSteps(const LineSteps& line, int64_t step) {
    return line.count < (int64_t(1) << 30) && step >= 0 && step <= line.count;
}

}  // namespace

int64_t MinorOffset(const LineSteps& line, int64_t step) {
    // A non-negative quotient: truncation is the floor.
    if (SmallSteps(line, step)) return (2 * step * line.minorRun + line.count) / (2 * line.count);
    return static_cast<int64_t>(
        FloorDiv128(i128(2) * step * line.minorRun + line.count, i128(2) * line.count));
}

StepCursor CursorAtStep(const LineSteps& line, int64_t step) {
    StepCursor c;
    c.major = line.major0 + line.majorStep * step;
    c.twoMajor = 2 * line.count;
    c.twoMinor = 2 * line.minorRun;
    const int64_t m = MinorOffset(line, step);
    c.minor = line.minor0 + line.minorStep * m;
    c.rem = SmallSteps(line, step)
                ? (2 * step * line.minorRun + line.count) - c.twoMajor * m
                : static_cast<int64_t>((i128(2) * step * line.minorRun + line.count) - i128(c.twoMajor) * m);
    return c;
}

bool StepsInside(const LineSteps& line, const Rect& limit, int64_t& first, int64_t& last) {
    if (RectEmpty(limit) || line.count == 0) return false;
    const int64_t amaj = line.count, amin = line.minorRun;
    const int64_t majLo = line.xMajor ? limit.left : limit.top, majHi = (line.xMajor ? limit.right : limit.bottom) - 1;
    const int64_t minLo = line.xMajor ? limit.top : limit.left, minHi = (line.xMajor ? limit.bottom : limit.right) - 1;
    // Most lines lie wholly inside: when both ends do, so does every pixel
    // between them (each coordinate moves one way only).
    const int64_t majEnd = line.major0 + line.majorStep * amaj, minEnd = line.minor0 + line.minorStep * amin;
    if (std::min(line.major0, majEnd) >= majLo && std::max(line.major0, majEnd) <= majHi &&
        std::min(line.minor0, minEnd) >= minLo && std::max(line.minor0, minEnd) <= minHi) {
        first = 0;
        last = amaj - 1;
        return true;
    }
    // Step range from the major axis.
    i128 ilo = 0, ihi = amaj - 1;
    if (line.majorStep > 0) {
        ilo = std::max<i128>(ilo, i128(majLo) - line.major0);
        ihi = std::min<i128>(ihi, i128(majHi) - line.major0);
    } else {
        ilo = std::max<i128>(ilo, i128(line.major0) - majHi);
        ihi = std::min<i128>(ihi, i128(line.major0) - majLo);
    }
    if (ilo > ihi) return false;
    // The minor offset is non-decreasing in the step: the steps whose offset
    // lies in [mlo, mhi] form one range.
    i128 mlo, mhi;
    if (line.minorStep > 0) {
        mlo = i128(minLo) - line.minor0;
        mhi = i128(minHi) - line.minor0;
    } else {
        mlo = i128(line.minor0) - minHi;
        mhi = i128(line.minor0) - minLo;
    }
    if (amin == 0) {
        if (mlo > 0 || mhi < 0) return false;
    } else {
        ilo = std::max(ilo, CeilDiv128(2 * i128(amaj) * mlo - amaj, 2 * i128(amin)));
        ihi = std::min(ihi, CeilDiv128(2 * i128(amaj) * (mhi + 1) - amaj, 2 * i128(amin)) - 1);
    }
    if (ilo > ihi) return false;
    first = static_cast<int64_t>(ilo);
    last = static_cast<int64_t>(ihi);
    return true;
}

void ScanLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Rect& limit, PixelSink sink) {
    const LineSteps line = LineStepsOf(x0, y0, x1, y1);
    int64_t first, last;
    if (!StepsInside(line, limit, first, last)) return;
    WalkSteps(line, first, last, [&](int x, int y) { sink.emit(sink.ctx, x, y); });
}

void WalkLine(int x0, int y0, int x1, int y1, void (*callback)(int x, int y, void* ctx), void* ctx) {
    const LineSteps line = LineStepsOf(x0, y0, x1, y1);
    WalkSteps(line, 0, line.count - 1, [&](int x, int y) { callback(x, y, ctx); });
}

int FlattenBezier(const PointD& p0, const PointD& p1, const PointD& p2, const PointD& p3, PointD* out,
                  int maxPoints) {
    // Error of n uniform pieces is at most 0.75 * dd / n^2 (dd = largest second
    // difference of the control points); aim for a quarter pixel.
    double ax = p0.x - 2 * p1.x + p2.x, ay = p0.y - 2 * p1.y + p2.y;
    double bx = p1.x - 2 * p2.x + p3.x, by = p1.y - 2 * p2.y + p3.y;
    double dd = std::sqrt(std::max(ax * ax + ay * ay, bx * bx + by * by));
    double nf = std::ceil(std::sqrt(3.0 * dd));
    int n = 1;
    if (nf > 1) n = nf >= maxPoints - 1 ? maxPoints - 1 : static_cast<int>(nf);
    if (n < 1) n = 1;
    out[0] = p0;
    for (int i = 1; i < n; ++i) {
        double t = double(i) / n, u = 1 - t;
        double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
        out[i] = PointD{w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y};
    }
    out[n] = p3;
    return n + 1;
}

int FlattenEllipse(const Rect& boxIn, PointD* out, int maxPoints) {
    Rect box = NormalRect(boxIn);
    double cx = (double(box.left) + box.right) / 2, cy = (double(box.top) + box.bottom) / 2;
    // On the box's edges, like the boundary of a filled polygon.
    double rx = (double(box.right) - box.left) / 2;
    double ry = (double(box.bottom) - box.top) / 2;
    double r = std::max(rx, ry);
    int n = 8;
    if (r > 0.25) {
        double steps = M_PI / std::acos(1 - 0.25 / r);
        if (steps > n) n = steps >= maxPoints ? maxPoints : static_cast<int>(std::ceil(steps));
    }
    n = std::max(4, n & ~3);
    for (int k = 0; k < n; ++k) {
        double a = 2 * M_PI * k / n;
        out[k] = PointD{cx + rx * std::cos(a), cy + ry * std::sin(a)};
    }
    return n;
}

}  // namespace ztx
