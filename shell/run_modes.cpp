#include "shell/run_modes.h"

#include <cstdio>

namespace ztx {

ModeRunners Runners;

namespace {

int Unavailable(const char* what) {
    std::fprintf(stderr, "zentrix: %s is not available in this build\n", what);
    return 1;
}

}  // namespace

int RunSelectedMode(const CommandLine& cmd, int argc, char** argv) {
    switch (cmd.mode) {
        case RunMode::Invalid:
            return -1;
        case RunMode::ChangePassword:
            // Only the Windows 95 family had the saver's own password; here
            // the platform locks the screen.
            return -1;
        case RunMode::Preview:
            if (cmd.window == 0) return -1;
            return Runners.preview ? Runners.preview(cmd, argc, argv) : Unavailable("the preview window");
        case RunMode::FullScreen:
            return Runners.fullScreen ? Runners.fullScreen(cmd, argc, argv) : Unavailable("the full-screen saver");
        case RunMode::Configure:
            return Runners.configure ? Runners.configure(cmd, argc, argv) : Unavailable("the configuration tool");
        case RunMode::Setup:
            return Runners.setup ? Runners.setup(cmd, argc, argv) : Unavailable("setup");
    }
    return -1;
}

}  // namespace ztx
