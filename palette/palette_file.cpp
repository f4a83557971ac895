#include "palette/palette_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace ztx {

namespace {

uint32_t ReadLe32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

void AppendLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool Fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

}  // namespace

bool DecodePaletteFile(const std::string& bytes, PaletteColor* out, std::string* error) {
    PaletteColor decoded[kPaletteEntries];
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(bytes[at]); };

    if (bytes.size() >= 4 && ReadLe32(bytes, 0) == kPaletteFileMagic) {
        if (bytes.size() < 8) return Fail(error, "the palette file ends inside its header");
        const uint32_t length = ReadLe32(bytes, 4);
        if (length < kPaletteDataSize) {
            return Fail(error, "the palette file's length field says " + std::to_string(length) +
                                   " bytes; a palette needs " + std::to_string(kPaletteDataSize));
        }
        if (bytes.size() < kPaletteFileSize) {
            return Fail(error, "the palette file is truncated: " + std::to_string(bytes.size()) +
                                   " bytes instead of " + std::to_string(kPaletteFileSize));
        }
        // Whatever the length field claims, one palette is all that is read.
        for (int k = 0; k < kPaletteEntries; ++k) {
            const size_t at = 8 + 4 * static_cast<size_t>(k);
            decoded[k] = PaletteColor{byte(at), byte(at + 1), byte(at + 2), kReservedFlag};
        }
    } else if (bytes.size() == kTriplePaletteFileSize) {
        // 256 triples of 6-bit levels stored green, blue, red; spread over
        // the 236 entries.
        for (int k = 0; k < kPaletteEntries; ++k) {
            const size_t t = static_cast<size_t>(256 * k / 237) * 3;
            decoded[k] = PaletteColor{static_cast<uint8_t>(byte(t + 2) * 4), static_cast<uint8_t>(byte(t) * 4),
                                      static_cast<uint8_t>(byte(t + 1) * 4), kReservedFlag};
        }
    } else {
        return Fail(error, "not a palette file: no palette header and not 768 bytes long (" +
                               std::to_string(bytes.size()) + " bytes)");
    }
    std::memcpy(static_cast<void*>(out), decoded, sizeof(decoded));
    return true;
}

std::string EncodePaletteFile(const PaletteColor* palette) {
    std::string out;
    out.reserve(kPaletteFileSize);
    AppendLe32(out, kPaletteFileMagic);
    AppendLe32(out, kPaletteDataSize);
    for (int k = 0; k < kPaletteEntries; ++k) {
        out.push_back(static_cast<char>(palette[k].red));
        out.push_back(static_cast<char>(palette[k].green));
        out.push_back(static_cast<char>(palette[k].blue));
        out.push_back(static_cast<char>(palette[k].flags));
    }
    return out;
}

bool ReadPaletteFile(const std::string& path, PaletteColor* out, std::string* error) {
    // One byte more than the longest palette file tells a 768-byte file from
    // a longer one without reading whatever a hostile file holds beyond.
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return Fail(error, "cannot open the palette file " + path + ": " + std::strerror(errno));
    std::string bytes(kPaletteFileSize + 1, '\0');
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return Fail(error, "cannot read the palette file " + path);
    bytes.resize(got);
    std::string why;
    if (!DecodePaletteFile(bytes, out, &why)) return Fail(error, path + ": " + why);
    return true;
}

bool WritePaletteFile(const std::string& path, const PaletteColor* palette, std::string* error) {
    return WriteFileAtomically(path, EncodePaletteFile(palette), error);
}

}  // namespace ztx
