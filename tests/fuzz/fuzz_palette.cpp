// Palette files (.PAL): any bytes decode or are refused, and a decoded
// palette survives being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "palette/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ztx::PaletteColor first[ztx::kPaletteEntries] = {};
    if (!ztx::DecodePaletteFile(std::string(reinterpret_cast<const char*>(data), size), first)) return 0;
    ztx::PaletteColor second[ztx::kPaletteEntries] = {};
    if (!ztx::DecodePaletteFile(ztx::EncodePaletteFile(first), second) ||
        std::memcmp(first, second, sizeof first) != 0)
        std::abort();
    return 0;
}
