// The colour effects over time: morphing, cycling, events, brightness, the
// hand-off to the device colour table, hastening and the cycle interval.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "modules/framework/controls.h"
#include "palette/color_effects.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "render/device_colors.h"

namespace ztx {
namespace {

using Row = std::vector<uint8_t>;

class PaletteEffects : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPaletteEngine();
        SetClock(&clock_);
        p_ = CreatePaletteRecord(nullptr);
        for (int c = 0; c < kChannels; ++c) {
            p_->effect[c] = kEffectSmooth;
            Fix(kKindDensity, c, 5);
            Fix(kKindMorphRate, c, 9);
        }
        StartColorEffect(p_);
    }
    void TearDown() override {
        FreePaletteRecord(p_);
        ResetPaletteEngine();
        SetClock(nullptr);
    }
    void Fix(int kind, int channel, int value) {
        p_->Check[PaletteControl(kind, channel)] = kCheckSet;
        p_->Control[PaletteControl(kind, channel)] = value;
    }
    Row Displayed(int c) const { return Row(p_->displayed[c], p_->displayed[c] + kPaletteEntries); }
    int WaveBase(int c, int ri) const {
        return std::abs(ChannelWave(c)[(p_->densityStep[c] * ri + p_->phaseOffset[c]) % 2048]) >> 6;
    }

    VirtualClock clock_{100000};
    PaletteRecord* p_ = nullptr;
};

TEST_F(PaletteEffects, MorphRate64BlendsFourTimesThenCycles) {
    Fix(kKindMorphRate, 0, 64);
    Fix(kKindDirection, 0, 1);
    const Row before = Displayed(0);
    p_->nextRegeneration[0] = 0;  // due now
    StepColorEffect(p_);
    const Row after(p_->target[0], p_->target[0] + kPaletteEntries);
    EXPECT_EQ(Row(p_->previous[0], p_->previous[0] + kPaletteEntries), before);
    EXPECT_EQ(PaletteStepCounter(), 1);

    Row blend;
    for (int m : {0, 64, 128, 192}) {
        if (m > 0) StepColorEffect(p_);
        blend = Displayed(0);
        for (int i = 0; i < kPaletteEntries; ++i) {
            ASSERT_EQ(blend[i], (before[i] * (255 - m) + after[i] * m) >> 8) << "m=" << m << " i=" << i;
        }
    }
    EXPECT_EQ(p_->morphing[0], 0);
    // The last blend is what cycles; the target is never shown unblended.
    StepColorEffect(p_);
    const Row cycled = Displayed(0);
    for (int i = 0; i + 1 < kPaletteEntries; ++i) ASSERT_EQ(cycled[i], blend[i + 1]);
}

TEST_F(PaletteEffects, MorphRate1Takes256StepsAndRegenerationWaitsForIt) {
    Fix(kKindMorphRate, 1, 1);
    p_->nextRegeneration[1] = 0;
    StepColorEffect(p_);
    const Row previous(p_->previous[1], p_->previous[1] + kPaletteEntries);
    int steps = 1;
    while (p_->morphing[1] && steps < 1000) {
        p_->nextRegeneration[1] = 0;  // due again, but the morph is running
        StepColorEffect(p_);
        ++steps;
        ASSERT_EQ(Row(p_->previous[1], p_->previous[1] + kPaletteEntries), previous);
    }
    EXPECT_EQ(steps, 256);
}

TEST_F(PaletteEffects, NegativeDirectionRegeneratesOneMoreAtTheBottom) {
    Fix(kKindDirection, 0, -3);
    const Row before = Displayed(0);
    const int ri = p_->runningIndex[0];
    StepColorEffect(p_);
    const Row after = Displayed(0);
    EXPECT_EQ(p_->runningIndex[0], ri + 4);
    for (int i = 4; i < kPaletteEntries; ++i) ASSERT_EQ(after[i], before[i - 3]) << i;
    // Generated from the top down: entry 3 first, entry 0 last.
    for (int k = 0; k <= 3; ++k) EXPECT_EQ(after[3 - k], WaveBase(0, ri + k)) << k;
}

TEST_F(PaletteEffects, PositiveDirectionRegeneratesAtTheTop) {
    Fix(kKindDirection, 2, 3);
    const Row before = Displayed(2);
    const int ri = p_->runningIndex[2];
    StepColorEffect(p_);
    const Row after = Displayed(2);
    EXPECT_EQ(p_->runningIndex[2], ri + 3);
    for (int i = 0; i < kPaletteEntries - 3; ++i) ASSERT_EQ(after[i], before[i + 3]) << i;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(after[233 + k], WaveBase(2, ri + k)) << k;
}

TEST_F(PaletteEffects, DirectionZeroFreezesBetweenRegenerations) {
    for (int c = 0; c < kChannels; ++c) Fix(kKindDirection, c, 0);
    const Row before = Displayed(1);
    for (int i = 0; i < 50; ++i) StepColorEffect(p_);
    EXPECT_EQ(Displayed(1), before);
}

