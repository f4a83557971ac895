// The palette thread's costs: one colour-effect step (with events) and a
// full regeneration of the three channels.
#include <benchmark/benchmark.h>

#include "palette/color_effects.h"
#include "palette/palette.h"
#include "platform/clock.h"

namespace {

using namespace ztx;

struct PaletteFixture {
    VirtualClock clock{5000};
    PaletteRecord* p = nullptr;
    PaletteFixture() {
        ResetPaletteEngine();
        SetClock(&clock);
        p = CreatePaletteRecord(nullptr);
        p->effect[0] = kEffectRamp;
        p->effect[1] = kEffectCoarse;
        p->effect[2] = kEffectFade;
        StartColorEffect(p);
    }
    ~PaletteFixture() {
        FreePaletteRecord(p);
        SetClock(nullptr);
        ResetPaletteEngine();
    }
};

void PaletteStep(benchmark::State& state) {
    PaletteFixture f;
    for (auto _ : state) {
        StepColorEffect(f.p);
        PaletteEvents(f.p);
        f.clock.Advance(CycleInterval(f.p));
    }
}
BENCHMARK(PaletteStep);

void PaletteRegeneration(benchmark::State& state) {
    PaletteFixture f;
    for (auto _ : state) StartColorEffect(f.p);
}
BENCHMARK(PaletteRegeneration);

}  // namespace
