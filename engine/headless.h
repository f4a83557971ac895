// Runs the real animation (animation and palette threads) without a window,
// on a lockstep virtual clock: every frame takes 1000 / fps virtual
// milliseconds and palette steps come at their own virtual times, so the
// pictures are those a screen would show at that frame rate, and a run with
// a fixed seed gives the same pictures every time.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "engine/animation.h"

namespace ztx {

struct HeadlessRun {
    enum class Source { Display, File, Module };
    Source source = Source::Display;
    std::string what;  // display name, file path or module name
    int width = 640, height = 480;
    int frames = 300;
    int fps = 60;
    bool seeded = false;
    uint32_t seed = 0;  // the random seed and the virtual clock's start
    // Called after every frame with the 8-bit picture (top-down rows of
    // `width` bytes) and the 256 device colours (0x00RRGGBB).
    std::function<void(uint32_t frame, const uint8_t* pixels, const uint32_t colors[256])> onFrame;
    // Called for every display the run puts on screen: the starting display
    // (frame 0), then each display loaded by display sequencing, even one
    // that replaces itself, with the frame that loaded it (0 while starting).
    std::function<void(uint32_t frame, const std::string& display)> onDisplay;
    EngineHost::Timings* timings = nullptr;
};

// Runs it; false with `error` set when the display, file or module cannot
// be found or the size is unusable.
bool RunHeadless(const HeadlessRun& run, std::string* error);

}  // namespace ztx
