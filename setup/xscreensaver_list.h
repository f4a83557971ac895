// The XScreenSaver entry: Linux's "default screen saver" setting. Setup puts
// the Zentrix hack at the head of the "programs:" list of ~/.xscreensaver
// and selects it ("mode: one", "selected: 0"); the uninstaller takes the
// entry out again and, when it was the selected saver, leaves a blank screen
// ("mode: blank"). Every other line of the file is kept byte for byte.
//
// The file is replaced atomically after the previous one has been copied to
// "~/.xscreensaver.zentrix-backup". A file that cannot be edited safely (a
// second "programs:" list, NUL bytes) is left as it is and reported.
#pragma once
#include <optional>
#include <string>

namespace ztx {

// The entry's physical line: a name XScreenSaver shows and the command.
std::string XScreenSaverEntryLine(const std::string& hackPath);

// Text edits, for the file's contents. They return the new text, or nothing
// (with `error` set) when the text cannot be edited safely. AddEntry first
// removes any earlier entry of ours, so running setup again keeps one.
std::optional<std::string> AddXScreenSaverEntry(const std::string& text, const std::string& entryLine,
                                                std::string* error);
std::optional<std::string> RemoveXScreenSaverEntry(const std::string& text, std::string* error);

// The user's settings file ($HOME/.xscreensaver) and its backup.
std::string XScreenSaverFile();
std::string XScreenSaverBackupFile();

// Edits the user's file. Without a file, setup starts from the system's
// default list when XScreenSaver is installed and otherwise writes nothing
// (XScreenSaver is not used); the uninstaller leaves a missing file
// missing. Returns false, with `error`, when the file was not changed
// because it could not be read, edited or written.
bool InstallXScreenSaverEntry(const std::string& hackPath, std::string* error);
bool RemoveXScreenSaverEntryFromFile(std::string* error);

}  // namespace ztx
