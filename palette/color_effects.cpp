#include "palette/color_effects.h"

#include <algorithm>
#include <cstring>

#include "modules/framework/controls.h"
#include "palette/palette_state.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/device_colors.h"

namespace ztx {

using palette_detail::Engine;

namespace {

// Entries that turned around at a cycle are regenerated; a cycle longer than
// the palette would move nothing and only regenerate, so longer ones (never
// produced by valid controls, -50..50) are cut to the palette's length.
constexpr int kLongestCycle = kPaletteEntries - 1;

}  // namespace

bool DeviceHasPaletteCapability(const void*) { return true; }

int32_t PaletteStepCounter() { return Engine().stepCounter; }

void StartColorEffect(PaletteRecord* p) {
    for (int c = 0; c < kChannels; ++c) RegenerateChannel(p, c);
}

void CycleChannel(PaletteRecord* p, int c, int d) {
    if (c < 0 || c >= kChannels || d == 0) return;
    d = std::clamp(d, -kLongestCycle, kLongestCycle);
    uint8_t* row = p->displayed[c];
    if (d > 0) {
        std::memmove(row, row + d, static_cast<size_t>(kPaletteEntries - d));
        for (int i = kPaletteEntries - d; i < kPaletteEntries; ++i) GenerateEntry(p, c, i);
    } else {
        const int n = -d;
        std::memmove(row + n, row, static_cast<size_t>(kPaletteEntries - n));
        for (int i = n; i >= 0; --i) GenerateEntry(p, c, i);
    }
}

void StepColorEffect(PaletteRecord* p) {
    palette_detail::EngineState& engine = Engine();
    const uint32_t now = GetTickCount();

    // Regenerate the channels whose period is over, unless a morph is still
    // running, and morph from the old levels to the new ones.
    for (int c = 0; c < kChannels; ++c) {
        if (now <= p->nextRegeneration[c] || p->morphing[c]) continue;
        std::memcpy(p->previous[c], p->displayed[c], kPaletteEntries);
        RegenerateChannel(p, c);
        std::memcpy(p->target[c], p->displayed[c], kPaletteEntries);
        p->morphing[c] = 1;
        p->morphPosition[c] = 0;
        // A step below 1 would never finish the morph and so stop every
        // later regeneration of the channel.
        p->morphStep[c] = std::max(1, PaletteControlValue(p, PaletteControl(kKindMorphRate, c)));
        engine.stepCounter = 0;
        p->animate = 1;
    }

    if (!p->animate) return;
    if (engine.stepCounter > kPaletteEntries) p->animate = DeviceHasPaletteCapability(p->dc) ? 1 : 0;
    else ++engine.stepCounter;

    for (int c = 0; c < kChannels; ++c) {
        if (p->morphing[c]) {
            const int m = p->morphPosition[c];
            for (int i = 0; i < kPaletteEntries; ++i) {
                p->displayed[c][i] = static_cast<uint8_t>((p->previous[c][i] * (255 - m) + p->target[c][i] * m) >> 8);
            }
            p->morphPosition[c] = m + p->morphStep[c];
            if (p->morphPosition[c] > 255) p->morphing[c] = 0;
        } else {
            const int direction = PaletteControlValue(p, PaletteControl(kKindDirection, c));
            if (direction != 0) CycleChannel(p, c, direction);
        }
    }

    int scale[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        scale[c] = std::clamp(PaletteControlValue(p, PaletteControl(kKindScale, c)), 0, 100);
    }
    for (int i = 0; i < kPaletteEntries; ++i) {
        PaletteColor& e = p->description.entries[i];
        e.red = static_cast<uint8_t>(p->displayed[0][i] * scale[0] / 100);
        e.green = static_cast<uint8_t>(p->displayed[1][i] * scale[1] / 100);
        e.blue = static_cast<uint8_t>(p->displayed[2][i] * scale[2] / 100);
        e.flags = kReservedFlag;
    }
    DeviceColors().SetAnimated(p->description.entries, 0, kPaletteEntries);
}

void PaletteEvents(PaletteRecord* p) {
    for (int c = 0; c < kChannels; ++c) {
        const int32_t event = p->Control[PaletteControl(kKindEvent, c)];
        if (event == kEventNever) continue;
        const int32_t before = p->eventCounter[c];
        p->eventCounter[c] = before == INT32_MAX ? before : before + 1;
        if (before <= event) continue;
        p->eventCounter[c] = 0;
        if (Rand15() % 2 == 0) {
            int32_t& direction = p->Control[PaletteControl(kKindDirection, c)];
            direction = direction == INT32_MIN ? INT32_MAX : -direction;
        } else {
            p->runningIndex[c] = Rand15() % kWaveSize;
        }
    }
}

void HastenRegeneration(PaletteRecord* p) {
    const uint32_t soon = GetTickCount() + 500u;
    for (int c = 0; c < kChannels; ++c) p->nextRegeneration[c] = soon;
}

uint32_t CycleInterval(const PaletteRecord* p) {
    const int32_t rate = p->Control[PaletteControl(kKindCycleRate, 0)];
    return rate < 1 ? 1u : static_cast<uint32_t>(rate);
}

}  // namespace ztx
