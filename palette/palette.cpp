#include "palette/palette.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "modules/framework/controls.h"
#include "palette/palette_state.h"
#include "palette/waves.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/sine_table.h"

namespace ztx {

namespace palette_detail {
EngineState& Engine() {
    static EngineState state;
    return state;
}
}  // namespace palette_detail

using palette_detail::Engine;

namespace {

struct KindDefaults {
    const char* name;
    int32_t min, max, animatable, value, rangeLo, rangeHi, check;
};

constexpr KindDefaults kKinds[kPaletteKinds] = {
    {"Scale", 0, 100, 1, 100, 0, 100, kCheckSet},
    {"Density", 1, 80, 1, 6, 1, 12, kCheckRandom},
    {"FadeFactor", 1, 300, 1, 14, 1, 200, kCheckSet},
    {"RampDecay", 1, 300, 1, 14, 1, 200, kCheckSet},
    {"Seconds", 0, 300, 0, 16, 10, 30, kCheckSet},
    {"CycleRate", 10, 200, 0, 30, 10, 60, kCheckSet},
    {"Event", 0, 3000, 0, 1000, 10, 600, kCheckSet},
    {"Direction", -50, 50, 1, 1, -3, 3, kCheckSet},
    {"MorphRate", 1, 64, 1, 9, 6, 16, kCheckRandom},
    {"Intensity", 0, 200, 1, 100, 0, 100, kCheckSet},
};
constexpr int32_t kDefaultSense = 7;
constexpr int32_t kInitialPeriodMs = 15000;

constexpr const char* kChannelNames[kChannels] = {"Red", "Green", "Blue"};

// a mod m in 0..m-1 for any sign of a.
int Wrap(int64_t a, int m) {
    const int64_t r = a % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

uint8_t ChannelByte(const PaletteColor& c, int channel) {
    return channel == 0 ? c.red : channel == 1 ? c.green : c.blue;
}

// The custom palette's initial random gradient: each channel walks from a
// random level by a small random step, bouncing off 0 and 255.
void FillRandomGradient(PaletteColor* custom) {
    int step[kChannels];
    int level[kChannels];
    step[2] = Rand15() % 10;
    step[1] = Rand15() % 10;
    step[0] = Rand15() % 10;
    for (int& l : level) l = Rand15() & 255;
    for (int i = 0; i < kPaletteEntries; ++i) {
        for (int c = 0; c < kChannels; ++c) {
            const int next = level[c] + step[c];
            if (next >= 256 || next < 0) step[c] = -step[c];
            else level[c] = next;
        }
        custom[i] = PaletteColor{static_cast<uint8_t>(level[0]), static_cast<uint8_t>(level[1]),
                                 static_cast<uint8_t>(level[2]), kReservedFlag};
    }
}

// Sets the channel's effect flags for a regeneration.
void ApplyEffect(PaletteRecord* p, int c) {
    p->ramp[c] = 0;
    p->fade[c] = 0;
    p->blackout[c] = 0;
    p->useCustom[c] = 0;
    p->coarse[c] = Rand15() % 2;
    switch (p->effect[c]) {
        case kEffectRamp: p->ramp[c] = 1; break;
        case kEffectFade: p->fade[c] = 1; break;
        case kEffectSmooth: p->coarse[c] = 0; break;
        case kEffectCoarse: p->coarse[c] = 1; break;
        case kEffectBlackout: p->blackout[c] = 1; break;
        case kEffectCustom: p->useCustom[c] = 1; break;
        default: p->ramp[c] = (Rand15() % 6 == 1) ? 1 : 0; break;  // "Random" and unknown numbers
    }
}

}  // namespace

const char* PaletteKindName(int kind) { return kind >= 0 && kind < kPaletteKinds ? kKinds[kind].name : ""; }
const char* ChannelName(int channel) { return channel >= 0 && channel < kChannels ? kChannelNames[channel] : ""; }

PaletteRecord* CurrentPalette() { return Engine().current; }

int32_t* ChannelWave(int channel) { return Engine().waves[std::clamp(channel, 0, kChannels - 1)]; }

void SetPaletteDefaults(PaletteRecord* p) {
    for (int k = 0; k < kPaletteKinds; ++k) {
        const KindDefaults& d = kKinds[k];
        p->Min[k] = d.min;
        p->Max[k] = d.max;
        p->Animatable[k] = d.animatable;
        for (int c = 0; c < kChannels; ++c) {
            const int n = PaletteControl(k, c);
            p->Control[n] = p->ControlDefault[n] = d.value;
            p->Check[n] = p->CheckDefault[n] = d.check;
            p->RangeLo[n] = p->RangeLoDefault[n] = d.rangeLo;
            p->RangeHi[n] = p->RangeHiDefault[n] = d.rangeHi;
            p->Sense[n] = p->SenseDefault[n] = kDefaultSense;
            p->EvolveState[n] = 0.5f;
        }
    }
}

PaletteRecord* CreatePaletteRecord(void* dc) {
    SeedRandom(GetTickCount());
    auto* p = new PaletteRecord{};
    p->description.version = 0x300;
    p->description.count = kPaletteEntries;
    for (PaletteColor& e : p->description.entries) e.flags = kReservedFlag;
    p->animate = 1;
    p->dc = dc;
    SetPaletteDefaults(p);
    for (int c = 0; c < kChannels; ++c) p->period[c] = kInitialPeriodMs;
    // The device shows the new palette: all black until the first step.
    DeviceColors().SetAnimated(p->description.entries, 0, kPaletteEntries);
    FillRandomGradient(p->custom);
    Engine().current = p;
    return p;
}

void FreePaletteRecord(PaletteRecord* record) {
    if (record == nullptr) return;
    palette_detail::EngineState& e = Engine();
    std::memset(e.waves, 0, sizeof(e.waves));
    if (e.current == record) e.current = nullptr;
    delete record;
}

int PaletteControlValue(PaletteRecord* p, int n) {
    if (p->Check[n] >= kCheckOscillate) {
        p->Control[n] = TruncateToInt(EvolveValue(p->Check[n], &p->EvolveState[n], p->Sense[n], p->RangeLo[n],
                                                  p->RangeHi[n]));
    }
    return p->Control[n];
}

void RegenerateChannel(PaletteRecord* p, int c) {
    if (c < 0 || c >= kChannels) return;
    // 1. Fresh parameters.
    for (int k = 0; k < kPaletteKinds; ++k) {
        const int n = PaletteControl(k, c);
        if (p->Check[n] == kCheckRandom) {
            const int64_t lo = p->RangeLo[n];
            const int64_t hi = p->RangeHi[n];
            p->Control[n] = static_cast<int32_t>(std::min(lo, hi) + Rand15() % (std::llabs(hi - lo) + 1));
        } else if (p->Check[n] >= kCheckOscillate) {
            PaletteControlValue(p, n);
        }
    }
    const int64_t seconds = std::clamp<int64_t>(p->Control[PaletteControl(kKindSeconds, c)], 0, 2000000);
    p->period[c] = static_cast<int32_t>(seconds * 1000);
    ApplyEffect(p, c);
    // 2. When the next regeneration is due.
    p->nextRegeneration[c] = GetTickCount() + static_cast<uint32_t>(p->period[c]);
    // 3. A new wave.
    int32_t* wave = Engine().waves[c];
    if (Rand15() & 1) SineWave(wave);
    else TriangleWave(wave, kPlainTriangleSlope);
    if (p->coarse[c]) AddSpikes(wave);
    // 4. Where in the wave the levels start.
    p->densityStep[c] = p->Control[PaletteControl(kKindDensity, c)];
    p->phaseOffset[c] = Rand15() % kPaletteEntries;
    p->runningIndex[c] = 0;
    // 5. All levels.
    for (int i = 0; i < kPaletteEntries; ++i) GenerateEntry(p, c, i);
}

void GenerateEntry(PaletteRecord* p, int c, int entry) {
    if (c < 0 || c >= kChannels || entry < 0 || entry >= kPaletteEntries) return;
    uint8_t& out = p->displayed[c][entry];
    if (p->blackout[c]) {
        out = 0;
        return;
    }
    const int32_t ri = p->runningIndex[c];
    int level;
    if (p->useCustom[c]) {
        level = ChannelByte(p->custom[Wrap(ri, kPaletteEntries)], c);
    } else {
        const int64_t index = int64_t{p->densityStep[c]} * ri + p->phaseOffset[c];
        const int32_t v = Engine().waves[c][Wrap(index, kWaveSize)];
        level = std::min(std::abs(v) >> 6, 255);
    }

    const int intensity = PaletteControlValue(p, PaletteControl(kKindIntensity, c));
    level = static_cast<int>(std::clamp<int64_t>(int64_t{level} * intensity / 100, 0, 255));

    p->densityStep[c] = PaletteControlValue(p, PaletteControl(kKindDensity, c));

    if (p->fade[c]) {
        const int factor = PaletteControlValue(p, PaletteControl(kKindFadeFactor, c));
        const int32_t s = SineTable[Wrap(int64_t{factor} * ri, kWaveSize)];
        level = s == 0 ? 0 : level * std::abs(s) / 16383;
    } else if (p->ramp[c]) {
        const int decay = PaletteControlValue(p, PaletteControl(kKindRampDecay, c));
        const int32_t s = SineTable[Wrap(int64_t{decay} * ri, kWaveSize)];
        int32_t& previous = Engine().previousRampSample[c];
        level = (previous > s && s > 0) ? level * s / 16383 : 0;
        previous = s;
    }
    out = static_cast<uint8_t>(level);
    p->runningIndex[c] = ri == INT32_MAX ? 0 : ri + 1;
}

void ResetPaletteEngine() {
    palette_detail::EngineState& e = Engine();
    e.current = nullptr;
    std::memset(e.waves, 0, sizeof(e.waves));
    std::memset(e.previousRampSample, 0, sizeof(e.previousRampSample));
    e.stepCounter = 0;
}

}  // namespace ztx
