#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "settings/registry.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"
#include "tests/test_support.h"

using namespace ztx;

namespace {

// Makes a raw block of the test's name, as some other program might.
void MakeRawBlock(size_t size, uint32_t sizeField, uint32_t version) {
    std::string name = SoundLinkName();
    shm_unlink(name.c_str());
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    if (size >= 8) {
        uint32_t header[2] = {sizeField, version};
        ASSERT_EQ(pwrite(fd, header, 8, 0), 8);
    }
    close(fd);
}

bool BlockExists() {
    const int fd = shm_open(SoundLinkName().c_str(), O_RDWR, 0600);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

// An instance that ends without closing the link (a crash): its locks go,
// the block stays with what it wrote.
int ChildLeavesLinkBehind(void*) {
    SoundLinkRecord* r = OpenSoundLink();
    if (!r) return 10;
    r->saverWindows = 3;
    r->openInstances = 2;
    r->captureScaledRequest = 1;
    r->companionLive = 1;
    r->bands1[5] = 0.5f;
    return 0;
}

int ChildUsesLink(void*) {
    SoundLinkRecord* r = OpenSoundLink();
    if (!r) return 10;
    if (std::strcmp(r->currentDisplay, "[D] Cube") != 0) return 11;
    if (r->openInstances != 1) return 12;
    r->openInstances += 1;
    r->restartRequest = 1;
    CloseSoundLink(r);
    return 0;
}

}  // namespace

TEST(SoundLink, TwoProcessesShareOneBlock) {
    SoundLinkRecord* r = OpenSoundLink();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SoundLink(), r);
    EXPECT_EQ(r->recordSize, 5172u);
    EXPECT_EQ(r->layoutVersion, 8u);
    EXPECT_EQ(r->programMajor, 4);
    EXPECT_EQ(r->programMinor, 0);
    EXPECT_EQ(r->programBuild, 1230);
    std::strcpy(r->currentDisplay, "[D] Cube");
    r->openInstances = 1;

    // A second mapping in this process sees the same bytes.
    SoundLinkRecord* again = OpenSoundLink();
    ASSERT_NE(again, nullptr);
    EXPECT_STREQ(again->currentDisplay, "[D] Cube");
    CloseSoundLink(again);
    EXPECT_EQ(SoundLink(), r);

    // And so does another process, which does not reset what is live.
    EXPECT_EQ(ztx_test::RunInChild(ChildUsesLink, nullptr), 0);
    EXPECT_EQ(r->openInstances, 2);
    EXPECT_EQ(r->restartRequest, 1);
    // Others closing leave the block to the one still holding it; the last
    // one to close removes it.
    EXPECT_TRUE(BlockExists());
    CloseSoundLink(r);
    EXPECT_EQ(SoundLink(), nullptr);
    EXPECT_FALSE(BlockExists());
}

TEST(SoundLink, RefusesABlockOfAnotherSizeOrVersion) {
    MakeRawBlock(4096, 4096, 8);
    EXPECT_EQ(OpenSoundLink(), nullptr);
    MakeRawBlock(5172, 5172, 7);
    EXPECT_EQ(OpenSoundLink(), nullptr);
    MakeRawBlock(5172, 5000, 8);
    EXPECT_EQ(OpenSoundLink(), nullptr);
    EXPECT_EQ(SoundLink(), nullptr);

    // A valid block that others may write, or that another user owns, could
    // steer this user's saver.
    MakeRawBlock(5172, 5172, 8);
    const int fd = shm_open(SoundLinkName().c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchmod(fd, 0666), 0);
    EXPECT_EQ(OpenSoundLink(), nullptr);
    ASSERT_EQ(fchmod(fd, 0600), 0);
    if (geteuid() == 0 && fchown(fd, 4242, 4242) == 0) {
        EXPECT_EQ(OpenSoundLink(), nullptr);
    }
    close(fd);
    shm_unlink(SoundLinkName().c_str());
}

TEST(SoundLink, EachUserHasABlockOfTheirOwn) {
    const char* saved = std::getenv(kSoundLinkNameVariable);
    const std::string keep = saved ? saved : "";
    unsetenv(kSoundLinkNameVariable);
    EXPECT_EQ(SoundLinkName(), std::string(kSoundLinkDefaultName) + "-" + std::to_string(geteuid()));
    if (saved) setenv(kSoundLinkNameVariable, keep.c_str(), 1);
}

