// A fixture for plug-in tests: a fresh process state with the settings key,
// an empty module catalog (only the plug-in slot can be filled), nothing
// active, and the plug-in folder made.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "modules/framework/module_table.h"
#include "platform/files.h"
#include "plugins/plugin_host.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"

namespace ztx {

class PluginSlotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        StartSettingsKey();
        SetModuleCatalog(&catalog_);
        SetStoredSettingsLoader(nullptr);
        RegisterModules();
        for (auto& a : ModuleActive) a = 0;
        ASSERT_TRUE(MakeDirs(PluginFolder()));
    }
    void TearDown() override { ResetModuleFramework(); }

    const std::vector<BuiltinModule> catalog_;
};

}  // namespace ztx
