// The uninstaller's questions as Qt message boxes, used when an X display
// can be reached.
#pragma once

namespace ztx {

// Whether an X display answers (Qt would abort without one).
bool MessageBoxesAvailable();
// Runs the removal with message boxes for its questions and messages.
void RunWithMessageBoxes(int argc, char** argv);

}  // namespace ztx