TEST_F(PaletteEffects, EventZeroFiresEverySecondStep) {
    Fix(kKindEvent, 0, 0);
    Fix(kKindEvent, 1, kEventNever);
    Fix(kKindDirection, 1, 2);
    const int ri1 = p_->runningIndex[1];
    std::vector<int> counters;
    for (int i = 0; i < 6; ++i) {
        PaletteEvents(p_);
        counters.push_back(p_->eventCounter[0]);
    }
    EXPECT_EQ(counters, (std::vector<int>{1, 0, 1, 0, 1, 0}));
    // "Event" 3000 never reverses or jumps.
    EXPECT_EQ(p_->eventCounter[1], 0);
    EXPECT_EQ(p_->Control[PaletteControl(kKindDirection, 1)], 2);
    EXPECT_EQ(p_->runningIndex[1], ri1);
}

TEST_F(PaletteEffects, AnEventReversesOrJumps) {
    Fix(kKindEvent, 0, 0);
    Fix(kKindDirection, 0, 2);
    int reversed = 0;
    int jumped = 0;
    for (int i = 0; i < 200; ++i) {
        const int direction = p_->Control[PaletteControl(kKindDirection, 0)];
        p_->runningIndex[0] = 5000;  // out of any jump's reach
        PaletteEvents(p_);
        PaletteEvents(p_);
        const int now = p_->Control[PaletteControl(kKindDirection, 0)];
        if (now == -direction) ++reversed;
        if (p_->runningIndex[0] != 5000) {
            ++jumped;
            ASSERT_LT(p_->runningIndex[0], 2048);
        }
    }
    EXPECT_EQ(reversed + jumped, 200);
    EXPECT_GT(reversed, 50);
    EXPECT_GT(jumped, 50);
}

TEST_F(PaletteEffects, ScaledColoursGoToTheDeviceTable) {
    Fix(kKindScale, 0, 50);
    Fix(kKindScale, 1, 0);
    StepColorEffect(p_);
    uint32_t device[256];
    DeviceColors().Read(device);
    for (int i = 0; i < kPaletteEntries; ++i) {
        const uint32_t rgb = device[kFirstAnimated + i];
        ASSERT_EQ((rgb >> 16) & 0xFF, p_->displayed[0][i] * 50u / 100u) << i;
        ASSERT_EQ((rgb >> 8) & 0xFF, 0u) << i;  // "Scale" 0 removes green
        ASSERT_EQ(rgb & 0xFF, p_->displayed[2][i]) << i;
        ASSERT_EQ(p_->description.entries[i].flags, kReservedFlag);
    }
    // The palette keeps animating on every display after 237 steps.
    for (int i = 0; i < 300; ++i) StepColorEffect(p_);
    EXPECT_EQ(p_->animate, 1);
    const uint32_t generation = DeviceColors().Generation();
    StepColorEffect(p_);
    EXPECT_NE(DeviceColors().Generation(), generation);
}

TEST_F(PaletteEffects, APausedPaletteLeavesTheDeviceAlone) {
    p_->animate = 0;
    const uint32_t generation = DeviceColors().Generation();
    const Row before = Displayed(0);
    StepColorEffect(p_);
    EXPECT_EQ(DeviceColors().Generation(), generation);
    EXPECT_EQ(Displayed(0), before);
    // A regeneration resumes it.
    p_->nextRegeneration[0] = 0;
    StepColorEffect(p_);
    EXPECT_EQ(p_->animate, 1);
    EXPECT_NE(DeviceColors().Generation(), generation);
}

TEST_F(PaletteEffects, HastenRegeneratesAllChannelsHalfASecondLater) {
    HastenRegeneration(p_);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p_->nextRegeneration[c], clock_.TickCount() + 500u);
    clock_.Advance(500);
    StepColorEffect(p_);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p_->morphing[c], 0);
    clock_.Advance(1);
    StepColorEffect(p_);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p_->morphing[c], 1);
}

TEST_F(PaletteEffects, CycleIntervalIsTheRedCycleRate) {
    EXPECT_EQ(CycleInterval(p_), 30u);
    Fix(kKindCycleRate, 0, 120);
    Fix(kKindCycleRate, 1, 10);
    EXPECT_EQ(CycleInterval(p_), 120u);
    Fix(kKindCycleRate, 0, 0);
    EXPECT_EQ(CycleInterval(p_), 1u);
}

TEST_F(PaletteEffects, OverlongCyclesStayInsideThePalette) {
    // At most the whole palette moves: 235 entries scroll in at the top,
    // 236 at the bottom.
    for (int d : {235, 300, -235, -1000}) {
        const int ri = p_->runningIndex[0];
        CycleChannel(p_, 0, d);
        EXPECT_EQ(p_->runningIndex[0] - ri, d > 0 ? 235 : 236) << d;
    }
}

}  // namespace
}  // namespace ztx
