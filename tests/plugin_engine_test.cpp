// A display that uses the example plug-in, run by the real animation engine
// (headless, on the lockstep virtual clock).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "engine/headless.h"
#include "modules/framework/module_table.h"
#include "platform/files.h"
#include "plugins/plugin_host.h"
#include "settings/display_names.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"

#if defined(ZTX_EXAMPLE_PLUGIN)

namespace ztx {
namespace {

// FNV-1a over the pixels.
uint32_t Checksum(const std::vector<uint8_t>& pixels) {
    uint32_t h = 2166136261u;
    for (uint8_t v : pixels) h = (h ^ v) * 16777619u;
    return h;
}

std::vector<uint8_t> RunFlower() {
    constexpr int kWidth = 200, kHeight = 150;
    HeadlessRun run;
    run.source = HeadlessRun::Source::Display;
    run.what = "Flower";
    run.width = kWidth;
    run.height = kHeight;
    run.frames = 30;
    run.seeded = true;
    run.seed = 7;
    std::vector<uint8_t> last;
    int frames = 0;
    run.onFrame = [&](uint32_t, const uint8_t* pixels, const uint32_t*) {
        ++frames;
        last.assign(pixels, pixels + kWidth * kHeight);
    };
    std::string error;
    ResetEngineState();  // the frame counter starts at 0, as in a new process
    EXPECT_TRUE(RunHeadless(run, &error)) << error;
    EXPECT_GE(frames, 30);
    return last;
}

// The plug-in is loaded by the display loader at the start of the run,
// started, drawn as its stored "Strength" says and closed; the same seed
// gives the same picture.
TEST(PluginEngine, ExampleDisplayRunsToTheSamePicture) {
    ResetProcessState();
    StartSettingsKey();
    ASSERT_TRUE(MakeDirs(PluginFolder()));
    ASSERT_TRUE(CopyFileOver(ZTX_EXAMPLE_PLUGIN, PluginFolder() + "/rosette.so"));
    ASSERT_TRUE(MakeDirs(DirName(DisplayPath("Flower"))));
    ASSERT_TRUE(WriteFileAtomically(DisplayPath("Flower"),
                                    "[Header]\r\nMagic=1107313153\r\nClearFirst=1\r\n[PlugIn]\r\nUsed=1\r\n"
                                    "PluginPath=rosette.so\r\nStrength=0 2 -10 10 10\r\nPetals=0 9 3 24 10\r\n"));

    const std::vector<uint8_t> first = RunFlower();
    EXPECT_EQ(ModuleActive[kSlotPlugIn], 1);
    EXPECT_EQ(AnimationRunning, 0);
    int lit = 0;
    for (uint8_t v : first) lit += v != 0;
    EXPECT_GT(lit, 1500);
    EXPECT_EQ(RunFlower(), first);
    EXPECT_EQ(Checksum(first), 0x076a7e73u) << std::hex << Checksum(first);
}

}  // namespace
}  // namespace ztx

#endif
