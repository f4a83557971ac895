#include "render/draw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "render/device_colors.h"
#include "render/int_math.h"

namespace ztx {

// ---- colours -------------------------------------------------------------

namespace {

constexpr int kStaticDevices[20] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255};

// 0x00RRGGBB (device table) to 0x00BBGGRR (colour values).
uint32_t SwapRedBlue(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

int Dist2(uint32_t a, uint32_t b) {  // both 0x00BBGGRR
    int dr = int(a & 255) - int(b & 255);
    int dg = int((a >> 8) & 255) - int((b >> 8) & 255);
    int db = int((a >> 16) & 255) - int((b >> 16) & 255);
    return dr * dr + dg * dg + db * db;
}

}  // namespace

int DeviceIndexOfEntry(int entry) { return kFirstAnimated + std::clamp(entry, 0, kAnimatedCount - 1); }

int NearestStaticIndex(uint32_t rgb) {
    int best = 0, bestD = INT_MAX;
    for (int d : kStaticDevices) {
        int dist = Dist2(rgb & 0xFFFFFF, SwapRedBlue(StaticColorRgb(d)));
        if (dist < bestD) {
            bestD = dist;
            best = d;
        }
    }
    return best;
}

int DeviceIndexOf(uint32_t color) {
    if ((color & 0xFF000000u) == 0x01000000u) return DeviceIndexOfEntry(static_cast<int>(color & 0xFFFF));
    // The only RGB colours ever used are black and white: answer them at once.
    if ((color & 0xFFFFFF) == 0) return kDeviceBlack;
    if ((color & 0xFFFFFF) == 0xFFFFFF) return kDeviceWhite;
    return NearestStaticIndex(color & 0xFFFFFF);
}

int NearestPaletteEntry(uint32_t rgb) {
    uint32_t table[256];
    DeviceColors().Read(table);
    int best = 0, bestD = INT_MAX;
    for (int i = 0; i < kAnimatedCount; ++i) {
        int dist = Dist2(rgb & 0xFFFFFF, SwapRedBlue(table[kFirstAnimated + i]));
        if (dist < bestD) {
            bestD = dist;
            best = i;
        }
    }
    return best;
}

const uint16_t kIdentityIndices[256] = {
#define ZTX_I4(n) n, n + 1, n + 2, n + 3
#define ZTX_I16(n) ZTX_I4(n), ZTX_I4(n + 4), ZTX_I4(n + 8), ZTX_I4(n + 12)
    ZTX_I16(0),   ZTX_I16(16),  ZTX_I16(32),  ZTX_I16(48),  ZTX_I16(64),  ZTX_I16(80),  ZTX_I16(96),  ZTX_I16(112),
    ZTX_I16(128), ZTX_I16(144), ZTX_I16(160), ZTX_I16(176), ZTX_I16(192), ZTX_I16(208), ZTX_I16(224), ZTX_I16(240)
#undef ZTX_I16
#undef ZTX_I4
};

// ---- context state ------------------------------------------------------------

namespace {

Rect CanvasRect(const DrawContext& dc) { return Rect{0, 0, dc.canvas.width, dc.canvas.height}; }

// Where drawing can have an effect: the picture, cut to the clip's bounds.
Rect DrawLimit(const DrawContext& dc) {
    Rect r = CanvasRect(dc);
    if (dc.clipped) r = IntersectRects(r, dc.clip.bounds);
    return r;
}

void Detach(DrawContext& dc) {
    dc.surface = nullptr;
    dc.bitmap = nullptr;
    dc.section = nullptr;
    dc.clipped = false;
    RegionClear(dc.clip);
}

}  // namespace

void AttachSurface(DrawContext& dc, Surface& surface) {
    Detach(dc);
    dc.surface = &surface;
    dc.canvas = CanvasOf(surface.picture);
}

void AttachBitmap(DrawContext& dc, Bitmap8& bitmap) {
    Detach(dc);
    dc.bitmap = &bitmap;
    dc.canvas = CanvasOf(bitmap);
}

void AttachSection(DrawContext& dc, Section& section) {
    Detach(dc);
    dc.section = &section;
    dc.canvas = CanvasOf(section);
}

void AttachPixels(DrawContext& dc, uint8_t* pixels, int width, int height) {
    Detach(dc);
    if (pixels == nullptr || width <= 0 || height <= 0) {
        dc.canvas = Canvas{};
        return;
    }
    dc.canvas = Canvas{pixels, width, width, height};
}

void PublishContext(DrawContext& dc) {
    if (dc.surface) PublishSurface(*dc.surface);
}

Pen SelectPen(DrawContext& dc, const Pen& pen) {
    Pen old = dc.pen;
    dc.pen = pen;
    return old;
}

Brush SelectBrush(DrawContext& dc, const Brush& brush) {
    Brush old = dc.brush;
    dc.brush = brush;
    return old;
}

Mix SetMix(DrawContext& dc, Mix mix) {
    Mix old = dc.mix;
    dc.mix = mix;
    return old;
}

void SetStretchColorOnColor(DrawContext& dc) { dc.colorOnColor = true; }
void SetTransparentText(DrawContext& dc, bool transparent) { dc.transparentText = transparent; }

// ---- span and pixel writers ----------------------------------------------------

namespace {

struct Painter {
    DrawContext* dc;
    uint8_t value;
    bool invert;
    int band = -1;  // band index cache for clipped drawing
};

inline void WriteRun(Painter& p, int y, int x0, int x1) {
    uint8_t* row = p.dc->canvas.origin + y * p.dc->canvas.stride;
    if (p.invert) {
        // 255 - v is v with every bit flipped: eight pixels per step.
        int x = x0;
        for (; x + 8 <= x1; x += 8) {
            uint64_t v;
            std::memcpy(&v, row + x, 8);
            v = ~v;
            std::memcpy(row + x, &v, 8);
        }
        for (; x < x1; ++x) row[x] = static_cast<uint8_t>(255 - row[x]);
    } else {
        FillBytes(row + x0, p.value, size_t(x1 - x0));
    }
}

// Locates the clip band of row y, starting from the cached one.
inline const Band* ClipBand(Painter& p, int y) {
    const Region& clip = p.dc->clip;
    int n = static_cast<int>(clip.bands.size());
    int b = p.band;
    if (b >= 0 && b < n) {
        if (clip.bands[b].y0 <= y && y < clip.bands[b].y1) return &clip.bands[b];
        if (b + 1 < n && clip.bands[b + 1].y0 <= y && y < clip.bands[b + 1].y1) {
            p.band = b + 1;
            return &clip.bands[b + 1];
        }
    }
    b = RegionFindBand(clip, y);
    if (b < 0) return nullptr;
    p.band = b;
    return &clip.bands[b];
}

void PaintSpan(void* ctx, int y, int x0, int x1) {
    Painter& p = *static_cast<Painter*>(ctx);
    const Canvas& c = p.dc->canvas;
    if (y < 0 || y >= c.height) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, c.width);
    if (x0 >= x1) return;
    if (!p.dc->clipped) {
        WriteRun(p, y, x0, x1);
        return;
    }
    const Band* band = ClipBand(p, y);
    if (!band) return;
    const Span* s = &p.dc->clip.spans[band->first];
    for (uint32_t k = 0; k < band->count; ++k) {
        if (s[k].x0 >= x1) break;
        int a = std::max(x0, s[k].x0), b = std::min(x1, s[k].x1);
        if (a < b) WriteRun(p, y, a, b);
    }
}

void PaintPixel(void* ctx, int x, int y) { PaintSpan(ctx, y, x, x + 1); }

// The same for a context without a clip, from a scan that keeps to the
// picture: nothing to check.
void PaintSpanUnclipped(void* ctx, int y, int x0, int x1) { WriteRun(*static_cast<Painter*>(ctx), y, x0, x1); }

Painter PenPainter(DrawContext& dc) {
    return Painter{&dc, static_cast<uint8_t>(DeviceIndexOf(dc.pen.color)), dc.mix == Mix::Not};
}
Painter BrushPainter(DrawContext& dc, const Brush& brush) {
    return Painter{&dc, static_cast<uint8_t>(DeviceIndexOf(brush.color)), dc.mix == Mix::Not};
}

void PaintRect(Painter& p, const Rect& r) {
    Rect lim = IntersectRects(DrawLimit(*p.dc), r);
    for (int y = lim.top; y < lim.bottom; ++y) PaintSpan(&p, y, lim.left, lim.right);
}

// Applies a clip removal another thread asked for.
void ApplyPending(DrawContext& dc) {
    if (dc.clipRemovalPending.load(std::memory_order_relaxed) && dc.clipRemovalPending.exchange(false)) {
        dc.clipped = false;
        RegionClear(dc.clip);
    }
}

bool Drawable(DrawContext& dc) {
    ApplyPending(dc);
    return dc.canvas.origin != nullptr && !RectEmpty(DrawLimit(dc));
}

// Whether every pixel inside DrawLimit may be painted: no clip, or a clip
// of one rectangle (a tile's), whose bounds DrawLimit already keeps to.
bool LimitIsClip(const DrawContext& dc) {
    return !dc.clipped || (dc.clip.bands.size() == 1 && dc.clip.bands[0].count == 1);
}

// One-pixel line from a to b (b left out) with the pen's painter p and the
// context's limit lim. Without a clip, or with a rectangular one, the
// walker already keeps to what may be painted, so each pixel is one store
// straight into the picture (one-pixel lines are most of what the
// wire-frame modules draw).
void ThinLine(DrawContext& dc, Painter& p, const Rect& lim, const Point& a, const Point& b) {
    if (!LimitIsClip(dc)) {
        ScanLine(a.x, a.y, b.x, b.y, lim, PixelSink{PaintPixel, &p});
        return;
    }
    uint8_t* const origin = dc.canvas.origin;
    const ptrdiff_t stride = dc.canvas.stride;
    const LineSteps line = LineStepsOf(a.x, a.y, b.x, b.y);
    // Both ends inside: so is every step (each coordinate moves one way).
    int64_t first = 0, last = line.count - 1;
    if (RectContains(lim, a.x, a.y) && RectContains(lim, b.x, b.y)) {
        if (line.count == 0) return;
    } else if (!StepsInside(line, lim, first, last)) {
        return;
    }
    // Walk the byte offset: a major step moves it by majorMove, a minor
    // one by minorMove.
    StepCursor c = CursorAt(line, first);
    const int64_t x = line.xMajor ? c.major : c.minor, y = line.xMajor ? c.minor : c.major;
    ptrdiff_t at = y * stride + x;
    const ptrdiff_t majorMove = line.xMajor ? line.majorStep : line.majorStep * stride;
    const ptrdiff_t minorMove = line.xMajor ? line.minorStep * stride : line.minorStep;
    int64_t steps = last - first + 1;
    if (p.invert) {
        for (; steps > 0; --steps) {
            origin[at] = static_cast<uint8_t>(255 - origin[at]);
            at += majorMove;
            if (c.Next()) at += minorMove;
        }
    } else {
        const uint8_t value = p.value;
        for (; steps > 0; --steps) {
            origin[at] = value;
            at += majorMove;
            if (c.Next()) at += minorMove;
        }
    }
}

// One-pixel polyline; closed adds the segment back to the first point.
void ThinPolyline(DrawContext& dc, const Point* pts, int n, bool closed) {
    Painter p = PenPainter(dc);
    const Rect lim = DrawLimit(dc);
    const int segments = closed ? n : n - 1;
    for (int i = 0; i < segments; ++i) ThinLine(dc, p, lim, pts[i], pts[Wrap(i + 1, n)]);
}

// What a wide pen's strokes paint through (p lives as long as the sink).
SpanSink StrokeSink(DrawContext& dc, Painter& p) {
    const bool direct = LimitIsClip(dc);
    SpanSink sink{.emit = direct ? PaintSpanUnclipped : PaintSpan, .ctx = &p, .overlapsAllowed = !p.invert};
    if (direct && !p.invert) {
        sink.fillOrigin = dc.canvas.origin;
        sink.fillStride = dc.canvas.stride;
        sink.fillValue = p.value;
    }
    return sink;
}

// Wide strokes are centred on pixel corners for even widths and on pixel
// centres for odd widths (the path shifted by half a pixel), so a
// horizontal or vertical stroke is exactly `width` pixels thick either way.
double PenShift(const Pen& pen) { return pen.width % 2 == 0 ? 0.0 : 0.5; }

void WideStroke(DrawContext& dc, const PointD* pts, int n, bool closed) {
    Painter p = PenPainter(dc);
    const SpanSink sink = StrokeSink(dc, p);
    const double radius = dc.pen.width / 2.0, shift = PenShift(dc.pen);
    if (shift == 0) {
        ScanStroke(pts, n, closed, radius, DrawLimit(dc), sink);
        return;
    }
    thread_local std::vector<PointD> shifted;
    shifted.resize(size_t(n));
    for (int i = 0; i < n; ++i) shifted[i] = PointD{pts[i].x + shift, pts[i].y + shift};
    ScanStroke(shifted.data(), n, closed, radius, DrawLimit(dc), sink);
}

thread_local std::vector<PointD> g_points;
thread_local std::vector<Point> g_ipoints;

const PointD* ToPointD(const Point* pts, int n) {
    g_points.resize(size_t(n));
    for (int i = 0; i < n; ++i) g_points[i] = PointD{double(pts[i].x), double(pts[i].y)};
    return g_points.data();
}

bool WidePen(const Pen& pen) { return pen.width >= 2; }

}  // namespace

