// Controls: definition, random draws, oscillation, sound following, the
// draw gate, clamping, duration adjustment and source validation.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <set>

#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/sine_table.h"
#include "settings/global_options.h"
#include "shell/process_state.h"
#include "soundlink/sound_link.h"

namespace ztx {
namespace {

class FrameworkControls : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        SeedRandom(12345);
        std::memset(static_cast<void*>(&record_), 0, sizeof record_);
    }
    void TearDown() override {
        if (link_) CloseSoundLink(link_);
        ResetModuleFramework();
        SetClock(nullptr);
    }
    // Opens this test's sound link with a live analyser.
    SoundLinkRecord* LiveLink() {
        link_ = OpenSoundLink();
        EXPECT_NE(link_, nullptr);
        link_->companionLive = 1;
        link_->soundForControls = 1;
        link_->soundForPalette = 1;
        link_->slowCPU = 0;
        link_->autoGain = 0;
        link_->levelScale = 100.0f;
        link_->gainDivisor = 50;
        link_->bandScale = 10.0f;
        return link_;
    }
    ModuleRecord record_;
    SoundLinkRecord* link_ = nullptr;
};

TEST_F(FrameworkControls, DefineControlStartsFreshAndForgetsThePath) {
    std::strcpy(record_.Path, "/some/file.bmp");
    record_.EvolveState[4] = 7.0f;
    EXPECT_EQ(DefineControl(&record_, 4, 7, "X Tiling", 1, 20, 9, 2, 3, kCheckRandom, 10, 1), 1);
    EXPECT_EQ(record_.Path[0], 0);
    EXPECT_FLOAT_EQ(record_.EvolveState[4], 0.5f);
    EXPECT_EQ(record_.RangeLoDefault[4], 9);  // the ends are kept in their order
    EXPECT_EQ(record_.RangeHiDefault[4], 2);

    // A name longer than the field is cut and stays terminated.
    DefineControl(&record_, 5, 5, "A control name much longer than thirty-one", 0, 1, 0, 1, 0, 0, 10, 0);
    EXPECT_EQ(std::strlen(record_.ControlName[5]), 31u);
    EXPECT_EQ(DefineControl(&record_, 32, 0, "Out", 0, 1, 0, 1, 0, 0, 10, 0), 0);
}

TEST_F(FrameworkControls, ControlTableFillsWhatItLeavesOut) {
    static constexpr ControlSpec kTable[] = {
        {.slot = 2, .name = "Plain", .min = 1, .max = 20, .value = 4},
        {.slot = 3, .name = "Full", .store = 6, .min = 0, .max = 100, .rangeLo = 30, .rangeHi = 10, .value = 9,
         .check = kCheckRandom, .sense = 3, .animatable = true},
    };
    EXPECT_EQ(DefineControls(&record_, kTable), 0);
    // Store index, working range, value, source, sense, animatable.
    const auto fields = [&](int s) {
        const ModuleRecord& r = record_;
        return std::array{r.StoreIndex[s], r.RangeLoDefault[s], r.RangeHiDefault[s], r.ControlDefault[s],
                          r.CheckDefault[s], r.SenseDefault[s], r.Animatable[s]};
    };
    // Left out: not stored, the working range is the bounds, Set, sense 10,
    // not animatable.
    EXPECT_EQ(fields(2), (std::array<int32_t, 7>{-1, 1, 20, 4, kCheckSet, 10, 0}));
    // Given: every field reaches the record, the range ends in their order.
    EXPECT_EQ(fields(3), (std::array<int32_t, 7>{6, 30, 10, 9, kCheckRandom, 3, 1}));
}

TEST_F(FrameworkControls, PluginFormRefusesStrengthAndOutOfRangeSlots) {
    EXPECT_EQ(DefinePluginControl(&record_, 9, "Mine", 0, 5, 0, 5, 1, 0, 10, 1), 0);
    EXPECT_EQ(DefinePluginControl(&record_, 32, "Mine", 0, 5, 0, 5, 1, 0, 10, 1), 0);
    EXPECT_EQ(DefinePluginControl(&record_, -1, "Mine", 0, 5, 0, 5, 1, 0, 10, 1), 0);
    EXPECT_EQ(record_.Defined[9], 0);
    EXPECT_EQ(DefinePluginControl(&record_, 12, "Mine", 0, 5, 0, 5, 1, 0, 10, 1), 1);
    EXPECT_EQ(record_.StoreIndex[12], 12);
}

