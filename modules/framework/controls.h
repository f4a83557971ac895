// Module controls: defining them, drawing "Random" values, sweeping
// "Oscillate" values with a sine, following live sound levels, and the draw
// gate every module consults before it draws.
//
// All evaluation runs on the animation thread, except that the palette thread
// evolves sound-driven colour controls too; the sound peak trackers are
// therefore atomics.
#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/process_state.h"
#include "include/zentrix/module_record.h"

namespace ztx {

struct PaletteRecord;

constexpr int kControlCount = ZTX_CONTROL_COUNT;
constexpr int kStrengthSlot = ZTX_STRENGTH_SLOT;
constexpr int kDrawStartSlot = 30;
constexpr int kDrawStopSlot = 31;
constexpr int kFrameSkipped = ZTX_FRAME_SKIPPED;

constexpr int kCheckSet = ZTX_CHECK_SET;
constexpr int kCheckRandom = ZTX_CHECK_RANDOM;
constexpr int kCheckOscillate = ZTX_CHECK_OSCILLATE;
constexpr int kCheckVolume = ZTX_CHECK_VOLUME;
constexpr int kCheckLeft = ZTX_CHECK_LEFT;
constexpr int kCheckRight = ZTX_CHECK_RIGHT;
constexpr int kCheckFirstBand = ZTX_CHECK_FIRST_BAND;
constexpr int kCheckLastBand = ZTX_CHECK_LAST_BAND;

// Pinning of every evolved value while a Shift key is held (the value of
// PinMode): 0 normal, 1 the upper end of the working range, 2 the lower end.
enum PinModeValue : int { kPinNone = 0, kPinUpper = 1, kPinLower = 2 };

// Defines control `slot` of `record` with its absolute bounds, working range,
// value, source, sense and whether it may be animated; also sets the
// defaults, puts the evolution state at 0.5 and empties the record's Path (so
// a module reset forgets a chosen file). A store index of -1 keeps the control
// out of stored displays. Returns 1, or 0 when the slot is not 0..31.
int DefineControl(ModuleRecord* record, int slot, int storeIndex, const char* name, int min, int max,
                  int rangeLo, int rangeHi, int value, int check, int sense, int animatable);
// The form offered to plug-ins: slot 9 ("Strength", defined by the host) and
// slots outside 0..31 are refused with 0; otherwise the store index is the slot.
int DefinePluginControl(ModuleRecord* record, int slot, const char* name, int min, int max, int rangeLo,
                        int rangeHi, int value, int check, int sense, int animatable);

// One control as a module's table lists it, written with designated
// initialisers. Left out: the store index is -1 (not stored), the working
// range is min..max, the value 0, the source "Set", the sense 10, and the
// control cannot be animated.
struct ControlSpec {
    int slot = 0;
    const char* name = "";
    int store = -1;
    int min = 0;
    int max = 0;
    std::optional<int> rangeLo = std::nullopt;  // first end of the working range; min when left out
    std::optional<int> rangeHi = std::nullopt;  // second end; max when left out
    int value = 0;
    int check = kCheckSet;
    int sense = 10;
    bool animatable = false;
};

// The three controls every built-in module has, the same everywhere.
constexpr ControlSpec kStrengthControl{
    .slot = kStrengthSlot, .name = "Strength", .store = kStrengthSlot, .min = -10, .max = 10, .value = 1};
constexpr ControlSpec kDrawStartControl{.slot = kDrawStartSlot, .name = "Draw Start", .max = 100};
constexpr ControlSpec kDrawStopControl{.slot = kDrawStopSlot, .name = "Draw Stop", .max = 100, .value = 100};

// Defines every control of `table` with DefineControl, in table order.
// Returns 0, the value of a DoPreInitializeControls routine.
int DefineControls(ModuleRecord* record, std::span<const ControlSpec> table);

// Draws every "Random" control afresh within its working range (inclusive).
void RandomizeControls(ModuleRecord* record);
// Sets every oscillating or sound-driven control to its evolved value.
// Returns 0.
int EvolveControls(ModuleRecord* record);
// A value outside Min..Max returns to its default; a range end outside
// becomes Min (first end) or Max (second end).
void ClampControls(ModuleRecord* record);
// Adds `delta` seconds to the value and both range ends of every control
// named "Duration" of the first `count` slots of `table` that are active,
// raising each to its Min when it falls below.
void AdjustDuration(ModuleRecord* table, int delta, int count);
// A fresh random float in the working range of control `slot`, for modules
// that redraw a "Random" control every frame.
float RandomInRange(const ModuleRecord* record, int slot);

// Whether a control with this source must be re-evaluated each frame:
// Oscillate always; sound sources only while the analyser is live and the
// sound link's switch for modules (or, for the palette twin, for the palette)
// is on.
bool IsDriven(int check);
bool IsPaletteDriven(int check);

// The value of a driven control within lo..hi (either order), whatever the
// sense and the sound levels; advances the oscillation phase or the
// smoothed sound level in `state`.
float EvolveValue(int check, float* state, int sense, int lo, int hi);
// Truncation toward zero, saturating at the int range (NaN gives 0).
int TruncateToInt(float v);
// Control `slot` of `record` evolved and truncated toward zero (not stored).
int EvolveControl(ModuleRecord* record, int slot);
// What a frame uses for control `slot`: the evolved value while its source
// drives it (IsDriven), else `held`, the value the module keeps.
int DrivenValue(ModuleRecord* record, int slot, int held);

// The live level for source 3..21, normally 0..1 (0 without a sound link).
float SoundLevel(int check);
// Lets the tracked sound peaks sink toward the lows ("HomingRate"); called
// once per frame.
void DecayPeaks();

// True when a module may draw now; `start` and `stop` are its "Draw Start"
// and "Draw Stop" (0..100). Every call advances the shared gate phase.
bool DrawGate(int start, int stop);

// After a display is loaded: clears the sound link's two "uses sound"
// indicators, then keeps the sound sources of the active modules' controls
// and of the 30 palette controls only where sound may drive them (the
// analyser is live and the matching switch is on, or `configurationTool`),
// setting the indicators; every other sound source becomes Oscillate.
// `palette` may be null.
void ValidateSources(bool configurationTool, PaletteRecord* palette);

// Puts the pin mode, the shared draw-gate phase and the sound peak trackers
// back to their starting values.
void ResetControlState();

// The sound peak trackers, for tests and diagnostics: pair 0 serves Volume,
// Left and Right, pair 1 the bands.
struct PeakPair {
    float high;
    float low;
};
PeakPair SoundPeaks(int pair);
void SetSoundPeaks(int pair, PeakPair value);
// The shared draw-gate phase (starts at 50.0).
float DrawGatePhase();
void SetDrawGatePhase(float phase);

}  // namespace ztx
