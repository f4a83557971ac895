// Process-wide state of the display engine that the settings store, the
// engine threads and the windows share: plain flags polled across threads,
// the loaded display's name and global flags, and the sequence list.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

namespace ztx {

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

// One entry of the sequence list.
struct SequenceItem {
    char name[128];     // display name
    uint32_t seconds;   // how long it plays; default 16
    uint32_t clear;     // clear the screen when it starts; default 1
};

// The Sequencer's list of displays.
struct SequenceList {
    std::vector<SequenceItem> items;
    int32_t orderedPlay = 0;  // "Play in order"
    uint32_t position = 0;    // current position, reset by loading
};
extern SequenceList Sequence;

// Puts all of the above back to their starting values.
void ResetEngineState();

}  // namespace ztx
