// The palette record and level generation: defaults at creation, the wave
// generators, entry generation with its effects, and a golden run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "modules/framework/controls.h"
#include "palette/color_effects.h"
#include "palette/palette.h"
#include "palette/waves.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/device_colors.h"
#include "render/sine_table.h"

namespace ztx {
namespace {

class PaletteGeneration : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPaletteEngine();
        SetClock(&clock_);
        palette_ = CreatePaletteRecord(nullptr);
    }
    void TearDown() override {
        FreePaletteRecord(palette_);
        ResetPaletteEngine();
        SetClock(nullptr);
    }
    // Fixes one control of a channel to a value.
    void Fix(int kind, int channel, int value) {
        palette_->Check[PaletteControl(kind, channel)] = kCheckSet;
        palette_->Control[PaletteControl(kind, channel)] = value;
    }
    // The level the wave gives entry `ri` before intensity and modulation.
    int WaveBase(int c, int ri) const {
        const int index = (palette_->densityStep[c] * ri + palette_->phaseOffset[c]) % 2048;
        return std::abs(ChannelWave(c)[index]) >> 6;
    }

    VirtualClock clock_{40000};
    PaletteRecord* palette_ = nullptr;
};

TEST_F(PaletteGeneration, CreationShowsBlackUntilTheFirstStep) {
    EXPECT_EQ(CurrentPalette(), palette_);
    EXPECT_EQ(palette_->Check[PaletteControl(kKindDensity, 2)], kCheckRandom);
    EXPECT_EQ(palette_->Check[PaletteControl(kKindMorphRate, 0)], kCheckRandom);
    EXPECT_EQ(palette_->period[1], 15000);
    uint32_t device[256];
    DeviceColors().Read(device);
    for (int i = 0; i < kPaletteEntries; ++i) {
        EXPECT_EQ(device[kFirstAnimated + i], 0u) << i;
        EXPECT_EQ(palette_->description.entries[i].flags, kReservedFlag);
    }
    FreePaletteRecord(palette_);
    EXPECT_EQ(CurrentPalette(), nullptr);
    palette_ = CreatePaletteRecord(nullptr);
}

TEST_F(PaletteGeneration, CustomPaletteStartsAsABouncingGradient) {
    for (int i = 0; i < kPaletteEntries; ++i) {
        const PaletteColor& e = palette_->custom[i];
        EXPECT_EQ(e.flags, 1);
        if (i == 0) continue;
        const PaletteColor& before = palette_->custom[i - 1];
        EXPECT_LE(std::abs(e.red - before.red), 9);
        EXPECT_LE(std::abs(e.green - before.green), 9);
        EXPECT_LE(std::abs(e.blue - before.blue), 9);
    }
    // Creation seeds the generator with the tick count: same time, same palette.
    PaletteColor first[kPaletteEntries];
    std::memcpy(first, palette_->custom, sizeof first);
    FreePaletteRecord(palette_);
    palette_ = CreatePaletteRecord(nullptr);
    EXPECT_EQ(std::memcmp(first, palette_->custom, sizeof first), 0);
}

TEST_F(PaletteGeneration, WaveGenerators) {
    int32_t t[kWaveTableSize];
    TriangleWave(t, kPlainTriangleSlope);
    EXPECT_EQ(t[0], 0);
    EXPECT_NEAR(t[512], 16383, 1);
    EXPECT_EQ(t[513], 16383);  // the turn holds the peak for one entry
    EXPECT_NEAR(t[1024], 0, 64);
    EXPECT_NEAR(t[1536], -16383, 64);
    EXPECT_NEAR(t[2047], 0, 128);
    for (int i = 1; i < kWaveTableSize; ++i) ASSERT_LE(std::abs(t[i] - t[i - 1]), 32);

    SineWave(t);
    EXPECT_EQ(std::memcmp(t, SineTable, sizeof t), 0);

    // A smoothing pass works in place: each mean sees the one before it.
    std::memset(t, 0, sizeof t);
    t[0] = 9;
    SmoothWave(t);
    EXPECT_EQ(t[0], 9);
    EXPECT_EQ(t[1], 3);
    EXPECT_EQ(t[2], 1);
    EXPECT_EQ(t[3], 0);

    SeedRandom(99);
    TriangleWave(t, kPlainTriangleSlope);
    AddSpikes(t);
    for (int v : t) ASSERT_LE(std::abs(v), 16383);
    SeedRandom(7);
    NoisyWave(t);
    int32_t again[kWaveTableSize];
    SeedRandom(7);
    NoisyWave(again);
    EXPECT_EQ(std::memcmp(t, again, sizeof t), 0);
    for (int v : t) ASSERT_LE(std::abs(v), 19659);
}

