// Presentation under a real X server, without the saver around it.
//  - Default: the lean reference presenter, the yardstick for the saver's
//    CPU: a full-screen window, an 8-bit picture expanded by a plain lookup
//    loop through a 256-entry table into a MIT-SHM image, put with
//    ShmPutImage and synchronised with one round trip, paced to RATE
//    pictures a second (no vertical sync).
//  - --saver-presenter: the same loop through the saver's own presenting
//    code (Surface + PresentSurface + XImagePresenter); --no-shm makes that
//    use PutImage requests, as on a display without MIT-SHM.
// Both print what the saver's cost report prints ("presenter: N pictures,
// T ms each at WxH ..."), at SIGTERM or after --seconds; bench/x11/
// measure-presenter.sh reads that line. With --rate 0 the loop runs as fast
// as it can, which makes it a throughput benchmark of presentation.
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/noise_picture.h"
#include "render/device_colors.h"
#include "render/surface.h"
#include "shell/ui/x_image_presenter.h"

namespace {

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

struct Options {
    double seconds = 1e9;
    int rate = 60;
    bool saverPresenter = false;
    bool sharedMemory = true;
};

// A changing table, as the palette thread makes one.
void StepTable(uint32_t table[256], uint32_t step) {
    for (uint32_t i = 0; i < 256; ++i) table[i] = ((i + step) & 0xFF) * 0x010101u;
}

// The lean presenter's expansion: the plain byte-to-word lookup loop (the
// same yardstick as render_bench's BM_ExpandPlainLookupLoop).
__attribute__((noinline)) void PlainLookup(const uint8_t* s, const uint32_t* t, uint32_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) d[i] = t[s[i]];
}

// The lean presenter's own image: one shared-memory segment attached to the
// server for the life of the run.
struct LeanImage {
    xcb_connection_t* c;
    uint32_t seg = 0;
    uint32_t* pixels = nullptr;
    LeanImage(xcb_connection_t* connection, size_t bytes) : c(connection) {
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0) return;
        void* p = shmat(id, nullptr, 0);
        seg = xcb_generate_id(c);
        xcb_generic_error_t* e = xcb_request_check(c, xcb_shm_attach_checked(c, seg, uint32_t(id), 1));
        shmctl(id, IPC_RMID, nullptr);
        if (p == reinterpret_cast<void*>(-1)) return;
        if (e) {
            free(e);
            shmdt(p);
            return;
        }
        pixels = static_cast<uint32_t*>(p);
    }
    ~LeanImage() {
        if (!pixels) return;
        xcb_shm_detach(c, seg);
        xcb_flush(c);
        shmdt(pixels);
    }
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) o.seconds = std::atof(argv[++i]);
        else if (a == "--rate" && i + 1 < argc) o.rate = std::atoi(argv[++i]);
        else if (a == "--saver-presenter") o.saverPresenter = true;
        else if (a == "--no-shm") o.sharedMemory = false;
        else {
            std::fprintf(stderr, "usage: present_reference [--seconds S] [--rate F] [--saver-presenter [--no-shm]]\n");
            return 2;
        }
    }
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "present_reference: no X display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int w = screen->width_in_pixels, h = screen->height_in_pixels;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {1};  // override-redirect: full screen, no manager
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, uint16_t(w), uint16_t(h), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_flush(c);

    const std::vector<uint8_t> picture = ztx::NoisePicture(w, h);
    uint32_t table[256];
    ztx::Surface surface;
    ztx::XImagePresenter presenter;
    std::unique_ptr<LeanImage> lean;
    if (o.saverPresenter) {
        ztx::CreateSurface(surface, w, h);
        surface.picture.pixels = picture;
        ztx::PublishSurface(surface);
        if (!presenter.Open(*c, window, w, h, o.sharedMemory)) {
            std::fprintf(stderr, "present_reference: the screen's pixel format does not fit\n");
            return 1;
        }
    } else {
        lean = std::make_unique<LeanImage>(c, size_t(w) * h * 4);
        if (!lean->pixels) {
            std::fprintf(stderr, "present_reference: MIT-SHM is not available\n");
            return 1;
        }
    }

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    double busy = 0;
    uint64_t pictures = 0;
    while (!g_stop && std::chrono::duration<double>(Clock::now() - start).count() < o.seconds) {
        const auto t0 = Clock::now();
        StepTable(table, uint32_t(pictures));
        if (o.saverPresenter) {
            // The palette thread's part: new colours in the device table.
            ztx::PaletteColor colors[ztx::kAnimatedCount];
            for (int i = 0; i < ztx::kAnimatedCount; ++i)
                colors[i] = ztx::PaletteColor{uint8_t(table[i]), uint8_t(table[i]), uint8_t(table[i]), 0};
            ztx::DeviceColors().SetAnimated(colors, 0, ztx::kAnimatedCount);
            ztx::PresentSurface(surface, presenter);
        } else {
            PlainLookup(picture.data(), table, lean->pixels, picture.size());
            xcb_shm_put_image(c, window, gc, uint16_t(w), uint16_t(h), 0, 0, uint16_t(w), uint16_t(h), 0, 0,
                              screen->root_depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, lean->seg, 0);
            // The server has read the image once it answers.
            free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        }
        busy += std::chrono::duration<double>(Clock::now() - t0).count();
        ++pictures;
        if (o.rate > 0)
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                      std::chrono::duration<double>(double(pictures) / o.rate)));
    }
    const double span = std::chrono::duration<double>(Clock::now() - start).count();
    std::fprintf(stderr, "presenter: %llu pictures, %.3f ms each at %dx%d through %s, %.1f a second\n",
                 static_cast<unsigned long long>(pictures), pictures ? busy * 1000.0 / pictures : 0.0, w, h,
                 o.saverPresenter ? ztx::PathName(presenter.path()) : "the lean reference",
                 span > 0 ? double(pictures) / span : 0.0);
    presenter.Close();
    lean.reset();
    xcb_disconnect(c);
    return 0;
}