TEST_F(FrameworkControls, RandomWithReversedRangeDrawsBothEndsInclusive) {
    DefineControl(&record_, 0, 0, "A", 0, 100, 20, 10, 15, kCheckRandom, 10, 1);
    DefineControl(&record_, 1, 1, "B", 0, 100, 20, 10, 15, kCheckSet, 10, 1);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        RandomizeControls(&record_);
        seen.insert(record_.Control[0]);
        ASSERT_EQ(record_.Control[1], 15);
    }
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_EQ(*seen.begin(), 10);
    EXPECT_EQ(*seen.rbegin(), 20);

    for (int i = 0; i < 500; ++i) {
        const float v = RandomInRange(&record_, 0);
        ASSERT_GE(v, 10.0f);
        ASSERT_LT(v, 21.0f);
    }
}

TEST_F(FrameworkControls, EqualRangeEndsGiveThatValueInEveryMode) {
    LiveLink();
    link_->leftLevel = 37.0f;
    for (int check = kCheckRandom; check <= kCheckLastBand; ++check) {
        float state = 0.5f;
        DefineControl(&record_, 0, 0, "A", 0, 100, 42, 42, 0, check, 10, 1);
        RandomizeControls(&record_);
        EvolveControls(&record_);
        EXPECT_EQ(record_.Control[0], 42) << check;
        EXPECT_FLOAT_EQ(EvolveValue(check, &state, 7, 42, 42), 42.0f) << check;
    }
}

TEST_F(FrameworkControls, OscillationStartsMidwayAndFirstMovesDown) {
    DefineControl(&record_, 0, 0, "A", 0, 1000, 0, 1000, 500, kCheckOscillate, 10, 1);
    EvolveControls(&record_);
    const int first = record_.Control[0];
    EXPECT_LT(first, 500);
    EXPECT_GT(first, 400);
    EvolveControls(&record_);
    EXPECT_LT(record_.Control[0], first);
    EXPECT_NEAR(record_.EvolveState[0], 0.55f, 1e-6f);

    // Default sense: one full period in 40 evaluations.
    float state = 0.5f;
    const float start = EvolveValue(kCheckOscillate, &state, 10, 0, 1000);
    for (int i = 0; i < 39; ++i) EvolveValue(kCheckOscillate, &state, 10, 0, 1000);
    EXPECT_NEAR(EvolveValue(kCheckOscillate, &state, 10, 0, 1000), start, 0.5f);

    // The sine is divided by 16383: the extremes stay just inside the range.
    const int i = static_cast<int>(record_.EvolveState[0] * 2048.0f) & 2047;
    const float h = 0.5f + 0.5f * SineTable[i] * 6.103888e-05f;
    EXPECT_FLOAT_EQ(static_cast<float>(record_.Control[0]), std::trunc(h * 1000.0f));
}

TEST_F(FrameworkControls, SwappedEndsOscillateInAntiphase) {
    float a = 0.5f;
    float b = 0.5f;
    for (int i = 0; i < 100; ++i) {
        const float up = EvolveValue(kCheckOscillate, &a, 6, 10, 90);
        const float down = EvolveValue(kCheckOscillate, &b, 6, 90, 10);
        ASSERT_NEAR(up + down, 100.0f, 1e-3f) << i;
        ASSERT_GE(up, 10.0f);
        ASSERT_LE(up, 90.0f);
    }
}

TEST_F(FrameworkControls, SenseZeroFreezes) {
    float state = 0.5f;
    const float v = EvolveValue(kCheckOscillate, &state, 0, 0, 100);
    for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(EvolveValue(kCheckOscillate, &state, 0, 0, 100), v);

    LiveLink();
    link_->leftLevel = 100.0f;
    link_->rightLevel = 100.0f;
    float level = 0.25f;
    for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(EvolveValue(kCheckVolume, &level, 0, 0, 100), 25.0f);
    // Sense 10 jumps to the level at once.
    EXPECT_FLOAT_EQ(EvolveValue(kCheckVolume, &level, 10, 0, 100), 100.0f);
}

// Levels and senses from outside (the analyser's block, a display file)
// never take a value out of its range; NaN and infinities are silence.
TEST_F(FrameworkControls, SoundDrivenValuesStayInTheirRange) {
    LiveLink();
    const float levels[] = {0.5f, 3.4e38f, -3.4e38f, INFINITY, -INFINITY, NAN};
    for (float level : levels) {
        link_->leftLevel = level;
        link_->rightLevel = level;
        for (int sense : {-1000000, -1, 10, 11, 1000000}) {
            float state = 0.5f;
            for (int i = 0; i < 3; ++i) {
                const float v = EvolveValue(kCheckVolume, &state, sense, 20, 80);
                EXPECT_TRUE(v >= 20.0f && v <= 80.0f) << level << " sense " << sense << ": " << v;
            }
        }
    }
}

