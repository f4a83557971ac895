// Scan conversion checked against brute-force definitions on random input:
// clipped lines against the unclipped walk, strokes against the distance
// rule, polygons against point-in-polygon at pixel centres, and regions
// against their pixel sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "platform/random.h"
#include "render/raster.h"
#include "render/region.h"

using namespace ztx;
using PixelSet = std::set<std::pair<int, int>>;

namespace {

int RandIn(int lo, int hi) { return lo + int((int64_t(Rand15()) * 32768 + Rand15()) % (hi - lo + 1)); }

void CollectPixel(void* ctx, int x, int y) { static_cast<PixelSet*>(ctx)->insert({x, y}); }
void CollectSpan(void* ctx, int y, int x0, int x1) {
    auto* set = static_cast<PixelSet*>(ctx);
    for (int x = x0; x < x1; ++x) EXPECT_TRUE(set->insert({x, y}).second) << "pixel reported twice";
}

double SegDist(double px, double py, const PointD& a, const PointD& b) {
    double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / l2 : 0;
    t = std::fmax(0, std::fmin(1, t));
    double ex = a.x + t * dx - px, ey = a.y + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

TEST(RenderRaster, ClippedLinesMatchTheUnclippedWalk) {
    SeedRandom(5);
    for (int round = 0; round < 300; ++round) {
        int x0 = RandIn(-60, 60), y0 = RandIn(-60, 60), x1 = RandIn(-60, 60), y1 = RandIn(-60, 60);
        Rect limit{RandIn(-30, 10), RandIn(-30, 10), 0, 0};
        limit.right = limit.left + RandIn(1, 40);
        limit.bottom = limit.top + RandIn(1, 40);
        PixelSet clipped, walked;
        ScanLine(x0, y0, x1, y1, limit, PixelSink{CollectPixel, &clipped});
        auto cb = [](int x, int y, void* ctx) {
            auto* p = static_cast<std::pair<PixelSet*, Rect*>*>(ctx);
            const Rect& r = *p->second;
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) p->first->insert({x, y});
        };
        std::pair<PixelSet*, Rect*> ctx{&walked, &limit};
        WalkLine(x0, y0, x1, y1, cb, &ctx);
        ASSERT_EQ(clipped, walked) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(RenderRaster, StrokesCoverExactlyThePixelsWithinTheRadius) {
    SeedRandom(6);
    Rect limit{0, 0, 48, 40};
    for (int round = 0; round < 120; ++round) {
        int n = RandIn(1, 5);
        std::vector<PointD> pts(n);
        for (auto& p : pts) p = PointD{double(RandIn(-10, 58)), double(RandIn(-10, 50))};
        bool closed = n > 2 && Rand15() % 2;
        double r = RandIn(2, 30) / 2.0;
        PixelSet got;
        ScanStroke(pts.data(), n, closed, r, limit, SpanSink{CollectSpan, &got});
        int segments = n == 1 ? 1 : (closed ? n : n - 1);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 48; ++x) {
                double best = 1e9;
                for (int s = 0; s < segments; ++s)
                    best = std::fmin(best, SegDist(x + 0.5, y + 0.5, pts[s], pts[n == 1 ? 0 : (s + 1) % n]));
                // Points within a hair of the edge may go either way.
                if (std::fabs(best - r) < 1e-9) continue;
                ASSERT_EQ(got.count({x, y}) == 1, best <= r) << x << "," << y << " round " << round;
            }
    }
}

TEST(RenderRaster, PolygonsMatchPointInPolygonAtPixelCentres) {
    SeedRandom(7);
    Rect limit{0, 0, 40, 30};
    for (int round = 0; round < 200; ++round) {
        int n = RandIn(3, 9);
        std::vector<PointD> pts(n);
        for (auto& p : pts) p = PointD{double(RandIn(-15, 55)), double(RandIn(-15, 45))};
        FillRule rule = Rand15() % 2 ? FillRule::EvenOdd : FillRule::Winding;
        PixelSet got;
        ScanPolygon(pts.data(), &n, 1, rule, limit, SpanSink{CollectSpan, &got});
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                // Crossings left of (or on) the centre, in whole numbers.
                const int64_t cx2 = 2 * x + 1, cy2 = 2 * y + 1;
                int crossings = 0, winding = 0;
                for (int i = 0; i < n; ++i) {
                    const int64_t ax = int64_t(pts[i].x), ay = int64_t(pts[i].y);
                    const int64_t bx = int64_t(pts[(i + 1) % n].x), by = int64_t(pts[(i + 1) % n].y);
                    if ((2 * ay <= cy2) == (2 * by <= cy2)) continue;
                    int64_t side = (2 * ax - cx2) * (by - ay) + (cy2 - 2 * ay) * (bx - ax);
                    if (by > ay ? side <= 0 : side >= 0) {
                        ++crossings;
                        winding += by > ay ? 1 : -1;
                    }
                }
                bool inside = rule == FillRule::EvenOdd ? (crossings & 1) : winding != 0;
                ASSERT_EQ(got.count({x, y}) == 1, inside) << x << "," << y << " round " << round;
            }
    }
}

TEST(RenderRaster, RegionOperationsMatchPixelSets) {
    SeedRandom(8);
    auto pixels = [](const Region& r) {
        PixelSet s;
        for (const Band& b : r.bands)
            for (int y = b.y0; y < b.y1; ++y)
                for (uint32_t k = 0; k < b.count; ++k)
                    for (int x = r.spans[b.first + k].x0; x < r.spans[b.first + k].x1; ++x) s.insert({x, y});
        return s;
    };
    auto randomRegion = [](Region& r, PixelSet& set) {
        RegionClear(r);
        set.clear();
        int rects = RandIn(1, 4);
        for (int i = 0; i < rects; ++i) {
            Rect q{RandIn(0, 20), RandIn(0, 20), 0, 0};
            q.right = q.left + RandIn(0, 10);
            q.bottom = q.top + RandIn(0, 10);
            Region one;
            RegionSetRect(one, q);
            RegionCombine(r, r, one, RegionOp::Or);
            for (int y = q.top; y < q.bottom; ++y)
                for (int x = q.left; x < q.right; ++x) set.insert({x, y});
        }
    };
    for (int round = 0; round < 300; ++round) {
        Region a, b, out;
        PixelSet sa, sb;
        randomRegion(a, sa);
        randomRegion(b, sb);
        ASSERT_EQ(pixels(a), sa);
        for (RegionOp op : {RegionOp::And, RegionOp::Or, RegionOp::Diff}) {
            RegionCombine(out, a, b, op);
            PixelSet expect;
            for (auto p : sa) {
                if (op == RegionOp::Or || (op == RegionOp::And) == (sb.count(p) == 1)) expect.insert(p);
            }
            if (op == RegionOp::Or) expect.insert(sb.begin(), sb.end());
            ASSERT_EQ(pixels(out), expect);
            for (auto p : expect) ASSERT_TRUE(RegionContains(out, p.first, p.second));
            ASSERT_EQ(RegionArea(out), int64_t(expect.size()));
            // Bands are merged where rows repeat and spans never touch.
            for (size_t i = 0; i < out.bands.size(); ++i) {
                const Band& band = out.bands[i];
                for (uint32_t k = 1; k < band.count; ++k)
                    ASSERT_LT(out.spans[band.first + k - 1].x1, out.spans[band.first + k].x0);
                if (i > 0) {
                    ASSERT_LE(out.bands[i - 1].y1, band.y0);
                }
            }
        }
    }
}

namespace {

// The stroke routine as it was before rows were computed with reciprocals,
// merged in place and written straight out for single segments: one division
// per bound per row and std::ceil / std::floor. ScanStroke must report exactly
// its pixels for every input.
int64_t RefClamp(double v, int64_t lo, int64_t hi) {
    if (!(v > static_cast<double>(lo))) return lo;
    if (v > static_cast<double>(hi)) return hi;
    return static_cast<int64_t>(v);
}

void ReferenceStroke(const PointD* points, int count, bool closed, double radius, const Rect& limit, PixelSet& out) {
    if (count <= 0 || RectEmpty(limit)) return;
    const int segments = count == 1 ? 1 : (closed ? count : count - 1);
    double yMin = points[0].y, yMax = points[0].y;
    for (int i = 1; i < count; ++i) {
        yMin = std::fmin(yMin, points[i].y);
        yMax = std::fmax(yMax, points[i].y);
    }
    const int64_t rowBase =
        std::max<int64_t>(RefClamp(std::ceil(yMin - radius - 0.5), INT32_MIN / 2, INT32_MAX / 2), limit.top);
    const int64_t rowEnd =
        std::min<int64_t>(RefClamp(std::floor(yMax + radius - 0.5), INT32_MIN / 2, INT32_MAX / 2), limit.bottom - 1);
    if (rowBase > rowEnd) return;
    auto addRows = [&](double ylo, double yhi, double xlo, double xhi, auto&& row) {
        if (xhi - 0.5 < limit.left || xlo - 0.5 >= limit.right) return;
        int64_t r0 = std::max<int64_t>(RefClamp(std::ceil(ylo - 0.5), INT32_MIN / 2, INT32_MAX / 2), rowBase);
        int64_t r1 = std::min<int64_t>(RefClamp(std::floor(yhi - 0.5), INT32_MIN / 2, INT32_MAX / 2), rowEnd);
        for (int64_t y = r0; y <= r1; ++y) {
            double xl, xr;
            if (!row(y + 0.5, xl, xr)) continue;
            int64_t p0 = std::max<int64_t>(RefClamp(std::ceil(xl - 0.5), limit.left - 1, limit.right + 1), limit.left);
            int64_t p1 =
                std::min<int64_t>(RefClamp(std::floor(xr - 0.5), limit.left - 1, limit.right + 1) + 1, limit.right);
            for (int64_t x = p0; x < p1; ++x) out.insert({int(x), int(y)});
        }
    };
    const double r2 = radius * radius;
    auto disc = [&](const PointD& c) {
        addRows(c.y - radius, c.y + radius, c.x - radius, c.x + radius, [&](double yc, double& xl, double& xr) {
            double dy = yc - c.y, q = r2 - dy * dy;
            if (q < 0) return false;
            double h = std::sqrt(q);
            xl = c.x - h;
            xr = c.x + h;
            return true;
        });
    };
    for (int s = 0; s < segments; ++s) {
        const PointD& a = points[s];
        const PointD& b = count == 1 ? points[0] : points[(s + 1) % count];
        disc(a);
        const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
        if (l2 <= 0) continue;
        const double rl = radius * std::sqrt(l2);
        addRows(std::fmin(a.y, b.y) - radius, std::fmax(a.y, b.y) + radius, std::fmin(a.x, b.x) - radius,
                std::fmax(a.x, b.x) + radius, [&](double yc, double& xl, double& xr) {
                    const double e = yc - a.y;
                    double ul = -INFINITY, uh = INFINITY;
                    auto constrain = [&](double coef, double p, double q) {
                        if (coef > 0) {
                            ul = std::max(ul, p / coef);
                            uh = std::min(uh, q / coef);
                        } else if (coef < 0) {
                            ul = std::max(ul, q / coef);
                            uh = std::min(uh, p / coef);
                        } else if (p > 0 || q < 0) {
                            uh = -INFINITY;
                        }
                    };
                    constrain(dx, -e * dy, l2 - e * dy);
                    constrain(dy, e * dx - rl, e * dx + rl);
                    if (!(ul <= uh)) return false;
                    xl = a.x + ul;
                    xr = a.x + uh;
                    return true;
                });
    }
    if (count > 1 && !closed) disc(points[count - 1]);
}

// Spans must come row by row, left to right, disjoint and not touching.
struct SpanOrder {
    PixelSet* set;
    int lastY = INT32_MIN, lastX1 = INT32_MIN;
};
void CollectOrderedSpan(void* ctx, int y, int x0, int x1) {
    auto* o = static_cast<SpanOrder*>(ctx);
    EXPECT_LT(x0, x1);
    EXPECT_TRUE(y > o->lastY || (y == o->lastY && x0 > o->lastX1)) << "span out of order at row " << y;
    o->lastY = y;
    o->lastX1 = x1;
    for (int x = x0; x < x1; ++x) o->set->insert({x, y});
}

}  // namespace

// Random polylines whose points are whole, half-way (odd pens) or anywhere
// (flattened curves), on radii of every kind, against random limits: the
// pixel sets must be the old routine's, bit for bit.
TEST(RenderRaster, StrokesMatchTheDivisionRuleExactly) {
    SeedRandom(9);
    auto coord = [](int kind, int lo, int hi) {
        double v = RandIn(lo, hi);
        if (kind == 1) v += 0.5;
        if (kind == 2) v += RandIn(0, 32767) / 32768.0;
        return v;
    };
    for (int round = 0; round < 4000; ++round) {
        const int kind = RandIn(0, 2);
        // Every fourth polyline is a flattened curve: many short steps that
        // turn a little at each point, a few of them back on themselves.
        const bool curve = round % 4 == 1;
        const int n = curve ? RandIn(3, 40) : RandIn(1, round % 3 == 0 ? 2 : 12);
        const int spread = RandIn(0, 1) ? 80 : 2000;
        std::vector<PointD> pts(static_cast<size_t>(n));
        for (auto& p : pts) p = PointD{coord(kind, -spread / 4, spread), coord(kind, -spread / 4, spread)};
        if (curve) {
            const double vx = RandIn(-40, 40) / 8.0, vy = RandIn(-40, 40) / 8.0;
            const double wx = RandIn(-40, 40) / 64.0, wy = RandIn(-40, 40) / 64.0;
            for (int i = 1; i < n; ++i)
                pts[size_t(i)] = PointD{pts[0].x + i * vx + i * i * wx, pts[0].y + i * vy + i * i * wy};
        }
        // Whole-length directions (3-4-5 and the like) put the sides' row
        // ends exactly on pixel-centre boundaries, where rounding decides.
        if (kind == 0 && RandIn(0, 1)) {
            static const int kTriples[][2] = {{3, 4}, {4, 3}, {5, 12}, {12, 5}, {8, 15}, {15, 8}, {7, 24}};
            for (int i = 1; i < n; ++i) {
                const int* t = kTriples[RandIn(0, 6)];
                const int k = RandIn(1, 6);
                pts[size_t(i)] = PointD{pts[size_t(i) - 1].x + (RandIn(0, 1) ? k : -k) * t[0],
                                        pts[size_t(i) - 1].y + (RandIn(0, 1) ? k : -k) * t[1]};
            }
        }
        // Axis-parallel and repeated points, as rectangles and slow curves give.
        if (n > 1 && RandIn(0, 3) == 0) pts[1].x = pts[0].x;
        if (n > 2 && RandIn(0, 3) == 0) pts[2].y = pts[1].y;
        if (n > 1 && RandIn(0, 7) == 0) pts[1] = pts[0];
        // A point hundreds of millions of pixels out, with its long segments.
        if (n > 2 && round % 16 == 7) pts[size_t(n) / 2].x = RandIn(0, 1) ? 3e8 : -3e8;
        const bool closed = n > 2 && RandIn(0, 1);
        const double r = RandIn(0, 1) ? RandIn(2, 100) / 2.0 : RandIn(1, 1000) / 37.0;
        Rect limit{RandIn(-20, 40), RandIn(-20, 40), 0, 0};
        limit.right = limit.left + RandIn(0, 1) * RandIn(1, 120) + RandIn(0, 3);
        limit.bottom = limit.top + RandIn(1, 120);
        if (spread == 80 && RandIn(0, 2) == 0) limit = Rect{-50, -50, 150, 150};
        PixelSet want, got;
        ReferenceStroke(pts.data(), n, closed, r, limit, want);
        // A point whose height is not a number adds nothing, nor do its
        // segments, and the lines on either side of it stay apart.
        if (n > 2 && !closed && round % 16 == 9) {
            const int k = n / 2;
            pts[size_t(k)].y = std::nan("");
            want.clear();
            ReferenceStroke(pts.data(), k, false, r, limit, want);
            ReferenceStroke(pts.data() + k + 1, n - k - 1, false, r, limit, want);
        }
        SpanOrder order{&got};
        ScanStroke(pts.data(), n, closed, r, limit, SpanSink{CollectOrderedSpan, &order});
        ASSERT_EQ(got, want) << "round " << round << " points " << n << " radius " << r;
        // A sink that takes pixels twice may get overlapping spans in any
        // order, never other pixels.
        PixelSet painted;
        ScanStroke(pts.data(), n, closed, r, limit,
                   SpanSink{.emit = [](void* ctx, int y, int x0, int x1) {
                                for (int x = x0; x < x1; ++x) static_cast<PixelSet*>(ctx)->insert({x, y});
                            },
                            .ctx = &painted,
                            .overlapsAllowed = true});
        ASSERT_EQ(painted, want) << "overlapping spans, round " << round;
    }
}

// A polyline of thousands of points that runs one way down (one group, its
// segments worked out a few thousand at a time), seen where one lot ends
// and the next begins: the same pixels.
TEST(RenderRaster, LongPolylinesMatchTheDivisionRule) {
    std::vector<PointD> pts(9000);
    for (size_t i = 0; i < pts.size(); ++i) pts[i] = PointD{60 + 40 * std::sin(double(i) / 50), double(i) / 2};
    const Rect limit{0, 2000, 120, 2100};
    PixelSet want, got;
    ReferenceStroke(pts.data(), int(pts.size()), false, 4.5, limit, want);
    SpanOrder order{&got};
    ScanStroke(pts.data(), int(pts.size()), false, 4.5, limit, SpanSink{CollectOrderedSpan, &order});
    EXPECT_EQ(got, want);
}
