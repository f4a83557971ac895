// The saver as a user meets it: real windows under a private X server
// (Xvfb), exact key and pointer events through XTEST, screenshots.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/video_mode.h"
#include "platform/files.h"
#include "render/picture.h"
#include "settings/registry.h"
#include "soundlink/sound_link.h"
#include "tests/test_support.h"

#if defined(ZTX_XHELPER_EXE) && defined(ZTX_TOOL_EXE)
namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A private X server for one test; gone with the test.
class XServer {
public:
    // `screen` as Xvfb takes it (WxHxDEPTH); `without` names an extension
    // the server leaves out (none when empty).
    bool Start(const std::string& screen = "640x480x24", const std::string& without = "") {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            setsid();
            std::string fd = std::to_string(fds[1]);
            std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
                                              "-noreset"};
            if (!without.empty()) args.insert(args.end(), {"-extension", without});
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execvp("Xvfb", argv.data());
            _exit(127);
        }
        close(fds[1]);
        // The server writes the number and a line end, possibly in two
        // writes; the pipe stays open as long as the server runs, or its
        // second write would fail and end it.
        readEnd_ = fds[0];
        std::string number;
        char c;
        while (read(readEnd_, &c, 1) == 1 && c != '\n') number += c;
        if (number.empty()) return false;
        display_ = ":" + number;
        setenv("DISPLAY", display_.c_str(), 1);
        return true;
    }
    ~XServer() {
        Stop();
        if (readEnd_ >= 0) close(readEnd_);
    }
    // Ends the server (as when it dies under its clients).
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int readEnd_ = -1;
    std::string display_;
};

