#include "shell/ui/x_image_presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>

namespace ztx {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The depth of `window` (24) when its pixels are 32-bit 0x00RRGGBB words in
// the host's byte order; 0 otherwise.
uint8_t DirectDepth(xcb_connection_t& c, xcb_window_t window) {
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(&c, xcb_get_window_attributes(&c, window), nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(&c, xcb_get_geometry(&c, window), nullptr));
    // Depth 32 would carry our zero top bytes as alpha (transparent under a
    // compositor).
    if (!attributes || !geometry || geometry->depth != 24) return 0;
    const xcb_setup_t* setup = xcb_get_setup(&c);
    const uint8_t hostOrder =
        std::endian::native == std::endian::little ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != hostOrder) return 0;
    bool wordPixels = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == geometry->depth) wordPixels = f.data->bits_per_pixel == 32;
    if (!wordPixels) return 0;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == attributes->visual)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xFF0000u &&
                                   v.data->green_mask == 0xFF00u && v.data->blue_mask == 0xFFu
                               ? geometry->depth
                               : 0;
    return 0;
}

}  // namespace

void PutImageInPieces(xcb_connection_t& c, xcb_drawable_t drawable, xcb_gcontext_t gc, uint8_t depth,
                      const uint32_t* pixels, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const uint32_t rowBytes = static_cast<uint32_t>(width) * 4u;
    const uint32_t maxBytes = xcb_get_maximum_request_length(&c) * 4u - 64u;
    const int rowsPerPut = std::max(1, static_cast<int>(maxBytes / rowBytes));
    for (int y = 0; y < height; y += rowsPerPut) {
        const int rows = std::min(rowsPerPut, height - y);
        xcb_put_image(&c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(rows), 0, static_cast<int16_t>(y), 0, depth, rowBytes * rows,
                      reinterpret_cast<const uint8_t*>(pixels + static_cast<size_t>(y) * width));
    }
}

const char* PathName(XImagePresenter::Path path) {
    switch (path) {
        case XImagePresenter::Path::SharedMemory: return "shared-memory image";
        case XImagePresenter::Path::PutImage: return "put-image requests";
        case XImagePresenter::Path::None: break;
    }
    return "none";
}

bool XImagePresenter::Open(xcb_connection_t& connection, xcb_window_t window, int width, int height,
                           bool allowSharedMemory) {
    Close();
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
    const uint8_t depth = DirectDepth(connection, window);
    if (depth == 0) return false;
    c_ = &connection;
    window_ = window;
    depth_ = depth;
    width_ = width;
    height_ = height;
    gc_ = xcb_generate_id(c_);
    const uint32_t noExposures = 0;
    xcb_create_gc(c_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (allowSharedMemory && AttachSharedMemory()) {
        path_ = Path::SharedMemory;
    } else {
        heap_.assign(static_cast<size_t>(width) * height, 0);
        path_ = Path::PutImage;
    }
    return true;
}

bool XImagePresenter::AttachSharedMemory() {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c_, &xcb_shm_id);
    if (!shm || !shm->present) return false;
    const size_t bytes = static_cast<size_t>(width_) * height_ * 4;
    shmId_ = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmId_ < 0) return false;
    void* mapped = shmat(shmId_, nullptr, 0);
    if (mapped == reinterpret_cast<void*>(-1)) {
        shmctl(shmId_, IPC_RMID, nullptr);
        shmId_ = -1;
        return false;
    }
    shmPixels_ = static_cast<uint32_t*>(mapped);
    shmSeg_ = xcb_generate_id(c_);
    Reply<xcb_generic_error_t> error(
        xcb_request_check(c_, xcb_shm_attach_checked(c_, shmSeg_, static_cast<uint32_t>(shmId_), 1)));
    // Marked for removal now: the segment goes when both sides have detached,
    // even if this process dies.
    shmctl(shmId_, IPC_RMID, nullptr);
    if (error) {
        // A server on another host cannot reach our memory.
        shmdt(shmPixels_);
        shmPixels_ = nullptr;
        shmId_ = -1;
        return false;
    }
    return true;
}

void XImagePresenter::DetachSharedMemory() {
    if (!shmPixels_) return;
    xcb_shm_detach(c_, shmSeg_);
    xcb_flush(c_);
    shmdt(shmPixels_);
    shmPixels_ = nullptr;
    shmId_ = -1;
}

void XImagePresenter::Close() {
    if (!c_) return;
    WaitForServer();
    DetachSharedMemory();
    xcb_free_gc(c_, gc_);
    xcb_flush(c_);
    heap_ = {};
    c_ = nullptr;
    path_ = Path::None;
    width_ = height_ = 0;
}

void XImagePresenter::WaitForServer() {
    if (!putPending_) return;
    putPending_ = false;
    Reply<xcb_generic_error_t> error(xcb_request_check(c_, lastPut_));
    if (error && path_ == Path::SharedMemory) {
        // The server refused the segment after all: send pixels instead.
        DetachSharedMemory();
        heap_.assign(static_cast<size_t>(width_) * height_, 0);
        path_ = Path::PutImage;
    }
}

XImagePresenter::Image XImagePresenter::Acquire() {
    WaitForServer();
    uint32_t* pixels = path_ == Path::SharedMemory ? shmPixels_ : heap_.data();
    if (path_ == Path::None) pixels = nullptr;
    return Image{.pixels = pixels, .stride = width_, .width = pixels ? width_ : 0, .height = pixels ? height_ : 0};
}

void XImagePresenter::Put() {
    if (path_ == Path::SharedMemory) {
        lastPut_ = xcb_shm_put_image_checked(c_, window_, gc_, static_cast<uint16_t>(width_),
                                             static_cast<uint16_t>(height_), 0, 0, static_cast<uint16_t>(width_),
                                             static_cast<uint16_t>(height_), 0, 0, depth_,
                                             XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shmSeg_, 0);
        putPending_ = true;
    } else if (path_ == Path::PutImage) {
        PutImageInPieces(*c_, window_, gc_, depth_, heap_.data(), width_, height_);
    }
    if (c_) xcb_flush(c_);
}

}  // namespace ztx