// ---- lines and curves ------------------------------------------------------------------

void MoveTo(DrawContext& dc, int x, int y) { dc.position = Point{x, y}; }

void LineTo(DrawContext& dc, int x, int y) {
    Point seg[2] = {dc.position, Point{x, y}};
    dc.position = seg[1];
    if (dc.pen.null || !Drawable(dc)) return;
    if (WidePen(dc.pen)) {
        PointD d[2] = {{double(seg[0].x), double(seg[0].y)}, {double(x), double(y)}};
        WideStroke(dc, d, 2, false);
    } else {
        ThinPolyline(dc, seg, 2, false);
    }
}

void DrawPolyline(DrawContext& dc, const Point* points, int count) {
    if (count < 2 || dc.pen.null || !Drawable(dc)) return;
    if (WidePen(dc.pen)) WideStroke(dc, ToPointD(points, count), count, false);
    else ThinPolyline(dc, points, count, false);
}

void DrawWireFrame(DrawContext& dc, const Point* points, int count, const WireEdge* edges, int edgeCount) {
    DrawPolyline(dc, points, count);
    if (edgeCount <= 0) return;
    dc.position = points[edges[edgeCount - 1].to];
    if (dc.pen.null || !Drawable(dc)) return;
    Painter p = PenPainter(dc);
    const Rect lim = DrawLimit(dc);
    if (!WidePen(dc.pen)) {
        for (int i = 0; i < edgeCount; ++i) ThinLine(dc, p, lim, points[edges[i].from], points[edges[i].to]);
        return;
    }
    // A wide pen painting a colour has just painted its round end at every
    // point: the edges only add their bodies.
    const bool bodies = count >= 2 && dc.mix != Mix::Not;
    const SpanSink sink = StrokeSink(dc, p);
    const double shift = PenShift(dc.pen), radius = dc.pen.width / 2.0;
    for (int i = 0; i < edgeCount; ++i) {
        const Point& a = points[edges[i].from];
        const Point& b = points[edges[i].to];
        const PointD ends[2] = {{a.x + shift, a.y + shift}, {b.x + shift, b.y + shift}};
        if (bodies) ScanBar(ends[0], ends[1], radius, lim, sink);
        else ScanStroke(ends, 2, false, radius, lim, sink);
    }
}

