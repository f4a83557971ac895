// ztx: command-line verbs for Zentrix that do not fit the saver's switch
// grammar (listing and showing displays, import and export, palettes, ...).
#include <cstdio>
#include <cstring>

#include "tools/verbs.h"

namespace {

struct Verb {
    const char* name;
    int (*run)(const ztx::tool::Args&);
    const char* usage;
};

const Verb kVerbs[] = {
    {"displays", ztx::tool::Displays, "displays                      list the saved displays"},
    {"show", ztx::tool::Show, "show [--json] NAME | --file PATH   print a display"},
    {"import", ztx::tool::Import, "import [--yes] PATH...         bring display files in"},
    {"export", ztx::tool::Export, "export NAME PATH               copy a display to a file"},
    {"palette", ztx::tool::Palette,
     "palette show FILE.PAL | convert IN OUT   print or convert a palette file"},
    {"render", ztx::tool::Render,
     "render (NAME | --file PATH | --module MODULE) [--size WxH] [--frames N] [--fps F] [--seed S] [--verbose] "
     "--out PATH\n                                run the animation headless into a GIF, PNG(s) or BMP"},
    {"bench", ztx::tool::Bench,
     "bench (NAME | --module MODULE) [--size WxH] [--frames N]   measure frame, palette and memory costs"},
};

void Usage(FILE* out) {
    std::fprintf(out, "usage: ztx VERB [ARGS]\n");
    for (const Verb& v : kVerbs) std::fprintf(out, "  ztx %s\n", v.usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        Usage(stdout);
        return 0;
    }
    for (const Verb& v : kVerbs) {
        if (std::strcmp(argv[1], v.name) == 0) return v.run(ztx::tool::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "ztx: unknown verb \"%s\"\n", argv[1]);
    Usage(stderr);
    return 2;
}