std::string Helper(const std::string& args) {
    std::string out;
    FILE* p = popen((std::string(ZTX_XHELPER_EXE) + " " + args).c_str(), "r");
    if (!p) return out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

int Lit() { return std::atoi(Helper("lit").c_str()); }

// Waits (up to 10 s, for slow sanitizer builds) until more than `least`
// pixels of the screen are lit; returns the last count.
int LitAfterStart(int least) {
    int lit = 0;
    for (int waited = 0; waited < 10000; waited += 250) {
        Sleep(250);
        lit = Lit();
        if (lit > least) break;
    }
    Sleep(500);  // let the first frames settle
    return lit;
}

// A running zentrix process.
struct Saver {
    // The status of a process that a signal ended: this plus the signal.
    static constexpr int kSignalled = 1000;
    pid_t pid = -1;
    int status = -1;
    explicit Saver(const std::vector<std::string>& args) {
        pid = fork();
        if (pid == 0) {
            std::vector<char*> argv;
            static std::string exe = ZTX_ZENTRIX_EXE;
            argv.push_back(exe.data());
            std::vector<std::string> copy = args;
            for (auto& a : copy) argv.push_back(a.data());
            argv.push_back(nullptr);
            freopen("/dev/null", "w", stdout);
            execv(ZTX_ZENTRIX_EXE, argv.data());
            _exit(127);
        }
    }
    // Waits up to `ms` for the process to end; true when it did.
    bool Ended(int ms) {
        if (status >= 0) return true;
        for (int waited = 0; waited <= ms; waited += 20) {
            int st = 0;
            if (waitpid(pid, &st, WNOHANG) == pid) {
                status = WIFEXITED(st) ? WEXITSTATUS(st) : kSignalled + WTERMSIG(st);
                return true;
            }
            Sleep(20);
        }
        return false;
    }
    ~Saver() {
        if (status < 0 && pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

class SaverWindowE2E : public ::testing::Test {
protected:
    XServer x;
    std::string screen = "640x480x24", withoutExtension;  // the server's kind, set before SetUp
    void SetUp() override {
        if (!x.Start(screen, withoutExtension)) GTEST_SKIP() << "Xvfb is not available";
        setenv("XDG_RUNTIME_DIR", ztx_test::g_tempRoot.c_str(), 1);
        chmod(ztx_test::g_tempRoot.c_str(), 0700);
        // The standard displays, with Bezier active.
        ASSERT_EQ(std::system((std::string(ZTX_TOOL_EXE) + " displays > /dev/null").c_str()), 0);
        ztx::RegWriteText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", "[D] Bezier");
        Helper("moveto 100 100");
    }
};

TEST_F(SaverWindowE2E, FullScreenDrawsAndWakesOnInput) {
    Saver saver({"/S"});
    LitAfterStart(500);
    ASSERT_FALSE(saver.Ended(0));
    EXPECT_GT(Lit(), 1000);  // a picture, not a black screen

    // A second full-screen start leaves the first one running.
    Saver second({"-s"});
    EXPECT_TRUE(second.Ended(5000));
    EXPECT_EQ(second.status, 0);
    EXPECT_FALSE(saver.Ended(200));

    // Hot keys steer without waking: F2, F5 (twice), Tab.
    for (const char* key : {"0xffbf", "0xffc2", "0xffc2", "0xff09"}) Helper(std::string("key ") + key);
    EXPECT_FALSE(saver.Ended(300));

    // Four pixels of drift do not wake it; five do.
    Helper("moveto 102 102");
    EXPECT_FALSE(saver.Ended(400));
    Helper("moveto 103 102");
    EXPECT_TRUE(saver.Ended(3000));
    EXPECT_EQ(saver.status, 0);
}

TEST_F(SaverWindowE2E, AKeyEndsItAndSHeldWritesCaptures) {
    ztx::RegWriteText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Capture",
                      ztx_test::g_tempRoot + "/shots");
    Saver saver({"/S"});
    LitAfterStart(500);
    // S held: a capture after every frame, until it is let go.
    Helper("key 0x73 down");
    std::vector<std::string> shots;
    for (int waited = 0; waited < 8000 && shots.size() < 2; waited += 100) {
        Sleep(100);
        shots = ztx::ListMatchingFiles(ztx_test::g_tempRoot + "/shots", "ZTX-*.BMP");
    }
    Helper("key 0x73 up");
    Sleep(300);
    shots = ztx::ListMatchingFiles(ztx_test::g_tempRoot + "/shots", "ZTX-*.BMP");
    ASSERT_GE(shots.size(), 2u);
    EXPECT_EQ(shots[0], "ZTX-0001.BMP");
    std::string bytes;
    ASSERT_TRUE(ztx::ReadWholeFile(ztx_test::g_tempRoot + "/shots/" + shots[0], bytes));
    EXPECT_EQ(bytes.size(), 1078u + 640u * 480u);  // 8-bit with a 256-entry table
    // W: exactly one wallpaper, which stays on the desktop afterwards.
    Helper("key 0x77");
    Sleep(500);
    const std::string system = ztx_test::g_tempRoot + "/data/zentrix/system";
    EXPECT_EQ(ztx::ListMatchingFiles(system, "BACK*.BMP"), (std::vector<std::string>{"BACK0001.BMP"}));
    std::string tile;
    ztx::RegReadText(ztx::RegRoot::CurrentUser, "Control Panel\\Desktop", "TileWallPaper", tile, 259);
    EXPECT_EQ(tile, "1");
    EXPECT_FALSE(saver.Ended(200));
    Helper("key 0x61");  // any other key wakes it
    EXPECT_TRUE(saver.Ended(3000));
    EXPECT_EQ(saver.status, 0);
    EXPECT_GT(Lit(), 1000);  // the root window shows the wallpaper
}

TEST_F(SaverWindowE2E, PreviewLivesInItsHostWindow) {
    // The host window lives as long as the helper that made it.
    FILE* host = popen((std::string(ZTX_XHELPER_EXE) + " host 200 150").c_str(), "r");
    ASSERT_NE(host, nullptr);
    char id[64] = {};
    ASSERT_NE(fgets(id, sizeof id, host), nullptr);
    Saver preview({"/p", std::string(id, strcspn(id, "\n"))});
    LitAfterStart(500);
    EXPECT_FALSE(preview.Ended(0));
    const int lit = Lit();
    EXPECT_GT(lit, 500);
    EXPECT_LE(lit, 200 * 150);  // only inside the host window
    Helper("key 0x61");         // keys do not close a preview
    EXPECT_FALSE(preview.Ended(300));
    // Ending the host's process destroys its window, and the preview ends.
    std::system("pkill -TERM -f 'xhelper host 200 150'");
    pclose(host);
    EXPECT_TRUE(preview.Ended(3000));

    Saver notAWindow({"/p", "123456789"});
    EXPECT_TRUE(notAWindow.Ended(5000));
    EXPECT_EQ(notAWindow.status, 255);
}

TEST_F(SaverWindowE2E, XScreenSaverLauncherTakesAHexWindowId) {
    FILE* host = popen((std::string(ZTX_XHELPER_EXE) + " host 160 120").c_str(), "r");
    ASSERT_NE(host, nullptr);
    char id[64] = {};
    ASSERT_NE(fgets(id, sizeof id, host), nullptr);
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::strtoul(id, nullptr, 10));
    setenv("XSCREENSAVER_WINDOW", hex, 1);
    pid_t pid = fork();
    if (pid == 0) {
        std::string launcher = ztx::DirName(ZTX_ZENTRIX_EXE) + "/zentrix-xscreensaver";
        execl("/bin/sh", "sh", launcher.c_str(), "--root", static_cast<char*>(nullptr));
        _exit(127);
    }
    unsetenv("XSCREENSAVER_WINDOW");
    LitAfterStart(500);
    EXPECT_GT(Lit(), 500);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0);  // still running
    const auto t0 = std::chrono::steady_clock::now();
    kill(pid, SIGTERM);  // how the locker ends a hack
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 1.0);
    // It cleans up, then ends by the signal, as the locker expects of a hack.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    std::system("pkill -TERM -f 'xhelper host 160 120'");
    pclose(host);
}

