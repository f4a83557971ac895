// Frame cost of one effect module at 1920x1080, in the one-module harness
// (modules/framework/module_harness.h): the module alone with its default
// controls (changed by `configure`), started with a fixed seed, then one
// DoDrawFrame per iteration followed by a step of the virtual clock
// (1000/60 ms, so restarts after "Duration" come at their real rate).
#pragma once
#include <benchmark/benchmark.h>

#include <functional>

#include "modules/framework/module_harness.h"
#include "modules/framework/module_table.h"

namespace ztx {

inline void RunModuleFrames(benchmark::State& state, int slot, const std::function<void(ModuleRecord&)>& configure,
                            const std::function<void(benchmark::State&)>& report = nullptr) {
    ModuleHarness harness(slot, 1920, 1080);
    configure(harness.Record());
    harness.Start(12345);
    for (auto _ : state) {
        harness.Frame();
        benchmark::ClobberMemory();
    }
    if (report) report(state);
}

}  // namespace ztx
