// Golden pictures: the real engine, headless, with fixed seeds. Any change to
// drawing, the palette or the frame loop changes these checksums; when such a
// change is meant, render the display, look at it, and pin the new value.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "engine/headless.h"
#include "modules/framework/module_table.h"
#include "modules/vector/star.h"

namespace ztx {
namespace {

// FNV-1a over the last frame's pixels and its 256 colours.
uint64_t RenderChecksum(HeadlessRun::Source source, const std::string& what, uint32_t seed) {
    HeadlessRun run;
    run.source = source;
    run.what = what;
    run.width = 160;
    run.height = 120;
    run.frames = 120;
    run.seeded = true;
    run.seed = seed;
    uint64_t sum = 0;
    run.onFrame = [&](uint32_t frame, const uint8_t* pixels, const uint32_t colors[256]) {
        if (static_cast<int>(frame) != run.frames) return;
        uint64_t h = 1469598103934665603ull;
        auto add = [&](uint8_t b) {
            h ^= b;
            h *= 1099511628211ull;
        };
        for (int i = 0; i < run.width * run.height; ++i) add(pixels[i]);
        for (int i = 0; i < 256; ++i)
            for (int k = 0; k < 3; ++k) add(static_cast<uint8_t>(colors[i] >> (8 * k)));
        sum = h;
    };
    std::string error;
    EXPECT_TRUE(RunHeadless(run, &error)) << error;
    return sum;
}

struct Golden {
    HeadlessRun::Source source;
    const char* what;
    uint32_t seed;
    uint64_t checksum;
};

TEST(GoldenRender, DisplaysRenderTheirPinnedPictures) {
    const Golden cases[] = {
        {HeadlessRun::Source::Module, "Bezier", 1, 0x42e2379743200013ull},
        {HeadlessRun::Source::Module, "Pattern", 7, 0xcfa41b347c433d95ull},
        {HeadlessRun::Source::Display, "[D] Bezier", 3, 0x92addb982d0f9613ull},
        {HeadlessRun::Source::Display, "[D] Plasma", 5, 0xbd5d8226608d2f86ull},
        {HeadlessRun::Source::Display, "[D] Stain", 5, 0xdcf72a5e3a483039ull},
        {HeadlessRun::Source::Display, "[D] Ray", 5, 0x0f5a6fafbdaa6b81ull},
        {HeadlessRun::Source::Display, "[D] Wave", 5, 0xb12c6b74b07b6753ull},
    };
    for (const Golden& g : cases) {
        ResetEngineState();
        const uint64_t got = RenderChecksum(g.source, g.what, g.seed);
        EXPECT_EQ(got, g.checksum) << g.what << " seed " << g.seed << ": got 0x" << std::hex << got;
    }
}

// A module this build does not have draws nothing: the run is refused and
// the message names the modules there are.
TEST(GoldenRender, AModuleMissingFromTheBuildIsRefused) {
    const std::vector<BuiltinModule> onlyStar = {
        {kSlotStar, {StarDefineControls, StarDrawFrame, StarAllocate, StarInitialize, StarClose}}};
    SetModuleCatalog(&onlyStar);
    HeadlessRun run;
    run.source = HeadlessRun::Source::Module;
    run.what = "Bezier";
    std::string error;
    EXPECT_FALSE(RunHeadless(run, &error));
    EXPECT_NE(error.find("Star"), std::string::npos) << error;
    SetModuleCatalog(nullptr);
}

TEST(GoldenRender, TheSameSeedGivesTheSamePicture) {
    // The first run on a fresh installation (which makes the first-run
    // displays) gives the same picture as every later one.
    ResetEngineState();
    const uint64_t first = RenderChecksum(HeadlessRun::Source::Module, "Bezier", 4);
    ResetEngineState();
    EXPECT_EQ(RenderChecksum(HeadlessRun::Source::Module, "Bezier", 4), first);
    ResetEngineState();
    const uint64_t a = RenderChecksum(HeadlessRun::Source::Display, "[D] Pattern", 11);
    ResetEngineState();
    const uint64_t b = RenderChecksum(HeadlessRun::Source::Display, "[D] Pattern", 11);
    EXPECT_EQ(a, b);
    ResetEngineState();
    EXPECT_NE(RenderChecksum(HeadlessRun::Source::Display, "[D] Pattern", 12), a);
}

}  // namespace
}  // namespace ztx