TEST_F(FrameworkControls, PinModeHoldsAnEndAndKeepsThePhase) {
    float state = 0.5f;
    PinMode = kPinUpper;
    EXPECT_FLOAT_EQ(EvolveValue(kCheckOscillate, &state, 10, 70, 20), 70.0f);
    PinMode = kPinLower;
    EXPECT_FLOAT_EQ(EvolveValue(kCheckOscillate, &state, 10, 70, 20), 20.0f);
    EXPECT_FLOAT_EQ(EvolveValue(kCheckVolume, &state, 10, 70, 20), 20.0f);
    EXPECT_FLOAT_EQ(state, 0.5f);
    PinMode = kPinNone;
    float fresh = 0.5f;
    EXPECT_FLOAT_EQ(EvolveValue(kCheckOscillate, &state, 10, 70, 20), EvolveValue(kCheckOscillate, &fresh, 10, 70, 20));
}

TEST_F(FrameworkControls, AdjustDurationShiftsAndRaisesToMin) {
    DefineControl(&ModuleTable[kSlotStar], 0, 0, "Duration", 1, 1000, 1, 1000, 30, kCheckSet, 10, 0);
    DefineControl(&ModuleTable[kSlotStar], 1, 1, "Durations", 1, 1000, 1, 1000, 30, kCheckSet, 10, 0);
    DefineControl(&ModuleTable[kSlotCube], 0, 0, "Duration", 1, 1000, 1, 1000, 30, kCheckSet, 10, 0);
    ModuleActive[kSlotStar] = 1;
    AdjustDuration(ModuleTable, -100, kModuleSlots);
    const ModuleRecord& star = ModuleTable[kSlotStar];
    EXPECT_EQ(star.Control[0], 1);
    EXPECT_EQ(star.RangeLo[0], 1);
    EXPECT_EQ(star.RangeHi[0], 900);
    EXPECT_EQ(star.Control[1], 30);             // not exactly "Duration"
    EXPECT_EQ(ModuleTable[kSlotCube].Control[0], 30);  // not active

    // No upper clamp; only the first `count` slots.
    AdjustDuration(ModuleTable, 100, kModuleSlots);
    EXPECT_EQ(star.RangeHi[0], 1000);
    AdjustDuration(ModuleTable, 100, kModuleSlots);
    EXPECT_EQ(star.RangeHi[0], 1100);
    AdjustDuration(ModuleTable, 100, kSlotStar);
    EXPECT_EQ(star.RangeHi[0], 1100);
}

TEST_F(FrameworkControls, ClampReturnsAStrayValueToItsDefaultNotTheBound) {
    DefineControl(&record_, 3, 3, "A", 0, 50, 10, 40, 25, kCheckSet, 10, 1);
    record_.Control[3] = 51;
    record_.RangeLo[3] = -1;
    record_.RangeHi[3] = 99;
    ClampControls(&record_);
    EXPECT_EQ(record_.Control[3], 25);
    EXPECT_EQ(record_.RangeLo[3], 0);
    EXPECT_EQ(record_.RangeHi[3], 50);
    record_.Control[3] = 50;
    record_.RangeLo[3] = 40;
    record_.RangeHi[3] = 10;
    ClampControls(&record_);
    EXPECT_EQ(record_.Control[3], 50);
    EXPECT_EQ(record_.RangeLo[3], 40);
    EXPECT_EQ(record_.RangeHi[3], 10);
}

TEST_F(FrameworkControls, DrivenOnlyWhileSoundMayDrive) {
    EXPECT_FALSE(IsDriven(kCheckSet));
    EXPECT_FALSE(IsDriven(kCheckRandom));
    EXPECT_TRUE(IsDriven(kCheckOscillate));
    EXPECT_FALSE(IsDriven(kCheckVolume));  // no link
    LiveLink();
    EXPECT_TRUE(IsDriven(kCheckVolume));
    EXPECT_TRUE(IsDriven(kCheckLastBand));
    link_->soundForControls = 0;
    EXPECT_FALSE(IsDriven(kCheckLeft));
    EXPECT_TRUE(IsPaletteDriven(kCheckLeft));
    link_->soundForPalette = 0;
    EXPECT_FALSE(IsPaletteDriven(kCheckLeft));
    link_->soundForControls = 1;
    link_->companionLive = 0;
    EXPECT_FALSE(IsDriven(kCheckLeft));
}

