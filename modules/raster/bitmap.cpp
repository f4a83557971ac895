#include "modules/raster/bitmap.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>

#include "modules/framework/controls.h"
#include "modules/vector/vector_kit.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/random.h"
#include "render/draw.h"
#include "render/picture.h"
#include "settings/settings_key.h"

namespace ztx {

namespace {

// Below-normal priority of the worker, as a nice increment.
constexpr int kWorkerNiceIncrement = 5;
constexpr int kStopWaitMs = 2000;

// One picture's loading, shared by the animation thread and its worker (an
// abandoned worker keeps it alive). The animation thread fills the inputs
// before the worker starts and reads the results only once `done` is set.
struct LoaderJob {
    // Inputs.
    std::string pattern;      // folder and file pattern ("" already replaced)
    bool screen = false;      // `picture` holds a grab: only smooth it
    int32_t randomPick = -1;  // a random number for "Random Order", else -1
    bool forceGradient = false;
    int32_t smoothing = 0;
    // In and out.
    SlideSequence sequence;
    // Results.
    Section picture;  // 8-bit; pixel values are palette indices
    bool loaded = false;
    std::string file;     // the file of this turn
    std::string problem;  // a line for standard error, or empty

    std::atomic<bool> running{true};    // cleared to ask the worker to stop
    std::atomic<bool> attached{false};  // the worker has joined the clock's schedule
    std::atomic<bool> done{false};
    std::mutex lock;
    std::condition_variable finished;
};

struct BitmapState {
    bool prepared = false;  // DoPreInitialize ran (and DoClose did not)
    int32_t width = 0, height = 0;
    int32_t halfWidth = 0, halfHeight = 0;
    BitmapLayout layout = BitmapLayout::Stretched;
    int32_t durationMs = 12000;
    uint32_t nextChange = 0;
    bool grabPending = false;  // screen source: the grab is still to come
    uint32_t grabDue = 0;
    std::shared_ptr<LoaderJob> job;
    std::thread worker;
    std::set<std::string> reported;  // problems told this run
    BitmapInfo info{};
    // A process may end while a loader runs (its run was abandoned): the
    // loader is left to the end of the process, never destroyed joinable.
    ~BitmapState() {
        if (worker.joinable()) worker.detach();
    }
};

BitmapState g_bitmap;
SlideSequence g_sequence;

bool Reached(uint32_t now, uint32_t tick) { return static_cast<int32_t>(now - tick) >= 0; }
bool Later(uint32_t now, uint32_t tick) { return static_cast<int32_t>(now - tick) > 0; }

// ---- the worker ----------------------------------------------------------------------------

// The worker's place in the clock's schedule, for its whole life.
struct ClockAttachment {
    ClockAttachment() { CurrentClock().AttachThread(); }
    ~ClockAttachment() { CurrentClock().DetachThread(); }
    ClockAttachment(const ClockAttachment&) = delete;
    ClockAttachment& operator=(const ClockAttachment&) = delete;
};

// The picture as palette indices: its brightness when it has more than 8
// bits per pixel, else its values kept (they index its own colour table)
// or, with `forceGradient`, matched to the grey ramp.
bool LoadIndexPicture(const std::string& path, bool forceGradient, Section& out) {
    Section loaded;
    if (!LoadPicture8(path, loaded)) return false;
    RgbQuad grey[256];
    GreyRamp(grey);
    if (!forceGradient || std::memcmp(loaded.colors, grey, sizeof grey) == 0) {
        out = std::move(loaded);
        return true;
    }
    Section work;
    if (!CreateSection8(work, loaded.width, loaded.height, nullptr)) return false;
    CopySectionMatched(loaded, work);
    out = std::move(work);
    return true;
}

bool EndsWithNoCase(const std::string& name, std::string_view tail) {
    return name.size() >= tail.size() && EqualsNoCase(std::string_view(name).substr(name.size() - tail.size()), tail);
}

// Chooses this turn's file and loads it. A name ending in ".1" stands for
// its numbered frames: the frame counter names the file, moves on after a
// frame that loaded and turns back after one that did not.
void LoadFromFolder(LoaderJob& job) {
    const int count = CountMatches(job.pattern);
    if (count == 0) {
        job.problem = "zentrix: no picture matches \"" + job.pattern + "\"";
        return;
    }
    SlideSequence& seq = job.sequence;
    seq.pictureIndex = job.randomPick >= 0 ? job.randomPick % count : (seq.pictureIndex + 1) % count;
    job.file = PickMatch(job.pattern, seq.pictureIndex);
    const bool animation = EndsWithNoCase(job.file, ".1");
    if (animation) job.file = job.file.substr(0, job.file.size() - 1) + std::to_string(seq.frame);
    job.loaded = LoadIndexPicture(job.file, job.forceGradient, job.picture);
    if (animation) {
        if (!job.loaded) seq.frameStep = -seq.frameStep;
        seq.frame += seq.frameStep;
        // A missing frame is the end of the animation, not a fault.
        if (!job.loaded && !IsPlainFile(job.file)) return;
    }
    if (!job.loaded) job.problem = "zentrix: cannot read the picture \"" + job.file + "\"; skipped";
}

// Replaces each pixel of columns 1 .. width - 3 and stored rows
// 1 .. height - 3 by the mean of its 3 x 3 neighbourhood, in place, column
// by column and each column upward through the stored rows: neighbours
// already smoothed feed the later pixels. The columns beside the one being
// smoothed do not change meanwhile, so their three-row sums slide along.
void Smooth(Section& p, int passes, const std::atomic<bool>& running) {
    const int w = p.width, h = p.height;
    const ptrdiff_t stride = p.stride;
    if (w < 4 || h < 4) return;
    for (int pass = 0; pass < passes && running.load(std::memory_order_relaxed); ++pass) {
        for (int x = 1; x <= w - 3; ++x) {
            uint8_t* at = p.bits.data() + stride + x;  // stored row 1
            int left = at[-stride - 1] + at[-1], right = at[-stride + 1] + at[1];
            for (int r = 1; r <= h - 3; ++r, at += stride) {
                const uint8_t* down = at + stride;
                left += down[-1];
                right += down[1];
                *at = static_cast<uint8_t>((left + right + at[-stride] + at[0] + down[0]) / 9);
                left -= at[-stride - 1];
                right -= at[-stride + 1];
            }
        }
    }
}

void RaisePriorityNice() {
    const id_t self = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (errno == 0) setpriority(PRIO_PROCESS, self, std::min(nice + kWorkerNiceIncrement, 19));
}

// "LoadAndConvertDIB": loads (or takes the grab), converts and smooths.
void LoadAndConvert(std::shared_ptr<LoaderJob> job) {
    ClockAttachment attachment;
    job->attached.store(true);
    RaisePriorityNice();
    try {
        if (!job->screen)
            LoadFromFolder(*job);
        else
            job->loaded = job->picture.width > 0;
        if (job->loaded) Smooth(job->picture, job->smoothing, job->running);
    } catch (...) {
        job->loaded = false;
        job->picture = Section{};
        WriteSettingText("Exception", "LoadAndConvertDIB");
        job->problem = "zentrix: the slide show could not load \"" + job->file + "\"";
    }
    {
        std::lock_guard<std::mutex> hold(job->lock);
        job->done.store(true);
    }
    job->finished.notify_all();
}

// ---- the animation thread's side -----------------------------------------------------------

// Waits in real time (the worker is not paced by a virtual clock) while
// letting a lockstep clock run the worker.
bool WaitForJob(LoaderJob& job, uint32_t ms) {
    for (uint32_t waited = 0; waited < ms && !job.done.load(); ++waited) {
        SleepMs(0);
        std::unique_lock<std::mutex> hold(job.lock);
        job.finished.wait_for(hold, std::chrono::milliseconds(1), [&] { return job.done.load(); });
    }
    return job.done.load();
}

void StartWorker(BitmapState& s) {
    LoaderJob& job = *s.job;
    try {
        s.worker = std::thread(LoadAndConvert, s.job);
    } catch (const std::system_error&) {
        job.problem = "zentrix: the slide show could not start its picture loader";
        job.done.store(true);
        return;
    }
    // A lockstep clock fixes the newcomer's place in its schedule only once
    // it has attached.
    while (!job.attached.load() && !job.done.load()) SleepMs(0);
}

// Asks the worker to stop and waits up to 2000 ms; a worker still busy then
// is left behind with its job.
void StopWorker(BitmapState& s) {
    if (s.worker.joinable()) {
        s.job->running.store(false);
        if (WaitForJob(*s.job, kStopWaitMs)) {
            s.worker.join();
        } else {
            std::fputs("zentrix: the slide show's picture loader did not stop; left behind\n", stderr);
            s.worker.detach();
        }
    }
    s.job.reset();
    s.grabPending = false;
}

// The finished job's results: the sequence moves on, a problem is told once.
void Collect(BitmapState& s, LoaderJob& job) {
    if (s.worker.joinable()) s.worker.join();
    if (!job.screen) g_sequence = job.sequence;
    if (!job.problem.empty() && s.reported.insert(job.problem).second)
        std::fprintf(stderr, "%s\n", job.problem.c_str());
    std::snprintf(s.info.lastFile, sizeof s.info.lastFile, "%s", job.file.c_str());
    if (!job.loaded) ++s.info.failed;
}

// The window, half size, in the grey ramp: every colour on screen becomes
// its nearest grey level.
bool GrabScreen(const BitmapState& s, DrawContext& window, Section& grey) {
    if (!CreateSection8(grey, s.halfWidth, s.halfHeight, nullptr)) return false;
    DrawContext mem;
    AttachSection(mem, grey);
    SetStretchColorOnColor(mem);
    StretchBlt(mem, 0, 0, s.halfWidth, s.halfHeight, window, 0, 0, s.width, s.height);
    return true;
}

// Paints the picture by "Display Type", its bytes taken as palette indices.
void Paint(DrawContext& dc, const BitmapState& s, Section& picture) {
    const int w = picture.width, h = picture.height, W = s.width, H = s.height;
    const IndexDib dib{
        .width = w, .height = h, .table = kIdentityIndices, .tableCount = 256, .bits = picture.bits.data()};
    SetStretchColorOnColor(dc);
    switch (s.layout) {
        case BitmapLayout::Centred:
            DrawIndexDib(dc, (W >> 1) - (w >> 1), (H >> 1) - (h >> 1), w, h, dib, 0, 0, w, h);
            break;
        case BitmapLayout::Stretched:
            DrawIndexDib(dc, 0, 0, W, H, dib, 0, 0, w, h);
            break;
        case BitmapLayout::MirroredTiles: {
            // Copies one pixel wider than the picture, mirrored every other.
            DrawIndexDib(dc, 0, 0, w, h, dib, 0, 0, w, h);
            int k = 0;
            for (int x = w; x < W; x += w, ++k) {
                if (k % 2 == 0)
                    StretchBlt(dc, x + w, 0, -(w + 1), h, dc, 0, 0, w, h);
                else
                    StretchBlt(dc, x - 1, 0, w + 1, h, dc, 0, 0, w, h);
            }
            k = 0;
            for (int y = h; y < H; y += h, ++k) {
                if (k % 2 == 0)
                    StretchBlt(dc, 0, y + h, W, -(h + 1), dc, 0, 0, W, h);
                else
                    StretchBlt(dc, 0, y - 1, W, h + 1, dc, 0, 0, W, h);
            }
            break;
        }
        case BitmapLayout::Tiles:
            DrawIndexDib(dc, 0, 0, w, h, dib, 0, 0, w, h);
            for (int x = w - 1; x < W; x += w) BitBlt(dc, x, 0, w, h, dc, 0, 0);
            for (int y = h - 1; y < H; y += h) BitBlt(dc, 0, y, W, h, dc, 0, 0);
            break;
    }
}

}  // namespace

int BitmapDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kBitmapDisplayType, .name = "Display Type", .store = 0, .max = 3, .value = 1},
        {.slot = kBitmapForceGradient, .name = "Force Gradient", .store = 1, .max = 1},
        {.slot = kBitmapDuration, .name = "Duration", .store = 2, .max = 1000, .value = 12},
        {.slot = kBitmapSmoothing, .name = "Smoothing", .store = 3, .max = 10, .value = 2},
        {.slot = kBitmapRandomOrder, .name = "Random Order", .store = 4, .max = 1},
        {.slot = kBitmapFileOrScreen, .name = "File or Screen", .store = 5, .max = 1},
        kStrengthControl,
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int BitmapAllocate(ModuleRecord* record) {
    BitmapState& s = g_bitmap;
    StopWorker(s);
    s.width = std::max(record->Width, 0);
    s.height = std::max(record->Height, 0);
    s.halfWidth = (s.width + 1) / 2;
    s.halfHeight = (s.height + 1) / 2;
    s.nextChange = GetTickCount() - 1;  // the first picture shows as soon as it is ready
    s.reported.clear();
    s.info = BitmapInfo{};
    s.prepared = true;
    return 0;
}

