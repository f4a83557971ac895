// The saver's command line: the switches the desktop's screen-saver
// machinery, the control panel and the shell start it with.
//
//   (none)        configure (setup when the program's name contains "setup")
//   C[:handle]    configure, owned by that window (or the foreground one)
//   S [file]      full-screen saver; with a display file, a test run of it
//   P handle      preview inside that window (L is the same)
//   A handle      change the saver password (not on this platform: -1)
//   anything else nothing is done, exit code -1
//
// Spaces, "-" and "/" before the letter are skipped in any number and mix;
// the letter may be of either case; only the first letter counts. Handles
// are decimal digits read up to the first non-digit; no digits is 0.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ztx {

enum class RunMode { Configure, Setup, FullScreen, Preview, ChangePassword, Invalid };

struct CommandLine {
    RunMode mode = RunMode::Invalid;
    char letter = 0;          // the switch letter, upper case; 0 for none
    uint32_t window = 0;      // the handle argument of C, P, L and A (0: none)
    bool unattended = false;  // setup with "--unattended" or "--yes": no windows
};

// Step 1 of the entry: skips the program name (a quoted one up to its closing
// quote, else every character above the space) and then every character up
// to and including the space.
const char* SkipProgramName(const char* line);
// Reads the switches of what follows the program name. `setupName` says
// whether the program runs under a name containing "setup".
CommandLine ParseSwitches(const char* args, bool setupName);
// The whole command line as the design sees it, rebuilt from argv (the
// program name quoted when it holds a space).
std::string JoinCommandLine(int argc, const char* const* argv);
// Whether the program's own file name (not its folder) contains "setup",
// compared in lower case.
bool IsSetupName(const std::string& programPath);
// Parses a process's arguments: the three functions above in a row. Under a
// setup name, a word "--unattended" or "--yes" runs setup without windows.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The display file a full-screen or preview run was asked to test: of the
// first four words of the command line (program name included), the fourth
// when it names an existing file, else the third; empty when that is not an
// existing file. Words longer than 259 characters are refused (an over-long
// path cut short would name some other file).
std::string TestRunCandidate(const std::vector<std::string>& words);

// The process status for an exit code of the design (-1 becomes 255).
int ExitStatus(int code);

// "4.0.1230 (build <commit>)": the program's version and the build's own.
std::string VersionText();
// The switches, for a command line the saver does not understand.
std::string UsageText();

}  // namespace ztx