TEST_F(FrameworkControls, SoundLevelsWithoutAutomaticGain) {
    LiveLink();
    link_->leftLevel = 30.0f;
    link_->rightLevel = 50.0f;
    link_->bands1[12] = 4.0f;
    link_->bands2[12] = 8.0f;
    EXPECT_FLOAT_EQ(SoundLevel(kCheckVolume), 0.4f);
    EXPECT_FLOAT_EQ(SoundLevel(kCheckLeft), 0.3f);
    EXPECT_FLOAT_EQ(SoundLevel(kCheckRight), 0.5f);
    EXPECT_FLOAT_EQ(SoundLevel(kCheckFirstBand + 12), 0.6f);  // "8KHz"
    link_->leftLevel = 300.0f;
    EXPECT_FLOAT_EQ(SoundLevel(kCheckLeft), 3.0f);  // not clamped
    link_->levelScale = 0.0f;
    EXPECT_FLOAT_EQ(SoundLevel(kCheckLeft), 0.0f);
    EXPECT_FLOAT_EQ(SoundLevel(2), 0.0f);
    EXPECT_FLOAT_EQ(SoundLevel(22), 0.0f);
}

TEST_F(FrameworkControls, TurboModeMakesBandsFollowTheVolume) {
    LiveLink();
    link_->leftLevel = 20.0f;
    link_->rightLevel = 20.0f;  // volume 0.2
    link_->bands1[12] = 9.0f;
    link_->bands2[12] = 9.0f;  // "8KHz" 0.9
    const int band8k = kCheckFirstBand + 12;
    float state = 0.0f;
    link_->slowCPU = 1;
    EXPECT_FLOAT_EQ(EvolveValue(band8k, &state, 10, 0, 100), 20.0f);
    link_->slowCPU = 0;
    EXPECT_FLOAT_EQ(EvolveValue(band8k, &state, 10, 0, 100), 90.0f);
    // With the ends reversed the level is inverted.
    EXPECT_FLOAT_EQ(EvolveValue(band8k, &state, 10, 100, 0), 10.0f);
    // Smoothing: sense 5 moves half way.
    state = 0.0f;
    EXPECT_FLOAT_EQ(EvolveValue(band8k, &state, 5, 0, 100), 45.0f);
}

TEST_F(FrameworkControls, AutomaticGainTracksPeaksPerPair) {
    LiveLink();
    link_->autoGain = 1;
    link_->gainDivisor = 10;
    link_->leftLevel = 20.0f;
    link_->rightLevel = 20.0f;  // a = 2
    EXPECT_FLOAT_EQ(SoundLevel(kCheckVolume), 1.0f);  // first level: no span yet
    link_->leftLevel = 5.0f;
    link_->rightLevel = 5.0f;  // a = 0.5
    EXPECT_FLOAT_EQ(SoundLevel(kCheckVolume), 0.5f / 1.5f);
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, 2.0f);
    EXPECT_FLOAT_EQ(SoundPeaks(0).low, 0.5f);
    link_->leftLevel = 10.0f;  // Left = 1
    EXPECT_FLOAT_EQ(SoundLevel(kCheckLeft), 1.0f / 1.5f);

    // The bands have their own pair and use half the sum.
    link_->bands1[0] = 3.0f;
    link_->bands2[0] = 1.0f;
    EXPECT_FLOAT_EQ(SoundLevel(kCheckFirstBand), 1.0f);
    EXPECT_FLOAT_EQ(SoundPeaks(1).high, 2.0f);
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, 2.0f);
    link_->bands1[0] = 0.0f;
    link_->bands2[0] = 0.0f;
    EXPECT_FLOAT_EQ(SoundLevel(kCheckFirstBand), 0.0f);
    link_->bands1[0] = 1.0f;
    EXPECT_FLOAT_EQ(SoundLevel(kCheckFirstBand), 0.25f);
}

TEST_F(FrameworkControls, DecayPeaksFollowsTheHomingRate) {
    VirtualClock clock(5000);
    SetClock(&clock);
    SetSoundPeaks(0, {2.0f, 0.5f});
    SetSoundPeaks(1, {8.0f, 1.0f});

    Options.homingRate = 1000;  // off
    DecayPeaks();
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, 2.0f);

    Options.homingRate = 250;  // every 250 * 4 + 50 ms
    DecayPeaks();
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, (2.0f * 49.0f + 0.5f) * 0.02f);
    EXPECT_FLOAT_EQ(SoundPeaks(1).high, (8.0f * 49.0f + 1.0f) * 0.02f);
    EXPECT_FLOAT_EQ(SoundPeaks(0).low, 0.5f);
    const float once = SoundPeaks(0).high;
    clock.Advance(1050);
    DecayPeaks();
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, once);
    clock.Advance(1);
    DecayPeaks();
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, (once * 49.0f + 0.5f) * 0.02f);

    // A pair that never saw a level is left at its starting values.
    ResetControlState();
    Options.homingRate = 0;
    clock.Advance(100);
    DecayPeaks();
    EXPECT_FLOAT_EQ(SoundPeaks(0).high, 1e-11f);
    EXPECT_FLOAT_EQ(SoundPeaks(0).low, 1e11f);
}

