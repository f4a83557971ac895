// The full-screen and preview saver windows on X11, with Qt. The window
// turns X events into the saver's messages (shell/saver_window.h), performs
// the window operations the message handlers ask for, hosts the animation
// and presents the published picture through the live device colours:
// straight into an image in the X server's format (x_image_presenter.h), or,
// when the window's pixel format does not allow that, into Qt's backing
// store.
#include "shell/ui/saver_app.h"

#include <QAbstractNativeEventFilter>
#include <QBackingStore>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/animation.h"
#include "engine/capture.h"
#include "engine/engine_state.h"
#include "engine/video_mode.h"
#include "render/device_colors.h"
#include "render/draw.h"
#include "render/picture.h"
#include "render/surface.h"
#include "settings/global_options.h"
#include "shell/command_line.h"
#include "shell/run_modes.h"
#include "shell/saver_window.h"
#include "shell/ui/x_display_probe.h"
#include "shell/ui/x_image_presenter.h"

namespace ztx {

namespace {

int g_signalPipe[2] = {-1, -1};

// Makes a picture file the X root window's background (tiled, as X tiles a
// background pixmap). A connection of its own keeps the pixmap after the
// saver ends and announces it the way desktop tools do (_XROOTPMAP_ID).
void SetRootWallpaper(const std::string& path) {
    Section picture;
    if (!LoadPicture(path, picture) || picture.width <= 0 || picture.height <= 0) return;
    const int w = picture.width, h = picture.height;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = picture.bits.data() + static_cast<size_t>(h - 1 - y) * picture.stride;  // bottom-up
        for (int x = 0; x < w; ++x) {
            uint32_t rgb;
            if (picture.bitCount == 8) {
                const RgbQuad& q = picture.colors[row[x]];
                rgb = (uint32_t(q.red) << 16) | (uint32_t(q.green) << 8) | q.blue;
            } else if (picture.bitCount == 24) {
                rgb = (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x];
            } else {
                return;
            }
            pixels[static_cast<size_t>(y) * w + x] = rgb;
        }
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen->root_depth == 24 || screen->root_depth == 32) {
        xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, w, h);
        xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        PutImageInPieces(*c, pixmap, gc, screen->root_depth,
                         PixelRows{.pixels = pixels.data(), .width = w, .height = h});
        xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
        xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
        for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
            xcb_intern_atom_reply_t* atom =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
            if (!atom) continue;
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
            free(atom);
        }
        xcb_free_gc(c, gc);
        xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    }
    xcb_flush(c);
    xcb_disconnect(c);
}

// Passes the signal's number to the window thread through the pipe.
void OnSignal(int sig) {
    const char c = static_cast<char>(sig);
    ssize_t ignored = write(g_signalPipe[1], &c, 1);
    (void)ignored;
}

// Virtual-key code of an X keysym (what the hot keys know).
int VirtualKeyOf(uint32_t keysym) {
    if (keysym >= 'a' && keysym <= 'z') return static_cast<int>(keysym - 'a' + 'A');
    if (keysym >= 'A' && keysym <= 'Z') return static_cast<int>(keysym);
    if (keysym >= '0' && keysym <= '9') return static_cast<int>(keysym);
    if (keysym >= 0xffbe && keysym <= 0xffc9) return kVkF1 + static_cast<int>(keysym - 0xffbe);  // F1..F12
    if (keysym >= 0xffb0 && keysym <= 0xffb9) return 0x60 + static_cast<int>(keysym - 0xffb0);    // keypad digits
    switch (keysym) {
        case 0xff09:
        case 0xfe20: return kVkTab;
        case 0xffe1:
        case 0xffe2: return kVkShift;
        case 0xff51: return kVkLeft;
        case 0xff52: return kVkUp;
        case 0xff53: return kVkRight;
        case 0xff54: return kVkDown;
        case 0xffff:
        case 0xff9f: return kVkDelete;
        case 0xffab: return kVkAdd;
        case 0xffad: return kVkSubtract;
        default: return 0xFF;  // any other key: ordinary input
    }
}

