// Clip regions: a set of pixels kept as horizontal bands of disjoint spans
// (the classic banded representation). Rectangle lists, ellipses, polygons and
// glyph outlines all become this one form, so every drawing routine clips the
// same way: look up the band of a row and walk its spans.
#pragma once
#include <cstdint>
#include <vector>

namespace ztx {

// Pixel rectangle; right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

inline bool RectEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }
inline bool RectContains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
Rect IntersectRects(const Rect& a, const Rect& b);

struct Span {
    int x0, x1;  // pixels x0 .. x1 - 1
};

struct Band {
    int y0, y1;        // rows y0 .. y1 - 1
    uint32_t first;    // index of the band's first span
    uint32_t count;    // number of spans (at least 1)
};

struct Region {
    std::vector<Band> bands;  // sorted by y, not overlapping
    std::vector<Span> spans;  // per band sorted by x, disjoint, not touching
    Rect bounds;              // bounding box (empty when there are no bands)
};

enum class RegionOp { And, Or, Diff };  // Diff = a minus b

void RegionClear(Region& r);
bool RegionEmpty(const Region& r);
void RegionSetRect(Region& r, const Rect& rect);
// out = a op b. `out` may be the same object as `a` or `b`.
void RegionCombine(Region& out, const Region& a, const Region& b, RegionOp op);
void RegionIntersectRect(Region& r, const Rect& rect);
void RegionSubtractRect(Region& r, const Rect& rect);
bool RegionContains(const Region& r, int x, int y);
// Moves the region by (dx, dy); the caller keeps the result within the int
// range (regions describe pixels of pictures and their surroundings).
void RegionOffset(Region& r, int dx, int dy);
// Index of the band holding row y, or -1.
int RegionFindBand(const Region& r, int y);
// Number of pixels in the region (for tests).
int64_t RegionArea(const Region& r);

// Builds a region row by row: add the spans of each row in increasing row
// order and increasing x (spans of one row must not overlap); identical
// neighbouring rows are merged into one band.
struct RegionBuilder {
    Region* out;
    int rowY = 0;
    bool rowOpen = false;
    std::vector<Span> row;
    void Begin(Region& r);
    void Add(int y, int x0, int x1);
    void End();
    void FlushRow();
};

}  // namespace ztx
