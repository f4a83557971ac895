// The first-run displays of Cyclic, Flow, Squiggle, Wander and Whip, run by
// the real engine headless: each draws its module, and so does a display of
// that name saved before the module existed (its section holds nothing but
// "Used=1", so every control takes its default).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/engine_state.h"
#include "engine/headless.h"
#include "tests/test_support.h"

namespace ztx {
namespace {

// How many pixels of the last frame are not black.
int LitPixels(HeadlessRun::Source source, const std::string& what) {
    ResetEngineState();
    HeadlessRun run;
    run.source = source;
    run.what = what;
    run.width = 160;
    run.height = 120;
    run.frames = 90;
    run.seeded = true;
    run.seed = 5;
    int lit = -1;
    run.onFrame = [&](uint32_t frame, const uint8_t* pixels, const uint32_t*) {
        if (static_cast<int>(frame) != run.frames) return;
        lit = 0;
        for (int i = 0; i < run.width * run.height; ++i) lit += pixels[i] != 0;
    };
    std::string error;
    EXPECT_TRUE(RunHeadless(run, &error)) << error;
    return lit;
}

TEST(VectorWaveDisplays, FirstRunAndOlderDisplaysDrawTheirModule) {
    for (const char* name : {"Cyclic", "Flow", "Squiggle", "Wander", "Whip"}) {
        SCOPED_TRACE(name);
        EXPECT_GT(LitPixels(HeadlessRun::Source::Display, std::string("[D] ") + name), 160 * 120 / 50);
        const std::string path = ztx_test::g_tempRoot + "/older-" + name + ".ZTX";
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "[Header]\r\nMagic=1107313153\r\nClearFirst=1\r\n[%s]\r\nUsed=1\r\n[Palette]\r\nRedEffect=1\r\n",
                     name);
        std::fclose(f);
        EXPECT_GT(LitPixels(HeadlessRun::Source::File, path), 160 * 120 / 50);
    }
}

}  // namespace
}  // namespace ztx