void DrawBezier(DrawContext& dc, const Point* points, int count) {
    if (count < 4 || dc.pen.null || !Drawable(dc)) return;
    thread_local std::vector<PointD> flat;
    thread_local PointD piece[kMaxBezierPoints];
    flat.clear();
    for (int i = 0; i + 3 < count; i += 3) {
        PointD c[4];
        for (int k = 0; k < 4; ++k) c[k] = PointD{double(points[i + k].x), double(points[i + k].y)};
        int n = FlattenBezier(c[0], c[1], c[2], c[3], piece, kMaxBezierPoints);
        flat.insert(flat.end(), piece + (flat.empty() ? 0 : 1), piece + n);
    }
    if (WidePen(dc.pen)) {
        WideStroke(dc, flat.data(), static_cast<int>(flat.size()), false);
        return;
    }
    // One-pixel pens: round the flattened points, dropping repeats.
    g_ipoints.clear();
    for (const PointD& q : flat) {
        Point ip{static_cast<int>(std::llround(std::clamp(q.x, -2e9, 2e9))),
                 static_cast<int>(std::llround(std::clamp(q.y, -2e9, 2e9)))};
        if (g_ipoints.empty() || g_ipoints.back().x != ip.x || g_ipoints.back().y != ip.y) g_ipoints.push_back(ip);
    }
    if (g_ipoints.size() >= 2) ThinPolyline(dc, g_ipoints.data(), static_cast<int>(g_ipoints.size()), false);
}

