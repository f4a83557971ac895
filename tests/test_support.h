// Helpers shared by the tests.
#pragma once
#include <string>

namespace ztx_test {

// The temporary folder that holds this test process's home and XDG folders.
extern std::string g_tempRoot;
// Removes a folder tree (used on the temporary root only).
void RemoveTree(const std::string& path);
// Removes the shared-memory block named by ZENTRIX_SOUNDLINK.
void UnlinkTestSharedMemory();
// Runs `body` in a child process and returns its exit status (0..255), or -1
// when the child died of a signal.
int RunInChild(int (*body)(void*), void* arg);

// Runs a shell command and collects its standard output; `status` is its
// exit status, or -1 when it did not exit normally.
struct CommandResult {
    int status;
    std::string out;
};
CommandResult RunCommand(const std::string& shellCommand);

}  // namespace ztx_test
