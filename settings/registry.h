// The registry: every key and value the program keeps (the user's settings,
// the machine-wide values it reads, the file association) lives in one text
// file in REGEDIT4 layout, "registry.reg" in the configuration folder.
//
// Key paths keep their Windows spelling with backslashes ("Control
// Panel\Screen Saver.Zentrix"); key and value names compare without regard
// to case. Values are typed: text, 32-bit number, binary (and any other
// Windows type number, kept as bytes).
//
// Several processes use the file at once. Reads need no lock: the file is
// only ever replaced whole. Every change is a read-modify-write under an
// exclusive lock, written to a temporary file that atomically replaces the
// old one, so no writer's change is lost and a crash never leaves a
// half-written file. A damaged file is set aside under a new name (never
// deleted) and the program goes on from defaults.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace ztx {

enum class RegRoot { CurrentUser, LocalMachine, ClassesRoot };

// Windows value type numbers.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// Windows error codes the helpers return.
constexpr long kRegOk = 0;
constexpr long kRegNotFound = 2;
constexpr long kRegBadPath = 1010;  // the key path was empty
constexpr long kRegWriteFailed = 1021;

struct RegValue {
    uint32_t type = kRegBinary;
    // Raw bytes, as a Windows query returns them: text includes its
    // terminating zero, a number is 4 little-endian bytes.
    std::string data;
};

// The parsed contents of the file.
class RegistryData {
public:
    // Keys are addressed by root and path; the path may be empty (the root).
    bool KeyExists(RegRoot root, const std::string& path) const;
    // Creates the key and any missing parents.
    void CreateKey(RegRoot root, const std::string& path);
    const RegValue* Find(RegRoot root, const std::string& path, const std::string& name) const;
    // Stores a value; the key must exist (false otherwise).
    bool Set(RegRoot root, const std::string& path, const std::string& name, RegValue value);
    bool DeleteValue(RegRoot root, const std::string& path, const std::string& name);
    // Deletes the key and all keys below it; false when it did not exist.
    bool DeleteTree(RegRoot root, const std::string& path);
    // Names of the direct subkeys, sorted without regard to case.
    std::vector<std::string> Subkeys(RegRoot root, const std::string& path) const;
    // Names of the key's values, in the order they were first stored.
    std::vector<std::string> ValueNames(RegRoot root, const std::string& path) const;

    // REGEDIT4 text. Parse returns false (and leaves the data empty) when the
    // text is not a registry file or a line cannot be understood.
    bool Parse(const std::string& text, std::string* error = nullptr);
    std::string Serialize() const;

private:
    struct NoCaseLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct Key {
        std::string spelling{};  // full path with root, as first written
        std::vector<std::pair<std::string, RegValue>> values{};
        // Lower-case value name -> its place in `values`, built at the first
        // look-up after a removal: a key of many thousand values (an older
        // display's long sequence) is read and written in linear time.
        mutable std::unordered_map<std::string, size_t> index{};
        mutable bool indexed = false;
        // The place of `name` in `values`, or -1.
        std::ptrdiff_t Position(const std::string& name) const;
        // Sets (or adds, at the end) the value `name`.
        void Put(const std::string& name, RegValue value);
        // Removes the value `name`; false when there is none.
        bool Remove(const std::string& name);
    };
    static std::string FullPath(RegRoot root, const std::string& path);
    void CreateFull(const std::string& full);
    std::map<std::string, Key, NoCaseLess> keys_;
};

// The registry file in use: ZENTRIX_REGISTRY when set, else
// <configuration folder>/registry.reg.
std::string RegistryFilePath();

// A consistent copy of the whole registry (for many reads at once).
RegistryData RegSnapshot();
// Runs `change` on the current contents under the exclusive lock and writes
// the result when it returns true. Returns false when the file could not be
// written (the old file stays as it was): `error` then says why, or, when no
// `error` is asked for, a message goes to standard error.
bool RegUpdate(const std::function<bool(RegistryData&)>& change, std::string* error = nullptr);

bool RegKeyExists(RegRoot root, const std::string& path);
bool RegCreateKey(RegRoot root, const std::string& path);
// Reads a value; false when the key or the value is missing.
bool RegQuery(RegRoot root, const std::string& path, const std::string& name, RegValue& out);
// Stores a value. With `createKey` false the key must already exist.
bool RegSet(RegRoot root, const std::string& path, const std::string& name, uint32_t type, const void* data,
            size_t size, bool createKey);
bool RegDeleteValue(RegRoot root, const std::string& path, const std::string& name);
// Deletes a key with everything below it: 0 on success, 1010 for an empty
// path (nothing is touched), 2 when the key does not exist.
long RegDeleteKeyTree(RegRoot root, const std::string& path);
std::vector<std::string> RegSubkeys(RegRoot root, const std::string& path);

// Typed shorthands. A number reads from a 32-bit value or a 4-byte binary
// one; text reads at most `maxChars` characters (longer text is refused).
bool RegReadDword(RegRoot root, const std::string& path, const std::string& name, uint32_t& out);
bool RegReadText(RegRoot root, const std::string& path, const std::string& name, std::string& out,
                 size_t maxChars);
bool RegWriteDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value,
                   bool createKey = true);
bool RegWriteText(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
                  bool createKey = true);

// Text value helpers for building RegValue records.
RegValue MakeTextValue(const std::string& text);
RegValue MakeDwordValue(uint32_t value);
RegValue MakeBinaryValue(const void* data, size_t size);

}  // namespace ztx