int BitmapInitialize(ModuleRecord* record) {
    BitmapState& s = g_bitmap;
    if (!s.prepared) return 0;
    StopWorker(s);
    RandomizeControls(record);
    EvolveControls(record);
    const int32_t* c = record->Control;
    s.layout = static_cast<BitmapLayout>(std::clamp(c[kBitmapDisplayType], 0, 3));
    s.durationMs = std::max(c[kBitmapDuration], 0) * 1000;

    s.job = std::make_shared<LoaderJob>();
    LoaderJob& job = *s.job;
    const std::string path(record->Path, strnlen(record->Path, sizeof record->Path));
    job.pattern = path.empty() ? SystemDir() + "/*.BMP" : path;
    job.forceGradient = c[kBitmapForceGradient] != 0;
    job.smoothing = std::max(c[kBitmapSmoothing], 0);
    job.randomPick = c[kBitmapRandomOrder] ? Rand15() : -1;
    job.sequence = g_sequence;
    job.screen = c[kBitmapFileOrScreen] != 0;
    if (job.screen) {
        // The grab waits half the picture's time and one more second, so
        // it shows what the other modules drew meanwhile.
        s.grabPending = true;
        s.grabDue = GetTickCount() + static_cast<uint32_t>(s.durationMs / 2 + 1000);
        return 0;
    }
    StartWorker(s);
    return 0;
}

