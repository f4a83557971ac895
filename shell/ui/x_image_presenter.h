// Shows 32-bit pictures in an X window with no copy on the client side: the
// caller expands its picture straight into an image in the window's own
// pixel format, which goes to the X server as it is. A picture goes in bands
// of about 4 MB, so a 3840x2160 screen needs 8 MB of image, not 33 MB.
//  - With the MIT-SHM extension (client and server on one host) the bands
//    are two shared-memory buffers the server reads in place, used in turn:
//    one is filled while the server reads the other, and a buffer is written
//    again only once the server has read its last put.
//  - Without it (a remote display, or the attach fails) a band is plain
//    memory sent with PutImage requests in pieces that fit one request.
// Open refuses windows whose pixels are not 32-bit 0x00RRGGBB words in the
// host's byte order; the caller then shows through its toolkit instead, so
// the picture always shows whatever the server offers.
#pragma once
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ztx {

struct Surface;

class XImagePresenter {
public:
    enum class Path { None, SharedMemory, PutImage };

    struct Image {
        uint32_t* pixels = nullptr;  // row y at pixels + y * stride
        ptrdiff_t stride = 0;        // in pixels
        int width = 0, height = 0;
    };

    // Fills rows firstRow .. firstRow + band.height - 1 of the picture into
    // band (whose first row is picture row firstRow).
    using FillBand = std::function<void(const Image& band, int firstRow)>;

    XImagePresenter() = default;
    ~XImagePresenter() { Close(); }
    XImagePresenter(const XImagePresenter&) = delete;
    XImagePresenter& operator=(const XImagePresenter&) = delete;

    // Prepares a width x height image for `window` (any previous one goes).
    // False when the window's pixel format does not fit (nothing kept).
    // `allowSharedMemory` false forces the PutImage path (benchmarks, tests).
    bool Open(xcb_connection_t& connection, xcb_window_t window, int width, int height,
              bool allowSharedMemory = true);
    void Close();

    Path path() const { return path_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Shows a whole picture at the window's top-left corner, band by band.
    void Present(const FillBand& fill);

private:
    struct Buffer {
        bool putPending = false;
        xcb_void_cookie_t lastPut{};
    };
    void WaitForServer(Buffer& buffer);
    void UsePutImage();
    bool AttachSharedMemory();
    void DetachSharedMemory();

    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    uint8_t depth_ = 0;
    int width_ = 0, height_ = 0;
    int bandRows_ = 0;
    Path path_ = Path::None;
    // Shared memory: segment id, server's name for it, our mapping of its
    // buffers (bandRows_ rows each).
    int shmId_ = -1;
    uint32_t shmSeg_ = 0;
    uint32_t* shmPixels_ = nullptr;
    Buffer buffers_[2];
    int bufferCount_ = 0;
    std::vector<uint32_t> heap_;  // the PutImage path's band
};

// Rows of 32-bit pixels (packed) for the drawable's rows top .. top + height - 1.
struct PixelRows {
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    int top = 0;
};
// Sends them at the drawable's left edge in PutImage requests of at most the
// server's request size.
void PutImageInPieces(xcb_connection_t& c, xcb_drawable_t drawable, xcb_gcontext_t gc, uint8_t depth,
                      const PixelRows& rows);

// The saver's presenting step: takes the surface's newest published picture
// and shows it through the live device colours, band by band (scaled when
// the sizes differ).
void PresentSurface(Surface& surface, XImagePresenter& presenter);

// The name of a path for cost reports.
const char* PathName(XImagePresenter::Path path);

}  // namespace ztx
