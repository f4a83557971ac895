#include "settings/legacy_display.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "settings/display_names.h"
#include "settings/registry.h"
#include "settings/settings_key.h"

namespace ztx {

namespace {

// Reads little-endian 32-bit numbers and byte runs without ever going past
// the end of the data.
struct Reader {
    const std::string& data;
    size_t pos = 0;
    bool U32(uint32_t& v) {
        if (data.size() - pos < 4) return false;
        const auto* b = reinterpret_cast<const unsigned char*>(data.data() + pos);
        v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        pos += 4;
        return true;
    }
    bool Bytes(size_t n, std::string& out) {
        if (data.size() - pos < n) return false;
        out.assign(data, pos, n);
        pos += n;
        return true;
    }
    bool AtEnd() const { return pos >= data.size(); }
};

// A text field of a record: its length includes the zero that ends it.
bool ReadText(Reader& r, std::string& out) {
    uint32_t len;
    if (!r.U32(len) || len == 0 || len > 260 || !r.Bytes(len, out)) return false;
    size_t zero = out.find('\0');
    if (zero == std::string::npos) return false;
    out.resize(zero);
    return true;
}

// Whether the record at `start` is well formed as far as the data goes, so
// that only the end of the file stopped it.
bool TruncatedRecord(const std::string& data, size_t start) {
    Reader r{data, start};
    for (int field = 0; field < 2; ++field) {
        uint32_t len;
        if (!r.U32(len)) return true;
        if (len == 0 || len > 260) return false;
        std::string text;
        if (!r.Bytes(len, text)) return true;
        if (text.find('\0') == std::string::npos) return false;
    }
    uint32_t type, len;
    if (!r.U32(type) || !r.U32(len)) return true;
    return len <= 1024;  // then the data itself was cut short
}

}  // namespace

int ImportLegacyFile(const std::string& name, const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return 0;
    };
    if (!IsValidDisplayName(name)) return fail("not a display name: \"" + name + "\"");
    std::string data;
    if (!ReadWholeFile(path, data)) return fail("cannot read " + path + ": " + std::strerror(errno));
    Reader r{data};
    uint32_t magic;
    if (!r.U32(magic) || magic != kLegacyMagic) return fail("the file is damaged: " + path);

    struct Record {
        std::string key, valueName, data;
        uint32_t type;
    };
    std::vector<Record> records;
    bool damaged = false;
    while (!r.AtEnd()) {
        Record rec;
        uint32_t len = 0;
        size_t start = r.pos;
        bool ok = ReadText(r, rec.key) && ReadText(r, rec.valueName) && r.U32(rec.type) && r.U32(len) &&
                  len <= 1024 && r.Bytes(len, rec.data);
        if (!ok) {
            // A record cut short by the end of the file only ends the import;
            // one whose lengths or names make no sense means the file is not
            // what it claims to be.
            damaged = !TruncatedRecord(data, start);
            break;
        }
        records.push_back(std::move(rec));
    }
    if (damaged) return fail("the file is damaged: " + path);

    const std::string base = SettingsKeyPath(kDefaultSettingsKeyName) + "\\Saved\\" + name;
    DeleteKeyTree(RegRoot::CurrentUser, base);
    bool stored = RegUpdate([&](RegistryData& d) {
        d.CreateKey(RegRoot::CurrentUser, base);
        for (const Record& rec : records) {
            std::string key = rec.key.empty() ? base : base + "\\" + rec.key;
            d.CreateKey(RegRoot::CurrentUser, key);
            RegValue v;
            v.type = rec.type;
            v.data = rec.data;
            d.Set(RegRoot::CurrentUser, key, rec.valueName, std::move(v));
        }
        return true;
    }, error);
    return stored ? 1 : 0;
}

}  // namespace ztx
