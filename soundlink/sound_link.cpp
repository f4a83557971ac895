#include "soundlink/sound_link.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/process.h"
#include "settings/registry.h"

namespace ztx {

namespace {

// Open mappings of this process: record -> file descriptor. The descriptor
// carries the lock that tells later openers a live instance holds the block.
struct Mapping {
    SoundLinkRecord* record;
    int fd;
    std::string name;
};
std::mutex g_mapLock;
std::vector<Mapping> g_mappings;
std::atomic<SoundLinkRecord*> g_current{nullptr};

// Byte 0 of the block's file serialises the openers' checks; byte 1 is held
// shared by every instance for as long as it has the block mapped.
bool LockByte(int fd, short type, off_t byte, bool wait) {
    struct flock fl{};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    int cmd = wait ? F_OFD_SETLKW : F_OFD_SETLK;
    while (fcntl(fd, cmd, &fl) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

void Complain(const std::string& name, const std::string& why) {
    std::fprintf(stderr, "zentrix: cannot use the sound link block %s: %s\n", name.c_str(), why.c_str());
}

// Whether `fd` is still the block the name stands for: the last user may
// have removed the name while this opener waited for byte 0.
bool StillNamed(int fd, const std::string& name) {
    const int again = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0600);
    if (again < 0) return false;
    struct stat a{}, b{};
    const bool same = fstat(fd, &a) == 0 && fstat(again, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    close(again);
    return same;
}

// Opens (creating when needed) the block under `name` with byte 0 locked:
// a block whose name was removed meanwhile is given up for the new one, so
// two instances never end up with different blocks. -1 with errno set.
int OpenLocked(const std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return -1;
        if (!LockByte(fd, F_WRLCK, 0, true)) {
            const int err = errno;
            close(fd);
            errno = err;
            return -1;
        }
        if (StillNamed(fd, name)) return fd;
        close(fd);
    }
    errno = EAGAIN;
    return -1;
}

}  // namespace

std::string SoundLinkName() {
    const char* v = std::getenv(kSoundLinkNameVariable);
    if (!v || !*v) return std::string(kSoundLinkDefaultName) + "-" + std::to_string(geteuid());
    std::string name = v;
    if (name[0] != '/') name = "/" + name;
    return name;
}

SoundLinkRecord* OpenSoundLink(SoundLinkUser user) {
    const std::string name = SoundLinkName();
    const int fd = OpenLocked(name);
    if (fd < 0) {
        Complain(name, std::strerror(errno));
        return nullptr;
    }
    // Nobody else of ours holds the block when we can lock byte 1 alone: it
    // is new, or was left behind by instances that have ended or crashed.
    const bool alone = LockByte(fd, F_WRLCK, 1, false);

    auto fail = [&](const std::string& why) -> SoundLinkRecord* {
        Complain(name, why);
        close(fd);  // releases both locks
        return nullptr;
    };

    struct stat st{};
    if (fstat(fd, &st) != 0) return fail(std::strerror(errno));
    // Whoever may write the block may drive this user's saver (captures,
    // wallpapers, snapshots): only the user's own, private block will do.
    if (st.st_uid != geteuid()) return fail("it belongs to another user");
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return fail("other users may write it");
    bool fresh = false;
    if (st.st_size == 0) {
        // Just created here, or its creator died before sizing it.
        if (ftruncate(fd, kSoundLinkSize) != 0) return fail(std::strerror(errno));
        fresh = true;
    } else if (st.st_size != static_cast<off_t>(kSoundLinkSize)) {
        return fail("it has " + std::to_string(st.st_size) + " bytes instead of 5172 (another program uses the name)");
    }
    void* p = mmap(nullptr, kSoundLinkSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return fail(std::strerror(errno));
    auto* r = static_cast<SoundLinkRecord*>(p);

    if (!fresh && r->recordSize == 0 && r->layoutVersion == 0) fresh = true;  // creator died before its header
    if (fresh) {
        std::memset(r, 0, kSoundLinkSize);
    } else if (r->recordSize != kSoundLinkSize || r->layoutVersion != kSoundLinkLayout) {
        std::string why = "its header says size " + std::to_string(r->recordSize) + ", layout " +
                          std::to_string(r->layoutVersion) + " (expected 5172, 8)";
        munmap(p, kSoundLinkSize);
        return fail(why);
    } else if (user == SoundLinkUser::Analyser) {
        // The header and the counters are the program's to write.
    } else if (alone) {
        // A block left by instances that are gone: their window counters and
        // unserved requests no longer mean anything.
        r->saverWindows = 0;
        r->textBoxWindows = 0;
        r->openInstances = 0;
        r->restartRequest = 0;
        r->snapshotRequest = 0;
        r->captureFullRequest = 0;
        r->wallpaperRequest = 0;
        r->captureScaledRequest = 0;
    }
    if (fresh || user == SoundLinkUser::Program) {
        r->recordSize = kSoundLinkSize;
        r->layoutVersion = kSoundLinkLayout;
    }
    if (user == SoundLinkUser::Program) {
        r->programMajor = kVersionMajor;
        r->programMinor = kVersionMinor;
        r->programBuild = kVersionBuild;
    }

    // Hold byte 1 shared for the life of the mapping, then let others in.
    LockByte(fd, F_RDLCK, 1, true);
    struct flock un{};
    un.l_type = F_UNLCK;
    un.l_whence = SEEK_SET;
    un.l_start = 0;
    un.l_len = 1;
    fcntl(fd, F_OFD_SETLK, &un);

    {
        std::lock_guard<std::mutex> g(g_mapLock);
        g_mappings.push_back({r, fd, name});
    }
    SoundLinkRecord* none = nullptr;
    g_current.compare_exchange_strong(none, r);
    return r;
}

void CloseSoundLink(SoundLinkRecord* record) {
    if (!record) return;
    Mapping m{nullptr, -1, {}};
    {
        std::lock_guard<std::mutex> g(g_mapLock);
        for (size_t i = 0; i < g_mappings.size(); ++i) {
            if (g_mappings[i].record == record) {
                m = g_mappings[i];
                g_mappings.erase(g_mappings.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    if (m.fd < 0) return;
    SoundLinkRecord* expected = record;
    g_current.compare_exchange_strong(expected, nullptr);
    munmap(record, kSoundLinkSize);
    // The last user removes the block. Under byte 0 no opener is between its
    // checks; when byte 1 can be locked alone, no other mapping holds it (an
    // opener waiting for byte 0 sees the name gone and makes a new block).
    if (LockByte(m.fd, F_WRLCK, 0, true)) {
        if (LockByte(m.fd, F_WRLCK, 1, false) && StillNamed(m.fd, m.name)) shm_unlink(m.name.c_str());
    }
    close(m.fd);  // releases every lock
}

SoundLinkRecord* SoundLink() { return g_current.load(std::memory_order_acquire); }

uint32_t CompanionVersion(uint32_t* build) {
    // Opening with create semantics leaves an empty key behind, as designed.
    RegCreateKey(RegRoot::CurrentUser, kCompanionKey);
    if (build) {
        *build = 0;
        uint32_t b = 0;
        if (RegReadDword(RegRoot::CurrentUser, kCompanionKey, "Build", b)) *build = b & 0xFFFFu;
    }
    uint32_t v = 0;
    RegReadDword(RegRoot::CurrentUser, kCompanionKey, "Current Version", v);
    return v;
}

std::string SoundStatusText() {
    uint32_t v = CompanionVersion();
    if (v == 0) return "Tonewell Pro has not been installed -- sound synchronization is unavaliable!";
    unsigned major = v / 65536, minor = v % 65536;
    if (major == 3 && minor == 5) {
        SoundLinkRecord* r = SoundLink();
        if (r && r->companionLive)
            return "The present versions of The Zentrical Screen Saver and Tonewell Pro will function together to "
                   "provide sound synchronization.";
        return "Tonewell Pro must be running in order for sound synchronization to function.";
    }
    char buf[400];
    std::snprintf(buf, sizeof buf,
                  "You are running version %u.%u of Tonewell Pro.  This version is not fully compatible with version "
                  "%d.%d of The Zentrical Screen Saver.  Please download the latest versions of both packages.",
                  major, minor, kVersionMajor, kVersionMinor);
    return buf;
}

bool LaunchCompanion(bool fromSaver, bool fullScreen) {
    std::string path;
    if (!RegReadText(RegRoot::LocalMachine, kCompanionKey, "", path, 259) || path.empty()) return false;
    if (!fromSaver) return RunCommandLine(path);
    if (!fullScreen) return false;
    return RunCommandLine(path + " /PPLAY");
}

namespace {
const char* const kSourceNames[22] = {"Set",    "Random", "Oscillate", "Volume",  "Left",    "Right",
                                      "150Hz",  "400Hz",  "600Hz",     "800Hz",   "1KHz",    "1.5KHz",
                                      "2KHz",   "2.5KHz", "3.25KHz",   "4KHz",    "5KHz",    "6.25KHz",
                                      "8KHz",   "10KHz",  "12.5KHz",   "18KHz"};
}

const char* SourceName(int code) { return (code >= 0 && code < 22) ? kSourceNames[code] : ""; }

std::vector<std::string> SourceListNames(bool animatable) {
    int n = animatable ? 22 : 2;
    return std::vector<std::string>(kSourceNames, kSourceNames + n);
}

}  // namespace ztx
