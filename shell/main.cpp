// zentrix: the screen saver, its configuration tool and its setup program.
#include <cstdio>

#include "shell/command_line.h"
#include "shell/run_modes.h"

int main(int argc, char** argv) {
    ztx::CommandLine cmd = ztx::ParseCommandLine(argc, argv);
    return ztx::ExitStatus(ztx::RunSelectedMode(cmd, argc, argv));
}
