// Pictures the drawing layer draws into and reads from:
//  - Bitmap8: a top-down 8-bit picture of device indices (the saver's
//    surface and the compatible bitmaps of memory contexts), zero-filled
//    (black) when created;
//  - Section: a bottom-up device-independent picture with its own colour
//    table (8 bits) or none (16, 24, 32 bits), as loaded from files or
//    created for captures;
//  - Surface: the saver window's persistent picture plus the published copy
//    the presenter shows. The presenter never sees a half-drawn frame:
//    * at a frame's end the drawing thread hands the picture over without
//      copying it (HandOverSurface) and lets go of its drawing hold while it
//      sleeps until the next frame; a presenter that gets the hold (it only
//      ever tries, never waits) expands the picture where it lies;
//    * a picture published in the middle of a frame (before a pause inside a
//      long drawing call) is copied (PublishSurface); so is a handed-over
//      frame the presenter has not shown by the time drawing resumes, or
//      whenever frames take long to draw, so that new colours keep showing
//      on the last frame while the next one is drawn;
//    * the presenter takes each new copy by swapping it with its own buffer
//      under the publish lock and never shows a picture older than the one
//      it showed last.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace ztx {

struct Bitmap8 {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // row y at pixels[y * width]
};

// (Re)creates the bitmap at the given size, all black. Negative sizes become 0.
void CreateBitmap8(Bitmap8& bitmap, int width, int height);

struct RgbQuad {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
};

struct Section {
    int width = 0, height = 0;
    int bitCount = 0;          // 1, 4, 8, 16, 24 or 32
    uint32_t compression = 0;  // 0 plain, 3 bit-field masks (16/32 bits)
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue when compression is 3
    int colorCount = 0;        // colour table entries in use
    RgbQuad colors[256];
    int stride = 0;            // bytes per stored row (multiple of 4)
    std::vector<uint8_t> bits; // stored row 0 is the bottom row
};

// Bytes per stored row for a width and bit count, padded to 4 bytes.
inline int DibStride(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }
// An 8-bit section, zero-filled, 256 colours: the grey ramp when `table` is
// null, else a copy of `table` (256 entries). False when the size is invalid.
bool CreateSection8(Section& s, int width, int height, const RgbQuad* table);
// A 24-bit section, zero-filled.
bool CreateSection24(Section& s, int width, int height);
// The grey ramp: entry i = (i, i, i).
void GreyRamp(RgbQuad table[256]);

// A top-down view of 8-bit pixels: row y starts at origin + y * stride
// (stride is negative for bottom-up storage).
struct Canvas {
    uint8_t* origin = nullptr;
    ptrdiff_t stride = 0;
    int width = 0, height = 0;
};

Canvas CanvasOf(Bitmap8& bitmap);
Canvas CanvasOf(Section& section);  // 8-bit sections only; empty otherwise

struct Surface {
    Bitmap8 picture;  // what modules draw into

    // Held by the drawing thread whenever it may change `picture` (see
    // DrawingHold); a presenter holding it reads `picture` itself.
    std::mutex drawLock;

    // Published copy for the presenter, guarded by publishLock; `fresh`
    // while it holds a picture the presenter has not taken yet.
    std::mutex publishLock;
    std::vector<uint8_t> published;
    std::atomic<bool> fresh{false};
    std::atomic<uint32_t> publishCount{0};
    // Guarded by publishLock: `picture` holds the newest whole frame
    // (handed over and not drawn on since), and whether it has been shown.
    bool handedOver = false;
    bool handoverShown = false;
    // The publish count each picture had: handed over, copied, taken.
    uint32_t handedOverCount = 0, publishedPictureCount = 0, shownCount = 0;

    // The presenter's own copy: the last picture it took, and the count of
    // the last picture it showed. Only the (single) presenting thread
    // touches them.
    std::vector<uint8_t> shown;
    uint32_t presentedCount = 0;
};

