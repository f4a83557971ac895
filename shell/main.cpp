// zentrix: the screen saver, its configuration tool and its setup program.
#include "shell/command_line.h"
#include "shell/run_modes.h"
#ifdef ZTX_HAVE_GUI
#include "config/ui/config_app.h"
#include "setup/ui/setup_wizard.h"
#include "shell/ui/saver_app.h"
#endif

int main(int argc, char** argv) {
#ifdef ZTX_HAVE_GUI
    ztx::InstallSaverRunners();
    ztx::InstallConfigRunner();
    ztx::InstallSetupRunner();
#endif
    ztx::CommandLine cmd = ztx::ParseCommandLine(argc, argv);
    return ztx::ExitStatus(ztx::RunSelectedMode(cmd, argc, argv));
}
