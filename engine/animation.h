// The animation: a worker thread that prepares the active display's modules
// and draws frame after frame, and a palette thread that steps the colour
// effect at its own pace. The window (or the headless renderer) hosts it and
// stops it; the two threads and the host talk only through atomic flags.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/process_state.h"

namespace ztx {

struct Surface;
struct DrawContext;

// What hosts an animation run: the saver window or the headless renderer.
struct EngineHost {
    Surface* surface = nullptr;  // the picture every module draws on
    DrawContext* dc = nullptr;   // the window's drawing context (every module's Dc)
    int width = 0, height = 0;   // client size
    bool fullScreen = false;     // the window covers the screen (not a preview)
    bool adjustPriority = false; // apply the "Priority" option to the process
    void* user = nullptr;
    // Called on the animation thread after every frame has been published.
    void (*frameDone)(void* user) = nullptr;
    // Asked to show the picture again (a new frame, or new colours).
    void (*present)(void* user) = nullptr;
    // Screen capture and wallpaper, when the host offers them (they read and
    // clear the sound link's requests themselves).
    void (*capture)(void* user) = nullptr;
    void (*wallpaper)(void* user) = nullptr;
    // The real time the frames' draw calls took, added up by the animation
    // thread (for a frame-rate readout on another thread).
    std::atomic<uint64_t> drawNanoseconds{0};
    // When set, the real time spent in each slot's draw calls and in the
    // palette steps is added up here (benchmarks).
    struct Timings {
        double slotSeconds[23] = {};
        double paletteSeconds = 0;
        uint64_t paletteSteps = 0;
    }* timings = nullptr;
};


// Starts the animation thread for `host` (which must outlive the run).
// Returns false when a run is already going, including a thread left behind
// that is still drawing: two threads never share a picture.
bool StartAnimation(EngineHost* host);
// Stops the run: clears AnimationRunning and waits up to 2000 ms for the
// animation thread. A thread that does not end in time is left behind
// (detached). Returns true when no thread is drawing any more: false for a
// thread left behind now or by an earlier call that has not ended since, so
// every caller learns that the picture is still in use.
bool StopAnimation();
// Waits (without asking it to stop) until the animation thread has ended,
// e.g. after a blank time-out. Returns at once when no run is going.
void WaitForAnimationEnd();
// Whether an animation thread is running (a thread left behind counts until
// it ends).
bool AnimationActive();

// The milliseconds a frame waits for the "Speed" level `d` at frame number
// `frame` (0 for d = 0; 10 in the frames where (frame & 15) < d for 1..15;
// 10 * d - 150 every frame from 16 on).
uint32_t SpeedPause(int d, uint32_t frame);

}  // namespace ztx
