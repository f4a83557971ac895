// C functions over the drawing layer for plug-in modules. Every function
// takes the record's Dc (a DrawContext) as an untyped pointer, accepts a null
// one (the configuration tool has no surface) and never lets an exception
// reach the plug-in's C code.
#include "plugins/plugin_draw_api.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "render/draw.h"

namespace ztx {
namespace {

static_assert(sizeof(ZtxPoint) == 8 && sizeof(ZtxRect) == 16, "C drawing types changed size");

DrawContext* Dc(void* dc) { return static_cast<DrawContext*>(dc); }

Pen ToPen(const ZtxPen& p) { return Pen{p.style == ZTX_PEN_NULL, p.width, p.color}; }
ZtxPen FromPen(const Pen& p) { return ZtxPen{p.null ? ZTX_PEN_NULL : ZTX_PEN_SOLID, p.width, p.color}; }
Brush ToBrush(const ZtxBrush& b) { return Brush{b.style == ZTX_BRUSH_HOLLOW, b.color}; }
ZtxBrush FromBrush(const Brush& b) { return ZtxBrush{b.hollow ? ZTX_BRUSH_HOLLOW : ZTX_BRUSH_SOLID, b.color}; }
Rect ToRect(const ZtxRect& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

// The C points as drawing-layer points, in a buffer reused by the thread so
// that steady drawing does not allocate.
const Point* ToPoints(const ZtxPoint* points, int count) {
    thread_local std::vector<Point> buffer;
    try {
        if (buffer.size() < static_cast<size_t>(count)) buffer.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int i = 0; i < count; ++i) buffer[static_cast<size_t>(i)] = Point{points[i].x, points[i].y};
    return buffer.data();
}

// Pictures made by CreateMemoryDc. Only these can be deleted, so a plug-in
// that hands its record's Dc to DeleteMemoryDc by mistake frees nothing.
struct MemoryDc {
    DrawContext dc;
    Bitmap8 bitmap;
};
std::mutex g_memoryLock;
std::unordered_map<DrawContext*, std::unique_ptr<MemoryDc>>& MemoryDcs() {
    static std::unordered_map<DrawContext*, std::unique_ptr<MemoryDc>> all;
    return all;
}
// Far larger than any screen; keeps a wild size from exhausting memory.
constexpr int64_t kMaxMemoryPixels = int64_t(1) << 26;

ZtxPen ZTX_PLUGIN_CALL CSelectPen(void* dc, ZtxPen pen) {
    if (!dc) return ZtxPen{ZTX_PEN_NULL, 0, 0};
    return FromPen(SelectPen(*Dc(dc), ToPen(pen)));
}
ZtxBrush ZTX_PLUGIN_CALL CSelectBrush(void* dc, ZtxBrush brush) {
    if (!dc) return ZtxBrush{ZTX_BRUSH_HOLLOW, 0};
    return FromBrush(SelectBrush(*Dc(dc), ToBrush(brush)));
}
int ZTX_PLUGIN_CALL CSetMix(void* dc, int mix) {
    if (!dc) return ZTX_MIX_COPY;
    const int old = Dc(dc)->mix == Mix::Not ? ZTX_MIX_INVERT : ZTX_MIX_COPY;
    if (mix == ZTX_MIX_COPY) SetMix(*Dc(dc), Mix::CopyPen);
    if (mix == ZTX_MIX_INVERT) SetMix(*Dc(dc), Mix::Not);
    return old;
}
void ZTX_PLUGIN_CALL CMoveTo(void* dc, int x, int y) {
    if (dc) MoveTo(*Dc(dc), x, y);
}
void ZTX_PLUGIN_CALL CLineTo(void* dc, int x, int y) {
    if (dc) LineTo(*Dc(dc), x, y);
}
void ZTX_PLUGIN_CALL CPolyline(void* dc, const ZtxPoint* points, int count) {
    if (!dc || !points || count <= 0) return;
    if (const Point* p = ToPoints(points, count)) DrawPolyline(*Dc(dc), p, count);
}
void ZTX_PLUGIN_CALL CBezier(void* dc, const ZtxPoint* points, int count) {
    if (!dc || !points || count <= 0) return;
    if (const Point* p = ToPoints(points, count)) DrawBezier(*Dc(dc), p, count);
}
void ZTX_PLUGIN_CALL CPolygon(void* dc, const ZtxPoint* points, int count) {
    if (!dc || !points || count <= 0) return;
    if (const Point* p = ToPoints(points, count)) DrawPolygon(*Dc(dc), p, count);
}
void ZTX_PLUGIN_CALL CEllipse(void* dc, int left, int top, int right, int bottom) {
    if (dc) DrawEllipse(*Dc(dc), left, top, right, bottom);
}
void ZTX_PLUGIN_CALL CRectangle(void* dc, int left, int top, int right, int bottom) {
    if (dc) DrawRectangle(*Dc(dc), left, top, right, bottom);
}
void ZTX_PLUGIN_CALL CFillRect(void* dc, const ZtxRect* rect, ZtxBrush brush) {
    if (dc && rect) FillRect(*Dc(dc), ToRect(*rect), ToBrush(brush));
}
void ZTX_PLUGIN_CALL CPatBlt(void* dc, int x, int y, int width, int height, int rop) {
    if (!dc) return;
    switch (rop) {
        case ZTX_ROP_BLACKNESS: PatBlt(*Dc(dc), x, y, width, height, Rop::Blackness); break;
        case ZTX_ROP_WHITENESS: PatBlt(*Dc(dc), x, y, width, height, Rop::Whiteness); break;
        case ZTX_ROP_INVERT: PatBlt(*Dc(dc), x, y, width, height, Rop::DestInvert); break;
        default: break;
    }
}
void ZTX_PLUGIN_CALL CInvertRect(void* dc, const ZtxRect* rect) {
    if (dc && rect) InvertRect(*Dc(dc), ToRect(*rect));
}
void ZTX_PLUGIN_CALL CBitBlt(void* dst, int x, int y, int width, int height, void* src, int sx, int sy) {
    if (dst && src) BitBlt(*Dc(dst), x, y, width, height, *Dc(src), sx, sy);
}
void ZTX_PLUGIN_CALL CStretchBlt(void* dst, int x, int y, int width, int height, void* src, int sx, int sy, int sw,
                                 int sh) {
    if (dst && src) StretchBlt(*Dc(dst), x, y, width, height, *Dc(src), sx, sy, sw, sh);
}
void* ZTX_PLUGIN_CALL CCreateMemoryDc(int width, int height) {
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxMemoryPixels) return nullptr;
    try {
        auto memory = std::make_unique<MemoryDc>();
        CreateBitmap8(memory->bitmap, width, height);
        AttachBitmap(memory->dc, memory->bitmap);
        DrawContext* dc = &memory->dc;
        std::lock_guard<std::mutex> hold(g_memoryLock);
        MemoryDcs().emplace(dc, std::move(memory));
        return dc;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void ZTX_PLUGIN_CALL CDeleteMemoryDc(void* dc) {
    std::unique_ptr<MemoryDc> gone;
    std::lock_guard<std::mutex> hold(g_memoryLock);
    auto it = MemoryDcs().find(Dc(dc));
    if (it == MemoryDcs().end()) return;
    gone = std::move(it->second);
    MemoryDcs().erase(it);
}
void ZTX_PLUGIN_CALL CDrawIndexStrip(void* dc, int x, int y, int width, int height, const uint8_t* indices,
                                     int stripWidth, int stripHeight) {
    if (!dc || !indices || stripWidth <= 0 || stripHeight <= 0) return;
    IndexDib dib;
    dib.width = stripWidth;
    dib.height = -stripHeight;  // rows from the top
    dib.table = kIdentityIndices;
    dib.tableCount = 256;
    dib.bits = indices;
    DrawIndexDib(*Dc(dc), x, y, width, height, dib, 0, 0, stripWidth, stripHeight);
}
void ZTX_PLUGIN_CALL CRemoveClip(void* dc) {
    if (dc) RemoveClip(*Dc(dc));
}
void ZTX_PLUGIN_CALL CSetClipRect(void* dc, const ZtxRect* rect) {
    if (dc && rect) SetClipRect(*Dc(dc), ToRect(*rect));
}
void ZTX_PLUGIN_CALL CIntersectClipRect(void* dc, const ZtxRect* rect) {
    if (dc && rect) IntersectClipRect(*Dc(dc), ToRect(*rect));
}
void ZTX_PLUGIN_CALL CExcludeClipRect(void* dc, const ZtxRect* rect) {
    if (dc && rect) ExcludeClipRect(*Dc(dc), ToRect(*rect));
}

const ZtxDrawApi kDrawApi = {
    sizeof(ZtxDrawApi),
    ZTX_DRAW_API_VERSION,
    CSelectPen,
    CSelectBrush,
    CSetMix,
    CMoveTo,
    CLineTo,
    CPolyline,
    CBezier,
    CPolygon,
    CEllipse,
    CRectangle,
    CFillRect,
    CPatBlt,
    CInvertRect,
    CBitBlt,
    CStretchBlt,
    CCreateMemoryDc,
    CDeleteMemoryDc,
    CDrawIndexStrip,
    CRemoveClip,
    CSetClipRect,
    CIntersectClipRect,
    CExcludeClipRect,
};

}  // namespace

const ZtxDrawApi& PluginDrawApi() { return kDrawApi; }

}  // namespace ztx
