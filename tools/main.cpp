// ztx: command-line verbs for Zentrix that do not fit the saver's switch
// grammar (listing and showing displays, import and export, palettes, ...).
#include <cstdio>
#include <cstring>

#include "shell/command_line.h"
#include "tools/verbs.h"

namespace {

struct Verb {
    const char* name;
    int (*run)(const ztx::tool::Args&);
    const char* synopsis;  // one line of the general usage
    const char* help;      // what `ztx help VERB` adds
};

const Verb kVerbs[] = {
    {.name = "displays",
     .run = ztx::tool::Displays,
     .synopsis = "displays                      list the saved displays",
     .help = "Lists the saved displays by name, one a line.\n"},
    {.name = "show",
     .run = ztx::tool::Show,
     .synopsis = "show [--json] NAME | --file PATH   print a display",
     .help = "Prints the modules, controls and palette settings of a saved display (NAME)\n"
             "or of a display file (--file PATH); --json prints them as JSON.\n"},
    {.name = "import",
     .run = ztx::tool::Import,
     .synopsis = "import [--yes] PATH...         bring display files in",
     .help = "Copies display files (.ZTX, text or the older binary form) into the saved\n"
             "displays. A display of the same name is replaced only after a question,\n"
             "or at once with --yes. Files that are not displays are refused.\n"},
    {.name = "export",
     .run = ztx::tool::Export,
     .synopsis = "export NAME PATH               copy a display to a file",
     .help = "Writes the saved display NAME to the file PATH.\n"},
    {.name = "palette",
     .run = ztx::tool::Palette,
     .synopsis = "palette show FILE.PAL | convert IN OUT   print or convert a palette file",
     .help = "show prints the colours of a palette file; convert reads a palette file\n"
             "(236 colours, or a 768-byte palette) and writes it as a palette file.\n"},
    {.name = "render",
     .run = ztx::tool::Render,
     .synopsis = "render (NAME | --file PATH | --module MODULE) [--size WxH] [--frames N] [--fps F] [--seed S] "
                 "[--verbose] --out PATH\n                                run the animation headless into a GIF, "
                 "PNG(s) or BMP",
     .help = "Runs a saved display (NAME), a display file (--file) or one module with its\n"
             "default controls (--module) without a window, on a virtual clock.\n"
             "  --size WxH     picture size, 1..16384 each way (default 640x480)\n"
             "  --frames N     frames to draw (default 300)\n"
             "  --fps F        frames per second of the virtual clock, 1..240 (default 60)\n"
             "  --seed S       seed of the random generator: the same seed, the same pictures\n"
             "  --verbose      say which display plays from which frame\n"
             "  --out PATH     .gif (animated), .png or .bmp (the last frame), or a name\n"
             "                 with %d for one PNG per frame (frame%d.png)\n"},
    {.name = "bench",
     .run = ztx::tool::Bench,
     .synopsis = "bench (NAME | --file PATH | --module MODULE) [--size WxH] [--frames N]   measure frame, palette "
                 "and memory costs",
     .help = "Runs a display, a display file (heavy settings, say) or a module headless as\n"
             "fast as it can (default 1920x1080, 300 frames) and prints the cost of a\n"
             "frame, of each module, of a palette step, of expanding a picture for the\n"
             "screen, and the peak memory.\n"},
};

void Usage(FILE* out) {
    std::fprintf(out, "usage: ztx VERB [ARGS]   (ztx help VERB for one verb)\n");
    for (const Verb& v : kVerbs) std::fprintf(out, "  ztx %s\n", v.synopsis);
    std::fprintf(out, "ztx %s\n", ztx::VersionText().c_str());
}

const Verb* FindVerb(const char* name) {
    for (const Verb& v : kVerbs) {
        if (std::strcmp(name, v.name) == 0) return &v;
    }
    return nullptr;
}

int VerbHelp(const Verb& v) {
    std::printf("usage: ztx %s\n%s", v.synopsis, v.help);
    return 0;
}

bool IsHelpWord(const char* a) { return !std::strcmp(a, "--help") || !std::strcmp(a, "-h"); }

int UnknownVerb(const char* name) {
    std::fprintf(stderr, "ztx: unknown verb \"%s\"\n", name);
    Usage(stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("ztx %s\n", ztx::VersionText().c_str());
        return 0;
    }
    if (IsHelpWord(argv[1]) || !std::strcmp(argv[1], "help")) {
        if (argc < 3) {
            Usage(stdout);
            return 0;
        }
        const Verb* v = FindVerb(argv[2]);
        return v ? VerbHelp(*v) : UnknownVerb(argv[2]);
    }
    const Verb* v = FindVerb(argv[1]);
    if (!v) return UnknownVerb(argv[1]);
    for (int i = 2; i < argc; ++i) {
        if (IsHelpWord(argv[i])) return VerbHelp(*v);
    }
    return v->run(ztx::tool::Args(argv + 2, argv + argc));
}