class SaverWindowQt : public QWindow, public QAbstractNativeEventFilter {
public:
    SaverWindowQt(bool preview, xcb_window_t parent) : preview_(preview), parent_(parent) {
        setSurfaceType(QSurface::RasterSurface);
        ops_.user = this;
        ops_.postClose = [](void* u) { static_cast<SaverWindowQt*>(u)->Post(Msg::Close); };
        ops_.destroy = [](void* u) { static_cast<SaverWindowQt*>(u)->Destroy(); };
        ops_.quit = [](void*, int code) { QCoreApplication::exit(code); };
        ops_.invalidate = [](void* u) { static_cast<SaverWindowQt*>(u)->Post(Msg::EraseBackground); };
        ops_.paintBlack = [](void* u) { static_cast<SaverWindowQt*>(u)->PaintBlack(); };
        ops_.hideCursor = [](void* u) {
            auto* w = static_cast<SaverWindowQt*>(u);
            if (!w->preview_) w->setCursor(Qt::BlankCursor);
        };
        ops_.cursorPos = [](void* u, int* x, int* y) { static_cast<SaverWindowQt*>(u)->PointerPosition(x, y); };
        ops_.setTimer = [](void* u, int ms) { static_cast<SaverWindowQt*>(u)->timer1_.start(ms); };
        ops_.killTimer = [](void* u) { static_cast<SaverWindowQt*>(u)->timer1_.stop(); };
        ops_.chirp = [](void*) {};
        ops_.startAnimation = [](void* u) { return static_cast<SaverWindowQt*>(u)->Start(); };
        timer1_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer1_, &QTimer::timeout, [this] { Dispatch(Msg::Timer); });
        presentTimer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&presentTimer_, &QTimer::timeout, [this] { MaybePresent(); });
    }

    // Creates the window; false when the saver procedure refused it.
    bool Create() {
        SaverWindow.previewMode = preview_;
        if (DispatchSaverMessage(ops_, Message{Msg::Create}) < 0) return false;
        QSize size;
        if (preview_ && OnRootWindow()) {
            // A window of the root's size that the window manager leaves
            // alone, kept below every other window: the desktop shows it.
            setTitle("Screen Saver");
            setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnBottomHint);
            size = ParentSize();
            setGeometry(QRect(QPoint(0, 0), size / devicePixelRatio()));
            WatchParent();
        } else if (preview_) {
            setTitle("Preview");
            setFlags(Qt::FramelessWindowHint);
            QWindow* host = QWindow::fromWinId(parent_);
            setParent(host);
            size = ParentSize();  // device pixels, from the X server
            WatchParent();
        } else {
            setTitle("Screen Saver");
            setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint);
            QScreen* screen = QGuiApplication::primaryScreen();
            setGeometry(screen->geometry());
            size = screen->geometry().size() * screen->devicePixelRatio();
        }
        // The picture has one pixel per device pixel; the window is sized in
        // Qt's device-independent pixels. A full-screen saver with a stored
        // video mode draws at that mode's size, and presenting scales it.
        resize(size / devicePixelRatio());
        const PictureSize drawn = RenderSize(!preview_, {size.width(), size.height()});
        MakeSurface(QSize(drawn.width, drawn.height));
        qApp->installNativeEventFilter(this);
        show();
        if (preview_ && OnRootWindow()) lower();
        if (!preview_) {
            raise();
            requestActivate();
            setKeyboardGrabEnabled(true);
            setMouseGrabEnabled(true);
        }
        presentTimer_.start(std::max(1, 1000 / std::max(1, Options.frameRate)));
        return true;
    }

    void Post(Msg m) {
        QMetaObject::invokeMethod(
            this, [this, m] { Dispatch(m); }, Qt::QueuedConnection);
    }

    void Dispatch(Msg m, int64_t wparam = 0, int x = 0, int y = 0) {
        if (SaverWindow.destroyed) return;
        if (std::getenv("ZTX_TRACE_MESSAGES"))
            std::fprintf(stderr, "message %d %lld %d,%d (last %d,%d)\n", static_cast<int>(m),
                         static_cast<long long>(wparam), x, y, SaverWindow.lastCursorX, SaverWindow.lastCursorY);
        DispatchSaverMessage(ops_, Message{m, wparam, x, y});
    }

