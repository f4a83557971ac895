// The process-wide state, in one list. These are the design's globals: the
// module table, the options, the engine's flags and records, kept as plain
// variables because the window, animation and palette threads, the
// configuration pages and the plug-in host all reach them by name. Each
// stays defined in the source that owns it; this header is the one place
// that declares them, so that anything process-wide is seen here.
//
// A few more pieces of process state live behind functions of their owners:
// the palette record (CurrentPalette), the sound link (SoundLink), the clock
// (CurrentClock), the random generator, the plug-in host's library and the
// draw-gate phase and peak trackers of the controls.
//
// ResetProcessState() (shell/process_state.h, above every layer it resets)
// puts all of it back to what a new process has, so that a test starts from
// a clean state.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct ModuleRecord;

namespace ztx {

struct Candidate;
struct GlobalOptions;
struct ModeRunners;
struct RandomModuleState;
struct SaverWindowState;
struct SequenceList;
struct TextBoxState;

// ---- module framework (modules/framework) --------------------------------

// The design's 23 module slots, in their fixed order.
constexpr int kModuleSlots = 23;
// The records, indexed by slot. Written by registration, display loading and
// the configuration pages; read by the animation thread.
extern ModuleRecord ModuleTable[kModuleSlots];
// 1 for every slot that takes part in the current display.
extern std::atomic<int32_t> ModuleActive[kModuleSlots];
// Pinning of every evolved value while a Shift key is held (PinModeValue):
// written by the window thread, read wherever values evolve.
extern std::atomic<int> PinMode;

// ---- settings (settings/) ---------------------------------------------------

// The global options (settings/global_options.h).
extern GlobalOptions Options;
// The settings key name in use (set by the key's start-up).
extern char SettingsKeyName[128];
// Whether the settings key existed when the program started; decides
// whether the first-run displays are made.
extern bool SettingsKeyExisted;
// A saved display this process shows instead of "Active" (the launcher's
// --display, through ZENTRIX_DISPLAY); empty for none. It is never stored,
// so several screens can show different displays at once.
extern char ProcessDisplay[128];

// ---- engine flags (engine/engine_state, engine/animation) -------------------

// Set while the animation runs; modules poll it in every long loop.
extern std::atomic<int> AnimationRunning;
// Frames drawn since the animation started.
extern std::atomic<uint32_t> FrameCount;
// Raised for the duration of a display load: the animation and palette
// threads hold off while it is set.
extern std::atomic<int> DisplayLoading;
// Set by the F3 key: the next snapshot saves the colours shown as the custom
// palette.
extern std::atomic<int> LivePaletteSave;
// The display's "clear the screen when it starts" flag.
extern std::atomic<int> ClearFirst;
// Set when this process is the configuration tool: sound sources are kept
// when displays load even while no analyser runs, so the pages show them.
extern std::atomic<int> ConfigurationToolRunning;
// Name of the display last loaded (shown by the on-screen title).
extern char CurrentDisplayName[128];
// The Sequencer's list of displays.
extern SequenceList Sequence;

extern std::atomic<int> PaletteReady;         // the colour effect has started
extern std::atomic<int> AnimationSuspended;   // F5/F7: the frame loop waits
extern std::atomic<int> PaletteSuspended;     // F6/F7: the palette thread waits
extern std::atomic<int> SpeedDelay;           // slow-down level ("Speed")
extern std::atomic<int> MouseIgnored;         // copied from "DisableMouse" at each start
extern std::atomic<uint32_t> AnimationStartTick;
extern std::atomic<int> LaunchedCompanion;    // this run started the analyser
extern std::atomic<int> CaptureKeyHeld;       // capture every frame while held
extern std::atomic<int> WallpaperKeyPressed;  // make one wallpaper

// ---- engine records (engine/) ------------------------------------------------

// The on-screen text boxes (engine/text_boxes.h).
extern TextBoxState TextBoxes;
// The random meta-module's state (engine/random_module.h).
extern RandomModuleState RandomMeta;
// The candidates; CandidateList.size() is the candidate count. Built when the
// random meta-module allocates (its DoPreInitialize) and freed by its
// DoClose. Tried, Usable and SoundSuitable accumulate over the list's life,
// so each display file is examined only once.
extern std::vector<Candidate> CandidateList;
// Ordered picks made since the process started (never reset by a run).
extern uint32_t OrderedPosition;
// "Play in order" of the sequence list, copied at every sequence-mode switch;
// it keeps its value through switches in the other modes.
extern int32_t OrderedPlay;
// Picks that loaded a display (each pick counts once, however many
// candidates it loaded); lets observers see a display replaced by itself.
extern std::atomic<uint32_t> DisplaysPicked;
// Set by the window layer: puts a picture file on the X root window (the
// desktop of window managers that have no wallpaper setting of their own).
extern void (*RootWindowWallpaper)(const std::string& path);

// ---- shell (shell/) -------------------------------------------------------------

// The runner of each mode that has a window or dialog (shell/run_modes.h).
extern ModeRunners Runners;
// The saver window's state (shell/saver_window.h).
extern SaverWindowState SaverWindow;

}  // namespace ztx
