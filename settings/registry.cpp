#include "settings/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/files.h"
#include "platform/folders.h"

namespace ztx {

namespace {

const char* RootName(RegRoot root) {
    switch (root) {
        case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
        case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    }
    return "HKEY_CURRENT_USER";
}

bool IsRootName(const std::string& s) {
    return EqualsNoCase(s, "HKEY_CURRENT_USER") || EqualsNoCase(s, "HKEY_LOCAL_MACHINE") ||
           EqualsNoCase(s, "HKEY_CLASSES_ROOT");
}

// Drops leading, trailing and doubled backslashes.
std::string CleanPath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

// Whether a cleaned key path stays within what the registry allows: at most
// 512 levels, each name at most 255 characters. A deeper key could only come
// from a damaged or hostile file, and its ancestors would multiply it.
bool WithinKeyLimits(const std::string& path) {
    int levels = 1;
    size_t nameStart = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\') continue;
        if (i - nameStart > 255) return false;
        nameStart = i + 1;
        if (i < path.size() && ++levels > 512) return false;
    }
    return true;
}

std::string ParentOf(const std::string& full) {
    size_t slash = full.find_last_of('\\');
    return slash == std::string::npos ? std::string() : full.substr(0, slash);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a double-quoted string with \\ and \" escapes starting at s[i] == '"';
// leaves i after the closing quote.
bool ReadQuoted(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    out.clear();
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"') return true;
        if (c == '\\' && i < s.size()) c = s[i++];
        out += c;
    }
    return false;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool ParseHexBytes(const std::string& s, std::string& out) {
    out.clear();
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == ',')) ++i;
        if (i >= s.size()) break;
        if (i + 1 >= s.size()) return false;
        int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        if (i < s.size() && s[i] != ',' && s[i] != ' ' && s[i] != '\t') return false;
    }
    return true;
}

std::string HexBytes(const std::string& data) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i) out += ',';
        unsigned char b = static_cast<unsigned char>(data[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool ParseValue(const std::string& s, RegValue& v) {
    if (!s.empty() && s[0] == '"') {
        size_t i = 0;
        std::string text;
        if (!ReadQuoted(s, i, text)) return false;
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        if (i != s.size()) return false;
        v = MakeTextValue(text);
        return true;
    }
    if (s.compare(0, 6, "dword:") == 0) {
        std::string digits = s.substr(6);
        while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t')) digits.pop_back();
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t n = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return false;
            n = n * 16 + static_cast<uint32_t>(d);
        }
        v = MakeDwordValue(n);
        return true;
    }
    if (s.compare(0, 4, "hex:") == 0) {
        v.type = kRegBinary;
        return ParseHexBytes(s.substr(4), v.data);
    }
    if (s.compare(0, 4, "hex(") == 0) {
        size_t close = s.find("):");
        if (close == std::string::npos || close == 4) return false;
        uint32_t type = 0;
        for (size_t i = 4; i < close; ++i) {
            int d = HexDigit(s[i]);
            if (d < 0) return false;
            type = type * 16 + static_cast<uint32_t>(d);
        }
        v.type = type;
        return ParseHexBytes(s.substr(close + 2), v.data);
    }
    return false;
}

std::string FormatValue(const RegValue& v) {
    if (v.type == kRegDword && v.data.size() == 4) {
        uint32_t n;
        std::memcpy(&n, v.data.data(), 4);
        char buf[20];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    if (v.type == kRegSz && !v.data.empty() && v.data.back() == '\0') {
        std::string text = v.data.substr(0, v.data.size() - 1);
        bool plain = true;
        for (char c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) plain = false;
        }
        if (plain) return Quote(text);
    }
    if (v.type == kRegBinary) return "hex:" + HexBytes(v.data);
    char buf[20];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    return buf + HexBytes(v.data);
}

}  // namespace

bool RegistryData::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return CompareNoCase(a, b) < 0;
}

std::string RegistryData::FullPath(RegRoot root, const std::string& path) {
    std::string clean = CleanPath(path);
    return clean.empty() ? std::string(RootName(root)) : std::string(RootName(root)) + "\\" + clean;
}

void RegistryData::CreateFull(const std::string& full) {
    if (keys_.count(full)) return;
    std::string parent = ParentOf(full);
    if (!parent.empty() && !IsRootName(parent)) CreateFull(parent);
    keys_[full].spelling = full;
}

bool RegistryData::KeyExists(RegRoot root, const std::string& path) const {
    std::string full = FullPath(root, path);
    return IsRootName(full) || keys_.count(full) != 0;
}

void RegistryData::CreateKey(RegRoot root, const std::string& path) {
    const std::string full = FullPath(root, path);
    if (WithinKeyLimits(full)) CreateFull(full);
}

