// A new process's state, for tests: ResetProcessState() puts every process
// global (engine/process_state.h lists them) and the state its owners keep
// behind functions (the palette engine, the controls' gate phase and peak
// trackers, the capture numbers, the saver window) back to what a new
// process has. No animation may be running. It leaves alone what the
// program wires up once at start: the settings key in use, the mode runners
// and the root-window wallpaper routine.
#pragma once

namespace ztx {

void ResetProcessState();

}  // namespace ztx
