// The setup wizard (Qt Widgets): five pages that fill SetupChoices and run
// the installation (setup/setup.h) with its progress shown on the fourth
// page. Widgets the design numbers carry the object name "ctl<number>".
#pragma once

namespace ztx {

// Installs the runner of the setup mode (the program under a "setup" name).
void InstallSetupRunner();

}  // namespace ztx