std::ptrdiff_t RegistryData::Key::Position(const std::string& name) const {
    if (!indexed) {
        index.clear();
        for (size_t i = 0; i < values.size(); ++i) index.emplace(ToLower(values[i].first), i);
        indexed = true;
    }
    const auto it = index.find(ToLower(name));
    return it == index.end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
}

void RegistryData::Key::Put(const std::string& name, RegValue value) {
    if (const std::ptrdiff_t i = Position(name); i >= 0) {
        values[static_cast<size_t>(i)].second = std::move(value);
        return;
    }
    values.emplace_back(name, std::move(value));
    index.emplace(ToLower(name), values.size() - 1);
}

bool RegistryData::Key::Remove(const std::string& name) {
    const std::ptrdiff_t i = Position(name);
    if (i < 0) return false;
    values.erase(values.begin() + i);
    indexed = false;
    return true;
}

const RegValue* RegistryData::Find(RegRoot root, const std::string& path, const std::string& name) const {
    auto it = keys_.find(FullPath(root, path));
    if (it == keys_.end()) return nullptr;
    const std::ptrdiff_t i = it->second.Position(name);
    return i < 0 ? nullptr : &it->second.values[static_cast<size_t>(i)].second;
}

bool RegistryData::Set(RegRoot root, const std::string& path, const std::string& name, RegValue value) {
    std::string full = FullPath(root, path);
    auto it = keys_.find(full);
    if (it == keys_.end()) {
        if (!IsRootName(full)) return false;
        CreateFull(full);
        it = keys_.find(full);
    }
    it->second.Put(name, std::move(value));
    return true;
}

bool RegistryData::DeleteValue(RegRoot root, const std::string& path, const std::string& name) {
    auto it = keys_.find(FullPath(root, path));
    if (it == keys_.end()) return false;
    return it->second.Remove(name);
}

bool RegistryData::DeleteTree(RegRoot root, const std::string& path) {
    std::string full = FullPath(root, path);
    auto it = keys_.find(full);
    if (it == keys_.end()) return false;
    // Remove the key and every key whose path continues it with a backslash.
    std::string prefix = full + "\\";
    for (auto k = keys_.begin(); k != keys_.end();) {
        const std::string& name = k->first;
        bool below = name.size() > prefix.size() && CompareNoCase(name.substr(0, prefix.size()), prefix) == 0;
        if (below || CompareNoCase(name, full) == 0)
            k = keys_.erase(k);
        else
            ++k;
    }
    return true;
}

std::vector<std::string> RegistryData::Subkeys(RegRoot root, const std::string& path) const {
    std::string full = FullPath(root, path);
    std::string prefix = full + "\\";
    std::vector<std::string> out;
    for (const auto& [name, key] : keys_) {
        if (name.size() <= prefix.size() || CompareNoCase(name.substr(0, prefix.size()), prefix) != 0) continue;
        std::string rest = key.spelling.substr(prefix.size());
        if (rest.find('\\') == std::string::npos) out.push_back(rest);
    }
    return out;
}

std::vector<std::string> RegistryData::ValueNames(RegRoot root, const std::string& path) const {
    std::vector<std::string> out;
    auto it = keys_.find(FullPath(root, path));
    if (it == keys_.end()) return out;
    for (const auto& v : it->second.values) out.push_back(v.first);
    return out;
}

