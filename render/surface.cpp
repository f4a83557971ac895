#include "render/surface.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/device_colors.h"

namespace ztx {

void CreateBitmap8(Bitmap8& bitmap, int width, int height) {
    bitmap.width = std::max(width, 0);
    bitmap.height = std::max(height, 0);
    bitmap.pixels.assign(size_t(bitmap.width) * bitmap.height, 0);
}

void GreyRamp(RgbQuad table[256]) {
    for (int i = 0; i < 256; ++i) table[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
}

bool CreateSection8(Section& s, int width, int height, const RgbQuad* table) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
    s = Section{};
    s.width = width;
    s.height = height;
    s.bitCount = 8;
    s.colorCount = 256;
    if (table) std::copy(table, table + 256, s.colors);
    else GreyRamp(s.colors);
    s.stride = DibStride(width, 8);
    s.bits.assign(size_t(s.stride) * height, 0);
    return true;
}

bool CreateSection24(Section& s, int width, int height) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
    s = Section{};
    s.width = width;
    s.height = height;
    s.bitCount = 24;
    s.stride = DibStride(width, 24);
    s.bits.assign(size_t(s.stride) * height, 0);
    return true;
}

Canvas CanvasOf(Bitmap8& bitmap) {
    if (bitmap.pixels.empty()) return Canvas{};
    return Canvas{bitmap.pixels.data(), bitmap.width, bitmap.width, bitmap.height};
}

Canvas CanvasOf(Section& s) {
    if (s.bitCount != 8 || s.bits.empty()) return Canvas{};
    return Canvas{s.bits.data() + size_t(s.height - 1) * s.stride, -ptrdiff_t(s.stride), s.width, s.height};
}

void CreateSurface(Surface& surface, int width, int height) {
    CreateBitmap8(surface.picture, width, height);
    std::lock_guard<std::mutex> g(surface.publishLock);
    surface.published.assign(surface.picture.pixels.size(), 0);
    // The presenter's copy comes with its first take (headless runs never
    // present and never pay for it).
    surface.shown = {};
    surface.fresh.store(true);
    surface.handedOver = false;
    surface.publishedPictureCount = surface.publishCount.fetch_add(1, std::memory_order_acq_rel) + 1;
    surface.shownCount = surface.presentedCount = surface.publishedPictureCount - 1;
}

namespace {

// Copies the picture into the published buffer (publish lock held).
void CopyToPublished(Surface& surface, uint32_t count) {
    // After a take the published buffer is the presenter's old one: it is
    // overwritten whole, so its stale content never shows.
    if (surface.published.size() != surface.picture.pixels.size())
        surface.published.resize(surface.picture.pixels.size());
    if (!surface.published.empty())
        std::memcpy(surface.published.data(), surface.picture.pixels.data(), surface.published.size());
    surface.fresh.store(true);
    surface.publishedPictureCount = count;
}

// Real time, not the animation clock: this is about how long drawing keeps
// the picture from the presenter, which no picture depends on.
int64_t SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Frames drawn in more than this keep a copy for colour changes to show on.
constexpr int64_t kSlowFrameNanoseconds = 4'000'000;

}  // namespace

void PublishSurface(Surface& surface) {
    std::lock_guard<std::mutex> g(surface.publishLock);
    CopyToPublished(surface, surface.publishCount.fetch_add(1, std::memory_order_acq_rel) + 1);
    surface.handedOver = false;
}

void HandOverSurface(Surface& surface) {
    std::lock_guard<std::mutex> g(surface.publishLock);
    surface.handedOver = true;
    surface.handoverShown = false;
    surface.handedOverCount = surface.publishCount.fetch_add(1, std::memory_order_acq_rel) + 1;
}

DrawingHold::DrawingHold(Surface* surface) : surface_(surface) {
    if (surface_) lock_ = std::unique_lock<std::mutex>(surface_->drawLock, std::defer_lock);
    Retake();
}

void DrawingHold::Release() {
    if (!lock_.owns_lock()) return;
    slowFrames_ = SteadyNanoseconds() - heldSince_ > kSlowFrameNanoseconds;
    lock_.unlock();
}

void DrawingHold::Retake() {
    if (!surface_ || lock_.owns_lock()) return;
    lock_.lock();
    heldSince_ = SteadyNanoseconds();
    std::lock_guard<std::mutex> g(surface_->publishLock);
    if (!surface_->handedOver) return;
    if (!surface_->handoverShown || slowFrames_) CopyToPublished(*surface_, surface_->handedOverCount);
    surface_->handedOver = false;
}

