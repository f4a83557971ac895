// zentrix-listen: the sound analyser. Records what the desktop plays,
// analyses it block by block and keeps the sound link's analyser fields
// filled, with the live flag set while levels flow. See the README for its
// options and for what the keys forwarded by the saver do.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "listen/analysis.h"
#include "listen/link.h"
#include "listen/pulse_capture.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#ifdef ZTX_HAVE_DBUS
#include "listen/media_players.h"
#endif

using namespace ztx;
using namespace ztx::listen;

namespace {

constexpr uint32_t kReconnectMs = 1000;
constexpr uint32_t kInfoPollMs = 1000;
constexpr uint32_t kStopPollMs = 50;
constexpr uint32_t kReportMs = 5000;

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop.store(true); }

struct ListenOptions {
    std::string source = kDefaultMonitor;
    bool startedBySaver = false;  // "/PPLAY": end with the saver's run
    bool verbose = false;
};

void Usage() {
    std::fprintf(stderr,
                 "usage: zentrix-listen [--source NAME] [--verbose] [/PPLAY]\n"
                 "  Feeds the levels of what the desktop plays into Zentrix's sound link.\n"
                 "  --source NAME  record this PulseAudio/PipeWire source (default: the monitor of the default output)\n"
                 "  --verbose      report connections, latency and cost on standard error\n"
                 "  /PPLAY         started by the saver: end when the saver's run ends\n");
}

enum class Parsed { Run, Help, Wrong };

// Parses the arguments; prints the usage for Help and Wrong.
Parsed ParseArguments(int argc, char** argv, ListenOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--source" && i + 1 < argc) {
            options.source = argv[++i];
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (EqualsNoCase(arg, "/PPLAY") || EqualsNoCase(arg, "-PPLAY")) {
            options.startedBySaver = true;
        } else {
            const bool help = arg == "--help";
            if (!help) std::fprintf(stderr, "zentrix-listen: unknown argument \"%s\"\n", arg.c_str());
            Usage();
            return help ? Parsed::Help : Parsed::Wrong;
        }
    }
    return Parsed::Run;
}

// Sleeps `ms` in short steps, returning early when asked to stop.
void Pause(uint32_t ms) {
    for (uint32_t slept = 0; slept < ms && !g_stop.load(); slept += kStopPollMs) SleepMs(kStopPollMs);
}

// One analyser per user: a lock on a file in the configuration folder, held
// until the process ends.
class SingleInstance {
public:
    SingleInstance() {
        const std::string dir = ConfigDir();
        MakeDirs(dir);
        fd_ = open((dir + "/zentrix-listen.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        held_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~SingleInstance() {
        if (fd_ >= 0) close(fd_);
    }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    bool Held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// The mapped block; the live flag is cleared however the program ends.
class LinkHold {
public:
    LinkHold() : link_(OpenSoundLink(SoundLinkUser::Analyser)) {}
    ~LinkHold() {
        if (!link_) return;
        PublishLive(*link_, false);
        CloseSoundLink(link_);
    }
    LinkHold(const LinkHold&) = delete;
    LinkHold& operator=(const LinkHold&) = delete;
    SoundLinkRecord* get() const { return link_; }

private:
    SoundLinkRecord* link_;
};

// Keeps the information lines on what the desktop's media players play.
void FollowMediaPlayers(SoundLinkRecord* link) {
#ifdef ZTX_HAVE_DBUS
    std::unique_ptr<MediaPlayers> players;
    while (!g_stop.load()) {
        if (!players || !players->Connected()) players = MediaPlayers::Connect();
        PublishInfo(*link, players ? players->Playing() : TrackInfo{});
        Pause(kInfoPollMs);
    }
#else
    PublishInfo(*link, TrackInfo{});
#endif
}

// Process time used so far, in milliseconds.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Records and analyses until asked to stop (or the saver that started it
// ends its run), reconnecting whenever the sound server goes away.
void Listen(SoundLinkRecord& link, const ListenOptions& options) {
    const AudioFormat format;
    const double blockMs = 1000.0 * format.blockFrames / format.sampleRate;
    Analyser analyser(format);
    KeyReader keys(link);
    std::vector<int16_t> block(static_cast<size_t>(format.blockFrames) * 2);
    std::string lastError;
    const auto runEnded = [&] { return options.startedBySaver && SaverRunEnded(link); };
    while (!g_stop.load() && !runEnded()) {
        std::string error;
        std::unique_ptr<PulseCapture> capture = PulseCapture::Open(options.source, format, error);
        if (!capture) {
            if (error != lastError) std::fprintf(stderr, "zentrix-listen: cannot record \"%s\": %s; trying again\n",
                                                 options.source.c_str(), error.c_str());
            lastError = error;
            PublishLive(link, false);
            Pause(kReconnectMs);
            continue;
        }
        lastError.clear();
        if (options.verbose) std::fprintf(stderr, "zentrix-listen: recording \"%s\"\n", options.source.c_str());
        uint32_t reportAt = GetTickCount() + kReportMs;
        double cpuAtReport = CpuMs();
        while (!g_stop.load() && !runEnded()) {
            if (!capture->Read(block, error)) {
                std::fprintf(stderr, "zentrix-listen: the sound server went away (%s); trying again\n", error.c_str());
                break;
            }
            if (const Tuning tuning = keys.Update(link); tuning != analyser.GetTuning()) analyser.SetTuning(tuning);
            PublishLevels(link, analyser.Feed(block));
            PublishLive(link, true);
            if (options.verbose && static_cast<int32_t>(GetTickCount() - reportAt) >= 0) {
                const double cpu = CpuMs();
                std::fprintf(stderr, "zentrix-listen: latency %.1f ms (server %.1f + block %.1f), cost %.2f %% of a core\n",
                             static_cast<double>(capture->LatencyUs()) / 1000.0 + blockMs,
                             static_cast<double>(capture->LatencyUs()) / 1000.0, blockMs,
                             100.0 * (cpu - cpuAtReport) / kReportMs);
                cpuAtReport = cpu;
                reportAt += kReportMs;
            }
        }
        PublishLive(link, false);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ListenOptions options;
    if (const Parsed parsed = ParseArguments(argc, argv, options); parsed != Parsed::Run)
        return parsed == Parsed::Help ? 0 : 2;
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);

    SingleInstance instance;
    if (!instance.Held()) {
        std::fprintf(stderr, "zentrix-listen: another zentrix-listen is already running for this user\n");
        return 1;
    }
    if (!RegisterAnalyser(OwnProgramPath()))
        std::fprintf(stderr, "zentrix-listen: could not register in the settings; the saver will not find it\n");
    LinkHold link;
    if (!link.get()) return 1;  // OpenSoundLink said why
    std::thread info(FollowMediaPlayers, link.get());
    Listen(*link.get(), options);
    g_stop.store(true);
    info.join();
    return 0;
}