// (Re)creates the surface (drawing and published pictures black). Call only
// while nobody draws or presents.
void CreateSurface(Surface& surface, int width, int height);
// Hands a consistent copy of the current picture to the presenter. Called
// before any sleep inside a long drawing call, and by drawing threads that
// keep no DrawingHold.
void PublishSurface(Surface& surface);
// At a frame's end, by the thread holding a DrawingHold: the picture is a
// whole frame the presenter may show straight from `picture` once the hold
// is let go.
void HandOverSurface(Surface& surface);

// The drawing thread's hold on a surface's picture, taken when it is made.
// Release it before sleeping between frames and Retake it before drawing
// again; Retake copies a handed-over frame the presenter still needs (not
// shown yet, or frames so slow that colour changes must keep showing on a
// copy while the next frame is drawn). A null surface holds nothing.
class DrawingHold {
public:
    explicit DrawingHold(Surface* surface);
    ~DrawingHold() = default;
    DrawingHold(const DrawingHold&) = delete;
    DrawingHold& operator=(const DrawingHold&) = delete;
    void Release();
    void Retake();

private:
    Surface* surface_;
    std::unique_lock<std::mutex> lock_;
    int64_t heldSince_ = 0;  // steady-clock nanoseconds
    bool slowFrames_ = false;
};

// Number of pictures published so far (a presenter compares it, and the
// device colour table's generation, with what it showed last).
inline uint32_t PublishedCount(const Surface& surface) { return surface.publishCount.load(std::memory_order_acquire); }

// Expands 8-bit indices through a 256-entry table into 32-bit pixels.
// Strides are in elements (bytes for src, pixels for dst). Big pictures
// whose neighbouring pixels often repeat go two pixels per lookup and
// straight to memory, past the cache (they are meant for the X server or a
// file, not to be read back at once).
void ExpandIndices(const uint8_t* src, ptrdiff_t srcStride, int width, int height, const uint32_t table[256],
                   uint32_t* dst, ptrdiff_t dstStride);
// The same into a destination of another size (nearest neighbour).
void ExpandIndicesScaled(const uint8_t* src, ptrdiff_t srcStride, int srcWidth, int srcHeight,
                         const uint32_t table[256], uint32_t* dst, ptrdiff_t dstStride, int dstWidth,
                         int dstHeight);

// Rows firstRow .. firstRow + rows - 1 of the expansion into a dstWidth x
// dstHeight destination (scaled when the size differs); dst points at row
// firstRow. Lets a presenter expand and send a picture in bands.
void ExpandIndicesBand(const uint8_t* src, ptrdiff_t srcStride, int srcWidth, int srcHeight,
                       const uint32_t table[256], uint32_t* dst, ptrdiff_t dstStride, int dstWidth, int dstHeight,
                       int firstRow, int rows);

// The presenter's side (one presenting thread): the newest whole picture,
// either `picture` itself while the drawing thread sleeps (the view then
// keeps the drawing hold until it is dropped) or the newest published copy.
// Empty when the surface has no pixels, or when the only picture at hand is
// older than the one shown last (drawing is under way on a newer one).
struct PictureView {
    std::unique_lock<std::mutex> hold;
    Canvas canvas;
};
PictureView TakePicture(Surface& surface);

// Takes the newest whole picture (TakePicture) and expands it through the
// live device colour table into dst (dstWidth x dstHeight, scaled when the
// size differs). Returns the publish count it showed, so a presenter can tell
// whether anything changed.
uint32_t PresentSurface(Surface& surface, uint32_t* dst, ptrdiff_t dstStride, int dstWidth, int dstHeight);

// The source index for destination position i when a run of srcLen pixels is
// stretched over dstLen pixels (nearest neighbour, same rule everywhere).
inline int StretchIndex(int i, int srcLen, int dstLen) {
    return static_cast<int>(((2 * int64_t(i) + 1) * srcLen) / (2 * int64_t(dstLen)));
}

}  // namespace ztx
