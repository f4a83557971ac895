#include "config/palette_page.h"

#include <algorithm>

#include "config/config_session.h"

namespace ztx {

namespace {

// The channels an edit reaches: all three with CTRL, else the current one.
struct Reach {
    int first, last;
};
Reach Channels(int channel, bool allChannels) {
    return allChannels ? Reach{0, kChannels - 1} : Reach{channel, channel};
}

template <typename Edit>
void ForEachReached(int channel, bool allChannels, Edit edit) {
    const Reach r = Channels(channel, allChannels);
    for (int c = r.first; c <= r.last; ++c) edit(c);
    Session().settingsChanged = true;
}

int Clamped(const PaletteRecord& p, int kind, int v) { return std::clamp(v, p.Min[kind], p.Max[kind]); }

}  // namespace

const std::array<EffectButton, 7>& EffectButtons() {
    static constexpr std::array<EffectButton, 7> kButtons = {{
        {1307, "Ramp", kEffectRamp},
        {1309, "Fade", kEffectFade},
        {1311, "Smooth", kEffectSmooth},
        {1310, "Coarse", kEffectCoarse},
        {1308, "Blackout", kEffectBlackout},
        {1070, "Random", kEffectRandom},
        {1071, "Custom", kEffectCustom},
    }};
    return kButtons;
}

const char* PaletteRowLabel(int kind) {
    static constexpr const char* kLabels[kPaletteKinds] = {
        "Brightness", "Color Frequency", "Fade Frequency", "Ramp Frequency", "Duration",
        "Cycle Rate", "Event Rate",      "Direction",      "Morph Rate",     "Intensity",
    };
    return kind >= 0 && kind < kPaletteKinds ? kLabels[kind] : "";
}

Tint ChannelTint(int channel) {
    switch (channel) {
        case 0: return {128, 0, 0};
        case 1: return {0, 128, 0};
        default: return {0, 0, 128};
    }
}

PaletteRowValues PaletteRow(const PaletteRecord& p, int kind, int channel) {
    const int i = PaletteControl(kind, channel);
    return {.min = p.Min[kind],
            .max = p.Max[kind],
            .value = Clamped(p, kind, p.Control[i]),
            .low = Clamped(p, kind, p.RangeLo[i]),
            .high = Clamped(p, kind, p.RangeHi[i]),
            .sense = p.Sense[i],
            .check = p.Check[i],
            .animatable = p.Animatable[kind] != 0};
}

void SetChannelEffect(PaletteRecord& p, int channel, int effect, bool allChannels) {
    ForEachReached(channel, allChannels, [&](int c) { p.effect[c] = effect; });
}

void SetRowSource(PaletteRecord& p, int kind, int channel, int check, bool allChannels) {
    ForEachReached(channel, allChannels, [&](int c) { p.Check[PaletteControl(kind, c)] = check; });
}

int StepRowSense(PaletteRecord& p, int kind, int channel, int step, bool allChannels) {
    const int sense = SteppedSense(p.Sense[PaletteControl(kind, channel)], step);
    ForEachReached(channel, allChannels, [&](int c) { p.Sense[PaletteControl(kind, c)] = sense; });
    return sense;
}

void SlideRow(PaletteRecord& p, int kind, int channel, std::array<int, 3> valueLowHigh, bool allChannels) {
    ForEachReached(channel, allChannels, [&](int c) {
        const int i = PaletteControl(kind, c);
        p.Control[i] = Clamped(p, kind, valueLowHigh[0]);
        p.RangeLo[i] = Clamped(p, kind, valueLowHigh[1]);
        p.RangeHi[i] = Clamped(p, kind, valueLowHigh[2]);
    });
}

std::array<NumberEdit, 3> ReadRowBoxes(PaletteRecord& p, int kind, int channel,
                                       std::array<std::string_view, 3> valueLowHigh) {
    const int i = PaletteControl(kind, channel);
    int32_t* fields[3] = {&p.Control[i], &p.RangeLo[i], &p.RangeHi[i]};
    std::array<NumberEdit, 3> read{};
    for (int f = 0; f < 3; ++f) {
        read[f] = ReadNumberBox(valueLowHigh[f], p.Min[kind], p.Max[kind], *fields[f]);
        *fields[f] = read[f].value;
        if (read[f].changed) Session().settingsChanged = true;
    }
    return read;
}

void ResetPalettePage(PaletteRecord& p) {
    SetPaletteDefaults(&p);
    Session().settingsChanged = true;
}

}  // namespace ztx
