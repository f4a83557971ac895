// The configuration tool's state outside its windows: opening and closing
// the run (settings key, sound link, palette record, module table), whether
// the user changed a module, palette or display setting since a display was
// chosen or saved, what OK keeps, and the full-screen test runs with their
// bookkeeping ("Testing Current Settings" made "Active" while the test
// runs, the previous "Active" put back when the user returns).
//
// Everything here runs on the dialog's thread. The pages call these
// routines; nothing here knows about widgets.
#pragma once
#include <functional>
#include <string>

namespace ztx {

// The name under which OK keeps unsaved edits.
constexpr char kScratchDisplay[] = "Scratch";

struct ConfigSession {
    // Set by every page control that alters a module, palette or display
    // setting; cleared when a display is chosen, saved or deleted.
    bool settingsChanged = false;
    // A full-screen test is under way; `savedActive` is "Active" before it.
    bool testRunning = false;
    std::string savedActive{};
    // The program started for test runs and previews (this program).
    std::string program{};
    // Starts a command line without waiting for it; false when it could not
    // be started. Tests put a stand-in here.
    std::function<bool(const std::string& commandLine)> startProgram{};
};

// The one session of the tool (the design's sheet-wide globals).
ConfigSession& Session();

// The configuration run's lifetime: opening zero-fills the module table,
// starts the settings key, maps the sound link (the run ends at once when
// that fails), marks the process as the configuration tool, publishes the
// version, makes the palette record, registers the modules (which loads the
// active display and the options) and counts the tool among the open
// windows. Closing undoes all of it.
class ConfigurationRun {
public:
    ConfigurationRun();
    ~ConfigurationRun();
    ConfigurationRun(const ConfigurationRun&) = delete;
    ConfigurationRun& operator=(const ConfigurationRun&) = delete;
    // Whether the run opened (the sound link could be mapped).
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// A display chosen in a list: loaded and made "Active"; the edits count
// from here. Returns what LoadDisplay returns.
int ChooseDisplay(const std::string& name);

// OK's "keep the edits": when settings changed, the current settings are
// saved as "Scratch", which becomes "Active". False, with `error` saying
// why, when that save failed (nothing else is touched then).
bool KeepEdits(std::string* error);

// A full-screen test of the current settings: remembers "Active", saves the
// settings as "Testing Current Settings" (which becomes "Active"), records
// this process as the test's owner and starts the program with " /S".
// False when the settings could not be saved or the program not started
// (the caller beeps); nothing is left changed then.
bool TestDisplay();
// Undoes a test run, when one is under way: removes the test display and
// puts the remembered "Active" back. Returns whether there was one (the
// display lists then need refilling).
bool EndTestDisplay();
// A test of one module alone (the random meta-module's slot tests the
// whole display): the active flags are put back afterwards.
bool TestSlotOnly(int slot);

}  // namespace ztx
