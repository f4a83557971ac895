// ".PAL" palette files: the program's own form (a magic number, a length and
// the 236 custom-palette entries of 4 bytes) and, for reading only, plain
// 768-byte files of 256 colour triples with 6-bit levels.
#pragma once
#include <cstdint>
#include <string>

#include "palette/palette.h"

namespace ztx {

constexpr uint32_t kPaletteFileMagic = 0x42004200u;  // bytes 00 42 00 42
constexpr uint32_t kPaletteDataSize = kPaletteEntries * 4;  // 944
constexpr size_t kPaletteFileSize = 8 + kPaletteDataSize;   // 952
constexpr size_t kTriplePaletteFileSize = 768;

// Decodes a palette file's bytes into `out` (236 entries). On failure `out`
// is left exactly as it was, the result is false and `error` (when given)
// says why. The length field is never trusted beyond the 944 bytes of one
// palette.
bool DecodePaletteFile(const std::string& bytes, PaletteColor* out, std::string* error = nullptr);
// The bytes of a palette file for `palette` (236 entries).
std::string EncodePaletteFile(const PaletteColor* palette);

// Reads `path` into `out` (236 entries); on any failure `out` is unchanged.
bool ReadPaletteFile(const std::string& path, PaletteColor* out, std::string* error = nullptr);
// Writes `palette` (236 entries) to `path`, replacing any file there
// atomically.
bool WritePaletteFile(const std::string& path, const PaletteColor* palette, std::string* error = nullptr);

}  // namespace ztx
