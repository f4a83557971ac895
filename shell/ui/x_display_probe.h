// Asking the X server before Qt does. Qt ends the process (an abort) when it
// cannot reach the display it is told to use, so the windowed programs ask
// first and say what to do instead. The asking connection is held until Qt
// has opened its own: an X server whose last client leaves resets itself,
// and would turn Qt away in between.
#pragma once
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ztx {

class XDisplayProbe {
public:
    // Connects to $DISPLAY when Qt will draw through X (no other platform
    // plugin chosen in QT_QPA_PLATFORM).
    XDisplayProbe() {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        usesX_ = !platform || !*platform || std::strncmp(platform, "xcb", 3) == 0;
        const char* display = std::getenv("DISPLAY");
        if (usesX_ && display && *display) connection_ = xcb_connect(display, nullptr);
    }
    ~XDisplayProbe() { Release(); }
    XDisplayProbe(const XDisplayProbe&) = delete;
    XDisplayProbe& operator=(const XDisplayProbe&) = delete;

    // False, with a line on standard error naming `program`, when Qt would
    // use an X display this process cannot reach.
    bool Reachable(const char* program) const {
        if (!connection_ || !xcb_connection_has_error(connection_)) return true;
        std::fprintf(stderr, "%s: cannot open the display \"%s\" (is its X server running, and may this user use it?)\n",
                     program, std::getenv("DISPLAY"));
        return false;
    }
    // Ends the probe once Qt holds its own connection.
    void Release() {
        if (connection_) xcb_disconnect(connection_);
        connection_ = nullptr;
    }

private:
    bool usesX_ = true;
    xcb_connection_t* connection_ = nullptr;
};

}  // namespace ztx
