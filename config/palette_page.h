// The rules of the "Palette" page, without widgets: the ten rows of colour
// controls of one channel (row k edits control 3k + channel of the palette
// record), the seven effects, and where holding CTRL carries an edit to all
// three channels: the effect, the Source, the sense arrows and the sliders
// do; typing into a number box does not. Every value goes through the
// module pages' number rules, so no edit leaves a control outside its kind's
// Min..Max.
#pragma once
#include <array>
#include <string_view>

#include "config/control_edit.h"
#include "palette/palette.h"

namespace ztx {

// The effect buttons in the page's order (effect numbers 0..6) and their
// numbered widgets.
struct EffectButton {
    int id;
    const char* label;
    PaletteEffect effect;
};
const std::array<EffectButton, 7>& EffectButtons();
// The row labels, one per control kind.
const char* PaletteRowLabel(int kind);

// The tint of the channel's number boxes and lists: dark red, green or blue.
struct Tint {
    int red, green, blue;
};
Tint ChannelTint(int channel);

// What one row of the current channel shows.
struct PaletteRowValues {
    int min, max;
    int value, low, high, sense, check;
    bool animatable;
};
PaletteRowValues PaletteRow(const PaletteRecord& p, int kind, int channel);

// Edits. `allChannels` is CTRL held; each sets SettingsChanged.
void SetChannelEffect(PaletteRecord& p, int channel, int effect, bool allChannels);
void SetRowSource(PaletteRecord& p, int kind, int channel, int check, bool allChannels);
// The sense arrows: the current channel's sense stepped and kept in 1..10,
// then copied to the others with CTRL. Returns the new sense.
int StepRowSense(PaletteRecord& p, int kind, int channel, int step, bool allChannels);
// A slider moved: the row's three slider positions become Control, RangeLo
// and RangeHi (clamped to the kind's limits).
void SlideRow(PaletteRecord& p, int kind, int channel, std::array<int, 3> valueLowHigh, bool allChannels);
// A number box left: the three boxes' texts read into the current channel
// only; SettingsChanged only when a value changed. Returns the values read.
std::array<NumberEdit, 3> ReadRowBoxes(PaletteRecord& p, int kind, int channel,
                                       std::array<std::string_view, 3> valueLowHigh);
// "Reset": every colour control back to its default.
void ResetPalettePage(PaletteRecord& p);

}  // namespace ztx
