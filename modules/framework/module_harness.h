// One effect module on its own surface, as the animation thread runs it:
// the framework, engine state and text boxes reset, every record given the
// surface's size, drawing context and a palette record, the module
// registered in its slot from the catalog with its default controls and
// active alone, and frames 1000/60 ms apart on a virtual clock that starts at
// kClockStart. The module tests and the module benchmarks both use it, so
// they see a module the same way. (`ztx render --module` instead runs the
// whole engine with the one module active, see ActivateOnly: its pictures
// include the palette animation, "Strength" and the text boxes.)
//
// The harness installs its clock as the program's clock and takes over the
// module table for its lifetime; one harness at a time, on one thread.
#pragma once
#include <cstdint>
#include <vector>

#include "include/zentrix/module_record.h"
#include "platform/clock.h"
#include "render/draw.h"
#include "render/surface.h"

namespace ztx {

struct PaletteRecord;

class ModuleHarness {
public:
    static constexpr uint32_t kClockStart = 1000;

    ModuleHarness(int slot, int width, int height);
    // Closes the module, ends any requested allocation failures, stops the
    // animation flag, frees the palette record and puts the clock and the
    // framework back.
    ~ModuleHarness();
    ModuleHarness(const ModuleHarness&) = delete;
    ModuleHarness& operator=(const ModuleHarness&) = delete;

    ModuleRecord& Record() { return *record_; }
    // Clamps the controls, sets the animation running, seeds the generator,
    // then DoPreInitialize and DoInitialize. Returns the first nonzero
    // result of the two, else 0.
    int Start(uint32_t seed);
    // One DoDrawFrame call (FrameCount counts it), then the clock moves to
    // the next frame's time. Returns what DoDrawFrame returned.
    int Frame();
    // DoClose (0 for a module without one). Closing twice is harmless for
    // modules, which free their memory once.
    int Close();

    // The picture: one palette index per pixel, rows top to bottom.
    const std::vector<uint8_t>& Pixels() const { return surface_.picture.pixels; }
    int Width() const { return surface_.picture.width; }
    int Height() const { return surface_.picture.height; }
    // Blanks the picture (index 0 everywhere).
    void Clear();
    DrawContext& Dc() { return dc_; }
    VirtualClock& Clock() { return clock_; }

private:
    VirtualClock clock_;
    Surface surface_;
    DrawContext dc_;
    PaletteRecord* palette_ = nullptr;
    ModuleRecord* record_ = nullptr;
    uint32_t frames_ = 0;
};

}  // namespace ztx
