// Process-wide state of the display engine that the settings store, the
// engine threads and the windows share: plain flags polled across threads,
// the loaded display's name and global flags, and the sequence list.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/process_state.h"

namespace ztx {

// The flags and the display name are declared in engine/process_state.h.

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

// Puts the engine's flags (those of the animation too), the display names
// and the sequence list back to their starting values.
void ResetEngineState();

}  // namespace ztx
