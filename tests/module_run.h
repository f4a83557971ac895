// One effect module on its own surface, as the animation thread runs it: the
// record's Width, Height, Dc and PaletteState set, the module registered in
// its slot with its default controls, frames 1000/60 ms apart on a virtual
// clock. Shared by the module tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/surface.h"

namespace ztx {

class ModuleRun {
public:
    static constexpr uint32_t kClockStart = 1000;

    ModuleRun(int slot, int width, int height) : clock_(kClockStart) {
        SetClock(&clock_);
        ResetModuleFramework();
        ResetEngineState();
        ResetTextBoxes();
        CreateSurface(surface_, width, height);
        AttachSurface(dc_, surface_);
        palette_ = CreatePaletteRecord(&dc_);
        for (ModuleRecord& r : ModuleTable) {
            r.Width = width;
            r.Height = height;
            r.Dc = &dc_;
            r.PaletteState = palette_;
        }
        SetStoredSettingsLoader(nullptr);
        for (const BuiltinModule& m : BuiltinModules()) {
            if (m.slot != slot) continue;
            const ModuleRoutines& r = m.routines;
            RegisterModule(slot, r.defineControls, r.drawFrame, r.preInitialize, r.initialize, r.close);
        }
        record_ = &ModuleTable[slot];
        record_->Name = SlotName(slot);
        ModuleActive[slot].store(1);
    }
    ~ModuleRun() {
        Close();
        AnimationRunning.store(0);
        FreePaletteRecord(palette_);
        ResetTextBoxes();
        SetClock(nullptr);
        ResetModuleFramework();
    }
    ModuleRun(const ModuleRun&) = delete;
    ModuleRun& operator=(const ModuleRun&) = delete;

    ModuleRecord* record() { return record_; }
    // The value only (the control keeps its source).
    void Set(int slot, int value) { record_->Control[slot] = value; }
    // The value, fixed ("Set" source).
    void Fix(int slot, int value) {
        record_->Check[slot] = kCheckSet;
        record_->Control[slot] = value;
    }
    void Drive(int slot, int check, int lo, int hi) {
        record_->Check[slot] = check;
        record_->RangeLo[slot] = lo;
        record_->RangeHi[slot] = hi;
    }
    void Oscillate(int slot, int lo, int hi) { Drive(slot, kCheckOscillate, lo, hi); }
    void Randomize(int slot, int lo, int hi) { Drive(slot, kCheckRandom, lo, hi); }

    // ClampControls, DoPreInitialize, DoInitialize with the generator seeded.
    void Start(uint32_t seed) {
        ClampControls(record_);
        AnimationRunning.store(1);
        SeedRandom(seed);
        EXPECT_EQ(record_->DoPreInitialize(record_), 0);
        EXPECT_EQ(record_->DoInitialize(record_), 0);
    }
    // One DoDrawFrame call, then the clock moves to the next frame's time.
    int Frame() {
        ++frames_;
        FrameCount.fetch_add(1);
        const int result = record_->DoDrawFrame(record_);
        clock_.Set(kClockStart + uint32_t(uint64_t(frames_) * 1000 / 60));
        return result;
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    int Close() { return record_->DoClose ? record_->DoClose(record_) : 0; }

    const std::vector<uint8_t>& Pixels() const { return surface_.picture.pixels; }
    int Width() const { return surface_.picture.width; }
    int Height() const { return surface_.picture.height; }
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
    void Clear() { std::fill(surface_.picture.pixels.begin(), surface_.picture.pixels.end(), 0); }
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

}  // namespace ztx
