// The screen's video modes as the X server's RandR extension lists them, for
// the video-mode page. A connection of its own is opened and closed for the
// query, so the page works whatever Qt's platform is; without an X server or
// without RandR the result says so and the page disables its buttons.
#pragma once
#include <vector>

#include "engine/video_mode.h"

namespace ztx {

struct ScreenModes {
    bool available = false;         // RandR answered
    std::vector<VideoMode> modes;   // width, height, refresh; bits per pixel 0
    int depth = 0;                  // the screen's depth
    PictureSize size{};             // the screen's current size
};

// The modes of the default screen of $DISPLAY.
ScreenModes QueryScreenModes();
// The query the video-mode page makes: QueryScreenModes, unless a test put
// a stand-in here.
using ScreenModesSource = ScreenModes (*)();
ScreenModesSource& ScreenModesQuery();

}  // namespace ztx
