// Runs the mode the command line chose and returns the design's exit code.
#pragma once
#include "engine/process_state.h"
#include "shell/command_line.h"

namespace ztx {

// The runner of each mode that has a window or dialog. Later parts of the
// program (the saver window, the configuration tool, setup) install theirs;
// a mode without a runner is reported on standard error and fails.
using ModeRunner = int (*)(const CommandLine& cmd, int argc, char** argv);
struct ModeRunners {
    ModeRunner configure = nullptr;
    ModeRunner setup = nullptr;
    ModeRunner fullScreen = nullptr;
    ModeRunner preview = nullptr;
};

int RunSelectedMode(const CommandLine& cmd, int argc, char** argv);

}  // namespace ztx
