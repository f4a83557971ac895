// The rules of the "Edit Displays" and "Sequencer" pages, without widgets:
// which box stands for which module slot, saving under a typed name (with
// the overwrite question), deleting, exporting and importing displays, the
// sync indicator, and the sequencer's rows with their copy into the
// sequence list. The Qt pages (config/ui) only show these and pass the
// user's answers in.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/process_state.h"

namespace ztx {

// A check box of the edit page: its numbered widget, its label, its slot.
struct ModuleBox {
    int id;
    const char* label;
    int slot;
};
// The 23 boxes in slot order.
const std::array<ModuleBox, kModuleSlots>& ModuleBoxes();

// What the edit page's boxes show: the active flag of every slot and the
// clear-first flag.
struct ModuleBoxState {
    std::array<bool, kModuleSlots> active{};
    bool clearFirst = false;
};
ModuleBoxState CurrentModuleBoxes();       // ShowModuleBoxes' source
void ReadModuleBoxes(const ModuleBoxState& boxes);  // into ModuleActive and ClearFirst

// The name a typed display name saves under: at most 127 characters,
// "Scratch" when empty.
std::string SaveNameFor(const std::string& typed);

// "Save": the name typed, the question asked (with the name) when a display
// of that name exists. On "no" nothing is written.
struct SaveOutcome {
    enum class Result { Saved, Declined, Failed } result;
    std::string name;   // the name used
    bool added = false; // a new name, which the lists must now show
    std::string error{};  // why it failed
};
SaveOutcome SaveEditedDisplay(const std::string& typed, const std::function<bool(const std::string&)>& overwrite);

// "Delete": when the typed name is a saved display it is deleted and the
// first remaining display is chosen; otherwise `selected` is chosen again.
// Returns the display chosen ("" when none is left).
std::string DeleteEditedDisplay(const std::string& typed, const std::string& selected);

// "Save to ZTX": the settings saved under the typed name, then its file
// copied to `target`.
bool ExportEditedDisplay(const std::string& typed, const std::string& target, std::string* error);

// "Load ZTX": every file brought in (the question asked for each existing
// name); the last display brought in is chosen and returned, "" when none
// was. `errors` gets one line per file refused.
std::string ImportDisplays(const std::vector<std::string>& paths,
                           const std::function<bool(const std::string&)>& overwrite,
                           std::vector<std::string>* errors);

// The sync indicator after the sources are validated: whether sound drives
// the palette or the modules, or the random meta-module switches on the
// oscillation of its first control.
bool DisplayInSync();

// ---- Sequencer ----

// Saved displays that may be sequenced: every one that is neither a
// sequence nor a random display (these cannot be nested).
std::vector<std::string> SequenceCandidates();

// One row of the "Selected" list as it shows.
struct SequenceRow {
    std::string name;
    std::string seconds;  // "Sec": decimal
    std::string clear;    // "Clr": "Y" or "N"
};
SequenceRow MakeSequenceRow(const std::string& name, const std::string& secondsText, bool clear);
// The rows of the current sequence list.
std::vector<SequenceRow> SequenceRows();
// OK or leaving the page: with at least one row, the sequence becomes the
// rows (seconds read as decimal, clear when "Clr" starts with "Y"), its
// position 0 and its ordered play `inOrder`. No rows leave it untouched.
// Returns whether it was replaced.
bool CopySequenceFromRows(const std::vector<SequenceRow>& rows, bool inOrder);
// "Up" (-1) and "Down" (+1): the row at `index` moves one place, never
// above the first nor below the last. Returns its new index.
int MoveSequenceRow(std::vector<SequenceRow>& rows, int index, int delta);

}  // namespace ztx
