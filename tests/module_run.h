// The module tests' view of the one-module harness
// (modules/framework/module_harness.h): control shortcuts, pixel counts and
// checksums, and the stress and picture helpers every module test uses.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_harness.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"

namespace ztx {

class ModuleRun : public ModuleHarness {
public:
    using ModuleHarness::ModuleHarness;

    ModuleRecord* record() { return &Record(); }
    // The value only (the control keeps its source).
    void Set(int slot, int value) { Record().Control[slot] = value; }
    // The value, fixed ("Set" source).
    void Fix(int slot, int value) {
        Record().Check[slot] = kCheckSet;
        Record().Control[slot] = value;
    }
    void Drive(int slot, int check, int lo, int hi) {
        Record().Check[slot] = check;
        Record().RangeLo[slot] = lo;
        Record().RangeHi[slot] = hi;
    }
    void Oscillate(int slot, int lo, int hi) { Drive(slot, kCheckOscillate, lo, hi); }
    void Randomize(int slot, int lo, int hi) { Drive(slot, kCheckRandom, lo, hi); }

    // The harness's start, with both routines expected to return 0.
    void Start(uint32_t seed) { EXPECT_EQ(ModuleHarness::Start(seed), 0); }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    uint8_t At(int x, int y) const { return Pixels()[size_t(y) * Width() + x]; }
    int LitCount() const { return LitIn(0, 0, Width(), Height()); }
    int LitIn(int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += At(x, y) != 0;
        return n;
    }
    uint64_t Checksum() const {
        uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (uint8_t p : Pixels()) h = (h ^ p) * 1099511628211ull;
        return h;
    }
};

// With the draw gate closed ("Draw Start" 80, "Draw Stop" 90; the gate
// starts near 50) a started run's frames are skipped and draw nothing.
inline void ExpectClosedGateDrawsNothing(ModuleRun& run, uint32_t seed) {
    run.Set(kDrawStartSlot, 80);
    run.Set(kDrawStopSlot, 90);
    run.Start(seed);
    for (int f = 0; f < 5; ++f) EXPECT_EQ(run.Frame(), kFrameSkipped);
    EXPECT_EQ(run.LitCount(), 0);
}

// A text box shown on the run's picture stays black while the module draws
// `frames` frames after starting with `seed`, and the module draws around it.
inline void ExpectTextBoxUncovered(ModuleRun& run, uint32_t seed, int frames) {
    const Rect box{run.Width() / 4, run.Height() / 3, run.Width() * 3 / 4, run.Height() * 2 / 3};
    TextBoxes.dc = &run.Dc();
    TextBoxes.title = TextBoxState::Box{box.left, box.top, box.right, box.bottom, 1u << 30};
    run.Start(seed);
    run.Frames(frames);
    EXPECT_GT(run.LitCount(), 100);
    EXPECT_EQ(run.LitIn(box.left, box.top, box.right, box.bottom), 0);
    ResetTextBoxes();
}

// Odd surfaces under heavy and driven settings: no crash, no sanitizer
// report, and only black or palette colours on the picture.
template <class Run>
void StressModule(int w, int h, const std::function<void(Run&)>& configure, int frames) {
    Run run(w, h);
    configure(run);
    run.Start(97531);
    for (int f = 0; f < frames; ++f) ASSERT_EQ(run.Frame(), 0);
    for (uint8_t p : run.Pixels()) ASSERT_TRUE(p == 0 || (p >= 10 && p <= 245)) << int(p);
    EXPECT_EQ(run.Close(), 0);
}

// The odd surfaces every module must survive under `configure`: 1 x 1,
// 16 x 12 and 200 x 900 for `frames` frames, 3840 x 2160 for a few, and a
// record whose size changes between runs (the module started again at a
// wider, then a taller size than its surface, without a close). Only black
// and palette colours may be drawn.
template <class Run>
void StressOddSizes(const std::function<void(Run&)>& configure, int frames) {
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{16, 12}, std::pair{200, 900}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        StressModule<Run>(w, h, configure, frames);
    }
    StressModule<Run>(3840, 2160, configure, 3);
    Run run(320, 240);
    configure(run);
    run.Start(4321);
    for (const auto& [w, h] : {std::pair{1000, 50}, std::pair{7, 3000}, std::pair{320, 240}}) {
        run.Frames(frames / 4);
        run.Record().Width = w;
        run.Record().Height = h;
        run.Record().DoInitialize(&run.Record());
    }
    run.Frames(frames / 4);
    for (uint8_t p : run.Pixels()) ASSERT_TRUE(p == 0 || (p >= 10 && p <= 245)) << int(p);
    EXPECT_EQ(run.Close(), 0);
}

// Draws frames until the module restarts after its "Duration" (`restarted`
// says so), at most `limit` frames; returns whether it did.
template <class Run>
bool RunUntilRestart(Run& run, const std::function<bool()>& restarted, int limit) {
    for (int f = 0; f < limit; ++f) {
        run.Frame();
        if (restarted()) return true;
    }
    return false;
}