protected:
    void exposeEvent(QExposeEvent*) override {
        if (!isExposed()) return;
        if (!erased_) {
            erased_ = true;
            Dispatch(Msg::EraseBackground);
        }
        Present();
    }

    void keyPressEvent(QKeyEvent* e) override {
        const uint32_t sym = e->nativeVirtualKey();
        if (sym == 0xffe1) SaverWindow.leftShiftDown = true;
        const bool alt = e->modifiers() & Qt::AltModifier;
        Dispatch(alt ? Msg::SysKeyDown : Msg::KeyDown, VirtualKeyOf(sym));
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        const uint32_t sym = e->nativeVirtualKey();
        if (sym == 0xffe1) SaverWindow.leftShiftDown = false;
        Dispatch(Msg::KeyUp, VirtualKeyOf(sym));
    }
    void mouseMoveEvent(QMouseEvent*) override {
        int x, y;
        PointerPosition(&x, &y);
        Dispatch(Msg::MouseMove, 0, x, y);
    }
    void mousePressEvent(QMouseEvent*) override { Dispatch(Msg::ButtonDown); }
    void focusOutEvent(QFocusEvent*) override { Dispatch(Msg::ActivateApp, 0); }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Close) {
            // The window system asks to close: the saver decides.
            e->ignore();
            Dispatch(Msg::Close);
            return true;
        }
        if (e->type() == QEvent::UpdateRequest) {
            Present();
            return true;
        }
        return QWindow::event(e);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (!preview_ || type != "xcb_generic_event_t") return false;
        auto* ev = static_cast<xcb_generic_event_t*>(message);
        const uint8_t kind = ev->response_type & 0x7f;
        if (kind == XCB_DESTROY_NOTIFY && reinterpret_cast<xcb_destroy_notify_event_t*>(ev)->window == parent_) {
            // The host window is gone: so is the preview.
            Destroy();
        } else if (kind == XCB_CONFIGURE_NOTIFY &&
                   reinterpret_cast<xcb_configure_notify_event_t*>(ev)->window == parent_) {
            auto* c = reinterpret_cast<xcb_configure_notify_event_t*>(ev);
            QSize s(c->width, c->height);
            if (s != QSize(surface_.picture.width, surface_.picture.height)) Resize(s);
        }
        return false;
    }