TEST_F(PaletteGeneration, LevelsComeFromTheWaveAtTheDensityStep) {
    palette_->effect[0] = kEffectSmooth;
    for (int density : {1, 6, 80}) {
        Fix(kKindDensity, 0, density);
        RegenerateChannel(palette_, 0);
        EXPECT_EQ(palette_->densityStep[0], density);
        EXPECT_EQ(palette_->runningIndex[0], kPaletteEntries);
        EXPECT_GE(palette_->phaseOffset[0], 0);
        EXPECT_LT(palette_->phaseOffset[0], kPaletteEntries);
        for (int i = 0; i < kPaletteEntries; ++i) ASSERT_EQ(palette_->displayed[0][i], WaveBase(0, i)) << i;
    }
    EXPECT_EQ(palette_->nextRegeneration[0], clock_.TickCount() + 16000u);
    EXPECT_EQ(palette_->period[0], 16000);
}

TEST_F(PaletteGeneration, IntensityScalesAndSaturates) {
    palette_->effect[1] = kEffectSmooth;
    Fix(kKindIntensity, 1, 200);
    RegenerateChannel(palette_, 1);
    int saturated = 0;
    for (int i = 0; i < kPaletteEntries; ++i) {
        ASSERT_EQ(palette_->displayed[1][i], std::min(255, WaveBase(1, i) * 2));
        saturated += palette_->displayed[1][i] == 255;
    }
    EXPECT_GT(saturated, 0);
    Fix(kKindIntensity, 1, 0);
    RegenerateChannel(palette_, 1);
    for (uint8_t v : palette_->displayed[1]) ASSERT_EQ(v, 0);
}

TEST_F(PaletteGeneration, BlackoutIsBlackAndKeepsTheIndexAtZero) {
    palette_->effect[2] = kEffectBlackout;
    RegenerateChannel(palette_, 2);
    for (uint8_t v : palette_->displayed[2]) ASSERT_EQ(v, 0);
    EXPECT_EQ(palette_->runningIndex[2], 0);
    CycleChannel(palette_, 2, 5);
    EXPECT_EQ(palette_->runningIndex[2], 0);
}

TEST_F(PaletteGeneration, FadeMultipliesBySineFromNearBlack) {
    palette_->effect[0] = kEffectFade;
    Fix(kKindFadeFactor, 0, 1);
    Fix(kKindDensity, 0, 1);
    RegenerateChannel(palette_, 0);
    EXPECT_EQ(palette_->fade[0], 1);
    for (int i = 0; i < kPaletteEntries; ++i) {
        ASSERT_EQ(palette_->displayed[0][i], WaveBase(0, i) * std::abs(SineTable[i]) / 16383) << i;
    }
    EXPECT_LE(palette_->displayed[0][0], 1);
    EXPECT_NEAR(SineTable[235] / 16383.0, 0.66, 0.01);
}

