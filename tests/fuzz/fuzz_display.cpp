// Display files in both forms. The first byte picks the form: text displays
// are read where they are and saved again, and a saved display must read
// back and save to the same text; binary displays go through the settings
// as an import does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/legacy_display.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

std::string SavedText(const std::string& name) {
    std::string text;
    ztx::ReadWholeFile(ztx::DisplayPath(name), text);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string file = ztx_fuzz::PrivateHome() + "/input";
    ztx::FreePaletteRecord(ztx::CurrentPalette());  // a reset forgets the record, it does not free it
    ztx::ResetProcessState();
    ztx::StartSettingsKey();
    ztx::CreatePaletteRecord(nullptr);
    ztx::RegisterModules();
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (!ztx::WriteFileAtomically(file, bytes)) return 0;
    if (data[0] & 1) {
        if (ztx::ImportLegacyFile("Fuzzed", file)) ztx::LoadDisplayFromRegistry("Fuzzed");
        return 0;
    }
    if (std::string why; !ztx::CheckDisplayFile(file, &why) || ztx::ReadDisplayFile(file) <= 0) return 0;
    if (!ztx::SaveDisplay("Fuzzed")) return 0;
    const std::string once = SavedText("Fuzzed");
    ztx::LoadDisplay("Fuzzed");
    if (!ztx::SaveDisplay("Fuzzed") || SavedText("Fuzzed") != once) std::abort();
    return 0;
}