namespace {

// Older than `b` in publish order (the counts wrap).
bool Older(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

}  // namespace

PictureView TakePicture(Surface& surface) {
    PictureView view;
    const int w = surface.picture.width, h = surface.picture.height;
    if (w <= 0 || h <= 0) return view;
    view.hold = std::unique_lock<std::mutex>(surface.drawLock, std::try_to_lock);
    std::lock_guard<std::mutex> g(surface.publishLock);
    if (view.hold.owns_lock() && surface.handedOver) {
        surface.handoverShown = true;
        surface.presentedCount = surface.handedOverCount;
        view.canvas = Canvas{surface.picture.pixels.data(), w, w, h};
        return view;
    }
    if (view.hold.owns_lock()) view.hold.unlock();
    if (surface.fresh.load()) {
        surface.shown.swap(surface.published);
        surface.shownCount = surface.publishedPictureCount;
        surface.fresh.store(false);
    }
    if (surface.shown.size() != size_t(w) * h || Older(surface.shownCount, surface.presentedCount)) return view;
    surface.presentedCount = surface.shownCount;
    view.canvas = Canvas{surface.shown.data(), w, w, h};
    return view;
}

namespace {

// Eight pixels per step from one 64-bit load, one lookup per pixel.
void ExpandRowsByPixel(const uint8_t* src, ptrdiff_t srcStride, int width, int height, const uint32_t t[256],
                       uint32_t* dst, ptrdiff_t dstStride) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcStride;
        uint32_t* d = dst + y * dstStride;
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            uint64_t v;
            std::memcpy(&v, s + x, 8);
            d[x + 0] = t[v & 0xFF];
            d[x + 1] = t[(v >> 8) & 0xFF];
            d[x + 2] = t[(v >> 16) & 0xFF];
            d[x + 3] = t[(v >> 24) & 0xFF];
            d[x + 4] = t[(v >> 32) & 0xFF];
            d[x + 5] = t[(v >> 40) & 0xFF];
            d[x + 6] = t[(v >> 48) & 0xFF];
            d[x + 7] = t[v >> 56];
        }
        for (; x < width; ++x) d[x] = t[s[x]];
    }
}

// The 65536 pixel pairs of a table: entry (b << 8) | a holds t[a] in its low
// and t[b] in its high word, i.e. two neighbouring pixels as they lie in
// memory. Built again only when the table changed (per thread).
const uint64_t* PairTable(const uint32_t t[256]) {
    struct Cache {
        uint32_t table[256] = {};
        std::vector<uint64_t> pairs;
    };
    thread_local Cache cache;
    if (cache.pairs.empty() || std::memcmp(cache.table, t, sizeof cache.table) != 0) {
        std::memcpy(cache.table, t, sizeof cache.table);
        cache.pairs.resize(65536);
        for (uint32_t b = 0; b < 256; ++b) {
            const uint64_t high = uint64_t(t[b]) << 32;
            for (uint32_t a = 0; a < 256; ++a) cache.pairs[(b << 8) | a] = high | t[a];
        }
    }
    return cache.pairs.data();
}

// Two pixels per lookup (one 64-bit word) for big pictures. Neighbouring
// pixels repeat a lot in the modules' pictures, so the pairs in use stay in
// the cache. The stores bypass the cache: the picture goes to the X server
// (or a file), not back to this thread, and a picture of several megabytes
// would only push everything else out.
void ExpandRowsByPair(const uint8_t* src, ptrdiff_t srcStride, int width, int height, const uint32_t t[256],
                      uint32_t* dst, ptrdiff_t dstStride) {
    const uint64_t* pairs = PairTable(t);
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcStride;
        uint32_t* d = dst + y * dstStride;
        int x = 0;
#if defined(__SSE2__)
        for (; x < width && (reinterpret_cast<uintptr_t>(d + x) & 15) != 0; ++x) d[x] = t[s[x]];
        for (; x + 8 <= width; x += 8) {
            uint64_t v;
            std::memcpy(&v, s + x, 8);
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + x),
                             _mm_set_epi64x(int64_t(pairs[(v >> 16) & 0xFFFF]), int64_t(pairs[v & 0xFFFF])));
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + x + 4),
                             _mm_set_epi64x(int64_t(pairs[v >> 48]), int64_t(pairs[(v >> 32) & 0xFFFF])));
        }
#else
        for (; x + 8 <= width; x += 8) {
            uint64_t v;
            std::memcpy(&v, s + x, 8);
            const uint64_t out[4] = {pairs[v & 0xFFFF], pairs[(v >> 16) & 0xFFFF], pairs[(v >> 32) & 0xFFFF],
                                     pairs[v >> 48]};
            std::memcpy(d + x, out, sizeof out);
        }
#endif
        for (; x < width; ++x) d[x] = t[s[x]];
    }
#if defined(__SSE2__)
    _mm_sfence();  // the streamed stores are visible before anyone is told
