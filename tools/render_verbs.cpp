// The render and bench verbs of the `ztx` tool: the real engine, headless,
// on a lockstep virtual clock.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/headless.h"
#include "modules/framework/module_table.h"
#include "render/draw.h"
#include "render/picture.h"
#include "render/surface.h"
#include "tools/image_writers.h"
#include "tools/verbs.h"

namespace ztx::tool {

namespace {

const char kRenderUsage[] =
    "usage: ztx render (NAME | --file PATH | --module MODULE) [--size WxH] [--frames N] [--fps F] [--seed S] "
    "[--verbose] --out PATH";
const char kBenchUsage[] = "usage: ztx bench (NAME | --file PATH | --module MODULE) [--size WxH] [--frames N]";

bool ParseInt(const std::string& s, long lo, long hi, int& out) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseSize(const std::string& s, int& w, int& h) {
    size_t x = s.find_first_of("xX");
    return x != std::string::npos && ParseInt(s.substr(0, x), 1, 16384, w) && ParseInt(s.substr(x + 1), 1, 16384, h);
}

// The words both verbs share; returns false (with a message) on bad usage.
bool ParseRunArgs(const Args& args, bool forBench, HeadlessRun& run, std::string& out, bool& verbose,
                  std::string& why) {
    int sources = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--file") {
            if (!value(v)) return why = "--file needs a path", false;
            run.source = HeadlessRun::Source::File;
            run.what = v;
            ++sources;
        } else if (a == "--module") {
            if (!value(v)) return why = "--module needs a module name", false;
            run.source = HeadlessRun::Source::Module;
            run.what = v;
            ++sources;
        } else if (a == "--size") {
            if (!value(v) || !ParseSize(v, run.width, run.height))
                return why = "--size takes WxH, each 1..16384, e.g. 640x480", false;
        } else if (a == "--frames") {
            if (!value(v) || !ParseInt(v, 1, 10000000, run.frames)) return why = "--frames takes a number", false;
        } else if (a == "--fps" && !forBench) {
            if (!value(v) || !ParseInt(v, 1, 240, run.fps)) return why = "--fps takes 1..240", false;
        } else if (a == "--seed" && !forBench) {
            int seed = 0;
            if (!value(v) || !ParseInt(v, 0, 2147483647L, seed)) return why = "--seed takes a number", false;
            run.seeded = true;
            run.seed = static_cast<uint32_t>(seed);
        } else if (a == "--out" && !forBench) {
            if (!value(out)) return why = "--out needs a path", false;
        } else if (a == "--verbose" && !forBench) {
            verbose = true;
        } else if (!a.empty() && a[0] != '-') {
            run.source = HeadlessRun::Source::Display;
            run.what = a;
            ++sources;
        } else {
            return why = "unknown option " + a, false;
        }
    }
    if (sources != 1) return why = "name one display, file or module", false;
    if (!forBench && out.empty()) return why = "--out is needed", false;
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && Lower(s.substr(s.size() - n)) == tail;
}

// An output path holding "%d" names one PNG per frame: the parts before and
// after its one "%d", with "%%" read as "%". Returns false when such a path
// holds any other "%" form (it is never used as a printf format). A path
// without "%d" is taken as it stands.
struct FramePattern {
    std::string before, after;
    bool series = false;
};
bool ParseFramePattern(const std::string& out, FramePattern& pattern) {
    if (out.find("%d") == std::string::npos) {
        pattern.before = out;
        return true;
    }
    std::string* part = &pattern.before;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] != '%') {
            *part += out[i];
            continue;
        }
        const char next = i + 1 < out.size() ? out[i + 1] : '\0';
        if (next == '%') {
            *part += '%';
        } else if (next == 'd' && !pattern.series) {
            pattern.series = true;
            part = &pattern.after;
        } else {
            return false;
        }
        ++i;
    }
    return true;
}

}  // namespace

