// The whole engine on a small surface and a lockstep clock, for tests: the
// animation thread runs until a given number of frames has been drawn.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "engine/animation.h"
#include "engine/engine_state.h"
#include "platform/clock.h"
#include "render/draw.h"
#include "render/surface.h"

namespace ztx {

struct EngineRun {
    LockstepClock clock{1000};
    Surface surface;
    DrawContext dc;
    EngineHost host;
    int stopAfter = 0;
    // Called after every frame with FrameCount.
    std::function<void(uint32_t frame)> onFrame;

    EngineRun() {
        CreateSurface(surface, 32, 24);
        AttachSurface(dc, surface);
        host.surface = &surface;
        host.dc = &dc;
        host.width = 32;
        host.height = 24;
        host.user = this;
        host.frameDone = [](void* u) {
            auto* run = static_cast<EngineRun*>(u);
            if (run->onFrame) run->onFrame(FrameCount);
            if (static_cast<int>(FrameCount) >= run->stopAfter) AnimationRunning = 0;
        };
    }
    // Runs the animation until FrameCount reaches `frames`.
    void Run(int frames) {
        stopAfter = frames;
        SetClock(&clock);
        ASSERT_TRUE(StartAnimation(&host));
        WaitForAnimationEnd();
        SetClock(nullptr);
    }
};

}  // namespace ztx
