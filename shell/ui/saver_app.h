// The saver's windows on X11 (Qt): installs the runners of the full-screen
// and preview modes.
#pragma once

namespace ztx {

void InstallSaverRunners();

}  // namespace ztx