int BitmapDrawFrame(ModuleRecord* record) {
    if (!DrawGate(record->Control[kBitmapDrawStart], record->Control[kBitmapDrawStop])) return kFrameSkipped;
    BitmapState& s = g_bitmap;
    DrawContext* dc = ModuleDc(record);
    if (!s.prepared || dc == nullptr) return 0;
    const uint32_t now = GetTickCount();
    if (s.grabPending && s.job && Reached(now, s.grabDue)) {
        s.grabPending = false;
        if (GrabScreen(s, *dc, s.job->picture)) {
            StartWorker(s);
        } else {
            s.job->problem = "Could not allocate buffers";
            s.job->done.store(true);
        }
    }
    if (!Later(now, s.nextChange)) return 0;
    // The next picture starts only after the previous worker has ended.
    if (s.grabPending || (s.job && !s.job->done.load())) return 0;
    if (std::shared_ptr<LoaderJob> job = s.job) {
        Collect(s, *job);
        if (job->loaded) {
            Paint(*dc, s, job->picture);
            ++s.info.shown;
            s.info.width = job->picture.width;
            s.info.height = job->picture.height;
        }
    }
    BitmapInitialize(record);
    s.nextChange = now + static_cast<uint32_t>(s.durationMs);
    return 0;
}

int BitmapClose(ModuleRecord*) {
    BitmapState& s = g_bitmap;
    StopWorker(s);
    s.prepared = false;
    return 0;
}

SlideSequence BitmapSequence() { return g_sequence; }
void ResetBitmapSequence() { g_sequence = SlideSequence{}; }

BitmapInfo BitmapLastRun() { return g_bitmap.info; }

bool BitmapWaitForLoader(uint32_t ms) {
    BitmapState& s = g_bitmap;
    if (!s.job || s.grabPending) return true;
    return WaitForJob(*s.job, ms);
}

}  // namespace ztx