bool RegistryData::Parse(const std::string& text, std::string* error) {
    keys_.clear();
    auto bad = [&](size_t line, const std::string& why) {
        keys_.clear();
        if (error) *error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    // Split into logical lines: CR LF or LF ends, a trailing backslash
    // continues a hex list on the next line.
    std::vector<std::pair<size_t, std::string>> lines;
    size_t pos = 0, lineNo = 0;
    std::string pending;
    size_t pendingStart = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = end + 1;
        if (!pending.empty()) {
            size_t start = line.find_first_not_of(" \t");
            line = pending + (start == std::string::npos ? std::string() : line.substr(start));
            pending.clear();
        } else {
            pendingStart = lineNo;
        }
        if (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos && line[0] != '[') {
            pending = line.substr(0, line.size() - 1);
            continue;
        }
        lines.emplace_back(pendingStart, line);
        if (end == text.size()) break;
    }
    if (!pending.empty()) lines.emplace_back(pendingStart, pending);

    bool header = false;
    std::string current;  // full path of the key being read, empty when none
    bool skipping = false;
    for (auto& [no, raw] : lines) {
        size_t first = raw.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        std::string line = raw.substr(first);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line[0] == ';') continue;
        if (!header) {
            if (line != "REGEDIT4") return bad(no, "the file does not start with REGEDIT4");
            header = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') return bad(no, "a key line does not end with ]");
            std::string path = line.substr(1, line.size() - 2);
            bool remove = !path.empty() && path[0] == '-';
            if (remove) path.erase(0, 1);
            path = CleanPath(path);
            std::string root = path.substr(0, path.find('\\'));
            if (!IsRootName(root)) return bad(no, "unknown root key " + root);
            if (!WithinKeyLimits(path)) return bad(no, "a key path is deeper or longer than the registry allows");
            if (remove) {
                RegRoot r = EqualsNoCase(root, "HKEY_CURRENT_USER")    ? RegRoot::CurrentUser
                            : EqualsNoCase(root, "HKEY_LOCAL_MACHINE") ? RegRoot::LocalMachine
                                                                       : RegRoot::ClassesRoot;
                DeleteTree(r, path.size() > root.size() ? path.substr(root.size() + 1) : std::string());
                skipping = true;
                current.clear();
                continue;
            }
            skipping = false;
            CreateFull(path);
            current = path;
            continue;
        }
        if (skipping) continue;
        if (current.empty()) return bad(no, "a value stands outside any key");
        std::string name;
        size_t i = 0;
        if (line[0] == '@') {
            i = 1;
        } else if (!ReadQuoted(line, i, name)) {
            return bad(no, "a value name is not quoted");
        }
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size() || line[i] != '=') return bad(no, "a value line has no =");
        ++i;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::string rest = line.substr(i);
        Key& key = keys_[current];
        if (rest == "-") {
            key.Remove(name);
            continue;
        }
        RegValue v;
        if (!ParseValue(rest, v)) return bad(no, "cannot read the value of \"" + name + "\"");
        key.Put(name, std::move(v));
    }
    if (!header && !text.empty()) {
        // A file of nothing but blank lines is as good as an empty one.
        for (char c : text) {
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return bad(1, "the file does not start with REGEDIT4");
        }
    }
    return true;
}

std::string RegistryData::Serialize() const {
    std::string out = "REGEDIT4\n";
    for (const auto& [name, key] : keys_) {
        out += "\n[" + key.spelling + "]\n";
        for (const auto& [vname, v] : key.values) {
            out += vname.empty() ? std::string("@") : Quote(vname);
            out += "=" + FormatValue(v) + "\n";
        }
    }
    return out;
}

RegValue MakeTextValue(const std::string& text) {
    RegValue v;
    v.type = kRegSz;
    v.data = text;
    v.data += '\0';
    return v;
}

RegValue MakeDwordValue(uint32_t value) {
    RegValue v;
    v.type = kRegDword;
    v.data.assign(reinterpret_cast<const char*>(&value), 4);
    return v;
}

RegValue MakeBinaryValue(const void* data, size_t size) {
    RegValue v;
    v.type = kRegBinary;
    v.data.assign(static_cast<const char*>(data), size);
    return v;
}

// ---------------------------------------------------------------------------
// The file.

std::string RegistryFilePath() {
    if (const char* v = std::getenv("ZENTRIX_REGISTRY"); v && *v) return v;
    return ConfigDir() + "/registry.reg";
}

