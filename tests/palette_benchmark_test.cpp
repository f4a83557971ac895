// A short benchmark: the cost of one palette step and of one full
// regeneration of the three channels, printed with the test results.
#include <gtest/gtest.h>

#include <cstdio>

#include "palette/color_effects.h"
#include "palette/palette.h"
#include "platform/clock.h"

namespace ztx {
namespace {

// Runs `work` repeatedly for about `budgetMs` of real time and returns the
// mean cost of one call in microseconds.
template <typename F>
double MicrosecondsPerCall(uint32_t budgetMs, F&& work) {
    RealClock real;
    const uint32_t start = real.TickCount();
    long calls = 0;
    uint32_t elapsed = 0;
    do {
        for (int i = 0; i < 20; ++i) work();
        calls += 20;
        elapsed = real.TickCount() - start;
    } while (elapsed < budgetMs);
    return elapsed * 1000.0 / static_cast<double>(calls);
}

TEST(PaletteBenchmark, StepAndRegenerationCost) {
    ResetPaletteEngine();
    VirtualClock clock(5000);
    SetClock(&clock);
    PaletteRecord* p = CreatePaletteRecord(nullptr);
    p->effect[0] = kEffectRamp;
    p->effect[1] = kEffectCoarse;
    p->effect[2] = kEffectFade;
    StartColorEffect(p);

    const double step = MicrosecondsPerCall(150, [&] {
        StepColorEffect(p);
        PaletteEvents(p);
        clock.Advance(CycleInterval(p));
    });
    const double regeneration = MicrosecondsPerCall(150, [&] { StartColorEffect(p); });
    std::printf("palette step (with events): %.2f us; full regeneration of 3 channels: %.2f us\n", step,
                regeneration);
    RecordProperty("step_us", std::to_string(step));
    RecordProperty("regeneration_us", std::to_string(regeneration));
    // A step must fit many times into the shortest cycle interval (10 ms).
    EXPECT_LT(step, 10000.0);

    FreePaletteRecord(p);
    SetClock(nullptr);
    ResetPaletteEngine();
}

}  // namespace
}  // namespace ztx
