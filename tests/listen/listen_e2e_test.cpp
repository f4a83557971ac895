// zentrix-listen end to end: a private PulseAudio server with a null sink,
// a tone played into it, and the sound link as the saver sees it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "modules/framework/controls.h"
#include "platform/files.h"
#include "soundlink/sound_link.h"
#include "tests/test_support.h"

#ifdef ZTX_LISTEN_EXE
namespace ztx {
namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits up to `ms` for `condition`.
bool WaitFor(const std::function<bool()>& condition, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return false;
}

// A program the test started; ended with the test at the latest. Its
// standard output and error go to `log`.
struct Process {
    pid_t pid = -1;
    int status = -1;  // exit status, or 1000 + signal
    Process(std::vector<std::string> args, const std::string& log) {
        pid = fork();
        if (pid == 0) {
            if (!freopen(log.c_str(), "a", stdout) || dup2(fileno(stdout), 2) < 0) _exit(126);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    bool Ended(int ms) {
        return WaitFor([&] {
            int st = 0;
            if (status < 0 && waitpid(pid, &st, WNOHANG) == pid) status = WIFEXITED(st) ? WEXITSTATUS(st) : 1000 + WTERMSIG(st);
            return status >= 0;
        }, ms);
    }
    ~Process() {
        if (pid <= 0 || Ended(0)) return;
        kill(pid, SIGTERM);
        if (!Ended(2000)) kill(pid, SIGKILL);
        Ended(2000);
    }
};

// A PulseAudio server of the test's own, in a private runtime folder, with
// a null sink as its default output.
class SoundServer {
public:
    SoundServer() : dir_(ztx_test::g_tempRoot + "/pulse") {
        MakeDirs(dir_);
        for (const char* v : {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"}) setenv(v, dir_.c_str(), 1);
        setenv("PULSE_SERVER", ("unix:" + dir_ + "/native").c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);  // no desktop bus: no track information
    }
    bool Start() {
        unlink((dir_ + "/native").c_str());
        server_ = std::make_unique<Process>(
            std::vector<std::string>{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                     "--load=module-native-protocol-unix socket=" + dir_ + "/native auth-anonymous=1",
                                     "--load=module-null-sink sink_name=ztx_test rate=48000"},
            dir_ + "/server.log");
        return WaitFor([&] { return FileExists(dir_ + "/native") || server_->Ended(0); }, 5000) && !server_->Ended(0);
    }
    void Stop() { server_.reset(); }
    std::string Log() {
        std::string log;
        ReadWholeFile(dir_ + "/server.log", log);
        return log;
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
    std::unique_ptr<Process> server_;
};

// Four seconds of a 1 kHz tone, raw 48 kHz stereo 16-bit.
std::string ToneFile(const std::string& dir) {
    std::string data;
    for (int i = 0; i < 4 * 48000; ++i) {
        const auto s = static_cast<int16_t>(16000 * std::sin(2 * std::numbers::pi * 1000 * i / 48000.0));
        for (int c = 0; c < 2; ++c) data.append(reinterpret_cast<const char*>(&s), sizeof s);
    }
    const std::string path = dir + "/tone.raw";
    WriteFileAtomically(path, data);
    return path;
}

TEST(ListenEndToEnd, LiveLevelsFromAPrivateSoundServer) {
    SoundServer server;
    if (!server.Start()) GTEST_SKIP() << "no private PulseAudio server could be started: " << server.Log();
    if (ztx_test::RunCommand("command -v pacat").status != 0) GTEST_SKIP() << "pacat (pulseaudio-utils) is missing";
    SoundLinkRecord* link = OpenSoundLink();
    ASSERT_NE(link, nullptr);
    link->soundForControls = 1;  // as the options set it
    link->autoGain = 1;
    const std::string log = server.Dir() + "/listen.log";
    auto listener = std::make_unique<Process>(std::vector<std::string>{ZTX_LISTEN_EXE, "/PPLAY"}, log);
    const auto diagnostics = [&] {
        std::string text;
        ReadWholeFile(log, text);
        return "zentrix-listen said: " + text + "\nserver said: " + server.Log();
    };
    ASSERT_TRUE(WaitFor([&] { return link->companionLive == 1; }, 5000)) << diagnostics();
    EXPECT_EQ(link->companionMajor, 3);
    EXPECT_EQ(link->companionMinor, 5);
    EXPECT_EQ(SoundStatusText(),
              "The present versions of The Zentrical Screen Saver and Tonewell Pro will function together to "
              "provide sound synchronization.");

    // The tone lifts "1KHz" and a control that follows it; "150Hz" stays low.
    Process tone({"pacat", "--raw", "--format=s16le", "--rate=48000", "--channels=2", "--latency-msec=20",
                  ToneFile(server.Dir())},
                 server.Dir() + "/pacat.log");
    ASSERT_TRUE(WaitFor([&] { return link->bands1[4] > 4000 && link->bands1[0] < link->bands1[4] / 10; }, 5000))
        << "1KHz " << link->bands1[4] << ", 150Hz " << link->bands1[0] << "\n" << diagnostics();
    EXPECT_GT(link->leftLevel, 8000.0f);
    ModuleRecord record;
    std::memset(static_cast<void*>(&record), 0, sizeof record);
    DefineControl(&record, 0, 0, "Follows 1KHz", 0, 100, 0, 100, 0, kCheckVolume + 7, 10, 1);
    DefineControl(&record, 1, 1, "Follows 150Hz", 0, 100, 0, 100, 0, kCheckVolume + 3, 10, 1);
    for (int frame = 0; frame < 10; ++frame) {
        for (int slot : {0, 1})
            if (IsDriven(record.Check[slot])) record.Control[slot] = EvolveControl(&record, slot);
        Sleep(20);
    }
    EXPECT_GT(record.Control[0], 80);
    EXPECT_LT(record.Control[1], 20);

    // The server goes away and comes back: the live flag follows it.
    server.Stop();
    EXPECT_TRUE(WaitFor([&] { return link->companionLive == 0; }, 3000)) << diagnostics();
    EXPECT_FALSE(listener->Ended(0));
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(WaitFor([&] { return link->companionLive == 1; }, 5000)) << diagnostics();

    // SIGTERM ends it cleanly and clears the flag.
    kill(listener->pid, SIGTERM);
    ASSERT_TRUE(listener->Ended(3000));
    EXPECT_EQ(listener->status, 0);
    EXPECT_EQ(link->companionLive, 0);

    // Started by a saver ("/PPLAY"), it ends when that saver's run ends.
    listener = std::make_unique<Process>(std::vector<std::string>{ZTX_LISTEN_EXE, "/PPLAY"}, log);
    ASSERT_TRUE(WaitFor([&] { return link->companionLive == 1; }, 5000)) << diagnostics();
    link->companionEndNotice = 1;
    ASSERT_TRUE(listener->Ended(3000));
    EXPECT_EQ(listener->status, 0);
    EXPECT_EQ(link->companionLive, 0);
    CloseSoundLink(link);
}

}  // namespace
}  // namespace ztx
#endif