// ---- filled shapes ----------------------------------------------------------------------

void DrawPolygon(DrawContext& dc, const Point* points, int count) {
    if (count < 1 || !Drawable(dc)) return;
    const PointD* pd = ToPointD(points, count);
    if (!dc.brush.hollow && count >= 3) {
        Painter p = BrushPainter(dc, dc.brush);
        ScanPolygon(pd, &count, 1, FillRule::EvenOdd, DrawLimit(dc), SpanSink{PaintSpan, &p});
    }
    if (dc.pen.null || count < 2) return;
    if (WidePen(dc.pen)) WideStroke(dc, pd, count, true);
    else ThinPolyline(dc, points, count, true);
}

namespace {
Rect Normalized(int l, int t, int r, int b) {
    return Rect{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}
}  // namespace

void DrawRectangle(DrawContext& dc, int left, int top, int right, int bottom) {
    Rect r = Normalized(left, top, right, bottom);
    if (RectEmpty(r) || !Drawable(dc)) return;
    if (dc.pen.null) {
        if (!dc.brush.hollow) {
            Painter p = BrushPainter(dc, dc.brush);
            PaintRect(p, r);
        }
        return;
    }
    if (WidePen(dc.pen)) {
        if (!dc.brush.hollow) {
            Painter p = BrushPainter(dc, dc.brush);
            PaintRect(p, r);
        }
        PointD c[4] = {{double(r.left), double(r.top)},
                       {double(r.right), double(r.top)},
                       {double(r.right), double(r.bottom)},
                       {double(r.left), double(r.bottom)}};
        WideStroke(dc, c, 4, true);
        return;
    }
    if (!dc.brush.hollow) {
        Painter p = BrushPainter(dc, dc.brush);
        PaintRect(p, Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
    }
    Painter p = PenPainter(dc);
    PaintRect(p, Rect{r.left, r.top, r.right, r.top + 1});
    if (r.bottom - r.top > 1) PaintRect(p, Rect{r.left, r.bottom - 1, r.right, r.bottom});
    PaintRect(p, Rect{r.left, r.top + 1, r.left + 1, r.bottom - 1});
    if (r.right - r.left > 1) PaintRect(p, Rect{r.right - 1, r.top + 1, r.right, r.bottom - 1});
}

void DrawEllipse(DrawContext& dc, int left, int top, int right, int bottom) {
    Rect r = Normalized(left, top, right, bottom);
    if (RectEmpty(r) || !Drawable(dc)) return;
    Rect lim = DrawLimit(dc);
    if (!dc.brush.hollow) {
        Painter p = BrushPainter(dc, dc.brush);
        ScanEllipse(r, lim, SpanSink{PaintSpan, &p});
    }
    if (dc.pen.null) return;
    if (WidePen(dc.pen)) {
        thread_local PointD ring[kMaxEllipsePoints];
        int n = FlattenEllipse(r, ring, kMaxEllipsePoints);
        WideStroke(dc, ring, n, true);
    } else {
        Painter p = PenPainter(dc);
        ScanEllipseOutline(r, lim, SpanSink{PaintSpan, &p});
    }
}

void FillRect(DrawContext& dc, const Rect& rect, const Brush& brush) {
    if (brush.hollow || !Drawable(dc)) return;
    Painter p{&dc, static_cast<uint8_t>(DeviceIndexOf(brush.color)), false};
    PaintRect(p, rect);
}

void PatBlt(DrawContext& dc, int x, int y, int width, int height, Rop rop) {
    if (!Drawable(dc)) return;
    int64_t l = x, r = int64_t(x) + width, t = y, b = int64_t(y) + height;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    auto c = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); };
    Painter p{&dc, static_cast<uint8_t>(rop == Rop::Whiteness ? 255 : 0), rop == Rop::DestInvert};
    PaintRect(p, Rect{c(l), c(t), c(r), c(b)});
}

