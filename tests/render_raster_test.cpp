// Scan conversion checked against brute-force definitions on random input:
// clipped lines against the unclipped walk, strokes against the distance
// rule, polygons against point-in-polygon at pixel centres, and regions
// against their pixel sets.
#include <gtest/gtest.h>

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
