#include "setup/xscreensaver_list.h"

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "setup/install_names.h"

namespace ztx {

namespace {

constexpr char kProgramsName[] = "programs";

// The file as physical lines (without their "\n"), and whether the last one
// ended with a line break.
struct Lines {
    std::vector<std::string> lines;
    bool finalBreak = false;

    static Lines Split(const std::string& text) {
        Lines out;
        size_t start = 0;
        while (start < text.size()) {
            size_t nl = text.find('\n', start);
            if (nl == std::string::npos) {
                out.lines.push_back(text.substr(start));
                return out;
            }
            out.lines.push_back(text.substr(start, nl - start));
            start = nl + 1;
        }
        out.finalBreak = !text.empty();
        return out;
    }
    std::string Join() const {
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i) {
            text += lines[i];
            if (i + 1 < lines.size() || finalBreak) text += '\n';
        }
        return text;
    }
};

bool Continues(const std::string& line) { return !line.empty() && line.back() == '\\'; }

size_t SkipBlanks(const std::string& s, size_t from) {
    while (from < s.size() && (s[from] == ' ' || s[from] == '\t')) ++from;
    return from;
}

// Where the value of resource `name` starts in a top-level line ("name:",
// or "*name:" as in the system's defaults file), or npos.
size_t ValueStart(const std::string& line, const std::string& name) {
    size_t p = SkipBlanks(line, 0);
    if (p < line.size() && line[p] == '*') ++p;
    if (line.compare(p, name.size(), name) != 0 || line.compare(p + name.size(), 1, ":") != 0) {
        return std::string::npos;
    }
    return p + name.size() + 1;
}

// Indices of the top-level lines that start resource `name` (lines that do
// not continue the line above).
std::vector<size_t> FindResource(const Lines& f, const std::string& name) {
    std::vector<size_t> found;
    for (size_t i = 0; i < f.lines.size(); ++i) {
        if ((i == 0 || !Continues(f.lines[i - 1])) && ValueStart(f.lines[i], name) != std::string::npos) {
            found.push_back(i);
        }
    }
    return found;
}

// The last line of the resource starting at `head`.
size_t ResourceEnd(const Lines& f, size_t head) {
    size_t end = head;
    while (end + 1 < f.lines.size() && Continues(f.lines[end])) ++end;
    return end;
}

size_t CountEntryBreaks(const std::string& s) {
    size_t n = 0;
    for (size_t p = s.find("\\n"); p != std::string::npos; p = s.find("\\n", p + 2)) ++n;
    return n;
}

// A continuation line that holds exactly one entry, ours.
bool IsOurEntry(const std::string& line) {
    return line.find(kHackProgram) != std::string::npos && CountEntryBreaks(line) <= 1;
}

bool CheckEditable(const std::string& text, const Lines& f, std::string* error) {
    auto refuse = [&](const std::string& why) {
        if (error) *error = XScreenSaverFile() + " " + why + "; it was left as it is";
        return false;
    };
    if (text.find('\0') != std::string::npos) return refuse("holds NUL bytes");
    if (FindResource(f, kProgramsName).size() > 1) return refuse("holds more than one \"programs:\" list");
    return true;
}

// Reads a top-level resource's value (trimmed), or "" when it is missing.
std::string ReadResource(const Lines& f, const std::string& name) {
    std::vector<size_t> at = FindResource(f, name);
    if (at.empty()) return std::string();
    const std::string& line = f.lines[at.front()];
    size_t p = SkipBlanks(line, ValueStart(line, name));
    size_t e = line.find_last_not_of(" \t\r");
    return e == std::string::npos || e < p ? std::string() : line.substr(p, e + 1 - p);
}

// Sets a one-line top-level resource, keeping the spelling and spacing
// before its value; a missing one is added at the end.
void WriteResource(Lines& f, const std::string& name, const std::string& value) {
    std::vector<size_t> at = FindResource(f, name);
    if (!at.empty()) {
        std::string& line = f.lines[at.front()];
        const size_t v = ValueStart(line, name), p = SkipBlanks(line, v);
        line = line.substr(0, p) + (p == v ? "\t" : "") + value;
        return;
    }
    // A file whose last line continues would swallow the new line.
    if (!f.lines.empty() && Continues(f.lines.back())) f.lines.push_back("");
    f.lines.push_back(name + ":\t\t" + value);
    f.finalBreak = true;
}

// Removes our entries from the list; returns the index (among all entries)
// of the first one removed, or -1.
long TakeOutEntries(Lines& f) {
    std::vector<size_t> heads = FindResource(f, kProgramsName);
    if (heads.empty()) return -1;
    const size_t head = heads.front();
    long removedIndex = -1;
    size_t end = ResourceEnd(f, head);
    for (size_t i = head + 1; i <= end;) {
        if (!IsOurEntry(f.lines[i])) {
            ++i;
            continue;
        }
        if (removedIndex < 0) {
            size_t before = 0;
            for (size_t k = head; k < i; ++k) before += CountEntryBreaks(f.lines[k]);
            removedIndex = static_cast<long>(before);
        }
        const bool last = i == end;
        f.lines.erase(f.lines.begin() + static_cast<long>(i));
        --end;
        // The list now ends one line earlier: that line must not continue
        // into the next resource.
        if (last && Continues(f.lines[end])) f.lines[end].pop_back();
    }
    return removedIndex;
}

std::string ShellWord(const std::string& word) {
    if (word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+") ==
        std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The system's defaults file, whose list XScreenSaver uses while the user
// has no file of their own.
std::string SystemDefaultsText() {
    for (const char* path : {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver"}) {
        std::string text;
        if (ReadWholeFile(path, text)) return text;
    }
    return std::string();
}

bool XScreenSaverInstalled() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty() && IsRegularFile(dir + "/xscreensaver")) return true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return false;
}

// Backs the file up, then replaces it atomically.
bool WriteWithBackup(const std::string& oldText, bool existed, const std::string& newText, std::string* error) {
    if (newText == oldText && existed) return true;
    if (existed && !WriteFileAtomically(XScreenSaverBackupFile(), oldText, error)) return false;
    return WriteFileAtomically(XScreenSaverFile(), newText, error);
}

}  // namespace

std::string XScreenSaverEntryLine(const std::string& hackPath) {
    return "\t\t\"Zentrix\"  " + ShellWord(hackPath) + " --root \\n";
}

std::optional<std::string> RemoveXScreenSaverEntry(const std::string& text, std::string* error) {
    Lines f = Lines::Split(text);
    if (!CheckEditable(text, f, error)) return std::nullopt;
    const long removed = TakeOutEntries(f);
    if (removed < 0) return text;
    const std::string selectedText = ReadResource(f, "selected");
    char* endp = nullptr;
    const long selected = std::strtol(selectedText.c_str(), &endp, 10);
    if (!selectedText.empty() && *endp == '\0') {
        if (selected == removed && ReadResource(f, "mode") == "one") {
            WriteResource(f, "mode", "blank");
        } else if (selected > removed) {
            WriteResource(f, "selected", std::to_string(selected - 1));
        }
    }
    return f.Join();
}

std::optional<std::string> AddXScreenSaverEntry(const std::string& text, const std::string& entryLine,
                                                std::string* error) {
    std::optional<std::string> without = RemoveXScreenSaverEntry(text, error);
    if (!without) return std::nullopt;
    Lines f = Lines::Split(*without);
    std::vector<size_t> heads = FindResource(f, kProgramsName);
    if (heads.empty()) {
        if (!f.lines.empty() && Continues(f.lines.back())) f.lines.push_back("");
        f.lines.push_back(std::string(kProgramsName) + ":\t\\");
        f.lines.push_back(entryLine);
        f.finalBreak = true;
    } else {
        const size_t head = heads.front();
        const std::string header = f.lines[head];
        const size_t valueAt = ValueStart(header, kProgramsName);
        const std::string rest = header.substr(SkipBlanks(header, valueAt));
        std::vector<std::string> inserted;
        if (rest.empty()) {
            inserted = {entryLine};  // an empty list: ours is the last entry
        } else if (rest == "\\") {
            inserted = {entryLine + "\\"};
        } else {
            inserted = {entryLine + "\\", "\t\t" + rest};  // the header's own entries follow ours
        }
        if (rest != "\\") f.lines[head] = header.substr(0, valueAt) + "\t\\";
        f.lines.insert(f.lines.begin() + static_cast<long>(head) + 1, inserted.begin(), inserted.end());
    }
    WriteResource(f, "mode", "one");
    WriteResource(f, "selected", "0");
    return f.Join();
}

std::string XScreenSaverFile() { return HomeDir() + "/.xscreensaver"; }
std::string XScreenSaverBackupFile() { return XScreenSaverFile() + ".zentrix-backup"; }

bool InstallXScreenSaverEntry(const std::string& hackPath, std::string* error) {
    std::string text;
    const bool existed = FileExists(XScreenSaverFile());
    if (existed && !ReadWholeFile(XScreenSaverFile(), text)) {
        if (error) *error = "cannot read " + XScreenSaverFile();
        return false;
    }
    if (!existed) {
        if (!XScreenSaverInstalled()) return true;  // XScreenSaver is not used here
        // Start from the system's list (as "programs:"), so that the other
        // savers stay available.
        Lines defaults = Lines::Split(SystemDefaultsText());
        std::vector<size_t> heads = FindResource(defaults, kProgramsName);
        if (heads.size() == 1) {
            Lines list;
            list.lines.assign(defaults.lines.begin() + static_cast<long>(heads[0]),
                              defaults.lines.begin() + static_cast<long>(ResourceEnd(defaults, heads[0])) + 1);
            std::string& header = list.lines.front();
            header.erase(0, header.find(kProgramsName));
            list.finalBreak = true;
            text = list.Join();
        }
    }
    std::optional<std::string> edited = AddXScreenSaverEntry(text, XScreenSaverEntryLine(hackPath), error);
    return edited && WriteWithBackup(text, existed, *edited, error);
}

bool RemoveXScreenSaverEntryFromFile(std::string* error) {
    std::string text;
    if (!FileExists(XScreenSaverFile())) return true;
    if (!ReadWholeFile(XScreenSaverFile(), text)) {
        if (error) *error = "cannot read " + XScreenSaverFile();
        return false;
    }
    std::optional<std::string> edited = RemoveXScreenSaverEntry(text, error);
    return edited && WriteWithBackup(text, true, *edited, error);
}

}  // namespace ztx
