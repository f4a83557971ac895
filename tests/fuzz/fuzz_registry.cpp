// The settings file: any text either parses or is refused, and what parses
// is written back in a form that reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ztx::RegistryData first;
    if (!first.Parse(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    const std::string written = first.Serialize();
    ztx::RegistryData second;
    if (!second.Parse(written) || second.Serialize() != written) std::abort();
    return 0;
}