TEST_F(PaletteGeneration, RampPassesOnlyTheFallingPositiveQuarter) {
    palette_->effect[0] = kEffectRamp;
    Fix(kKindRampDecay, 0, 14);
    RegenerateChannel(palette_, 0);
    EXPECT_EQ(palette_->ramp[0], 1);
    int previous = 0;  // the first regeneration of the run starts from 0
    int lit = 0;
    for (int i = 0; i < kPaletteEntries; ++i) {
        const int s = SineTable[(14 * i) % 2048];
        const int expected = (previous > s && s > 0) ? WaveBase(0, i) * s / 16383 : 0;
        ASSERT_EQ(palette_->displayed[0][i], expected) << i;
        lit += expected > 0;
        previous = s;
    }
    EXPECT_GT(lit, 0);
}

TEST_F(PaletteGeneration, CustomEffectReadsTheCustomPaletteUntilTheEffectChanges) {
    palette_->effect[1] = kEffectCustom;
    RegenerateChannel(palette_, 1);
    EXPECT_EQ(palette_->useCustom[1], 1);
    for (int i = 0; i < kPaletteEntries; ++i) ASSERT_EQ(palette_->displayed[1][i], palette_->custom[i].green);
    palette_->effect[1] = kEffectSmooth;
    RegenerateChannel(palette_, 1);
    EXPECT_EQ(palette_->useCustom[1], 0);
    EXPECT_EQ(palette_->coarse[1], 0);
    for (int i = 0; i < kPaletteEntries; ++i) ASSERT_EQ(palette_->displayed[1][i], WaveBase(1, i));
}

TEST_F(PaletteGeneration, RandomEffectRampsAboutOneTimeInSix) {
    // Unknown effect numbers behave as "Random".
    palette_->effect[0] = 42;
    int ramps = 0;
    for (int i = 0; i < 600; ++i) {
        RegenerateChannel(palette_, 0);
        ramps += palette_->ramp[0];
        ASSERT_EQ(palette_->fade[0] + palette_->blackout[0] + palette_->useCustom[0], 0);
    }
    EXPECT_GT(ramps, 60);
    EXPECT_LT(ramps, 150);
}

TEST_F(PaletteGeneration, DrivenControlsEvolveWhileEntriesAreGenerated) {
    const int n = PaletteControl(kKindIntensity, 0);
    palette_->Check[n] = kCheckOscillate;
    palette_->RangeLo[n] = 50;
    palette_->RangeHi[n] = 150;
    palette_->Sense[n] = 7;
    palette_->effect[0] = kEffectSmooth;
    RegenerateChannel(palette_, 0);
    // Evolved once at the start of the regeneration and once per entry.
    EXPECT_NEAR(palette_->EvolveState[n], 0.5f + 237 * 7 * 0.0025f, 1e-3f);
}

// A fixed start time (which seeds the generator) gives the same colours
// after many steps in every run.
uint64_t GoldenRun(VirtualClock& clock) {
    ResetPaletteEngine();
    clock.Set(123456);
    PaletteRecord* p = CreatePaletteRecord(nullptr);
    p->effect[0] = kEffectRamp;
    p->effect[1] = kEffectFade;
    p->effect[2] = kEffectRandom;
    p->Check[PaletteControl(kKindDirection, 2)] = kCheckOscillate;
    p->Control[PaletteControl(kKindEvent, 0)] = 40;
    StartColorEffect(p);
    uint64_t hash = 1469598103934665603ull;
    const auto mix = [&](const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    for (int step = 0; step < 3000; ++step) {
        StepColorEffect(p);
        PaletteEvents(p);
        clock.Advance(CycleInterval(p));
        if (step % 50 == 0) mix(p->description.entries, sizeof p->description.entries);
    }
    mix(p->displayed, sizeof p->displayed);
    mix(p->custom, sizeof p->custom);
    FreePaletteRecord(p);
    return hash;
}

TEST_F(PaletteGeneration, FixedSeedGivesTheGoldenPalette) {
    FreePaletteRecord(palette_);
    palette_ = nullptr;
    const uint64_t first = GoldenRun(clock_);
    EXPECT_EQ(GoldenRun(clock_), first);
    EXPECT_EQ(first, 0xa4b535e1a602bcfeull) << std::hex << first;
}

}  // namespace
}  // namespace ztx
