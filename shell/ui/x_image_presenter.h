// Shows 32-bit pictures in an X window with no copy on the client side: the
// caller expands its picture straight into an image in the window's own
// pixel format, which goes to the X server as it is.
//  - With the MIT-SHM extension (client and server on one host) the image is
//    a shared-memory segment the server reads in place; before the image is
//    written again, Acquire waits until the server has read the last put.
//  - Without it (a remote display, or the attach fails) the image is plain
//    memory sent with PutImage requests in pieces that fit one request.
// Open refuses windows whose pixels are not 32-bit 0x00RRGGBB words in the
// host's byte order; the caller then shows through its toolkit instead, so
// the picture always shows whatever the server offers.
#pragma once
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ztx {

class XImagePresenter {
public:
    enum class Path { None, SharedMemory, PutImage };

    struct Image {
        uint32_t* pixels = nullptr;  // row y at pixels + y * stride
        ptrdiff_t stride = 0;        // in pixels
        int width = 0, height = 0;
    };

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

    // The image to draw into, once the server is done with the last put.
    Image Acquire();
    // Sends the whole image to the window's top-left corner.
    void Put();

private:
    void WaitForServer();
    bool AttachSharedMemory();
    void DetachSharedMemory();

    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    uint8_t depth_ = 0;
    int width_ = 0, height_ = 0;
    Path path_ = Path::None;
    // Shared memory: segment id, server's name for it, our mapping.
    int shmId_ = -1;
    uint32_t shmSeg_ = 0;
    uint32_t* shmPixels_ = nullptr;
    bool putPending_ = false;
    xcb_void_cookie_t lastPut_{};
    std::vector<uint32_t> heap_;  // the PutImage path's image
};

// Sends 32-bit pixels (width x height, rows packed) to the drawable's
// top-left corner in PutImage requests of at most the server's request size.
void PutImageInPieces(xcb_connection_t& c, xcb_drawable_t drawable, xcb_gcontext_t gc, uint8_t depth,
                      const uint32_t* pixels, int width, int height);

// The name of a path for cost reports.
const char* PathName(XImagePresenter::Path path);

}  // namespace ztx