void DrawEdge(DrawContext& dc, const Rect& rect, Edge3D edge, bool fillMiddle) {
    if (!Drawable(dc) || RectEmpty(rect)) return;
    int outerTl, outerBr, innerTl, innerBr;
    switch (edge) {
        case Edge3D::Raised:
            outerTl = kDeviceLight, outerBr = kDeviceDarkShadow, innerTl = kDeviceHighlight, innerBr = kDeviceShadow;
            break;
        case Edge3D::Sunken:
            outerTl = kDeviceShadow, outerBr = kDeviceHighlight, innerTl = kDeviceDarkShadow, innerBr = kDeviceLight;
            break;
        default:
            outerTl = kDeviceShadow, outerBr = kDeviceHighlight, innerTl = kDeviceHighlight, innerBr = kDeviceShadow;
            break;
    }
    auto ring = [&](const Rect& r, int tl, int br) {
        if (RectEmpty(r)) return;
        Painter a{&dc, uint8_t(tl), false}, b{&dc, uint8_t(br), false};
        PaintRect(a, Rect{r.left, r.top, r.right - 1, r.top + 1});
        PaintRect(a, Rect{r.left, r.top + 1, r.left + 1, r.bottom - 1});
        PaintRect(b, Rect{r.left, r.bottom - 1, r.right, r.bottom});
        PaintRect(b, Rect{r.right - 1, r.top, r.right, r.bottom - 1});
    };
    ring(rect, outerTl, outerBr);
    Rect in{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    ring(in, innerTl, innerBr);
    if (fillMiddle) {
        Painter f{&dc, uint8_t(kDeviceFace), false};
        PaintRect(f, Rect{rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2});
    }
}

// ---- block transfers -----------------------------------------------------------------

namespace {

// Source pixels: valid columns [x0, x1) and rows [y0, y1); base points at
// pixel (x0, y0).
struct SourceView {
    const uint8_t* base = nullptr;
    ptrdiff_t stride = 0;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

SourceView ViewOf(const Canvas& c) { return SourceView{c.origin, c.stride, 0, 0, c.width, c.height}; }

// Destination extent under the anchor rule: [lo, hi) and whether mirrored.
void Extent(int pos, int len, int64_t& lo, int64_t& hi) {
    if (len >= 0) {
        lo = pos;
        hi = int64_t(pos) + len;
    } else {
        lo = int64_t(pos) + len + 1;
        hi = int64_t(pos) + 1;
    }
}

void Transfer(DrawContext& dc, int x, int y, int w, int h, SourceView src, int sx, int sy, int sw, int sh,
              const uint8_t* lut) {
    if (w == 0 || h == 0 || sw <= 0 || sh <= 0 || !Drawable(dc) || !src.base) return;
    int64_t dl, dr, dt, db;
    Extent(x, w, dl, dr);
    Extent(y, h, dt, db);
    Rect lim = DrawLimit(dc);
    int cl = static_cast<int>(std::max<int64_t>(dl, lim.left)), cr = static_cast<int>(std::min<int64_t>(dr, lim.right));
    int ct = static_cast<int>(std::max<int64_t>(dt, lim.top)), cb = static_cast<int>(std::min<int64_t>(db, lim.bottom));
    if (cl >= cr || ct >= cb) return;
    const int64_t aw = w < 0 ? -int64_t(w) : w, ah = h < 0 ? -int64_t(h) : h;
    if (aw > INT32_MAX || ah > INT32_MAX) return;
    auto srcCol = [&](int X) -> int64_t {
        int64_t i = w > 0 ? X - int64_t(x) : int64_t(x) - X;
        return sx + (aw == sw ? i : int64_t(StretchIndex(static_cast<int>(i), sw, static_cast<int>(aw))));
    };
    auto srcRow = [&](int Y) -> int64_t {
        int64_t j = h > 0 ? Y - int64_t(y) : int64_t(y) - Y;
        return sy + (ah == sh ? j : int64_t(StretchIndex(static_cast<int>(j), sh, static_cast<int>(ah))));
    };
    // Copying within one picture: read the source area first when it overlaps.
    thread_local std::vector<uint8_t> scratch;
    if (src.base == dc.canvas.origin && src.stride == dc.canvas.stride) {
        int64_t a = std::min(srcCol(cl), srcCol(cr - 1)), b = std::max(srcCol(cl), srcCol(cr - 1)) + 1;
        int64_t c = std::min(srcRow(ct), srcRow(cb - 1)), d = std::max(srcRow(ct), srcRow(cb - 1)) + 1;
        a = std::max<int64_t>(a, src.x0);
        b = std::min<int64_t>(b, src.x1);
        c = std::max<int64_t>(c, src.y0);
        d = std::min<int64_t>(d, src.y1);
        if (a >= b || c >= d) return;  // the whole source is off the picture
        bool overlap = a < cr && cl < b && c < cb && ct < d;
        if (overlap) {
            int sw2 = static_cast<int>(b - a), sh2 = static_cast<int>(d - c);
            scratch.resize(size_t(sw2) * sh2);
            for (int r = 0; r < sh2; ++r)
                std::memcpy(scratch.data() + size_t(r) * sw2, src.base + (c + r) * src.stride + a, size_t(sw2));
            src = SourceView{scratch.data(), sw2, static_cast<int>(a), static_cast<int>(c), static_cast<int>(b),
                             static_cast<int>(d)};
        }
    }
    // Unstretched copies (plain or mirrored) compute source columns directly;
    // stretches and colour conversions use a column table.
    enum class Kind { Straight, Mirrored, Table } kind = Kind::Table;
    if (!lut && aw == sw) kind = w > 0 ? Kind::Straight : Kind::Mirrored;
    // Destination columns whose source column lies on the source.
    int vl = cl, vr = cr;
    if (kind == Kind::Straight) {
        vl = static_cast<int>(std::max<int64_t>(cl, int64_t(x) + src.x0 - sx));
        vr = static_cast<int>(std::min<int64_t>(cr, int64_t(x) + src.x1 - sx));
    } else if (kind == Kind::Mirrored) {
        vl = static_cast<int>(std::max<int64_t>(cl, int64_t(x) + sx - src.x1 + 1));
        vr = static_cast<int>(std::min<int64_t>(cr, int64_t(x) + sx - src.x0 + 1));
    }
    if (vl >= vr) return;
    thread_local std::vector<int> cols;  // Table: source column or -1
    if (kind == Kind::Table) {
        cols.resize(size_t(cr - cl));
        for (int X = cl; X < cr; ++X) {
            int64_t sc = srcCol(X);
            cols[X - cl] = (sc >= src.x0 && sc < src.x1) ? static_cast<int>(sc - src.x0) : -1;
        }
    }
    // Source offset of destination column X: X - shift (straight) or
    // shift - X (mirrored).
    const int64_t shift = kind == Kind::Straight ? int64_t(x) - sx + src.x0 : int64_t(x) + sx - src.x0;
    Painter clipper{&dc, 0, false};
    for (int Y = ct; Y < cb; ++Y) {
        int64_t sr = srcRow(Y);
        if (sr < src.y0 || sr >= src.y1) continue;
        const uint8_t* srow = src.base + (sr - src.y0) * src.stride;
        uint8_t* drow = dc.canvas.origin + Y * dc.canvas.stride;
        auto copyRun = [&](int a, int b) {
            a = std::max(a, vl);
            b = std::min(b, vr);
            if (a >= b) return;
            switch (kind) {
                case Kind::Straight:
                    std::memmove(drow + a, srow + (a - shift), size_t(b - a));
                    break;
                case Kind::Mirrored: {
                    const uint8_t* from = srow + (shift - a);
                    for (int X = a; X < b; ++X) drow[X] = *from--;
                    break;
                }
                case Kind::Table:
                    for (int X = a; X < b; ++X) {
                        int c = cols[X - cl];
                        if (c >= 0) drow[X] = lut ? lut[srow[c]] : srow[c];
                    }
                    break;
            }
        };
        if (!dc.clipped) {
            copyRun(cl, cr);
            continue;
        }
        const Band* band = ClipBand(clipper, Y);
        if (!band) continue;
        const Span* sp = &dc.clip.spans[band->first];
        for (uint32_t k = 0; k < band->count; ++k) {
            if (sp[k].x0 >= cr) break;
            copyRun(std::max(cl, sp[k].x0), std::min(cr, sp[k].x1));
        }
    }
}

// Colour of each value of a context's picture (0x00BBGGRR).
void ColorsOf(const DrawContext& dc, uint32_t out[256]) {
    if (dc.section) {
        for (int i = 0; i < 256; ++i) {
            const RgbQuad& q = dc.section->colors[i];
            out[i] = RgbColor(q.red, q.green, q.blue);
        }
        return;
    }
    uint32_t table[256];
    DeviceColors().Read(table);
    for (int i = 0; i < 256; ++i) out[i] = SwapRedBlue(table[i]);
}

int NearestIn(const uint32_t* table, int count, uint32_t rgb) {
    int best = 0, bestD = INT_MAX;
    for (int i = 0; i < count; ++i) {
        int d = Dist2(table[i], rgb);
        if (d < bestD) {
            bestD = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

// A value map from src's values to dst's when their colours differ; null
// when values copy unchanged (both device pictures, or equal tables).
const uint8_t* MatchMap(const DrawContext& dst, const DrawContext& src, uint8_t map[256]) {
    if (!dst.section && !src.section) return nullptr;
    if (dst.section && src.section &&
        std::memcmp(dst.section->colors, src.section->colors, sizeof(dst.section->colors)) == 0)
        return nullptr;
    uint32_t from[256], to[256];
    ColorsOf(src, from);
    ColorsOf(dst, to);
    bool identity = true;
    for (int v = 0; v < 256; ++v) {
        map[v] = static_cast<uint8_t>(to[v] == from[v] ? v : NearestIn(to, 256, from[v]));
        identity = identity && map[v] == v;
    }
    return identity ? nullptr : map;
}

}  // namespace

void BitBlt(DrawContext& dst, int x, int y, int width, int height, DrawContext& src, int sx, int sy) {
    StretchBlt(dst, x, y, width, height, src, sx, sy, width, height);
}

void StretchBlt(DrawContext& dst, int x, int y, int width, int height, DrawContext& src, int sx, int sy, int sw,
                int sh) {
    uint8_t map[256];
    const uint8_t* lut = MatchMap(dst, src, map);
    Transfer(dst, x, y, width, height, ViewOf(src.canvas), sx, sy, sw, sh, lut);
}

void DrawIndexDib(DrawContext& dc, int x, int y, int width, int height, const IndexDib& dib, int sx, int sy,
                  int sw, int sh) {
    if (!dib.bits || dib.width <= 0 || dib.height == 0) return;
    uint8_t lut[256];
    for (int v = 0; v < 256; ++v) {
        int entry = (dib.table && v < dib.tableCount) ? dib.table[v] : v;
        lut[v] = static_cast<uint8_t>(DeviceIndexOfEntry(entry));
    }
    const int stride = DibStride(dib.width, 8);
    const int rows = dib.height < 0 ? -dib.height : dib.height;
    SourceView v;
    v.x1 = dib.width;
    v.y1 = rows;
    int shownTop;
    if (dib.height > 0) {  // bottom-up: shown row 0 is the last stored row
        v.base = dib.bits + size_t(rows - 1) * stride;
        v.stride = -stride;
        shownTop = rows - sy - sh;
    } else {
        v.base = dib.bits;
        v.stride = stride;
        shownTop = sy;
    }
    Transfer(dc, x, y, width, height, v, sx, shownTop, sw, sh, lut);
}

void CopySectionMatched(const Section& src, Section& dst) {
    if (src.bitCount != 8 || dst.bitCount != 8) return;
    DrawContext s, d;
    AttachSection(s, const_cast<Section&>(src));
    AttachSection(d, dst);
    StretchBlt(d, 0, 0, dst.width, dst.height, s, 0, 0, src.width, src.height);
}

void PaintDeviceSpan(DrawContext& dc, int y, int x0, int x1, int value) {
    ApplyPending(dc);
    if (!dc.canvas.origin) return;
    Painter p{&dc, static_cast<uint8_t>(value), false};
    PaintSpan(&p, y, x0, x1);
}

// ---- read-back ------------------------------------------------------------------

int GetPixelIndex(const DrawContext& dc, int x, int y) {
    if (!dc.canvas.origin || x < 0 || y < 0 || x >= dc.canvas.width || y >= dc.canvas.height) return -1;
    return dc.canvas.origin[y * dc.canvas.stride + x];
}

uint32_t GetPixelRgb(DrawContext& dc, int x, int y) {
    int v = GetPixelIndex(dc, x, y);
    if (v < 0) return 0;
    if (dc.section) {
        const RgbQuad& q = dc.section->colors[v];
        return RgbColor(q.red, q.green, q.blue);
    }
    uint32_t table[256];
    DeviceColors().Read(table);
    return SwapRedBlue(table[v]);
}

// ---- clipping -------------------------------------------------------------------

void RemoveClip(DrawContext& dc) {
    dc.clipRemovalPending.store(false);
    dc.clipped = false;
    RegionClear(dc.clip);
}

void RequestRemoveClip(DrawContext& dc) { dc.clipRemovalPending.store(true); }

void SetClipRect(DrawContext& dc, const Rect& rect) {
    ApplyPending(dc);
    dc.clipped = true;
    RegionSetRect(dc.clip, rect);
}

void IntersectClipRect(DrawContext& dc, const Rect& rect) {
    ApplyPending(dc);
    if (!dc.clipped) {
        SetClipRect(dc, IntersectRects(rect, CanvasRect(dc)));
        return;
    }
    RegionIntersectRect(dc.clip, rect);
}

void ExcludeClipRect(DrawContext& dc, const Rect& rect) {
    ApplyPending(dc);
    if (!dc.clipped) SetClipRect(dc, CanvasRect(dc));
    RegionSubtractRect(dc.clip, rect);
}

void SetClipRegion(DrawContext& dc, const Region& region) {
    ApplyPending(dc);
    dc.clipped = true;
    if (&region == &dc.clip) return;
    dc.clip.bands.assign(region.bands.begin(), region.bands.end());
    dc.clip.spans.assign(region.spans.begin(), region.spans.end());
    dc.clip.bounds = region.bounds;
}

void IntersectClipRegion(DrawContext& dc, const Region& region) {
    ApplyPending(dc);
    if (!dc.clipped) {
        SetClipRegion(dc, region);
        return;
    }
    RegionCombine(dc.clip, dc.clip, region, RegionOp::And);
}

void OffsetClipRegion(DrawContext& dc, int dx, int dy) {
    ApplyPending(dc);
    if (dc.clipped) RegionOffset(dc.clip, dx, dy);
}

namespace {
void AddToBuilder(void* ctx, int y, int x0, int x1) { static_cast<RegionBuilder*>(ctx)->Add(y, x0, x1); }
thread_local RegionBuilder g_builder;
}  // namespace

void RegionFromEllipse(Region& region, const Rect& box, const Rect& limit) {
    g_builder.Begin(region);
    ScanEllipse(box, limit, SpanSink{AddToBuilder, &g_builder});
    g_builder.End();
}

void RegionFromPolygon(Region& region, const Point* points, int count, FillRule rule, const Rect& limit) {
    g_builder.Begin(region);
    if (count >= 3) ScanPolygon(ToPointD(points, count), &count, 1, rule, limit, SpanSink{AddToBuilder, &g_builder});
    g_builder.End();
}

// ---- paths ----------------------------------------------------------------------

void BeginPath(DrawContext& dc) {
    dc.path.points.clear();
    dc.path.contourSizes.clear();
    dc.pathOpen = true;
}

void EndPath(DrawContext& dc) { dc.pathOpen = false; }

void ClipToPath(DrawContext& dc) {
    thread_local Region region;
    g_builder.Begin(region);
    ScanPolygon(dc.path.points.data(), dc.path.contourSizes.data(), static_cast<int>(dc.path.contourSizes.size()),
                FillRule::EvenOdd, CanvasRect(dc), SpanSink{AddToBuilder, &g_builder});
    g_builder.End();
    SetClipRegion(dc, region);
    dc.path.points.clear();
    dc.path.contourSizes.clear();
    dc.pathOpen = false;
}

void StrokePath(DrawContext& dc) {
    if (!dc.pen.null && Drawable(dc)) {
        const PointD* p = dc.path.points.data();
        for (int n : dc.path.contourSizes) {
            if (WidePen(dc.pen)) {
                WideStroke(dc, p, n, true);
            } else {
                g_ipoints.clear();
                for (int i = 0; i < n; ++i)
                    g_ipoints.push_back(
                        Point{static_cast<int>(std::lround(p[i].x)), static_cast<int>(std::lround(p[i].y))});
                ThinPolyline(dc, g_ipoints.data(), n, true);
            }
            p += n;
        }
    }
    dc.path.points.clear();
    dc.path.contourSizes.clear();
    dc.pathOpen = false;
}

}  // namespace ztx
