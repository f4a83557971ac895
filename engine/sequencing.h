// Choosing the next display for the random meta-module (slot 22): the list
// of candidate displays it picks from and the picker that loads one of them.
// The candidates are all saved displays (selection modes 1 and 2, mode 2
// preferring displays that react to sound while the analyser runs) or the
// sequence list of the display that was started (mode 3), played in order or
// shuffled. Mode 0 loads no display; the random meta-module then draws
// modules of the starting display itself.
//
// Everything here runs on the animation thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/process_state.h"

namespace ztx {

// Selection modes: the random meta-module's control 0 ("Actv/Svd/Snd").
enum SelectionMode : int {
    kSelectActiveModules = 0,
    kSelectSavedDisplays = 1,
    kSelectSoundDisplays = 2,
    kSelectSequence = 3,
};

// One display the picker may choose.
struct Candidate {
    char Name[260];         // display name (file name without ".ZTX")
    int32_t Seconds;        // how long it stays: 16, or the sequence item's seconds
    int32_t Tried;          // the picker has examined it
    int32_t SoundSuitable;  // after loading: it qualifies for mode 2
    int32_t Usable;         // it was loaded and is neither a sequence nor a random display
    int32_t ClearScreen;    // clear the screen when it starts: 1, or the sequence item's flag
};

// CandidateList, OrderedPosition, OrderedPlay and DisplaysPicked are declared
// in engine/process_state.h.

// Whether the saved display is a random or sequence display (its [Random] or
// [Sequencer] section has a non-zero "Used"). A missing file is neither.
bool IsRandomOrSequenceDisplay(const std::string& name);

// Builds the list for `mode`: nothing for mode 0; the sequence list's items
// that are not themselves random or sequence displays for mode 3 (with their
// seconds and clear flags); every saved display for modes 1 and 2.
void BuildCandidateList(int mode);
// Frees the list (the count becomes 0).
void FreeCandidateList();
// Whether a list was built for mode 1, 2 or 3 since the last free (an empty
// folder or sequence gives a built, empty list).
bool CandidateListBuilt();

// What a pick did.
struct PickResult {
    bool loaded = false;                // some display was loaded (the last one stays)
    const Candidate* chosen = nullptr;  // the candidate the pick settled on, if any
};
// Picks the next display for `mode` (1..3) and loads it, in at most 50
// attempts: in order when OrderedPlay is set, else at random. Modes 1 and 3
// take the first usable candidate; mode 2 goes on until a sound-suitable one
// is loaded. Each load raises DisplayLoading; afterwards the flag is put back
// to what it was when the pick began, so a caller that raised it keeps the
// palette thread waiting across all the loads of one pick.
PickResult PickDisplay(int mode);

// Frees the list and puts the counters back to their starting values (tests).
void ResetSequencing();

}  // namespace ztx
