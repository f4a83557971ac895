// The colour effects: what the palette thread does to the palette record
// every cycle interval. Channels are regenerated when their period is over,
// the change is morphed in over several steps, between regenerations the
// levels scroll by "Direction", random events reverse the scroll or jump the
// wave, and the result, scaled by "Scale", goes to the device colour table.
#pragma once
#include <cstdint>

#include "palette/palette.h"

namespace ztx {

// Regenerates all three channels straight into the displayed levels (no
// morph). The palette thread calls it once before its loop.
void StartColorEffect(PaletteRecord* record);
// One animation step: due regenerations start a morph; morphing channels
// blend, the others cycle by "Direction"; then the scaled colours are handed
// to the device colour table (unless the palette is paused).
void StepColorEffect(PaletteRecord* record);
// The event check, right after each step: per channel, once the event
// counter passes "Event" (3000: never), either reverse "Direction" or jump
// the channel's running index.
void PaletteEvents(PaletteRecord* record);
// Makes every channel regenerate about half a second from now.
void HastenRegeneration(PaletteRecord* record);
// Milliseconds the palette thread waits after each step: the red channel's
// "CycleRate" (at least 1).
uint32_t CycleInterval(const PaletteRecord* record);
// Moves the channel's levels by `d` entries (down for d > 0, up for d < 0)
// and generates the entries that scrolled in.
void CycleChannel(PaletteRecord* record, int channel, int d);
// Palette steps since the last regeneration of any channel.
int32_t PaletteStepCounter();
// Whether the device shows animated palette entries. Always true here: the
// presenter maps every entry through the device colour table, so colours
// animate on every display.
bool DeviceHasPaletteCapability(const void* dc);

}  // namespace ztx