// Without a window from its host, --root draws on the root window (below
// every other window, input left to the locker), and --display shows that
// display in this process alone: "Active" stays as it is.
TEST_F(SaverWindowE2E, LauncherOnTheRootWindowShowsTheDisplayItIsGiven) {
    unsetenv("XSCREENSAVER_WINDOW");
    pid_t pid = fork();
    if (pid == 0) {
        std::string launcher = ztx::DirName(ZTX_ZENTRIX_EXE) + "/zentrix-xscreensaver";
        execl("/bin/sh", "sh", launcher.c_str(), "--root", "--display", "[D] Cube", static_cast<char*>(nullptr));
        _exit(127);
    }
    LitAfterStart(500);
    EXPECT_GT(Lit(), 500);
    Helper("moveto 300 300");
    Sleep(300);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0);  // the pointer does not end it
    ztx::SoundLinkRecord* link = ztx::OpenSoundLink();
    ASSERT_NE(link, nullptr);
    EXPECT_STREQ(link->currentDisplay, "[D] Cube");
    ztx::CloseSoundLink(link);
    std::string active;
    ztx::RegReadText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", active, 259);
    EXPECT_EQ(active, "[D] Bezier");
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

// A saver whose X server dies ends as after a close: the test run's display
// is gone and "Active" is back, with status 0 or 1 (it used to abort).
TEST_F(SaverWindowE2E, LosingTheXServerEndsLikeAClose) {
    std::string file = ztx_test::g_tempRoot + "/Try Me.ZTX";
    ASSERT_EQ(std::system((std::string(ZTX_TOOL_EXE) + " export '[D] Bezier' '" + file + "'").c_str()), 0);
    Saver saver({"/S", file});
    LitAfterStart(500);
    x.Stop();
    ASSERT_TRUE(saver.Ended(5000));
    EXPECT_TRUE(saver.status == 0 || saver.status == 1) << saver.status;
    std::string active;
    ztx::RegReadText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", active, 259);
    EXPECT_EQ(active, "[D] Bezier");
    EXPECT_FALSE(ztx::FileExists(ztx_test::g_tempRoot + "/data/zentrix/Settings/Testing Current Settings.ZTX"));
}

// Frames of several seconds (every Bezier control at its top): a close
// leaves the drawing thread behind after its two seconds, and the saver
// ends cleanly (it used to free the picture the thread was drawing into).
TEST_F(SaverWindowE2E, ASlowFrameNeitherCrashesNorHoldsTheClose) {
    const std::string file = ztx_test::g_tempRoot + "/Slow.ZTX";
    ASSERT_TRUE(ztx::WriteFileAtomically(file, "[Header]\nMagic=1107313153\n[Bezier]\nUsed=1\n"
                                               "Beziers=0 20 1 20 10\nWidth=0 200 1 200 10\n"
                                               "Symmetry=0 32 1 32 10\nX Tiling=0 20 1 20 10\n"
                                               "Y Tiling=0 20 1 20 10\n"));
    Saver saver({"/S", file});
    Sleep(2500);  // within the first frame
    ASSERT_FALSE(saver.Ended(0));
    kill(saver.pid, SIGTERM);
    EXPECT_TRUE(saver.Ended(4000));
    EXPECT_EQ(saver.status, Saver::kSignalled + SIGTERM);
    std::string active;
    ztx::RegReadText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", active, 259);
    EXPECT_EQ(active, "[D] Bezier");

    // The same display in a preview whose host window goes away mid-frame.
    ASSERT_EQ(std::system((std::string(ZTX_TOOL_EXE) + " import '" + file + "' >/dev/null").c_str()), 0);
    ztx::RegWriteText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", "Slow");
    FILE* host = popen((std::string(ZTX_XHELPER_EXE) + " host 320 240").c_str(), "r");
    ASSERT_NE(host, nullptr);
    char id[64] = {};
    ASSERT_NE(fgets(id, sizeof id, host), nullptr);
    Saver preview({"/p", std::string(id, strcspn(id, "\n"))});
    Sleep(2500);
    ASSERT_FALSE(preview.Ended(0));
    std::system("pkill -TERM -f 'xhelper host 320 240'");
    pclose(host);
    EXPECT_TRUE(preview.Ended(4000));
    EXPECT_TRUE(preview.status == 0 || preview.status == 1) << preview.status;
}

