// The uninstaller's questions as Qt message boxes, used when an X display
// can be reached.
#pragma once

namespace ztx {

// Runs the removal with message boxes for its questions and messages.
// Returns false, having done nothing, when no X display answers (Qt would
// abort without one).
bool RunWithMessageBoxes(int argc, char** argv);

}  // namespace ztx
