#include "shell/test_run.h"

#include "modules/framework/module_table.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/legacy_display.h"
#include "settings/settings_key.h"

namespace ztx {

TestRun BeginTestRun(const std::string& file) {
    TestRun run;
    if (file.empty() || !IsRegularFile(file)) {
        run.error = "no such file: " + file;
        return run;
    }
    RepairAbandonedTestRun();
    run.savedActive = ReadSettingText("Active", kMaxDisplayName);
    if (IsLegacyDisplayFile(file)) {
        if (ImportLegacyFile(kTestingDisplay, file, &run.error)) {
            RegisterModules();
            LoadDisplayFromRegistry(kTestingDisplay);
            DeleteSavedTree(kDefaultSettingsKeyName, kTestingDisplay);
            run.active = SaveDisplay(kTestingDisplay, &run.error);
        }
    } else if (!MakeDirs(SavedDisplayDir())) {
        run.error = "cannot create the saved-display folder " + SavedDisplayDir();
    } else {
        run.active = CopyFileOver(file, DisplayPath(kTestingDisplay), &run.error);
    }
    if (run.active) {
        RecordTestRunOwner(run.savedActive);
        WriteSettingText("Active", kTestingDisplay);
    }
    return run;
}

void EndTestRun(const TestRun& run) {
    if (!run.active) return;
    DeleteDisplay(kTestingDisplay);
    WriteSettingText("Active", run.savedActive);
    ClearTestRunOwner();
}

}  // namespace ztx
