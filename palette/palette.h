// The palette record: the 236 animated colours every module draws with, the
// thirty colour controls (ten kinds for each of red, green and blue), the
// per-channel effect state and the custom palette.
//
// Each channel's 236 levels are generated from a wave table of its own; the
// colour effects (color_effects.h) regenerate, morph and cycle them over time
// and hand the brightness-scaled result to the device colour table.
//
// The record is a plain structure, zero-filled at creation. It is written by
// the palette thread and, while that thread is held, by the display loader;
// modules only read it (through ModuleRecord::PaletteState).
#pragma once
#include <cstdint>

#include "render/device_colors.h"

namespace ztx {

constexpr int kPaletteEntries = 236;
constexpr int kChannels = 3;  // 0 red, 1 green, 2 blue
constexpr int kPaletteKinds = 10;
constexpr int kPaletteControls = kPaletteKinds * kChannels;
constexpr int kWaveSize = 2048;

// The ten kinds of colour control. Control number = kind * 3 + channel.
enum PaletteKind : int {
    kKindScale = 0,
    kKindDensity = 1,
    kKindFadeFactor = 2,
    kKindRampDecay = 3,
    kKindSeconds = 4,
    kKindCycleRate = 5,
    kKindEvent = 6,
    kKindDirection = 7,
    kKindMorphRate = 8,
    kKindIntensity = 9,
};

// The colour effect of a channel, chosen at each regeneration.
enum PaletteEffect : int {
    kEffectRamp = 0,
    kEffectFade = 1,
    kEffectSmooth = 2,
    kEffectCoarse = 3,
    kEffectBlackout = 4,
    kEffectRandom = 5,
    kEffectCustom = 6,
};

// "Event" value that switches the channel's events off.
constexpr int kEventNever = 3000;
// Flags byte of every animated entry (reserved for animation).
constexpr uint8_t kReservedFlag = 1;

inline constexpr int PaletteControl(int kind, int channel) { return kind * kChannels + channel; }

// Stored names of the kinds ("Scale", "Density", ...) and of the channels
// ("Red", "Green", "Blue").
const char* PaletteKindName(int kind);
const char* ChannelName(int channel);

// The palette description handed to the device: 236 entries with the
// reserved-for-animation flag.
struct LogicalPalette {
    uint16_t version;  // 0x300
    uint16_t count;    // 236
    PaletteColor entries[kPaletteEntries];
    uint8_t spare[4];
};

struct PaletteRecord {
    // What the device shows, after brightness scaling.
    LogicalPalette description;
    // Levels per channel and entry: displayed (before brightness), the start
    // of the running morph, its end.
    uint8_t displayed[kChannels][kPaletteEntries];
    uint8_t previous[kChannels][kPaletteEntries];
    uint8_t target[kChannels][kPaletteEntries];
    // Entries generated since the channel's last regeneration.
    int32_t runningIndex[kChannels];
    // Wave-table step per entry, and the wave-table start.
    int32_t densityStep[kChannels];
    int32_t phaseOffset[kChannels];

    // Limits per control kind.
    int32_t Min[kPaletteKinds];
    int32_t Max[kPaletteKinds];
    int32_t Animatable[kPaletteKinds];
    // Per control (kind * 3 + channel), with the meaning of module controls.
    int32_t Check[kPaletteControls];
    int32_t Control[kPaletteControls];
    int32_t RangeLo[kPaletteControls];
    int32_t RangeHi[kPaletteControls];
    int32_t Sense[kPaletteControls];
    int32_t ControlDefault[kPaletteControls];
    int32_t CheckDefault[kPaletteControls];
    int32_t RangeLoDefault[kPaletteControls];
    int32_t RangeHiDefault[kPaletteControls];
    int32_t SenseDefault[kPaletteControls];
    float EvolveState[kPaletteControls];

    // Effect per channel (PaletteEffect), then the effect for all channels
    // together as stored with a display.
    int32_t effect[kChannels];
    int32_t allChannelsEffect;

    // Per-channel effect state.
    int32_t fade[kChannels];
    int32_t ramp[kChannels];
    int32_t coarse[kChannels];
    int32_t blackout[kChannels];
    int32_t morphPosition[kChannels];
    int32_t morphStep[kChannels];
    int32_t eventCounter[kChannels];
    int32_t useCustom[kChannels];
    int32_t morphing[kChannels];
    int32_t period[kChannels];            // milliseconds between regenerations
    uint32_t nextRegeneration[kChannels];  // tick count

    int32_t animate;  // 0: the step leaves the device colours alone
    void* dc;         // the drawing surface the palette belongs to

    // The palette the "Custom" effect reads its levels from.
    PaletteColor custom[kPaletteEntries];
};

// Creates the palette record for drawing surface `dc`: seeds the random
// generator with the tick count, fills the controls with their defaults
// (all colours black) and the custom palette with a random gradient. The
// record becomes the process's current palette.
PaletteRecord* CreatePaletteRecord(void* dc);
// Frees a record made by CreatePaletteRecord (null is ignored) and clears
// the wave tables; it stops being the current palette.
void FreePaletteRecord(PaletteRecord* record);
// The process's current palette record, or null.
PaletteRecord* CurrentPalette();

// Puts every control of the record back to its default value, source,
// range, sense and evolution state.
void SetPaletteDefaults(PaletteRecord* record);

// Regenerates channel `channel`: fresh random parameters, a new wave, and
// all 236 levels into the displayed row.
void RegenerateChannel(PaletteRecord* record, int channel);
// Generates one level into displayed[channel][entry] and advances the
// channel's running index.
void GenerateEntry(PaletteRecord* record, int channel, int entry);

// Control `control` (kind * 3 + channel) evolved now when its source is
// Oscillate or sound (the result is stored), else its current value.
int PaletteControlValue(PaletteRecord* record, int control);

// The channel's wave table (2048 entries).
int32_t* ChannelWave(int channel);

// Clears the process-wide palette state: the current record pointer (without
// freeing), the wave tables, the previous ramp samples and the step counter.
void ResetPaletteEngine();

}  // namespace ztx
