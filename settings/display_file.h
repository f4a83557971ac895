// Display files: a display (which modules take part, every stored control,
// the sequence list, the palette's colour-effect settings, the custom palette
// and the clear-first flag) saved as a private-profile text file
// "<name>.ZTX" in the saved-display folder. Older displays (binary files and
// the registry tree "Saved") are read and converted to this form.
#pragma once
#include <functional>
#include <string>

namespace ztx {

constexpr unsigned long kDisplayMagic = 1107313153ul;  // 0x42004201

// Loads a display into the module table, the palette record, the sequence
// list and ClearFirst. Returns 1 when at least one module section is in use;
// 0 when none is, when the file is missing, or when its plug-in cannot be
// loaded. A file in neither the text nor the binary form loads as 1 and
// changes nothing. DisplayLoading is raised for the whole load.
int LoadDisplay(const std::string& name);
// Saves the current settings under `name` and makes it the active display.
// Returns false, leaving any earlier file as it was, when the name cannot be
// a file name or the file cannot be written; `error` then says why.
bool SaveDisplay(const std::string& name, std::string* error = nullptr);
// Deletes the display's file; true when it is gone.
bool DeleteDisplay(const std::string& name);

// Loads a text display straight from its file, wherever it is, without
// touching any setting or saved display (viewers such as `ztx show`, several
// of which may run at once). Returns what LoadDisplay returns; 0 for a file
// that is not in the text form.
int ReadDisplayFile(const std::string& path);

// Whether the file at `path` is a display this program can show as it
// stands: readable, a text display (non-zero [Header] "Magic") or an older
// binary one, and, for a text display using the plug-in slot, with its
// plug-in present in the plug-in folder. `why` says what is wrong.
bool CheckDisplayFile(const std::string& path, std::string* why);

// Brings a display file in under its file name (without folder and
// extension). When a display of that name exists, `confirmOverwrite` is
// asked (with the name) and a "no" ends the import with 0. Binary files are
// converted; a file in neither form is refused and nothing is copied.
// Returns 1 when the display was brought in; `error` says why not.
int ImportDisplayFile(const std::string& path, const std::function<bool(const std::string&)>& confirmOverwrite,
                      std::string* error = nullptr);
// The display name an imported file comes in under: its file name without
// folder and extension.
std::string ImportedDisplayName(const std::string& path);
// Copies the display's file to `target`, overwriting it.
bool ExportDisplay(const std::string& name, const std::string& target, std::string* error = nullptr);

// Writes the first-run displays: "[D] <module>" for slots 0..16, each with
// that module alone, then "[R] Saved Sound Settings" with the random
// meta-module; the last one saved stays "Active".
void CreateDefaultDisplays();
// Writes the first-run displays when the saved-display folder holds no
// display file (creating the folder); true when it wrote them.
bool EnsureFirstRunDisplays();
// Saves the running state as "Capture #n" (the lowest free n) with every
// control fixed at its current value, and clears the snapshot request.
// Returns the name used, or "" when the save failed.
std::string SaveSnapshot();

// Loads a display from the registry tree "Saved" (the older form). Returns
// 1 when any module key exists, 0 otherwise or when the plug-in fails.
int LoadDisplayFromRegistry(const std::string& name);
// Converts every display of the registry tree "Saved" into a display file,
// then deletes the tree; "Active" keeps its value. `progress` (may be null)
// receives "Updating: <name>" for each.
void ConvertLegacyRegistry(const std::function<void(const std::string&)>& progress);

// The owner of a test run: while a process tries a display file out, the
// settings hold its process id ("TestRunOwner") and the "Active" it
// replaced ("TestRunActive"), so that a run ended by SIGKILL or a lost X
// server can be undone by the next program that starts.
void RecordTestRunOwner(const std::string& replacedActive);
void ClearTestRunOwner();
// When the recorded owner is gone: removes the test display and puts the
// replaced "Active" back. Runs of live processes are left alone.
void RepairAbandonedTestRun();

// What the start of every animation run and of the configuration tool does
// after registering the modules: makes the first-run displays when the
// saved-display folder holds none, undoes an abandoned test run, loads the
// process's own display
// (ProcessDisplay) when it has one and it loads, else the active display
// (falling back to "[R] Saved Sound Settings", which then becomes "Active"),
// and loads the global options.
void LoadStoredSettings();

}  // namespace ztx
