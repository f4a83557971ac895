#include "setup/desktop_entries.h"

#include <sys/stat.h>

#include "platform/files.h"
#include "setup/install_names.h"

namespace ztx {

namespace {

// One argument of "Exec": quoted, with the characters the format reserves
// inside quotes escaped, then escaped again as a string value; "%" doubled
// so it is no field code.
std::string ExecArgument(const std::string& arg) {
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value;
}

// A plain string value: line breaks and backslashes escaped.
std::string TextValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '\n')
            value += "\\n";
        else if (c == '\r' || c == '\t')
            value += ' ';
        else
            value += c;
    }
    return value;
}

}  // namespace

std::string DesktopEntryText(const DesktopEntry& entry) {
    std::string exec;
    for (const std::string& arg : entry.exec) exec += (exec.empty() ? "" : " ") + ExecArgument(arg);
    std::string text = "[Desktop Entry]\nType=Application\nName=" + TextValue(entry.name) + "\n";
    if (!entry.comment.empty()) text += "Comment=" + TextValue(entry.comment) + "\n";
    text += "Exec=" + exec + "\nTerminal=false\n";
    if (entry.inMenuGroup) text += std::string("Categories=") + kMenuCategory + ";\n";
    return text;
}

bool WriteDesktopEntry(const std::string& path, const DesktopEntry& entry, bool executable) {
    if (!WriteFileAtomically(path, DesktopEntryText(entry))) return false;
    return !executable || chmod(path.c_str(), 0755) == 0;
}

bool WriteMenuGroup(const std::string& title) {
    const std::string menu =
        "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
        "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>Zentrix</Name>\n"
        "    <Directory>" +
        std::string(kMenuDirectoryFile) +
        "</Directory>\n"
        "    <Include><Category>" +
        kMenuCategory + "</Category></Include>\n  </Menu>\n</Menu>\n";
    const std::string directory = "[Desktop Entry]\nType=Directory\nName=" + TextValue(title) + "\n";
    return WriteFileAtomically(MenusMergedDir() + "/" + kMenuFile, menu) &&
           WriteFileAtomically(DesktopDirectoriesDir() + "/" + kMenuDirectoryFile, directory);
}

std::vector<std::string> OpenWithDesktop(const std::string& path) { return {"xdg-open", path}; }

}  // namespace ztx
