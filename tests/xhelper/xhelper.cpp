// A small X client for the window tests: exact key and pointer events
// through XTEST, screenshots of the root window, and a host window for
// previews.
//
//   xhelper moveto X Y          move the pointer
//   xhelper key KEYSYM [down|up] press and/or release one key (hex keysym)
//   xhelper where               print the pointer position
//   xhelper lit                 print how many root-window pixels are not black
//   xhelper shot FILE.png       save the root window as a PNG
//   xhelper host W H            create a mapped window, print its id, live
//                               until killed (the window dies with it)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Lit(Display* d) {
    Window root = DefaultRootWindow(d);
    XWindowAttributes a;
    XGetWindowAttributes(d, root, &a);
    XImage* img = XGetImage(d, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!img) return -1;
    int lit = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if ((XGetPixel(img, x, y) & 0xFFFFFF) != 0) ++lit;
    XDestroyImage(img);
    return lit;
}

bool Shot(Display* d, const char* path) {
    Window root = DefaultRootWindow(d);
    XWindowAttributes a;
    XGetWindowAttributes(d, root, &a);
    XImage* img = XGetImage(d, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!img) return false;
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, a.width, a.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row(static_cast<size_t>(a.width) * 3);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            unsigned long p = XGetPixel(img, x, y);
            row[3 * x] = (p >> 16) & 255;
            row[3 * x + 1] = (p >> 8) & 255;
            row[3 * x + 2] = p & 255;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    XDestroyImage(img);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "xhelper: no display\n");
        return 1;
    }
    std::string cmd = argv[1];
    if (cmd == "moveto" && argc == 4) {
        XTestFakeMotionEvent(d, -1, std::atoi(argv[2]), std::atoi(argv[3]), CurrentTime);
    } else if (cmd == "key" && argc >= 3) {
        KeySym sym = std::strtoul(argv[2], nullptr, 16);
        KeyCode code = XKeysymToKeycode(d, sym);
        if (!code) return 1;
        std::string how = argc > 3 ? argv[3] : "tap";
        if (how != "up") XTestFakeKeyEvent(d, code, True, CurrentTime);
        if (how != "down") XTestFakeKeyEvent(d, code, False, CurrentTime);
    } else if (cmd == "where") {
        Window root, child;
        int rx, ry, wx, wy;
        unsigned mask;
        XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
        std::printf("%d %d\n", rx, ry);
    } else if (cmd == "lit") {
        std::printf("%d\n", Lit(d));
    } else if (cmd == "shot" && argc == 3) {
        if (!Shot(d, argv[2])) return 1;
    } else if (cmd == "host" && argc == 4) {
        Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, std::atoi(argv[2]), std::atoi(argv[3]), 0, 0,
                                       0);
        XMapWindow(d, w);
        XSync(d, False);
        std::printf("%lu\n", static_cast<unsigned long>(w));
        std::fflush(stdout);
        for (;;) pause();
    } else {
        return 2;
    }
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