namespace {

// The last parsed file: parsing is the costly part of a read, so the text
// read is compared with the text parsed last time and the parse reused when
// they are the same. (File identity and times are not trusted for this:
// inode numbers are reused and timestamps are coarse.)
struct Cache {
    std::mutex lock;
    std::string path;
    std::string text;
    bool valid = false;
    RegistryData data;
};
Cache g_cache;

// An exclusive lock on "<file>.lock", held by writers and by whoever sets a
// damaged file aside.
class WriterLock {
public:
    explicit WriterLock(const std::string& file) {
        MakeDirs(DirName(file));
        fd_ = open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~WriterLock() {
        if (fd_ >= 0) close(fd_);  // releases the lock
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

private:
    int fd_ = -1;
};

// Renames a damaged file to "<file>.damaged-YYYYMMDD-HHMMSS[-N]".
void SetAside(const std::string& path, const std::string& why) {
    time_t now = time(nullptr);
    struct tm tmv{};
    localtime_r(&now, &tmv);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tmv);
    std::string target = path + ".damaged-" + stamp;
    for (int n = 2; FileExists(target); ++n) target = path + ".damaged-" + stamp + "-" + std::to_string(n);
    if (rename(path.c_str(), target.c_str()) == 0) {
        std::fprintf(stderr,
                     "zentrix: the settings file %s could not be read (%s); it was kept as %s and the "
                     "program continues from default settings.\n",
                     path.c_str(), why.c_str(), target.c_str());
    } else {
        std::fprintf(stderr, "zentrix: the settings file %s could not be read (%s) nor set aside: %s\n",
                     path.c_str(), why.c_str(), std::strerror(errno));
    }
}

// Loads the file. Must be called with the writer lock held when
// `mayRepair` is true; without it a damaged file is reported as such and
// left for a locked caller to repair.
enum class LoadResult { Ok, Damaged };
LoadResult Load(const std::string& path, RegistryData& out, bool mayRepair) {
    std::string text;
    if (!ReadWholeFile(path, text)) {
        int err = errno;
        if (!FileExists(path)) {
            out = RegistryData();
            return LoadResult::Ok;
        }
        out = RegistryData();
        if (mayRepair) SetAside(path, std::strerror(err));
        return LoadResult::Damaged;
    }
    std::lock_guard<std::mutex> g(g_cache.lock);
    if (g_cache.valid && g_cache.path == path && g_cache.text == text) {
        out = g_cache.data;
        return LoadResult::Ok;
    }
    std::string why;
    RegistryData parsed;
    if (!parsed.Parse(text, &why)) {
        out = RegistryData();
        if (mayRepair) SetAside(path, why);
        return LoadResult::Damaged;
    }
    g_cache.path = path;
    g_cache.text = std::move(text);
    g_cache.data = parsed;
    g_cache.valid = true;
    out = std::move(parsed);
    return LoadResult::Ok;
}

}  // namespace

RegistryData RegSnapshot() {
    std::string path = RegistryFilePath();
    RegistryData data;
    if (Load(path, data, false) == LoadResult::Damaged) {
        WriterLock lock(path);
        Load(path, data, true);
    }
    return data;
}

bool RegUpdate(const std::function<bool(RegistryData&)>& change, std::string* error) {
    std::string path = RegistryFilePath();
    WriterLock lock(path);
    RegistryData data;
    Load(path, data, true);
    if (!change(data)) return true;
    std::string why;
    if (!WriteFileAtomically(path, data.Serialize(), &why)) {
        if (error)
            *error = "settings not saved: " + why;
        else
            std::fprintf(stderr, "zentrix: settings not saved: %s\n", why.c_str());
        return false;
    }
    return true;
}

bool RegKeyExists(RegRoot root, const std::string& path) { return RegSnapshot().KeyExists(root, path); }

bool RegCreateKey(RegRoot root, const std::string& path) {
    if (RegKeyExists(root, path)) return true;
    return RegUpdate([&](RegistryData& d) {
        d.CreateKey(root, path);
        return true;
    });
}

bool RegQuery(RegRoot root, const std::string& path, const std::string& name, RegValue& out) {
    RegistryData d = RegSnapshot();
    const RegValue* v = d.Find(root, path, name);
    if (!v) return false;
    out = *v;
    return true;
}

bool RegSet(RegRoot root, const std::string& path, const std::string& name, uint32_t type, const void* data,
            size_t size, bool createKey) {
    bool keyMissing = false;
    bool written = RegUpdate([&](RegistryData& d) {
        if (!d.KeyExists(root, path)) {
            if (!createKey) {
                keyMissing = true;
                return false;
            }
            d.CreateKey(root, path);
        }
        RegValue v;
        v.type = type;
        v.data.assign(static_cast<const char*>(data), size);
        return d.Set(root, path, name, std::move(v));
    });
    return written && !keyMissing;
}

bool RegDeleteValue(RegRoot root, const std::string& path, const std::string& name) {
    bool found = false;
    bool written = RegUpdate([&](RegistryData& d) {
        found = d.DeleteValue(root, path, name);
        return found;
    });
    return written && found;
}

long RegDeleteKeyTree(RegRoot root, const std::string& path) {
    if (CleanPath(path).empty()) return kRegBadPath;
    bool found = false;
    bool written = RegUpdate([&](RegistryData& d) {
        found = d.DeleteTree(root, path);
        return found;
    });
    if (!found) return kRegNotFound;
    return written ? kRegOk : kRegWriteFailed;
}

std::vector<std::string> RegSubkeys(RegRoot root, const std::string& path) {
    return RegSnapshot().Subkeys(root, path);
}

bool RegReadDword(RegRoot root, const std::string& path, const std::string& name, uint32_t& out) {
    RegValue v;
    if (!RegQuery(root, path, name, v) || v.data.size() != 4 || (v.type != kRegDword && v.type != kRegBinary))
        return false;
    std::memcpy(&out, v.data.data(), 4);
    return true;
}

bool RegReadText(RegRoot root, const std::string& path, const std::string& name, std::string& out,
                 size_t maxChars) {
    RegValue v;
    if (!RegQuery(root, path, name, v) || v.type != kRegSz) return false;
    std::string text = v.data;
    if (size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    if (text.size() > maxChars) return false;
    out = text;
    return true;
}

bool RegWriteDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value,
                   bool createKey) {
    return RegSet(root, path, name, kRegDword, &value, 4, createKey);
}

bool RegWriteText(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
                  bool createKey) {
    RegValue v = MakeTextValue(text);
    return RegSet(root, path, name, kRegSz, v.data.data(), v.data.size(), createKey);
}

}  // namespace ztx
