#include "settings/profile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

namespace ztx {

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// Why `text` goes beyond what a profile file may hold; empty when it does not.
std::string BeyondLimits(const std::string& text) {
    if (text.size() > ProfileFile::kMaxFileBytes) return "it is larger than 16 MB";
    size_t lines = 0;
    for (size_t start = 0; start < text.size(); ++lines) {
        if (lines >= ProfileFile::kMaxLines) return "it has more than 1,000,000 lines";
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end - start > ProfileFile::kMaxLineBytes) return "it has a line longer than 65,536 characters";
        start = end + 1;
    }
    return std::string();
}

}  // namespace

bool ProfileFile::Load(const std::string& path, std::string* error) {
    std::string text;
    Parse(std::string());
    // A file far too large is refused before it is read.
    if (struct stat st{}; stat(path.c_str(), &st) == 0 && static_cast<size_t>(st.st_size) > kMaxFileBytes) {
        if (error) *error = "cannot read " + path + ": it is larger than 16 MB";
        return false;
    }
    if (!ReadWholeFile(path, text)) {
        if (error) *error = "cannot read " + path + ": " + std::strerror(errno);
        return !FileExists(path);
    }
    if (const std::string why = BeyondLimits(text); !why.empty()) {
        if (error) *error = "cannot read " + path + ": " + why;
        return false;
    }
    Parse(text);
    return true;
}

void ProfileFile::Parse(const std::string& text) {
    preamble_.clear();
    sections_.clear();
    // Byte-order marks (editors have been seen to write two) are no text.
    size_t pos = 0;
    while (text.compare(pos, 3, "\xEF\xBB\xBF") == 0) pos += 3;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string t = Trim(raw);
        std::vector<Line>& target = sections_.empty() ? preamble_ : sections_.back().lines;
        if (!t.empty() && t[0] == '[') {
            size_t close = t.find(']');
            if (close != std::string::npos) {
                sections_.push_back(Section{.name = Trim(t.substr(1, close - 1))});
                continue;
            }
        }
        Line line;
        size_t eq = t.find('=');
        if (!t.empty() && t[0] != ';' && eq != std::string::npos && !sections_.empty()) {
            line.entry = true;
            line.key = Trim(t.substr(0, eq));
            line.value = Trim(t.substr(eq + 1));
        } else {
            line.value = raw;
        }
        target.push_back(std::move(line));
    }
}

std::string ProfileFile::Serialize() const {
    std::string out;
    auto put = [&](const std::vector<Line>& lines) {
        for (const Line& l : lines) out += (l.entry ? l.key + "=" + l.value : l.value) + "\r\n";
    };
    put(preamble_);
    for (const Section& s : sections_) {
        out += "[" + s.name + "]\r\n";
        put(s.lines);
    }
    return out;
}

bool ProfileFile::Save(const std::string& path, std::string* error) const {
    return WriteFileAtomically(path, Serialize(), error);
}

ProfileFile::Section* ProfileFile::FindSection(const std::string& name) {
    for (Section& s : sections_) {
        if (EqualsNoCase(s.name, name)) return &s;
    }
    return nullptr;
}

const ProfileFile::Section* ProfileFile::FindSection(const std::string& name) const {
    for (const Section& s : sections_) {
        if (EqualsNoCase(s.name, name)) return &s;
    }
    return nullptr;
}

std::ptrdiff_t ProfileFile::FindEntry(const Section& s, const std::string& key) {
    if (!s.indexed) {
        s.index.clear();
        for (size_t i = 0; i < s.lines.size(); ++i) {
            if (s.lines[i].entry) s.index.emplace(ToLower(s.lines[i].key), i);
        }
        s.indexed = true;
    }
    const auto it = s.index.find(ToLower(key));
    return it == s.index.end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
}

std::optional<std::string> ProfileFile::Get(const std::string& section, const std::string& key) const {
    if (const Section* s = FindSection(section)) {
        if (const std::ptrdiff_t i = FindEntry(*s, key); i >= 0) return s->lines[static_cast<size_t>(i)].value;
    }
    return std::nullopt;
}

void ProfileFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{.name = section});
        s = &sections_.back();
    }
    if (const std::ptrdiff_t i = FindEntry(*s, key); i >= 0) {
        s->lines[static_cast<size_t>(i)].value = value;
        return;
    }
    // New keys go after the last entry, before trailing blank lines.
    size_t at = s->lines.size();
    while (at > 0 && !s->lines[at - 1].entry && Trim(s->lines[at - 1].value).empty()) --at;
    Line line;
    line.entry = true;
    line.key = key;
    line.value = value;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    s->indexed = false;
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
    if (Section* s = FindSection(section)) {
        if (const std::ptrdiff_t i = FindEntry(*s, key); i >= 0) {
            s->lines.erase(s->lines.begin() + i);
            s->indexed = false;
        }
    }
}

void ProfileFile::ReplaceSection(const std::string& section,
                                 const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<Line> lines;
    for (const auto& [k, v] : entries) {
        Line l;
        l.entry = true;
        l.key = k;
        l.value = v;
        lines.push_back(std::move(l));
    }
    if (Section* s = FindSection(section)) {
        s->lines = std::move(lines);
        s->indexed = false;
    } else {
        sections_.push_back(Section{.name = section, .lines = std::move(lines)});
    }
}

void ProfileFile::DeleteSection(const std::string& section) {
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (EqualsNoCase(sections_[i].name, section)) {
            sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool ProfileFile::HasSection(const std::string& section) const { return FindSection(section) != nullptr; }

std::vector<std::string> ProfileFile::SectionNames() const {
    std::vector<std::string> names;
    for (const Section& s : sections_) names.push_back(s.name);
    return names;
}

std::vector<std::pair<std::string, std::string>> ProfileFile::Entries(const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> out;
    if (const Section* s = FindSection(section)) {
        for (const Line& l : s->lines) {
            if (l.entry) out.emplace_back(l.key, l.value);
        }
    }
    return out;
}

int WriteProfileString(const std::string& section, const std::string& key, const char* value,
                       const std::string& file) {
    ProfileFile p;
    if (!p.Load(file)) return 0;
    if (value)
        p.Set(section, key, value);
    else
        p.DeleteKey(section, key);
    return p.Save(file) ? 1 : 0;
}

std::string GetProfileString(const std::string& section, const std::string& key, const std::string& fallback,
                             const std::string& file) {
    ProfileFile p;
    p.Load(file);
    return p.Get(section, key).value_or(fallback);
}

int WriteProfileNumber(const std::string& section, const std::string& key, unsigned long number,
                       const std::string& file) {
    return WriteProfileString(section, key, std::to_string(number).c_str(), file);
}

long GetProfileNumber(const std::string& section, const std::string& key, long fallback, const std::string& file) {
    std::optional<std::string> v;
    ProfileFile p;
    p.Load(file);
    v = p.Get(section, key);
    if (!v || v->empty()) return fallback;
    const char* s = v->c_str();
    char* end = nullptr;
    long n = std::strtol(s, &end, 10);
    return end == s ? fallback : n;
}

std::string EncodeProfileStruct(const void* data, size_t size) {
    static const char* digits = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string out;
    out.reserve(size * 2 + 2);
    unsigned sum = 0;
    for (size_t i = 0; i <= size; ++i) {
        unsigned char b = i < size ? bytes[i] : static_cast<unsigned char>(sum & 0xFF);
        if (i < size) sum += b;
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool DecodeProfileStruct(const std::string& text, void* out, size_t size) {
    if (text.size() != size * 2 + 2) return false;
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string bytes(size + 1, '\0');
    for (size_t i = 0; i <= size; ++i) {
        int hi = hex(text[2 * i]), lo = hex(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<char>(hi * 16 + lo);
    }
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) sum += static_cast<unsigned char>(bytes[i]);
    if (static_cast<unsigned char>(bytes[size]) != (sum & 0xFF)) return false;
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), static_cast<char*>(out));
    return true;
}

}  // namespace ztx