TEST_F(FrameworkControls, DrawGateWithStartAboveStopDrawsAtBothEnds) {
    int open = 0;
    int closed = 0;
    for (int i = 0; i < 400; ++i) {
        float phase = DrawGatePhase();
        const int x = static_cast<int>(EvolveValue(kCheckOscillate, &phase, 3, 0, 100));
        const bool expected = x >= 80 || x <= 20;
        ASSERT_EQ(DrawGate(80, 20), expected) << i << " x=" << x;
        ASSERT_FLOAT_EQ(DrawGatePhase(), phase);
        (expected ? open : closed)++;
    }
    EXPECT_GT(open, 0);
    EXPECT_GT(closed, 0);

    // The defaults always draw; the phase is shared and moves 0.0075 a call.
    SetDrawGatePhase(50.0f);
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(DrawGate(0, 100));
    EXPECT_NEAR(DrawGatePhase(), 50.0f + 300 * 0.0075f, 5e-3f);
}

TEST_F(FrameworkControls, DrawGateFollowsTheVolumeWhileTheAnalyserIsLive) {
    LiveLink();
    link_->leftLevel = 50.0f;
    link_->rightLevel = 50.0f;  // volume 0.5 -> gate value 50
    EXPECT_TRUE(DrawGate(40, 60));
    EXPECT_FALSE(DrawGate(60, 80));
    EXPECT_TRUE(DrawGate(80, 50));
}

TEST_F(FrameworkControls, ValidateSourcesKeepsSoundOnlyWhereItCanDrive) {
    PaletteRecord* palette = CreatePaletteRecord(nullptr);
    ModuleRecord& active = ModuleTable[kSlotWave];
    ModuleRecord& idle = ModuleTable[kSlotWipe];
    DefineControl(&active, 0, 0, "A", 0, 10, 0, 10, 0, kCheckLeft, 10, 1);
    DefineControl(&active, 1, 1, "B", 0, 10, 0, 10, 0, kCheckRandom, 10, 1);
    DefineControl(&idle, 0, 0, "A", 0, 10, 0, 10, 0, kCheckLeft, 10, 1);
    ModuleActive[kSlotWave] = 1;
    palette->Check[PaletteControl(kKindScale, 1)] = kCheckVolume;

    // No link: sound sources become Oscillate, in the palette too.
    ValidateSources(false, palette);
    EXPECT_EQ(active.Check[0], kCheckOscillate);
    EXPECT_EQ(active.Check[1], kCheckRandom);
    EXPECT_EQ(idle.Check[0], kCheckLeft);
    EXPECT_EQ(palette->Check[PaletteControl(kKindScale, 1)], kCheckOscillate);

    // The configuration tool keeps them.
    active.Check[0] = kCheckLeft;
    ValidateSources(true, palette);
    EXPECT_EQ(active.Check[0], kCheckLeft);

    // A live analyser with the switches on keeps them and sets the indicators.
    LiveLink();
    link_->paletteUsesSound = 1;
    palette->Check[PaletteControl(kKindScale, 1)] = kCheckVolume;
    link_->soundForPalette = 0;
    ValidateSources(false, palette);
    EXPECT_EQ(active.Check[0], kCheckLeft);
    EXPECT_EQ(static_cast<int32_t>(link_->controlsUseSound), 1);
    EXPECT_EQ(static_cast<int32_t>(link_->paletteUsesSound), 0);
    EXPECT_EQ(palette->Check[PaletteControl(kKindScale, 1)], kCheckOscillate);

    palette->Check[PaletteControl(kKindScale, 1)] = kCheckVolume;
    link_->soundForPalette = 1;
    active.Check[0] = kCheckSet;
    link_->controlsUseSound = 0;
    ValidateSources(false, palette);
    EXPECT_EQ(palette->Check[PaletteControl(kKindScale, 1)], kCheckVolume);
    EXPECT_EQ(static_cast<int32_t>(link_->paletteUsesSound), 1);
    EXPECT_EQ(static_cast<int32_t>(link_->controlsUseSound), 1);
    FreePaletteRecord(palette);
}

}  // namespace
}  // namespace ztx
