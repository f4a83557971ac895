// Desktop entries: the Linux form of the design's shell links. Menu entries
// go to the applications folder and are grouped in the "Zentrix" submenu by
// a category of their own; desktop items and the autostart entry are the
// same kind of file in the desktop and autostart folders.
#pragma once
#include <string>
#include <vector>

namespace ztx {

struct DesktopEntry {
    std::string name;               // "Name": what the menu or desktop shows
    std::string comment;            // "Comment": the link's description
    std::vector<std::string> exec;  // the program and its arguments
    bool inMenuGroup = false;       // listed in the "Zentrix" submenu
};

// The entry's text (every argument quoted and escaped as the desktop entry
// format requires, so paths with spaces, quotes or "%" survive).
std::string DesktopEntryText(const DesktopEntry& entry);
// Writes the entry atomically; entries on the desktop are made executable,
// which desktops require before they start them.
bool WriteDesktopEntry(const std::string& path, const DesktopEntry& entry, bool executable = false);
// The submenu that holds the menu group: a merged menu file and its
// directory entry titled `title`.
bool WriteMenuGroup(const std::string& title);
// An entry that opens a file or folder with the desktop's own program.
std::vector<std::string> OpenWithDesktop(const std::string& path);

}  // namespace ztx
