// Private-profile (INI) files, with the rules programs of the design's
// platform rely on: section and key names match without regard to case,
// missing keys read as the caller's default, a whole-section write replaces
// the earlier section of that name, and lines end with CR LF when written.
// Reading accepts what other editors produce: LF-only line ends, spaces
// around "=", UTF-8 byte-order marks, blank lines and ";" comments (kept
// when the file is written again).
//
// Every write replaces the file atomically: a crash or a full disk never
// leaves a half-written file, and a failed write reports failure.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ztx {

class ProfileFile {
public:
    // What a profile file may hold, far above anything the program writes:
    // a file beyond them (a damaged or hostile one) is refused before it is
    // parsed, so it cannot take memory or time out of proportion.
    static constexpr size_t kMaxFileBytes = 16u << 20;
    static constexpr size_t kMaxLines = 1'000'000;
    static constexpr size_t kMaxLineBytes = 65536;

    // Reads a file; a missing file gives an empty profile and true. False,
    // with an empty profile and `error` saying why, when the file exists but
    // cannot be read or goes beyond the limits above.
    bool Load(const std::string& path, std::string* error = nullptr);
    void Parse(const std::string& text);
    std::string Serialize() const;
    // Writes the profile over `path` atomically.
    bool Save(const std::string& path, std::string* error = nullptr) const;

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Sets a key, adding the section at the end when it is missing.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    void DeleteKey(const std::string& section, const std::string& key);
    // Replaces the whole section (it keeps its place when it existed).
    void ReplaceSection(const std::string& section, const std::vector<std::pair<std::string, std::string>>& entries);
    void DeleteSection(const std::string& section);
    bool HasSection(const std::string& section) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;

private:
    struct Line {
        bool entry = false;
        std::string key;    // entries
        std::string value;  // entries; the raw text for other lines
    };
    struct Section {
        std::string name{};
        std::vector<Line> lines{};
        // Lower-case key -> index of its first entry line, built at the first
        // look-up after a change: reading a display of many thousand keys
        // stays linear.
        mutable std::unordered_map<std::string, size_t> index{};
        mutable bool indexed = false;
    };
    Section* FindSection(const std::string& name);
    const Section* FindSection(const std::string& name) const;
    // The index of the first entry of `key` in `s`, or -1.
    static std::ptrdiff_t FindEntry(const Section& s, const std::string& key);
    std::vector<Line> preamble_;  // lines before the first section
    std::vector<Section> sections_;
};

// Single-key helpers on a file, as the platform's profile calls behave.
// A null `value` deletes the key. Returns 1 when the file was written.
int WriteProfileString(const std::string& section, const std::string& key, const char* value,
                       const std::string& file);
std::string GetProfileString(const std::string& section, const std::string& key, const std::string& fallback,
                             const std::string& file);
// Writes `number` in decimal ("%lu").
int WriteProfileNumber(const std::string& section, const std::string& key, unsigned long number,
                       const std::string& file);
// Reads a number; text that does not start with digits reads as `fallback`.
long GetProfileNumber(const std::string& section, const std::string& key, long fallback, const std::string& file);

// The structure encoding of profile values: every byte as two upper-case
// hexadecimal digits, then a checksum byte (the sum of the bytes modulo 256)
// in the same form.
std::string EncodeProfileStruct(const void* data, size_t size);
// Decodes a value into exactly `size` bytes; false (and `out` untouched) when
// the length or the checksum does not match or a digit is not hexadecimal.
bool DecodeProfileStruct(const std::string& text, void* out, size_t size);

}  // namespace ztx