TEST(SoundLink, RecoversBlocksLeftBehind) {
    // A creator that died before sizing the block, or before its header.
    MakeRawBlock(0, 0, 0);
    SoundLinkRecord* r = OpenSoundLink();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->recordSize, 5172u);
    CloseSoundLink(r);
    MakeRawBlock(5172, 0, 0);
    r = OpenSoundLink();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->layoutVersion, 8u);

    CloseSoundLink(r);

    // A valid block whose instances all ended without closing keeps the
    // analyser's data but not their window counters and unserved requests.
    ASSERT_EQ(ztx_test::RunInChild(ChildLeavesLinkBehind, nullptr), 0);
    r = OpenSoundLink();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->saverWindows, 0);
    EXPECT_EQ(r->openInstances, 0);
    EXPECT_EQ(r->captureScaledRequest, 0);
    EXPECT_EQ(r->companionLive, 1);
    EXPECT_FLOAT_EQ(r->bands1[5], 0.5f);
    CloseSoundLink(r);
}

TEST(SoundLink, CompanionVersionAndStatusLine) {
    // Not installed: the key is created empty as a side effect.
    EXPECT_EQ(CompanionVersion(), 0u);
    EXPECT_TRUE(RegKeyExists(RegRoot::CurrentUser, "Software\\Tonewell Pro"));
    EXPECT_EQ(SoundStatusText(), "Tonewell Pro has not been installed -- sound synchronization is unavaliable!");

    RegWriteDword(RegRoot::CurrentUser, "Software\\Tonewell Pro", "Current Version", 3 * 65536 + 5);
    RegWriteDword(RegRoot::CurrentUser, "Software\\Tonewell Pro", "Build", 0x70099);
    uint32_t build = 0;
    EXPECT_EQ(CompanionVersion(&build), 3u * 65536u + 5u);
    EXPECT_EQ(build, 0x0099u);
    SoundLinkRecord* r = OpenSoundLink();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SoundStatusText(), "Tonewell Pro must be running in order for sound synchronization to function.");
    r->companionLive = 1;
    EXPECT_EQ(SoundStatusText(),
              "The present versions of The Zentrical Screen Saver and Tonewell Pro will function together to "
              "provide sound synchronization.");
    RegWriteDword(RegRoot::CurrentUser, "Software\\Tonewell Pro", "Current Version", 3 * 65536 + 6);
    EXPECT_EQ(SoundStatusText(),
              "You are running version 3.6 of Tonewell Pro.  This version is not fully compatible with version 4.0 "
              "of The Zentrical Screen Saver.  Please download the latest versions of both packages.");
    CloseSoundLink(r);
}

TEST(SoundLink, SourceListsAndCompanionLaunch) {
    EXPECT_EQ(SourceListNames(false), (std::vector<std::string>{"Set", "Random"}));
    std::vector<std::string> all = SourceListNames(true);
    ASSERT_EQ(all.size(), 22u);
    EXPECT_EQ(all[2], "Oscillate");
    EXPECT_EQ(all[3], "Volume");
    EXPECT_EQ(all[6], "150Hz");
    EXPECT_EQ(all[18], "8KHz");
    EXPECT_EQ(all[21], "18KHz");

    EXPECT_FALSE(LaunchCompanion(false, true));  // no analyser registered
    std::string marker = ztx_test::g_tempRoot + "/launched";
    std::string script = ztx_test::g_tempRoot + "/analyser.sh";
    ASSERT_TRUE(WriteFileAtomically(script, "#!/bin/sh\necho \"x$1\" >> \"" + marker + "\"\n"));
    chmod(script.c_str(), 0755);
    RegWriteText(RegRoot::LocalMachine, "Software\\Tonewell Pro", "", script);
    EXPECT_FALSE(LaunchCompanion(true, false));  // a small preview never starts it
    EXPECT_TRUE(LaunchCompanion(true, true));
    std::string text;
    // The shell creates the file before it writes the line: wait for the line.
    for (int i = 0; i < 500 && !(ReadWholeFile(marker, text) && text.ends_with('\n')); ++i) SleepMs(10);
    EXPECT_EQ(text, "x/PPLAY\n");
}

TEST(SoundLink, TheAnalyserOpensWithoutWritingTheProgramsFields) {
    // A block it creates gets the header, but not the program's version words.
    SoundLinkRecord* a = OpenSoundLink(SoundLinkUser::Analyser);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->recordSize, 5172u);
    EXPECT_EQ(a->layoutVersion, 8u);
    EXPECT_EQ(a->programMajor, 0);
    CloseSoundLink(a);
    // The counters of instances that have gone are the program's to clear.
    ASSERT_EQ(ztx_test::RunInChild(ChildLeavesLinkBehind, nullptr), 0);
    a = OpenSoundLink(SoundLinkUser::Analyser);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->saverWindows, 3);
    EXPECT_EQ(a->programMajor, 4);
    CloseSoundLink(a);

    // A block of another size or version is refused as the program refuses it.
    MakeRawBlock(4096, 4096, 8);
    EXPECT_EQ(OpenSoundLink(SoundLinkUser::Analyser), nullptr);
    MakeRawBlock(5172, 5172, 7);
    EXPECT_EQ(OpenSoundLink(SoundLinkUser::Analyser), nullptr);
    shm_unlink(SoundLinkName().c_str());
}