private:
    // The pointer's position on the screen, asked of the X server (the same
    // coordinates as the motion events' root positions).
    void PointerPosition(int* x, int* y) {
        *x = *y = 0;
        xcb_connection_t* c = Connection();
        if (!c) return;
        xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        if (xcb_query_pointer_reply_t* p = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr)) {
            *x = p->root_x;
            *y = p->root_y;
            free(p);
        }
    }

    bool OnRootWindow() {
        xcb_connection_t* c = Connection();
        return c && parent_ == xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }

    xcb_connection_t* Connection() {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 ? x11->connection() : nullptr;
    }

    QSize ParentSize() {
        xcb_connection_t* c = Connection();
        if (!c) return QSize(1, 1);
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, parent_), nullptr);
        QSize s(1, 1);
        if (g) {
            s = QSize(std::max<int>(1, g->width), std::max<int>(1, g->height));
            free(g);
        }
        return s;
    }

    void WatchParent() {
        xcb_connection_t* c = Connection();
        if (!c) return;
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, parent_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }

    void MakeSurface(QSize s) {
        CreateSurface(surface_, s.width(), s.height());
        AttachSurface(dc_, surface_);
        host_.surface = &surface_;
        host_.dc = &dc_;
        host_.width = s.width();
        host_.height = s.height();
        host_.fullScreen = !preview_;
        host_.adjustPriority = !preview_;
        host_.user = this;
        host_.capture = [](void* u) {
            auto* w = static_cast<SaverWindowQt*>(u);
            WriteCapture(w->dc_, w->host_.width, w->host_.height);
        };
        host_.wallpaper = [](void* u) {
            auto* w = static_cast<SaverWindowQt*>(u);
            WriteWallpaper(w->dc_, w->host_.width, w->host_.height);
        };
    }

    void Resize(QSize s) {
        const bool running = AnimationActive();
        if (running && !StopAnimation()) {
            // The thread left behind still draws into this picture: keep it,
            // and end the preview as if its host had gone.
            Destroy();
            return;
        }
        resize(s / devicePixelRatio());
        MakeSurface(s);
        if (running) Start();
    }

    bool Start() { return StartAnimation(&host_); }

    void PaintBlack() {
        RemoveClip(dc_);
        FillRect(dc_, Rect{0, 0, host_.width, host_.height}, SolidBrush(kRgbBlack));
        PublishSurface(surface_);
        requestUpdate();
    }

    void MaybePresent() {
        const uint32_t published = PublishedCount(surface_);
        const uint32_t colors = DeviceColors().Generation();
        if (published != lastPublished_ || colors != lastColors_) {
            lastPublished_ = published;
            lastColors_ = colors;
            Present();
        }
    }

    // Expands the published picture through the live colours straight into
    // the image that goes to the X server, and sends it.
    void Present() {
        if (!isExposed() || SaverWindow.destroyed) return;
        const auto t0 = std::chrono::steady_clock::now();
        const QSize pixels = size() * devicePixelRatio();
        xcb_connection_t* c = Connection();
        if (c && !xFailed_ && (x_.width() != pixels.width() || x_.height() != pixels.height()))
            xFailed_ = !x_.Open(*c, static_cast<xcb_window_t>(winId()), pixels.width(), pixels.height());
        if (x_.path() != XImagePresenter::Path::None) {
            PresentSurface(surface_, x_);
        } else {
            PresentThroughBackingStore();
        }
        const auto t1 = std::chrono::steady_clock::now();
        paintSeconds_ += std::chrono::duration<double>(t1 - t0).count();
        if (paints_++ == 0) firstPaint_ = t1;
        lastPaint_ = t1;
        if (showRates_) ShowRates(t1);
    }

    // ZENTRIX_SHOW_FPS (the launcher's --fps): pictures shown and frames
    // drawn a second and the drawing time of a frame, worked out once a
    // second and written in the top-left corner over every picture.
    void ShowRates(std::chrono::steady_clock::time_point now) {
        xcb_connection_t* c = Connection();
        if (!c) return;
        const double span = std::chrono::duration<double>(now - rates_.since).count();
        if (rates_.text.empty() || span >= 1.0) {
            const uint32_t frames = FrameCount.load();
            const uint64_t nanos = host_.drawNanoseconds.load(std::memory_order_relaxed);
            const uint32_t drawn = frames - rates_.frames;
            char text[96];
            std::snprintf(text, sizeof text, " %.1f pictures/s  %.1f frames/s  %.2f ms a frame ",
                          span > 0 ? (paints_ - rates_.paints) / span : 0.0, span > 0 ? drawn / span : 0.0,
                          drawn ? (nanos - rates_.nanos) / 1e6 / drawn : 0.0);
            rates_ = Rates{now, paints_, frames, nanos, text, rates_.gc};
        }
        const xcb_window_t window = static_cast<xcb_window_t>(winId());
        if (!rates_.gc) {
            const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
            const uint32_t colors[2] = {screen->white_pixel, screen->black_pixel};
            rates_.gc = xcb_generate_id(c);
            xcb_create_gc(c, rates_.gc, window, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND, colors);
        }
        xcb_image_text_8(c, static_cast<uint8_t>(rates_.text.size()), window, rates_.gc, 4, 16, rates_.text.c_str());
        xcb_flush(c);
    }

    // The toolkit's way, for pixel formats the X image path does not take:
    // expanded into the backing store's image when it holds 32-bit words,
    // else drawn from an image of our own.
    void PresentThroughBackingStore() {
        if (!store_) store_ = std::make_unique<QBackingStore>(this);
        const QRect area(QPoint(0, 0), size());
        store_->resize(area.size());
        store_->beginPaint(area);
        auto* target = dynamic_cast<QImage*>(store_->paintDevice());
        if (target && target->format() == QImage::Format_RGB32) {
            PresentSurface(surface_, reinterpret_cast<uint32_t*>(target->bits()), target->bytesPerLine() / 4,
                           target->width(), target->height());
        } else {
            const int w = surface_.picture.width, h = surface_.picture.height;
            if (image_.width() != w || image_.height() != h) image_ = QImage(w, h, QImage::Format_RGB32);
            if (w > 0 && h > 0)
                PresentSurface(surface_, reinterpret_cast<uint32_t*>(image_.bits()), image_.bytesPerLine() / 4, w,
                               h);
            QPainter p(store_->paintDevice());
            p.drawImage(area, image_);
        }
        store_->endPaint();
        store_->flush(area);
    }

    void Destroy() {
        if (SaverWindow.destroyed) return;
        // ZTX_PRESENTER_STATS=1 reports what showing the pictures cost.
        if (std::getenv("ZTX_PRESENTER_STATS") && paints_) {
            const double span = std::chrono::duration<double>(lastPaint_ - firstPaint_).count();
            std::fprintf(stderr, "presenter: %llu pictures, %.3f ms each at %dx%d through %s, %.1f a second\n",
                         static_cast<unsigned long long>(paints_), paintSeconds_ * 1000.0 / paints_,
                         surface_.picture.width, surface_.picture.height,
                         x_.path() != XImagePresenter::Path::None ? PathName(x_.path()) : "Qt's backing store",
                         span > 0 ? double(paints_ - 1) / span : 0.0);
        }
        presentTimer_.stop();
        timer1_.stop();
        // Gone from the screen at once, however long the frame being drawn
        // takes to stop.
        hide();
        DispatchSaverMessage(ops_, Message{Msg::Destroy});
        x_.Close();
    }

    bool preview_;
    xcb_window_t parent_;
    WindowOps ops_;
    QTimer timer1_, presentTimer_;
    Surface surface_;
    DrawContext dc_;
    EngineHost host_;
    XImagePresenter x_;
    bool xFailed_ = false;                  // the window's format needs the toolkit's way
    std::unique_ptr<QBackingStore> store_;  // only on that way
    QImage image_;                          // only when the backing store is not 32-bit words
    bool erased_ = false;
    double paintSeconds_ = 0;
    uint64_t paints_ = 0;
    std::chrono::steady_clock::time_point firstPaint_, lastPaint_;
    uint32_t lastPublished_ = ~0u, lastColors_ = ~0u;
    const bool showRates_ = std::getenv("ZENTRIX_SHOW_FPS") != nullptr;
    struct Rates {
        std::chrono::steady_clock::time_point since;
        uint64_t paints = 0;
        uint32_t frames = 0;
        uint64_t nanos = 0;
        std::string text;
        xcb_gcontext_t gc = 0;
    } rates_;
};

