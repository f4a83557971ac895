// The uninstaller: removes everything setup created, in the design's order,
// asking its two questions through UninstallDialogs (message boxes, a
// terminal, or the unattended answers). Every deletion ignores its own
// failure; the run always ends with the completion message.
//
// It reads the three folders setup stored ("ZentrixDir", "ZentrixSav",
// "PlugInDir"); a folder that is not stored is skipped, so nothing is ever
// deleted relative to the current folder.
#pragma once
#include <functional>
#include <string>

namespace ztx {

struct UninstallDialogs {
    // A Yes/No question; true for Yes.
    std::function<bool(const std::string& text, const std::string& caption)> askYesNo;
    // A message with an OK button.
    std::function<void(const std::string& text, const std::string& caption)> inform;
};

constexpr char kConfirmRemovalText[] = "Are you sure you want to remove the Zentrical Screen Saver from your system?";
constexpr char kConfirmRemovalCaption[] = "UnInstall";
constexpr char kLauncherQuestionText[] = "Do you wish to uninstall the taskbar screen saver launcher?";
constexpr char kLauncherQuestionCaption[] = "UnInstall Trampo";
constexpr char kRemovedText[] = "The Zentrical Screen Saver has been removed.";
constexpr char kRemovedCaption[] = "UnInstall Complete";

// Runs the whole removal. Returns false when the user answered No to the
// first question (nothing was touched).
bool RunUninstall(const UninstallDialogs& dialogs);

// Deletes the files in `dir` that match `pattern` (case ignored); a file
// that cannot be deleted is retried once after making it writable.
void DeleteMatchingFiles(const std::string& dir, const std::string& pattern);

}  // namespace ztx
