#include "modules/framework/controls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/int_math.h"
#include "render/sine_table.h"
#include "settings/global_options.h"
#include "soundlink/sound_link.h"

namespace ztx {

std::atomic<int> PinMode{kPinNone};

namespace {

constexpr float kInitialPeakHigh = 1e-11f;
constexpr float kInitialPeakLow = 1e11f;
constexpr float kInitialGatePhase = 50.0f;
// Oscillation phases are kept below this many periods: the index into the
// sine table repeats every whole period, and subtracting a power of two is
// exact, so the sweep is unchanged while the float keeps its precision
// through days of running.
constexpr float kPhaseWrap = 256.0f;

struct AtomicPeakPair {
    std::atomic<float> high{kInitialPeakHigh};
    std::atomic<float> low{kInitialPeakLow};
};

// Pair 0: Volume, Left, Right. Pair 1: the sixteen bands.
AtomicPeakPair g_peaks[2];
std::atomic<uint32_t> g_nextDecay{0};
// The draw gate's phase, shared by every module (animation thread only).
float g_gatePhase = kInitialGatePhase;

bool SoundLive(const SoundLinkRecord* link) { return link != nullptr && link->companionLive != 0; }

int32_t Clamp64(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Divides a level by a scale, giving 0 for a scale that is not positive (a
// link whose analyser has not filled in its scales yet).
float ScaledLevel(float level, float scale) { return scale > 0.0f ? level / scale : 0.0f; }

// Records `a` in a tracker pair and returns it normalised against the pair's
// span, capped at 1.
float TrackAndNormalise(AtomicPeakPair& pair, float a) {
    if (!std::isfinite(a)) return 0.0f;
    float high = pair.high.load(std::memory_order_relaxed);
    float low = pair.low.load(std::memory_order_relaxed);
    if (a > high) {
        high = a;
        pair.high.store(high, std::memory_order_relaxed);
    }
    if (a < low) {
        low = a;
        pair.low.store(low, std::memory_order_relaxed);
    }
    const float span = high - low;
    // Before the pair has seen two different levels the span is 0: a level
    // above 0 then counts as full, silence as silence (instead of 0 / 0).
    float result = span > 0.0f ? a / span : (a > 0.0f ? 1.0f : 0.0f);
    return std::min(result, 1.0f);
}

}  // namespace

int DefineControl(ModuleRecord* record, int slot, int storeIndex, const char* name, int min, int max,
                  int rangeLo, int rangeHi, int value, int check, int sense, int animatable) {
    if (record == nullptr || slot < 0 || slot >= kControlCount) return 0;
    record->Defined[slot] = 1;
    char* dest = record->ControlName[slot];
    std::memset(dest, 0, ZTX_CONTROL_NAME_SIZE);
    if (name != nullptr) std::strncpy(dest, name, ZTX_CONTROL_NAME_SIZE - 1);
    record->StoreIndex[slot] = storeIndex;
    record->Min[slot] = min;
    record->Max[slot] = max;
    record->RangeLo[slot] = record->RangeLoDefault[slot] = rangeLo;
    record->RangeHi[slot] = record->RangeHiDefault[slot] = rangeHi;
    record->Control[slot] = record->ControlDefault[slot] = value;
    record->Check[slot] = record->CheckDefault[slot] = check;
    record->Sense[slot] = record->SenseDefault[slot] = sense;
    record->EvolveState[slot] = 0.5f;
    record->Animatable[slot] = animatable;
    record->Path[0] = 0;
    return 1;
}

int DefinePluginControl(ModuleRecord* record, int slot, const char* name, int min, int max, int rangeLo,
                        int rangeHi, int value, int check, int sense, int animatable) {
    if (slot == kStrengthSlot || slot < 0 || slot >= kControlCount) return 0;
    return DefineControl(record, slot, slot, name, min, max, rangeLo, rangeHi, value, check, sense,
                         animatable);
}

int DefineControls(ModuleRecord* record, std::span<const ControlSpec> table) {
    for (const ControlSpec& c : table) {
        DefineControl(record, c.slot, c.store, c.name, c.min, c.max, c.rangeLo.value_or(c.min),
                      c.rangeHi.value_or(c.max), c.value, c.check, c.sense, c.animatable ? 1 : 0);
    }
    return 0;
}

void RandomizeControls(ModuleRecord* record) {
    for (int s = 0; s < kControlCount; ++s) {
        if (record->Check[s] != kCheckRandom) continue;
        const int64_t lo = record->RangeLo[s];
        const int64_t hi = record->RangeHi[s];
        const int64_t span = std::llabs(hi - lo) + 1;
        record->Control[s] = static_cast<int32_t>(std::min(lo, hi) + Rand15() % span);
    }
}

int EvolveControls(ModuleRecord* record) {
    for (int s = 0; s < kControlCount; ++s) {
        if (record->Check[s] >= kCheckOscillate) record->Control[s] = EvolveControl(record, s);
    }
    return 0;
}

int EvolveControl(ModuleRecord* record, int slot) {
    const float v = EvolveValue(record->Check[slot], &record->EvolveState[slot], record->Sense[slot],
                                record->RangeLo[slot], record->RangeHi[slot]);
    return TruncateToInt(v);
}

int DrivenValue(ModuleRecord* record, int slot, int held) {
    return IsDriven(record->Check[slot]) ? EvolveControl(record, slot) : held;
}

void ClampControls(ModuleRecord* record) {
    for (int s = 0; s < kControlCount; ++s) {
        const int32_t lo = record->Min[s];
        const int32_t hi = record->Max[s];
        if (record->Control[s] < lo || record->Control[s] > hi) record->Control[s] = record->ControlDefault[s];
        if (record->RangeLo[s] < lo || record->RangeLo[s] > hi) record->RangeLo[s] = lo;
        if (record->RangeHi[s] < lo || record->RangeHi[s] > hi) record->RangeHi[s] = hi;
    }
}

void AdjustDuration(ModuleRecord* table, int delta, int count) {
    count = std::min(count, kModuleSlots);
    for (int m = 0; m < count; ++m) {
        if (!ModuleActive[m].load(std::memory_order_relaxed)) continue;
        ModuleRecord& r = table[m];
        for (int s = 0; s < kControlCount; ++s) {
            if (std::strncmp(r.ControlName[s], "Duration", ZTX_CONTROL_NAME_SIZE) != 0) continue;
            for (int32_t* field : {&r.Control[s], &r.RangeLo[s], &r.RangeHi[s]}) {
                *field = Clamp64(int64_t{*field} + delta);
                if (*field < r.Min[s]) *field = r.Min[s];
            }
        }
    }
}

float RandomInRange(const ModuleRecord* record, int slot) {
    const int64_t lo = record->RangeLo[slot];
    const int64_t hi = record->RangeHi[slot];
    const float span = static_cast<float>(std::llabs(hi - lo) + 1);
    return static_cast<float>(Rand15()) / 32767.0f * span + static_cast<float>(std::min(lo, hi));
}

bool IsDriven(int check) {
    if (check == kCheckOscillate) return true;
    if (check < kCheckVolume) return false;
    const SoundLinkRecord* link = SoundLink();
    return SoundLive(link) && link->soundForControls != 0;
}

bool IsPaletteDriven(int check) {
    if (check == kCheckOscillate) return true;
    if (check < kCheckVolume) return false;
    const SoundLinkRecord* link = SoundLink();
    return SoundLive(link) && link->soundForPalette != 0;
}

float EvolveValue(int check, float* state, int sense, int lo, int hi) {
    const float lower = static_cast<float>(std::min(lo, hi));
    const float upper = static_cast<float>(std::max(lo, hi));
    const int pin = PinMode.load(std::memory_order_relaxed);
    if (pin == kPinUpper) return upper;
    if (pin == kPinLower) return lower;

    // A damaged state (never produced here) restarts from the middle.
    if (!std::isfinite(*state)) *state = 0.5f;

    if (check == kCheckOscillate) {
        *state += static_cast<float>(sense) * 0.0025f;
        if (*state >= kPhaseWrap && *state < 2.0f * kPhaseWrap) *state -= kPhaseWrap;
        else if (!(std::fabs(*state) < kPhaseWrap)) *state = std::fmod(*state, kPhaseWrap);
        const int i = static_cast<int>(*state * 2048.0f) & 2047;
        // Divided by 16383, not by the table's peak 16382, so h stays just
        // inside 0..1.
        float h = 0.5f + 0.5f * static_cast<float>(SineTable[i]) * 6.103888e-05f;
        if (lo > hi) h = 1.0f - h;
        return lower + h * (upper - lower);
    }
    if (check >= kCheckVolume) {
        // "Turbo Mode": only the volume is analysed.
        if (OptionSlowCPU() != 0 && check > kCheckVolume) check = kCheckVolume;
        // The levels come from another program and "Sense" from a file:
        // whatever they say, the value stays within the range. NaN and
        // infinities are silence.
        float level = SoundLevel(check);
        level = std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
        if (lo >= hi) level = 1.0f - level;
        const float s = static_cast<float>(sense);
        *state = (level * s + (10.0f - s) * *state) * 0.1f;
        *state = std::isfinite(*state) ? std::clamp(*state, 0.0f, 1.0f) : 0.0f;
        return lower + *state * (upper - lower);
    }
    return static_cast<float>(lo);
}

// Floats from 2147483520 (the largest float below 2^31) up saturate too.
int TruncateToInt(float v) { return v >= 2147483520.0f ? std::numeric_limits<int>::max() : TruncSaturate(v); }

float SoundLevel(int check) {
    const SoundLinkRecord* link = SoundLink();
    if (link == nullptr || check < kCheckVolume || check > kCheckLastBand) return 0.0f;
    // Read each word once: the analyser writes them without locking.
    const float left = link->leftLevel;
    const float right = link->rightLevel;
    float a;
    if (check <= kCheckRight) {
        if (OptionAutoGain() == 0) {
            const float scale = link->levelScale;
            if (check == kCheckVolume) return ScaledLevel(left + right, 2.0f * scale);
            return ScaledLevel(check == kCheckLeft ? left : right, scale);
        }
        const float divisor = static_cast<float>(link->gainDivisor);
        if (check == kCheckVolume) a = ScaledLevel(left + right, 2.0f * divisor);
        else a = ScaledLevel(check == kCheckLeft ? left : right, divisor);
        return TrackAndNormalise(g_peaks[0], a);
    }
    const int band = check - kCheckFirstBand;
    const float sum = link->bands1[band] + link->bands2[band];
    if (OptionAutoGain() == 0) return ScaledLevel(sum, 2.0f * link->bandScale);
    a = sum * 0.5f;
    return TrackAndNormalise(g_peaks[1], a);
}

void DecayPeaks() {
    const int32_t rate = Options.homingRate;
    if (rate == 1000) return;
    const uint32_t now = GetTickCount();
    if (now <= g_nextDecay.load(std::memory_order_relaxed)) return;
    for (AtomicPeakPair& pair : g_peaks) {
        const float high = pair.high.load(std::memory_order_relaxed);
        const float low = pair.low.load(std::memory_order_relaxed);
        // A pair that has never seen a level still holds its starting
        // values (low far above high); sinking high toward that low would
        // leave the pair deaf for minutes once sound arrives.
        if (low > high) continue;
        pair.high.store((high * 49.0f + low) * 0.02f, std::memory_order_relaxed);
    }
    g_nextDecay.store(now + static_cast<uint32_t>(rate) * 4u + 50u, std::memory_order_relaxed);
}

bool DrawGate(int start, int stop) {
    const bool live = SoundLive(SoundLink());
    const int check = live ? kCheckVolume : kCheckOscillate;
    const int sense = live ? 10 : 3;
    const int x = TruncateToInt(EvolveValue(check, &g_gatePhase, sense, 0, 100));
    if (start <= stop) return start <= x && x <= stop;
    return x >= start || x <= stop;
}

void ValidateSources(bool configurationTool, PaletteRecord* palette) {
    SoundLinkRecord* link = SoundLink();
    if (link != nullptr) {
        link->paletteUsesSound = 0;
        link->controlsUseSound = 0;
    }
    const bool live = SoundLive(link);
    const bool modulesMayUseSound = configurationTool || (live && link->soundForControls != 0);
    const bool paletteMayUseSound = configurationTool || (live && link->soundForPalette != 0);

    for (int m = 0; m < kModuleSlots; ++m) {
        if (!ModuleActive[m].load(std::memory_order_relaxed)) continue;
        ModuleRecord& r = ModuleTable[m];
        for (int s = 0; s < kControlCount; ++s) {
            if (!r.Defined[s] || r.Check[s] < kCheckVolume) continue;
            if (modulesMayUseSound) {
                if (link != nullptr) link->controlsUseSound = 1;
            } else {
                r.Check[s] = kCheckOscillate;
            }
        }
    }
    if (palette == nullptr) return;
    for (int n = 0; n < kPaletteControls; ++n) {
        if (palette->Check[n] < kCheckVolume) continue;
        if (paletteMayUseSound) {
            if (link != nullptr) {
                link->paletteUsesSound = 1;
                link->controlsUseSound = 1;
            }
        } else {
            palette->Check[n] = kCheckOscillate;
        }
    }
}

void ResetControlState() {
    PinMode.store(kPinNone, std::memory_order_relaxed);
    for (AtomicPeakPair& pair : g_peaks) {
        pair.high.store(kInitialPeakHigh, std::memory_order_relaxed);
        pair.low.store(kInitialPeakLow, std::memory_order_relaxed);
    }
    g_nextDecay.store(0, std::memory_order_relaxed);
    g_gatePhase = kInitialGatePhase;
}

PeakPair SoundPeaks(int pair) {
    const AtomicPeakPair& p = g_peaks[pair & 1];
    return {p.high.load(std::memory_order_relaxed), p.low.load(std::memory_order_relaxed)};
}

void SetSoundPeaks(int pair, PeakPair value) {
    g_peaks[pair & 1].high.store(value.high, std::memory_order_relaxed);
    g_peaks[pair & 1].low.store(value.low, std::memory_order_relaxed);
}

float DrawGatePhase() { return g_gatePhase; }
void SetDrawGatePhase(float phase) { g_gatePhase = phase; }

}  // namespace ztx
