#include "shell/ui/x_image_presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>

#include "render/device_colors.h"
#include "render/surface.h"

namespace ztx {

namespace {

// The size of a band: the image memory is two of them.
constexpr int kBandBytes = 4 << 20;

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
                      const PixelRows& r) {
    if (r.width <= 0 || r.height <= 0) return;
    const uint32_t rowBytes = static_cast<uint32_t>(r.width) * 4u;
    const uint32_t maxBytes = xcb_get_maximum_request_length(&c) * 4u - 64u;
    const int rowsPerPut = std::max(1, static_cast<int>(maxBytes / rowBytes));
    for (int y = 0; y < r.height; y += rowsPerPut) {
        const int rows = std::min(rowsPerPut, r.height - y);
        xcb_put_image(&c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, static_cast<uint16_t>(r.width),
                      static_cast<uint16_t>(rows), 0, static_cast<int16_t>(r.top + y), 0, depth, rowBytes * rows,
                      reinterpret_cast<const uint8_t*>(r.pixels + static_cast<size_t>(y) * r.width));
    }
}

void PresentSurface(Surface& surface, XImagePresenter& presenter) {
    uint32_t table[256];
    DeviceColors().Read(table);
    PictureView view = TakePicture(surface);
    const Canvas& picture = view.canvas;
    if (!picture.origin) return;
    presenter.Present([&](const XImagePresenter::Image& band, int firstRow) {
        ExpandIndicesBand(picture.origin, picture.stride, picture.width, picture.height, table, band.pixels,
                          band.stride, presenter.width(), presenter.height(), firstRow, band.height);
        // The last band is expanded: drawing may go on while it is sent.
        if (firstRow + band.height >= presenter.height() && view.hold.owns_lock()) view.hold.unlock();
    });
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
    bandRows_ = std::clamp(kBandBytes / (width * 4), 1, height);
    gc_ = xcb_generate_id(c_);
    const uint32_t noExposures = 0;
    xcb_create_gc(c_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (allowSharedMemory && AttachSharedMemory()) path_ = Path::SharedMemory;
    else UsePutImage();
    return true;
}

void XImagePresenter::UsePutImage() {
    DetachSharedMemory();
    heap_.assign(static_cast<size_t>(width_) * bandRows_, 0);
    path_ = Path::PutImage;
}

bool XImagePresenter::AttachSharedMemory() {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c_, &xcb_shm_id);
    if (!shm || !shm->present) return false;
    // One buffer when the picture is one band, else two used in turn.
    bufferCount_ = bandRows_ < height_ ? 2 : 1;
    const size_t bytes = static_cast<size_t>(width_) * bandRows_ * 4 * bufferCount_;
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
    for (Buffer& b : buffers_) b.putPending = false;
    if (!shmPixels_) return;
    xcb_shm_detach(c_, shmSeg_);
    xcb_flush(c_);
    shmdt(shmPixels_);
    shmPixels_ = nullptr;
    shmId_ = -1;
}

void XImagePresenter::Close() {
    if (!c_) return;
    for (Buffer& b : buffers_) WaitForServer(b);
    DetachSharedMemory();
    xcb_free_gc(c_, gc_);
    xcb_flush(c_);
    heap_ = {};
    c_ = nullptr;
    path_ = Path::None;
    width_ = height_ = 0;
}

void XImagePresenter::WaitForServer(Buffer& buffer) {
    if (!buffer.putPending) return;
    buffer.putPending = false;
    Reply<xcb_generic_error_t> error(xcb_request_check(c_, buffer.lastPut));
    // The server refused the segment after all: send pixels instead.
    if (error && path_ == Path::SharedMemory) UsePutImage();
}

void XImagePresenter::Present(const FillBand& fill) {
    if (path_ == Path::None) return;
    for (int top = 0, k = 0; top < height_; top += bandRows_, ++k) {
        const int rows = std::min(bandRows_, height_ - top);
        // The wait may find the segment refused and switch to PutImage.
        if (path_ == Path::SharedMemory) WaitForServer(buffers_[k % bufferCount_]);
        if (path_ == Path::SharedMemory) {
            const int index = k % bufferCount_;
            const size_t offset = static_cast<size_t>(index) * bandRows_ * width_;
            fill(Image{.pixels = shmPixels_ + offset, .stride = width_, .width = width_, .height = rows}, top);
            Buffer& buffer = buffers_[index];
            buffer.lastPut = xcb_shm_put_image_checked(
                c_, window_, gc_, static_cast<uint16_t>(width_), static_cast<uint16_t>(rows), 0, 0,
                static_cast<uint16_t>(width_), static_cast<uint16_t>(rows), 0, static_cast<int16_t>(top), depth_,
                XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shmSeg_, static_cast<uint32_t>(offset * 4));
            buffer.putPending = true;
            xcb_flush(c_);  // the server starts on this band while the next one fills
        } else {
            fill(Image{.pixels = heap_.data(), .stride = width_, .width = width_, .height = rows}, top);
            PutImageInPieces(*c_, window_, gc_, depth_,
                             PixelRows{.pixels = heap_.data(), .width = width_, .height = rows, .top = top});
        }
    }
    xcb_flush(c_);
}

}  // namespace ztx