// One full-screen saver per display: a lock held for the life of the window.
bool TakeFullScreenLock() {
    const char* display = std::getenv("DISPLAY");
    std::string dir = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "/tmp";
    std::string name = dir + "/zentrix-saver-" + std::to_string(getuid()) + "-" + (display ? display : "") + ".lock";
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // cannot tell: let this one run
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    return true;  // the descriptor stays open (and locked) until the process ends
}

bool HaveDisplay(const XDisplayProbe& probe) {
    const char* d = std::getenv("DISPLAY");
    if (!d || !*d) {
        std::fprintf(stderr,
                     "zentrix: there is no graphical display here (DISPLAY is not set), so the saver cannot show.\n"
                     "To see a display anyway, render it to a picture, e.g.:\n"
                     "  ztx render \"[D] Bezier\" --frames 300 --out bezier.gif\n");
        return false;
    }
    return probe.Reachable("zentrix");
}

// Qt ends the process with exit() when the connection to the X server
// breaks. The window is gone with the server, but what closing it undoes
// (a test run's display and "Active", the sound link's counters) still is.
void UndoWindowAtExit() {
    if (!SaverWindow.destroyed) DispatchSaverMessage(WindowOps{}, Message{Msg::Destroy});
}

int RunSaver(const CommandLine& cmd, int argc, char** argv) {
    // ZENTRIX_ROOT_WINDOW (the launcher's --root without a window from its
    // host) makes a full-screen run draw on the root window as screen hacks
    // do: a preview of the root window, below every other window.
    const bool onRoot = cmd.mode == RunMode::FullScreen && std::getenv("ZENTRIX_ROOT_WINDOW");
    const bool preview = cmd.mode == RunMode::Preview || onRoot;
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    XDisplayProbe probe;
    if (!HaveDisplay(probe)) return 1;
    if (!preview && !TakeFullScreenLock()) return 0;  // another full-screen saver runs
    QGuiApplication app(argc, argv);
    probe.Release();
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    xcb_window_t host = static_cast<xcb_window_t>(cmd.window);
    if (onRoot && c) host = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (preview) {
        xcb_get_geometry_reply_t* g = c ? xcb_get_geometry_reply(c, xcb_get_geometry(c, host), nullptr) : nullptr;
        if (!g) {
            std::fprintf(stderr, "zentrix: there is no window %u on display %s to draw in\n", cmd.window,
                         std::getenv("DISPLAY"));
            return -1;
        }
        free(g);
    }
    ResetSaverWindow();
    std::vector<std::string> words(argv, argv + argc);
    SaverWindow.testRunFile = TestRunCandidate(words);
    std::atexit(UndoWindowAtExit);

    // A host asks a saver to close with a signal.
    if (pipe2(g_signalPipe, O_CLOEXEC) == 0) {
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
    }
    int caught = 0;  // the signal that asked the saver to close
    int status = 0;
    {
        // On the heap: a window whose drawing thread was left behind keeps
        // its picture and drawing context for that thread (see below).
        auto owned = std::make_unique<SaverWindowQt>(preview, host);
        SaverWindowQt& window = *owned;
        QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            char buf[16];
            const ssize_t n = read(g_signalPipe[0], buf, sizeof buf);
            if (n > 0) caught = buf[n - 1];
            window.Dispatch(Msg::Close);
        });
        if (!window.Create()) {
            std::fprintf(stderr, "zentrix: the saver window could not be created (the sound link is unavailable)\n");
            return 1;
        }
        status = app.exec();
        if (SaverWindow.animationAbandoned) {
            // The thread may still draw into the window's picture: end the
            // process now, without freeing anything it may touch. The
            // cleanup a close does has been done.
            static SaverWindowQt* kept = owned.release();
            (void)kept;
            std::fflush(nullptr);
            if (caught) {
                signal(caught, SIG_DFL);
                raise(caught);
            }
            std::_Exit(status);
        }
    }
    // Cleaned up as for a close; now end by the signal, as screen hacks do,
    // so the host sees a signalled end and not a status of its own.
    if (caught) {
        signal(caught, SIG_DFL);
        raise(caught);
    }
    return status;
}

}  // namespace

void InstallSaverRunners() {
    RootWindowWallpaper = SetRootWallpaper;
    Runners.fullScreen = RunSaver;
    Runners.preview = RunSaver;
}

}  // namespace ztx