// A stored video mode of a quarter of the screen's width and height: the
// picture is drawn at that size and shown in sharp 4 x 4 blocks.
TEST_F(SaverWindowE2E, AStoredVideoModeDrawsAtItsSizeInSharpBlocks) {
    const std::string mode = ztx::EncodeDisplayMode({.bitsPerPixel = 8, .width = 160, .height = 120});
    ASSERT_TRUE(ztx::RegSet(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "DisplayMode",
                            ztx::kRegBinary, mode.data(), mode.size(), true));
    Saver saver({"/S"});
    LitAfterStart(2000);
    const std::string shot = ztx_test::g_tempRoot + "/mode.png";
    Helper("shot " + shot);
    ztx::Section s;
    ASSERT_TRUE(ztx::LoadPicture(shot, s));
    ASSERT_EQ(s.width, 640);
    const int bytes = s.bitCount / 8;
    int differing = 0, lit = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const uint8_t* p = s.bits.data() + static_cast<size_t>(y) * s.stride + x * bytes;
            const uint8_t* corner = s.bits.data() + static_cast<size_t>(y / 4 * 4) * s.stride + x / 4 * 4 * bytes;
            differing += std::memcmp(p, corner, bytes) != 0;
            lit += p[0] || p[1] || p[2];
        }
    EXPECT_GT(lit, 2000);
    EXPECT_EQ(differing, 0);
}

TEST_F(SaverWindowE2E, TestRunsCleanUpAfterASignal) {
    // A display file from elsewhere: the standard Bezier display, exported.
    std::string file = ztx_test::g_tempRoot + "/Try Me.ZTX";
    ASSERT_EQ(std::system((std::string(ZTX_TOOL_EXE) + " export '[D] Bezier' '" + file + "'").c_str()), 0);
    Saver saver({"/S", file});
    LitAfterStart(500);
    std::string active;
    ztx::RegReadText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", active, 259);
    EXPECT_EQ(active, "Testing Current Settings");
    EXPECT_GT(Lit(), 1000);
    kill(saver.pid, SIGTERM);
    EXPECT_TRUE(saver.Ended(1000));  // a host's request ends it within a second
    ztx::RegReadText(ztx::RegRoot::CurrentUser, "Control Panel\\Screen Saver.Zentrix", "Active", active, 259);
    EXPECT_EQ(active, "[D] Bezier");
    EXPECT_FALSE(ztx::FileExists(ztx_test::g_tempRoot + "/data/zentrix/Settings/Testing Current Settings.ZTX"));
}

// Servers where the saver cannot hand the X server its image in place: no
// MIT-SHM (as on a remote display: plain image requests instead) and 16-bit
// pixels (Qt's backing store instead). The saver must show all the same; and
// on a big screen, where the picture goes in several bands through two
// shared buffers.
struct ServerKind {
    const char* name;
    const char* screen;
    const char* without;
};
class SaverWindowOnOtherServers : public SaverWindowE2E, public ::testing::WithParamInterface<ServerKind> {
protected:
    SaverWindowOnOtherServers() {
        screen = GetParam().screen;
        withoutExtension = GetParam().without;
    }
};

TEST_P(SaverWindowOnOtherServers, FullScreenShows) {
    Saver saver({"/S"});
    LitAfterStart(500);
    ASSERT_FALSE(saver.Ended(0));
    EXPECT_GT(Lit(), 1000);
    kill(saver.pid, SIGTERM);
    EXPECT_TRUE(saver.Ended(3000));
    EXPECT_EQ(saver.status, Saver::kSignalled + SIGTERM);  // cleaned up, then ended by the signal
}
INSTANTIATE_TEST_SUITE_P(Servers, SaverWindowOnOtherServers,
                         ::testing::Values(ServerKind{"NoSharedMemory", "640x480x24", "MIT-SHM"},
                                           ServerKind{"SixteenBitPixels", "640x480x16", ""},
                                           ServerKind{"BigScreenInBands", "2560x1600x24", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
#endif
