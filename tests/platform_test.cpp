#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/random.h"
#include "tests/test_support.h"

using namespace ztx;

TEST(PlatformRandom, FollowsTheLinearCongruentialSequence) {
    // The well-known sequence of this generator from seed 1.
    SeedRandom(1);
    EXPECT_EQ(Rand15(), 41);
    EXPECT_EQ(Rand15(), 18467);
    EXPECT_EQ(Rand15(), 6334);
    EXPECT_EQ(Rand15(), 26500);
    // Reseeding repeats it, and values stay in 0..32767.
    SeedRandom(12345);
    int a = Rand15(), b = Rand15();
    SeedRandom(12345);
    EXPECT_EQ(Rand15(), a);
    EXPECT_EQ(Rand15(), b);
    SeedRandom(0xFFFFFFFFu);
    for (int i = 0; i < 10000; ++i) {
        int v = Rand15();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(PlatformClock, VirtualClockMovesOnlyWhenAskedAndWraps) {
    VirtualClock clock(0xFFFFFFF0u);
    SetClock(&clock);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    SleepMs(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);  // wrapped, as the tick count does
    SetClock(nullptr);
    uint32_t a = GetTickCount();
    SleepMs(5);
    EXPECT_GE(static_cast<uint32_t>(GetTickCount() - a), 5u);
}

TEST(PlatformFiles, PatternsMatchWithoutRegardToCase) {
    EXPECT_TRUE(MatchPattern("*.ZTX", "Cube.ztx"));
    EXPECT_TRUE(MatchPattern("*.ZTX", "[D] Cube.ZTX"));
    EXPECT_FALSE(MatchPattern("*.ZTX", "Cube.ztx.bak"));
    EXPECT_TRUE(MatchPattern("*.so", "libexample.so"));
    EXPECT_TRUE(MatchPattern("ZTX-????.BMP", "ztx-0001.bmp"));
    EXPECT_FALSE(MatchPattern("ZTX-????.BMP", "ztx-001.bmp"));
    EXPECT_TRUE(MatchPattern("*a*b*", "xxAyyBzz"));
    EXPECT_TRUE(MatchPattern("*", ""));
    EXPECT_FALSE(MatchPattern("?", ""));

    std::string dir = ztx_test::g_tempRoot + "/list";
    ASSERT_TRUE(MakeDirs(dir + "/sub.ztx"));  // a folder is never listed
    ASSERT_TRUE(WriteFileAtomically(dir + "/b.ZTX", "x"));
    ASSERT_TRUE(WriteFileAtomically(dir + "/A.ztx", "x"));
    ASSERT_TRUE(WriteFileAtomically(dir + "/c.txt", "x"));
    EXPECT_EQ(ListMatchingFiles(dir, "*.ZTX"), (std::vector<std::string>{"A.ztx", "b.ZTX"}));
    EXPECT_TRUE(ListMatchingFiles(dir + "/missing", "*").empty());
}

TEST(PlatformFiles, AtomicWriteReplacesWholeAndReportsFailure) {
    std::string path = ztx_test::g_tempRoot + "/deep/er/file.txt";
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ASSERT_TRUE(WriteFileAtomically(path, "second"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, "second");
    EXPECT_TRUE(ListMatchingFiles(DirName(path), "*.tmp-*").empty());  // no temporary left

    // A symbolic link is written through, and stays a link.
    const std::string link = ztx_test::g_tempRoot + "/link.txt";
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(link, "third"));
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, "third");

    // A path below a file cannot be written; the failure is reported.
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path + "/below", "x", &error));
    EXPECT_FALSE(error.empty());
}

TEST(PlatformFolders, FollowTheXdgVariables) {
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    setenv("XDG_DATA_HOME", "/x/data", 1);
    EXPECT_EQ(ConfigDir(), "/x/conf/zentrix");
    EXPECT_EQ(InstallDir(), "/x/data/zentrix");
    EXPECT_EQ(DefaultSavedDir(), "/x/data/zentrix/Settings");
    EXPECT_EQ(DefaultPluginDir(), "/x/data/zentrix/PlugIns");
    EXPECT_EQ(DefaultCaptureDir(), "/x/data/zentrix/Screen Shots");
    // A relative value is not a valid XDG folder: the home default applies.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(ConfigDir(), "/home/someone/.config/zentrix");
}

TEST(PlatformProcess, SplitsAndStartsCommandLines) {
    EXPECT_EQ(SplitCommandLine("  \"/opt/My Tools/an\" /PPLAY x  "),
              (std::vector<std::string>{"/opt/My Tools/an", "/PPLAY", "x"}));
    EXPECT_EQ(SplitCommandLine("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));

    std::string marker = ztx_test::g_tempRoot + "/started";
    std::string script = ztx_test::g_tempRoot + "/start.sh";
    ASSERT_TRUE(WriteFileAtomically(script, "#!/bin/sh\necho \"$1\" > \"" + marker + "\"\n"));
    chmod(script.c_str(), 0755);
    ASSERT_TRUE(RunCommandLine(script + " hello"));
    std::string text;
    // The shell creates the file before it writes the line: wait for the line.
    for (int i = 0; i < 200 && !(ReadWholeFile(marker, text) && text.find('\n') != std::string::npos); ++i)
        SleepMs(10);
    EXPECT_EQ(text, "hello\n");

    std::string error;
    EXPECT_FALSE(RunCommandLine("/nonexistent/program --x", &error));
    EXPECT_NE(error.find("/nonexistent/program"), std::string::npos);
    EXPECT_FALSE(RunCommandLine("   ", &error));
}
