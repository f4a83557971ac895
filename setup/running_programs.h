// The design asks running launchers to close by posting a close message to
// their windows and then waits, checking every 100 ms, until none is left.
// Here the launcher is a process of the user: it gets SIGTERM (the close
// message) and is waited for the same way, with no time limit.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace ztx {

// The user's own processes whose program file is named `name`.
std::vector<pid_t> FindUserProcesses(const std::string& name);
// Asks each of them to close, then waits until none remains.
void CloseUserPrograms(const std::string& name);

}  // namespace ztx