// Writes the picture as a PPM (palette entries as a rainbow, fixed colours
// white) when ZTX_VECTOR_PICTURES names a folder, for looking at.
inline void MaybeWritePicture(const ModuleRun& run, const char* name) {
    const char* folder = std::getenv("ZTX_VECTOR_PICTURES");
    if (folder == nullptr || *folder == 0) return;
    const std::string path = std::string(folder) + "/" + name + ".ppm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", run.Width(), run.Height());
    for (uint8_t v : run.Pixels()) {
        unsigned char rgb[3] = {0, 0, 0};
        if (v >= 10 && v <= 245) {
            const double h = (v - 10) / 236.0 * 6.0;
            const double x = 1 - std::fabs(std::fmod(h, 2.0) - 1);
            const int sector = int(h);
            const double r = sector == 0 || sector == 5 ? 1 : (sector == 1 || sector == 4 ? x : 0);
            const double g = sector == 1 || sector == 2 ? 1 : (sector == 0 || sector == 3 ? x : 0);
            const double b = sector == 3 || sector == 4 ? 1 : (sector == 2 || sector == 5 ? x : 0);
            rgb[0] = static_cast<unsigned char>(r * 255);
            rgb[1] = static_cast<unsigned char>(g * 255);
            rgb[2] = static_cast<unsigned char>(b * 255);
        } else if (v != 0) {
            rgb[0] = rgb[1] = rgb[2] = 255;
        }
        std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
}

// A golden picture: starts the run with `seed`, draws `frames` frames,
// writes the picture when asked (see MaybeWritePicture) and returns its
// checksum. Any change to a module or to the drawing it relies on shows up
// there; when a change is intended, look at the new pictures before taking
// the new checksums.
inline uint64_t GoldenChecksum(ModuleRun& run, uint32_t seed, int frames, const char* picture) {
    run.Start(seed);
    run.Frames(frames);
    MaybeWritePicture(run, picture);
    return run.Checksum();
}

// The same for a run of its own, set up by `configure` (one harness at a
// time: the run ends before the next golden starts).
template <class Run>
uint64_t GoldenOf(int width, int height, uint32_t seed, int frames, const char* picture,
                  const std::function<void(Run&)>& configure) {
    Run run(width, height);
    configure(run);
    return GoldenChecksum(run, seed, frames, picture);
}

// One row of a module's control table as the module defines it (sense 10);
// the working range is the whole range unless given.
struct ExpectedControl {
    static constexpr int kWholeRange = INT_MIN;
    int slot, store;
    const char* name;
    int min, max, value;
    bool animatable = false;
    int check = kCheckSet;
    int rangeLo = kWholeRange, rangeHi = kWholeRange;
};

// `r` defines exactly the controls of `table`, at their defaults.
inline void ExpectControls(const ModuleRecord& r, std::span<const ExpectedControl> table) {
    int defined = 0;
    for (int s = 0; s < kControlCount; ++s) defined += r.Defined[s];
    EXPECT_EQ(defined, int(table.size()));
    for (const ExpectedControl& e : table) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(r.Defined[e.slot], 1);
        EXPECT_STREQ(r.ControlName[e.slot], e.name);
        EXPECT_EQ(r.StoreIndex[e.slot], e.store);
        EXPECT_EQ(r.Min[e.slot], e.min);
        EXPECT_EQ(r.Max[e.slot], e.max);
        EXPECT_EQ(r.RangeLo[e.slot], e.rangeLo == e.kWholeRange ? e.min : e.rangeLo);
        EXPECT_EQ(r.RangeHi[e.slot], e.rangeHi == e.kWholeRange ? e.max : e.rangeHi);
        EXPECT_EQ(r.ControlDefault[e.slot], e.value);
        EXPECT_EQ(r.Control[e.slot], e.value);
        EXPECT_EQ(r.CheckDefault[e.slot], e.check);
        EXPECT_EQ(r.Check[e.slot], e.check);
        EXPECT_EQ(r.Sense[e.slot], 10);
        EXPECT_EQ(r.Animatable[e.slot], e.animatable ? 1 : 0);
    }
}
inline void ExpectControls(const ModuleRecord& r, std::initializer_list<ExpectedControl> table) {
    ExpectControls(r, std::span<const ExpectedControl>(table.begin(), table.size()));
}

// Registers the built-in modules (fresh framework, no stored settings) and
// runs `check` on the record in `slot`.
inline void WithRegisteredModule(int slot, const std::function<void(const ModuleRecord&)>& check) {
    VirtualClock clock(ModuleHarness::kClockStart);
    SetClock(&clock);
    ResetModuleFramework();
    SetStoredSettingsLoader(nullptr);
    RegisterModules();
    check(ModuleTable[slot]);
    ResetModuleFramework();
    SetClock(nullptr);
}

// The module in `slot` is registered under `name` with these routines and
// exactly the controls of `table`.
inline void ExpectRegistered(int slot, const char* name, const ModuleRoutines& routines,
                             std::span<const ExpectedControl> table) {
    WithRegisteredModule(slot, [&](const ModuleRecord& r) {
        EXPECT_STREQ(r.Name, name);
        EXPECT_EQ(r.DoPreInitializeControls, routines.defineControls);
        EXPECT_EQ(r.DoDrawFrame, routines.drawFrame);
        EXPECT_EQ(r.DoPreInitialize, routines.preInitialize);
        EXPECT_EQ(r.DoInitialize, routines.initialize);
        EXPECT_EQ(r.DoClose, routines.close);
        ExpectControls(r, table);
    });
}

// The same for a module checked by name and table only.
inline void ExpectControlTable(int slot, const char* name, std::initializer_list<ExpectedControl> table) {
    WithRegisteredModule(slot, [&](const ModuleRecord& r) {
        EXPECT_STREQ(r.Name, name);
        EXPECT_NE(r.DoDrawFrame, nullptr);
        EXPECT_EQ(r.DoAbout, nullptr);
        ExpectControls(r, table);
    });
}

}  // namespace ztx