int Render(const Args& args) {
    HeadlessRun run;
    std::string out, why;
    bool verbose = false;
    if (!ParseRunArgs(args, false, run, out, verbose, why)) return Fail(2, why + "\n" + kRenderUsage);

    FramePattern pattern;
    if (!ParseFramePattern(out, pattern))
        return Fail(2, "--out may hold one %d (the frame number) and %% (a percent sign), no other % form");
    enum class Kind { Gif, Png, Bmp, PngSeries } kind;
    if (pattern.series)
        kind = Kind::PngSeries;
    else if (EndsWith(out, ".gif"))
        kind = Kind::Gif;
    else if (EndsWith(out, ".png"))
        kind = Kind::Png;
    else if (EndsWith(out, ".bmp"))
        kind = Kind::Bmp;
    else
        return Fail(2, "the output must end in .gif, .png or .bmp, or contain %d for one PNG per frame");

    const bool progress = isatty(STDERR_FILENO);
    GifWriter gif;
    std::string error;
    if (kind == Kind::Gif && !gif.Open(out, run.width, run.height, &error)) return Fail(1, error);
    std::vector<uint8_t> lastPixels;
    uint32_t lastColors[256] = {};
    bool failed = false;
    const int fps = run.fps;
    run.onFrame = [&](uint32_t frame, const uint8_t* pixels, const uint32_t colors[256]) {
        if (failed) return;
        const size_t size = static_cast<size_t>(run.width) * static_cast<size_t>(run.height);
        if (kind == Kind::Gif) {
            // Delays in hundredths of a second, spread so they add up exactly.
            const int delay = static_cast<int>((frame * 100 + fps / 2) / fps - ((frame - 1) * 100 + fps / 2) / fps);
            if (!gif.AddFrame(pixels, colors, delay, &error)) failed = true;
        } else if (kind == Kind::PngSeries) {
            const std::string name = pattern.before + std::to_string(frame) + pattern.after;
            if (!WritePng(name, run.width, run.height, pixels, colors, &error)) failed = true;
        } else {
            lastPixels.assign(pixels, pixels + size);
            std::memcpy(lastColors, colors, sizeof lastColors);
        }
        if (progress && (frame % 10 == 0 || static_cast<int>(frame) == run.frames))
            std::fprintf(stderr, "\rframe %u of %d", frame, run.frames);
    };
    if (verbose) {
        run.onDisplay = [](uint32_t frame, const std::string& name) {
            std::fprintf(stderr, "frame %u: display %s\n", frame, name.c_str());
        };
    }
    if (!RunHeadless(run, &error)) return Fail(1, error);
    if (progress) std::fprintf(stderr, "\n");
    if (failed) return Fail(1, error);

    switch (kind) {
        case Kind::Gif:
            if (!gif.Close(&error)) return Fail(1, error);
            break;
        case Kind::Png:
            if (!WritePng(out, run.width, run.height, lastPixels.data(), lastColors, &error)) return Fail(1, error);
            break;
        case Kind::Bmp: {
            // Through the window grab, as a capture would be written.
            Surface surface;
            CreateSurface(surface, run.width, run.height);
            surface.picture.pixels = lastPixels;
            DrawContext dc;
            AttachSurface(dc, surface);
            if (!GrabToBmp(dc, out, true, run.width, run.height, 100, false)) return Fail(1, "cannot write " + out);
            break;
        }
        case Kind::PngSeries:
            break;
    }
    return 0;
}

int Bench(const Args& args) {
    HeadlessRun run;
    run.width = 1920;
    run.height = 1080;
    run.frames = 300;
    run.seeded = true;
    run.seed = 1;
    std::string out, why;
    bool verbose = false;
    if (!ParseRunArgs(args, true, run, out, verbose, why)) return Fail(2, why + "\n" + kBenchUsage);
    EngineHost::Timings timings;
    run.timings = &timings;
    std::vector<uint8_t> pixels;
    uint32_t colors[256] = {};
    uint32_t frames = 0;
    run.onFrame = [&](uint32_t frame, const uint8_t* p, const uint32_t c[256]) {
        frames = frame;
        if (static_cast<int>(frame) == run.frames) {
            pixels.assign(p, p + static_cast<size_t>(run.width) * run.height);
            std::memcpy(colors, c, sizeof colors);
        }
    };
    std::string error;
    const auto t0 = std::chrono::steady_clock::now();
    if (!RunHeadless(run, &error)) return Fail(1, error);
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (frames == 0) return Fail(1, "no frame was drawn");

    std::printf("frames %u count\n", frames);
    std::printf("run_total %.3f ms/frame\n", total * 1000.0 / frames);
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        if (timings.slotSeconds[slot] > 0)
            std::printf("module_%s %.4f ms/frame\n", SlotName(slot), timings.slotSeconds[slot] * 1000.0 / frames);
    }
    if (timings.paletteSteps)
        std::printf("palette_step %.4f ms/step\n", timings.paletteSeconds * 1000.0 / timings.paletteSteps);
    // Expanding one published picture to 32-bit pixels, as the presenter does.
    std::vector<uint32_t> rgb(pixels.size());
    const int reps = 20;
    const auto e0 = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i)
        ExpandIndices(pixels.data(), run.width, run.width, run.height, colors, rgb.data(), run.width);
    const double expand = std::chrono::duration<double>(std::chrono::steady_clock::now() - e0).count() / reps;
    std::printf("expand_32bit %.4f ms/picture\n", expand * 1000.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_memory %.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}

}  // namespace ztx::tool
