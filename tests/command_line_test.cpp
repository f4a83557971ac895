#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "shell/command_line.h"
#include "tests/test_support.h"

using namespace ztx;

namespace {
CommandLine Parse(const char* args) { return ParseSwitches(args, false); }
}  // namespace

TEST(CommandLine, SkipsTheProgramName) {
    EXPECT_STREQ(SkipProgramName("zentrix /S"), "/S");
    EXPECT_STREQ(SkipProgramName("\"C:\\My Programs\\Zentrix.SCR\"   /p 12"), "/p 12");
    EXPECT_STREQ(SkipProgramName("\"unterminated /S"), "");
    EXPECT_STREQ(SkipProgramName("zentrix"), "");
    EXPECT_EQ(JoinCommandLine(3, std::vector<const char*>{"/opt/my dir/zentrix", "/P", "5"}.data()),
              "\"/opt/my dir/zentrix\" /P 5");
}

TEST(CommandLine, AnyMixOfPrefixesAndCaseIntroducesTheSwitch) {
    for (const char* s : {"/s", "-S", "S", "/ - s", " - / -S", "s extra words"}) {
        EXPECT_EQ(Parse(s).mode, RunMode::FullScreen) << s;
    }
    EXPECT_EQ(Parse("").mode, RunMode::Configure);
    EXPECT_EQ(Parse(" - / ").mode, RunMode::Configure);
    EXPECT_EQ(Parse("/x").mode, RunMode::Invalid);
    EXPECT_EQ(Parse("/1").mode, RunMode::Invalid);
    EXPECT_EQ(Parse("/SP 5").mode, RunMode::FullScreen);  // only the first letter counts
}

TEST(CommandLine, HandlesAreDigitsUpToTheFirstNonDigit) {
    CommandLine p = Parse("/p 1234x");
    EXPECT_EQ(p.mode, RunMode::Preview);
    EXPECT_EQ(p.window, 1234u);
    EXPECT_EQ(Parse("/P     77").window, 77u);
    EXPECT_EQ(Parse("/l 8").mode, RunMode::Preview);
    EXPECT_EQ(Parse("/P abc").window, 0u);
    EXPECT_EQ(Parse("/P").window, 0u);
    EXPECT_EQ(Parse("/P 99999999999").window, 0u);  // no 32-bit window has that id

    EXPECT_EQ(Parse("/c:0").mode, RunMode::Configure);
    EXPECT_EQ(Parse("/c:0").window, 0u);
    EXPECT_EQ(Parse("/c:").window, 0u);
    EXPECT_EQ(Parse("/c:4711").window, 4711u);
    EXPECT_EQ(Parse("/c 4711").window, 0u);  // the colon must follow the letter directly
    EXPECT_EQ(Parse("/a 0").mode, RunMode::ChangePassword);
}

TEST(CommandLine, SetupIsChosenByTheProgramsOwnName) {
    EXPECT_TRUE(IsSetupName("/media/cd/SETUP.EXE"));
    EXPECT_TRUE(IsSetupName("./zentrix-setup"));
    EXPECT_FALSE(IsSetupName("/home/setup/bin/zentrix"));  // a folder name does not count
    EXPECT_EQ(ParseSwitches("", true).mode, RunMode::Setup);
    EXPECT_EQ(ParseSwitches("/c", true).mode, RunMode::Setup);
    EXPECT_EQ(ParseSwitches("/s", true).mode, RunMode::FullScreen);
    // The unattended setup: only under a setup name.
    const char* setup[] = {"./zentrix-setup", "--unattended"};
    EXPECT_TRUE(ParseCommandLine(2, setup).unattended);
    const char* saver[] = {"./zentrix", "--yes"};
    EXPECT_EQ(ParseCommandLine(2, saver).mode, RunMode::Invalid);
}

TEST(CommandLine, TestRunCandidateIsTheThirdOrFourthWord) {
    std::string file = ztx_test::g_tempRoot + "/Mine.ZTX";
    ASSERT_TRUE(WriteFileAtomically(file, "[Header]\r\n"));
    EXPECT_EQ(TestRunCandidate({"zentrix", "/S", file}), file);
    EXPECT_EQ(TestRunCandidate({"\"/opt/my", "dir/zentrix\"", "/S", file}), file);
    EXPECT_EQ(TestRunCandidate({"zentrix", "/S", file, "/nonexistent"}), file);
    EXPECT_EQ(TestRunCandidate({"zentrix", "/S", ztx_test::g_tempRoot}), "");  // a folder is no display
    EXPECT_EQ(TestRunCandidate({"zentrix", "/S"}), "");
    EXPECT_EQ(TestRunCandidate({"zentrix", "/S", "/" + std::string(300, 'a')}), "");
}

TEST(CommandLine, ProgramExitsWithTheDesignsCodes) {
    auto run = [](const std::string& args, const std::string& env = "") {
        std::string cmd = env + " '" + ZTX_ZENTRIX_EXE + "' " + args + " 2>/dev/null";
        int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("/x"), 255);
    EXPECT_EQ(run("-q something"), 255);
    EXPECT_EQ(run("/a 0"), 255);   // no saver password on this platform
    EXPECT_EQ(run("/p abc"), 255);  // a preview needs a window
    EXPECT_EQ(run("/s", "DISPLAY=:7613"), 1);  // an X server that is not there
    EXPECT_EQ(run("/c", "DISPLAY=:7613"), 1);  // the tool says so too (Qt aborted)
    // Switches it does not know still exit with 255, after the usage and
    // the version on standard error.
    const auto said = ztx_test::RunCommand(std::string("'") + ZTX_ZENTRIX_EXE + "' --help 2>&1 >/dev/null");
    EXPECT_EQ(said.status, 255);
    EXPECT_NE(said.out.find("/S"), std::string::npos) << said.out;
    EXPECT_NE(said.out.find("4.0.1230"), std::string::npos) << said.out;
    // A display file that is not there is named before the saver goes on
    // (here to fail for want of a display).
    const auto missing = ztx_test::RunCommand("env -u DISPLAY '" + std::string(ZTX_ZENTRIX_EXE) +
                                              "' /s /nonexistent/Gone.ZTX 2>&1 >/dev/null");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("Gone.ZTX"), std::string::npos) << missing.out;
    EXPECT_EQ(ExitStatus(-1), 255);
    EXPECT_EQ(ExitStatus(43), 43);
}

// The launcher for screen lockers explains itself instead of starting the
// saver (which, without a display, would fail with 1).
TEST(CommandLine, LauncherHelpDoesNotStartTheSaver) {
    const std::string launcher = DirName(ZTX_ZENTRIX_EXE) + "/zentrix-xscreensaver";
    const auto said = ztx_test::RunCommand("env -u DISPLAY sh '" + launcher + "' --help 2>/dev/null");
    EXPECT_EQ(said.status, 0);
    EXPECT_NE(said.out.find("--display"), std::string::npos) << said.out;
}
