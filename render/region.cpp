#include "render/region.h"

#include <algorithm>
#include <climits>

namespace ztx {

Rect IntersectRects(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (RectEmpty(r)) r = Rect{};
    return r;
}

void RegionClear(Region& r) {
    r.bands.clear();
    r.spans.clear();
    r.bounds = Rect{};
}

bool RegionEmpty(const Region& r) { return r.bands.empty(); }

void RegionSetRect(Region& r, const Rect& rect) {
    RegionClear(r);
    if (RectEmpty(rect)) return;
    r.spans.push_back(Span{rect.left, rect.right});
    r.bands.push_back(Band{rect.top, rect.bottom, 0, 1});
    r.bounds = rect;
}

namespace {

// Combines two sorted span lists; appends the result to `out`.
void CombineSpans(const Span* a, int na, const Span* b, int nb, RegionOp op, std::vector<Span>& out) {
    auto keep = [op](bool inA, bool inB) {
        switch (op) {
            case RegionOp::And: return inA && inB;
            case RegionOp::Or: return inA || inB;
            case RegionOp::Diff: return inA && !inB;
        }
        return false;
    };
    int i = 0, j = 0;  // boundary counters: even = span start, odd = span end
    bool inA = false, inB = false;
    int start = 0;
    const int ea = na * 2, eb = nb * 2;
    while (i < ea || j < eb) {
        int xa = i < ea ? ((i & 1) ? a[i >> 1].x1 : a[i >> 1].x0) : INT_MAX;
        int xb = j < eb ? ((j & 1) ? b[j >> 1].x1 : b[j >> 1].x0) : INT_MAX;
        int x = std::min(xa, xb);
        bool before = keep(inA, inB);
        if (xa == x) {
            inA = !inA;
            ++i;
        }
        if (xb == x) {
            inB = !inB;
            ++j;
        }
        bool after = keep(inA, inB);
        if (!before && after) {
            start = x;
        } else if (before && !after) {
            out.push_back(Span{start, x});
        }
    }
}

void AppendBand(Region& out, int y0, int y1, uint32_t first) {
    uint32_t count = static_cast<uint32_t>(out.spans.size()) - first;
    if (count == 0) return;
    if (!out.bands.empty()) {
        Band& prev = out.bands.back();
        if (prev.y1 == y0 && prev.count == count &&
            std::equal(out.spans.begin() + prev.first, out.spans.begin() + prev.first + count,
                       out.spans.begin() + first,
                       [](const Span& p, const Span& q) { return p.x0 == q.x0 && p.x1 == q.x1; })) {
            prev.y1 = y1;
            out.spans.resize(first);
            return;
        }
    }
    out.bands.push_back(Band{y0, y1, first, count});
}

void ComputeBounds(Region& r) {
    if (r.bands.empty()) {
        r.bounds = Rect{};
        return;
    }
    Rect b{INT_MAX, r.bands.front().y0, INT_MIN, r.bands.back().y1};
    for (const Band& band : r.bands) {
        b.left = std::min(b.left, r.spans[band.first].x0);
        b.right = std::max(b.right, r.spans[band.first + band.count - 1].x1);
    }
    r.bounds = b;
}

}  // namespace

void RegionCombine(Region& out, const Region& a, const Region& b, RegionOp op) {
    thread_local Region scratch;
    Region& res = scratch;
    RegionClear(res);
    size_t ia = 0, ib = 0;
    const size_t na = a.bands.size(), nb = b.bands.size();
    int y = INT_MIN;
    while (ia < na || ib < nb) {
        const Band* ba = ia < na ? &a.bands[ia] : nullptr;
        const Band* bb = ib < nb ? &b.bands[ib] : nullptr;
        int ys = INT_MAX;
        if (ba) ys = std::min(ys, std::max(y, ba->y0));
        if (bb) ys = std::min(ys, std::max(y, bb->y0));
        y = ys;
        bool inA = ba && ba->y0 <= y;
        bool inB = bb && bb->y0 <= y;
        int ye = INT_MAX;
        if (ba) ye = std::min(ye, inA ? ba->y1 : ba->y0);
        if (bb) ye = std::min(ye, inB ? bb->y1 : bb->y0);
        uint32_t first = static_cast<uint32_t>(res.spans.size());
        CombineSpans(inA ? &a.spans[ba->first] : nullptr, inA ? static_cast<int>(ba->count) : 0,
                     inB ? &b.spans[bb->first] : nullptr, inB ? static_cast<int>(bb->count) : 0, op, res.spans);
        AppendBand(res, y, ye, first);
        y = ye;
        if (ba && ba->y1 <= y) ++ia;
        if (bb && bb->y1 <= y) ++ib;
    }
    ComputeBounds(res);
    // Swap contents so both keep their capacity: no allocation in steady state.
    out.bands.swap(res.bands);
    out.spans.swap(res.spans);
    out.bounds = res.bounds;
}

void RegionIntersectRect(Region& r, const Rect& rect) {
    // A rectangle holding the whole region changes nothing; one missing it
    // leaves nothing.
    const Rect& b = r.bounds;
    if (RegionEmpty(r) || (rect.left <= b.left && rect.top <= b.top && b.right <= rect.right && b.bottom <= rect.bottom))
        return;
    if (RectEmpty(IntersectRects(rect, b))) {
        RegionClear(r);
        return;
    }
    thread_local Region tmp;
    RegionSetRect(tmp, rect);
    RegionCombine(r, r, tmp, RegionOp::And);
}

void RegionSubtractRect(Region& r, const Rect& rect) {
    if (RectEmpty(rect)) return;
    thread_local Region tmp;
    RegionSetRect(tmp, rect);
    RegionCombine(r, r, tmp, RegionOp::Diff);
}

void RegionOffset(Region& r, int dx, int dy) {
    if (RegionEmpty(r)) return;
    for (Band& band : r.bands) {
        band.y0 += dy;
        band.y1 += dy;
    }
    for (Span& span : r.spans) {
        span.x0 += dx;
        span.x1 += dx;
    }
    r.bounds = Rect{r.bounds.left + dx, r.bounds.top + dy, r.bounds.right + dx, r.bounds.bottom + dy};
}

int RegionFindBand(const Region& r, int y) {
    auto it = std::upper_bound(r.bands.begin(), r.bands.end(), y, [](int v, const Band& b) { return v < b.y1; });
    if (it == r.bands.end() || it->y0 > y) return -1;
    return static_cast<int>(it - r.bands.begin());
}

bool RegionContains(const Region& r, int x, int y) {
    int bi = RegionFindBand(r, y);
    if (bi < 0) return false;
    const Band& b = r.bands[bi];
    for (uint32_t k = 0; k < b.count; ++k) {
        const Span& s = r.spans[b.first + k];
        if (x < s.x0) return false;
        if (x < s.x1) return true;
    }
    return false;
}

int64_t RegionArea(const Region& r) {
    int64_t area = 0;
    for (const Band& b : r.bands)
        for (uint32_t k = 0; k < b.count; ++k)
            area += int64_t(b.y1 - b.y0) * (r.spans[b.first + k].x1 - r.spans[b.first + k].x0);
    return area;
}

void RegionBuilder::Begin(Region& r) {
    out = &r;
    RegionClear(r);
    row.clear();
    rowOpen = false;
}

void RegionBuilder::FlushRow() {
    if (!rowOpen) return;
    uint32_t first = static_cast<uint32_t>(out->spans.size());
    out->spans.insert(out->spans.end(), row.begin(), row.end());
    AppendBand(*out, rowY, rowY + 1, first);
    row.clear();
    rowOpen = false;
}

void RegionBuilder::Add(int y, int x0, int x1) {
    if (x1 <= x0) return;
    if (!rowOpen || y != rowY) {
        FlushRow();
        rowY = y;
        rowOpen = true;
    }
    if (!row.empty() && x0 <= row.back().x1) {
        row.back().x1 = std::max(row.back().x1, x1);
        return;
    }
    row.push_back(Span{x0, x1});
}

void RegionBuilder::End() {
    FlushRow();
    ComputeBounds(*out);
}

}  // namespace ztx
