#include "config/config_session.h"

#include <array>
#include <atomic>

#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/process.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

ConfigSession& Session() {
    static ConfigSession session{
        .program = OwnProgramPath(),
        .startProgram = [](const std::string& line) { return RunCommandLine(line); },
    };
    return session;
}

ConfigurationRun::ConfigurationRun() {
    ClearModuleTable();
    StartSettingsKey();
    SoundLinkRecord* link = OpenSoundLink();
    if (!link) return;
    ok_ = true;
    ConfigurationToolRunning = 1;
    PublishVersion(kVersionMajor, kVersionMinor, kVersionBuild);
    CreatePaletteRecord(nullptr);
    RegisterModules();
    ++link->openInstances;
}

ConfigurationRun::~ConfigurationRun() {
    if (!ok_) return;
    if (SoundLinkRecord* link = SoundLink()) {
        --link->openInstances;
        CloseSoundLink(link);
    }
    FreePaletteRecord(CurrentPalette());
    ConfigurationToolRunning = 0;
}

int ChooseDisplay(const std::string& name) {
    const int loaded = LoadDisplay(name);
    WriteSettingText("Active", name);
    Session().settingsChanged = false;
    return loaded;
}

bool KeepEdits(std::string* error) {
    if (!Session().settingsChanged) return true;
    if (!SaveDisplay(kScratchDisplay, error)) return false;
    Session().settingsChanged = false;
    return true;
}

bool TestDisplay() {
    ConfigSession& s = Session();
    // A second test before the user came back keeps the first one's "Active".
    const std::string before = s.testRunning ? s.savedActive : ReadSettingText("Active", kMaxDisplayName);
    if (!SaveDisplay(kTestingDisplay)) return false;
    s.testRunning = true;
    s.savedActive = before;
    RecordTestRunOwner(before);
    if (s.startProgram("\"" + s.program + "\" /S")) return true;
    EndTestDisplay();
    return false;
}

bool EndTestDisplay() {
    ConfigSession& s = Session();
    if (!s.testRunning) return false;
    s.testRunning = false;
    DeleteDisplay(kTestingDisplay);
    WriteSettingText("Active", s.savedActive);
    ClearTestRunOwner();
    return true;
}

bool TestSlotOnly(int slot) {
    if (slot == kSlotRandom) return TestDisplay();
    std::array<int32_t, kModuleSlots> kept;
    for (int i = 0; i < kModuleSlots; ++i) kept[i] = ModuleActive[i];
    ActivateOnly(slot);
    const bool started = TestDisplay();
    for (int i = 0; i < kModuleSlots; ++i) ModuleActive[i] = kept[i];
    return started;
}

}  // namespace ztx