#endif
}

// Below this many pixels building the pair table costs more than it saves.
constexpr int64_t kPairTablePixels = 1 << 18;

// Whether neighbouring pixels repeat often enough for the pairs in use to
// stay in the cache: the modules' pictures (one in eight or more repeats;
// most have long runs) yes, noise-like ones (where pair lookups miss the
// cache and cost more than single ones) no. Samples pixels spread over the
// picture.
bool RepeatsOften(const uint8_t* src, ptrdiff_t srcStride, int width, int height) {
    if (width < 2) return false;
    constexpr int kSamples = 1024;
    int repeats = 0;
    for (int k = 0; k < kSamples; ++k) {
        const int y = static_cast<int>(int64_t(k) * height / kSamples);
        const int x = static_cast<int>((int64_t(k) * 7919) % (width - 1));
        const uint8_t* p = src + y * srcStride + x;
        repeats += p[0] == p[1];
    }
    return repeats * 8 >= kSamples;
}

}  // namespace

void ExpandIndices(const uint8_t* src, ptrdiff_t srcStride, int width, int height, const uint32_t table[256],
                   uint32_t* dst, ptrdiff_t dstStride) {
    // Copy the table to the stack so the compiler knows it cannot alias dst.
    uint32_t t[256];
    std::memcpy(t, table, sizeof t);
    if (int64_t(width) * height >= kPairTablePixels && RepeatsOften(src, srcStride, width, height))
        ExpandRowsByPair(src, srcStride, width, height, t, dst, dstStride);
    else
        ExpandRowsByPixel(src, srcStride, width, height, t, dst, dstStride);
}

void ExpandIndicesBand(const uint8_t* src, ptrdiff_t srcStride, int srcWidth, int srcHeight,
                       const uint32_t table[256], uint32_t* dst, ptrdiff_t dstStride, int dstWidth, int dstHeight,
                       int firstRow, int rows) {
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0) return;
    firstRow = std::clamp(firstRow, 0, dstHeight);
    rows = std::clamp(rows, 0, dstHeight - firstRow);
    if (srcWidth == dstWidth && srcHeight == dstHeight) {
        ExpandIndices(src + firstRow * srcStride, srcStride, srcWidth, rows, table, dst, dstStride);
        return;
    }
    uint32_t t[256];
    std::memcpy(t, table, sizeof t);
    // A whole-number widening (a stored video mode of half or a third of
    // the screen): each source pixel is looked up once and written k times,
    // the same pixels StretchIndex picks.
    const int k = dstWidth % srcWidth == 0 ? dstWidth / srcWidth : 0;
    thread_local std::vector<int> columns;
    if (k == 0) {
        columns.resize(dstWidth);
        for (int x = 0; x < dstWidth; ++x) columns[x] = StretchIndex(x, srcWidth, dstWidth);
    }
    int lastRow = -1;
    for (int i = 0; i < rows; ++i) {
        const int sy = StretchIndex(firstRow + i, srcHeight, dstHeight);
        uint32_t* d = dst + i * dstStride;
        if (sy == lastRow) {
            std::memcpy(d, d - dstStride, size_t(dstWidth) * 4);
            continue;
        }
        lastRow = sy;
        const uint8_t* s = src + sy * srcStride;
        if (k == 2) {
            for (int x = 0; x < srcWidth; ++x) d[2 * x] = d[2 * x + 1] = t[s[x]];
        } else if (k > 0) {
            for (int x = 0; x < srcWidth; ++x, d += k) std::fill_n(d, k, t[s[x]]);
        } else {
            for (int x = 0; x < dstWidth; ++x) d[x] = t[s[columns[x]]];
        }
    }
}

void ExpandIndicesScaled(const uint8_t* src, ptrdiff_t srcStride, int srcWidth, int srcHeight,
                         const uint32_t table[256], uint32_t* dst, ptrdiff_t dstStride, int dstWidth,
                         int dstHeight) {
    ExpandIndicesBand(src, srcStride, srcWidth, srcHeight, table, dst, dstStride, dstWidth, dstHeight, 0, dstHeight);
}

uint32_t PresentSurface(Surface& surface, uint32_t* dst, ptrdiff_t dstStride, int dstWidth, int dstHeight) {
    // The count first: a publish after it shows next time at the latest.
    const uint32_t count = PublishedCount(surface);
    uint32_t table[256];
    DeviceColors().Read(table);
    const PictureView view = TakePicture(surface);
    const Canvas& picture = view.canvas;
    if (picture.origin)
        ExpandIndicesScaled(picture.origin, picture.stride, picture.width, picture.height, table, dst, dstStride,
                            dstWidth, dstHeight);
    return count;
}

}  // namespace ztx
