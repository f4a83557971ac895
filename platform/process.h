// Starting other programs, as the design's "run this command line" does: the
// line is split into words (double quotes group words), the program is found
// on the PATH when the first word has no "/", and it runs detached, so the
// caller never waits for it and leaves no zombie behind.
#pragma once
#include <string>
#include <vector>

namespace ztx {

// Splits a command line into words: white space separates, a double-quoted
// stretch keeps its spaces, the quotes themselves are dropped.
std::vector<std::string> SplitCommandLine(const std::string& line);
// Starts the command line; true when the program was started. On failure
// `error` says why (no such program, not executable, ...).
bool RunCommandLine(const std::string& line, std::string* error = nullptr);
// The running program's own path (from /proc/self/exe).
std::string OwnProgramPath();

}  // namespace ztx
