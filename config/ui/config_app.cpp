#include "config/ui/config_app.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/config_session.h"
#include "config/sheet_pages.h"
#include "config/ui/config_sheet.h"
#include "shell/command_line.h"
#include "shell/run_modes.h"
#include "shell/ui/x_display_probe.h"

namespace ztx {

namespace {

// Qt ends the process when it finds no window system; say so first.
bool HaveWindowSystem() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(name);
        if (v && *v) return true;
    }
    std::fprintf(stderr,
                 "zentrix: there is no graphical display here (DISPLAY is not set), so the configuration tool "
                 "cannot open.\nTo list and inspect the saved displays without it, use `ztx displays` and "
                 "`ztx show NAME`.\n");
    return false;
}

int RunConfiguration(const CommandLine&, int argc, char** argv) {
    if (!HaveWindowSystem()) return 1;
    XDisplayProbe probe;
    if (!probe.Reachable("zentrix")) return 1;
    QApplication app(argc, argv);
    probe.Release();
    ConfigurationRun run;
    if (!run.ok()) return 0;  // no sound link: the tool closes (its reason is on standard error)
    std::string unknown;
    const int start = StartPage(&unknown);
    if (!unknown.empty()) std::fprintf(stderr, "zentrix: %s\n", unknown.c_str());
    ConfigSheet sheet(start);
    Session().startProgram = [&sheet](const std::string& line) { return sheet.StartTestProgram(line); };
    sheet.exec();
    EndTestDisplay();  // a test the user never came back from
    return 0;
}

}  // namespace

void InstallConfigRunner() { Runners.configure = RunConfiguration; }

}  // namespace ztx
