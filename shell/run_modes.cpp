#include "shell/run_modes.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/process_state.h"
#include "platform/process.h"
#include "settings/display_names.h"
#include "setup/setup.h"

namespace ztx {

ModeRunners Runners;

namespace {

int Unavailable(const char* what) {
    std::fprintf(stderr, "zentrix: %s is not available in this build\n", what);
    return 1;
}

// A display file named after /S that is not there: the run goes on with the
// active display, as designed, but the person who typed the name is told.
// Returns whether a display file is being tried out.
bool CheckTestFile(int argc, char** argv) {
    std::vector<std::string> words(argv, argv + argc);
    if (!TestRunCandidate(words).empty()) return true;
    if (words.size() < 3) return false;
    const std::string& named = words[words.size() > 3 ? 3 : 2];
    std::fprintf(stderr, "zentrix: there is no display file \"%s\"; showing the active display instead\n",
                 named.c_str());
    return false;
}

// ZENTRIX_DISPLAY names a saved display for this saver process alone (the
// launcher's --display). A display file being tried out comes first.
void TakeProcessDisplay(bool testFile) {
    const char* name = std::getenv("ZENTRIX_DISPLAY");
    if (!name || !*name || testFile) return;
    std::string why;
    if (!IsValidDisplayName(name, &why)) {
        std::fprintf(stderr, "zentrix: ZENTRIX_DISPLAY names no display (%s); showing the active display instead\n",
                     why.c_str());
        return;
    }
    std::snprintf(ProcessDisplay, sizeof ProcessDisplay, "%s", name);
}

}  // namespace

int RunSelectedMode(const CommandLine& cmd, int argc, char** argv) {
    switch (cmd.mode) {
        case RunMode::Invalid:
            std::fputs(UsageText().c_str(), stderr);
            return -1;
        case RunMode::ChangePassword:
            // Only the Windows 95 family had the saver's own password; here
            // the platform locks the screen.
            std::fprintf(stderr,
                         "zentrix: the saver has no password of its own; the desktop's screen locker keeps it\n");
            return -1;
        case RunMode::Preview:
            if (cmd.window == 0) {
                std::fprintf(stderr, "zentrix: /%c needs the decimal id of the window to draw in\n", cmd.letter);
                return -1;
            }
            TakeProcessDisplay(!TestRunCandidate(std::vector<std::string>(argv, argv + argc)).empty());
            return Runners.preview ? Runners.preview(cmd, argc, argv) : Unavailable("the preview window");
        case RunMode::FullScreen:
            TakeProcessDisplay(CheckTestFile(argc, argv));
            return Runners.fullScreen ? Runners.fullScreen(cmd, argc, argv) : Unavailable("the full-screen saver");
        case RunMode::Configure:
            return Runners.configure ? Runners.configure(cmd, argc, argv) : Unavailable("the configuration tool");
        case RunMode::Setup:
            if (cmd.unattended) return RunUnattendedSetup(OwnProgramPath());
            return Runners.setup ? Runners.setup(cmd, argc, argv) : Unavailable("setup");
    }
    return -1;
}

}  // namespace ztx
