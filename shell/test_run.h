// Test runs: a display file named on the command line (or opened from the
// desktop) is tried out under the reserved name "Testing Current Settings"
// without disturbing the user's choice of active display.
#pragma once
#include <string>

namespace ztx {

struct TestRun {
    bool active = false;     // the file was brought in; "Active" names it
    std::string savedActive; // "Active" before the run
    std::string error;       // why the file could not be brought in
};

// Brings `file` in as "Testing Current Settings" (converting a binary
// display) and makes it the active display. `active` stays false when the
// file cannot be read or converted; "Active" is then unchanged.
TestRun BeginTestRun(const std::string& file);
// Removes the test display and puts the old "Active" back.
void EndTestRun(const TestRun& run);

}  // namespace ztx
