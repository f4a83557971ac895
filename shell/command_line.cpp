#include "shell/command_line.h"

#include <string_view>

#include "platform/files.h"

namespace ztx {

const char* SkipProgramName(const char* line) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line ? line : "");
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}

namespace {

// Reads decimal digits; a number that does not fit 32 bits is no handle (0).
uint32_t ReadDigits(const char*& p) {
    uint64_t v = 0;
    bool overflow = false;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > 0xFFFFFFFFull) overflow = true;
        ++p;
    }
    return overflow ? 0 : static_cast<uint32_t>(v);
}

}  // namespace

CommandLine ParseSwitches(const char* args, bool setupName) {
    CommandLine cmd;
    const char* p = args ? args : "";
    while (*p == ' ' || *p == '-' || *p == '/') ++p;
    if (*p == '\0') {
        cmd.mode = setupName ? RunMode::Setup : RunMode::Configure;
        return cmd;
    }
    char c = *p++;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    cmd.letter = c;
    switch (c) {
        case 'C':
            cmd.mode = setupName ? RunMode::Setup : RunMode::Configure;
            if (*p == ':') {
                ++p;
                cmd.window = ReadDigits(p);
            }
            break;
        case 'S':
            cmd.mode = RunMode::FullScreen;
            break;
        case 'P':
        case 'L':
        case 'A':
            cmd.mode = c == 'A' ? RunMode::ChangePassword : RunMode::Preview;
            while (*p == ' ') ++p;
            cmd.window = ReadDigits(p);
            break;
        default:
            cmd.mode = RunMode::Invalid;
            break;
    }
    return cmd;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        std::string word = argv[i] ? argv[i] : "";
        if (i == 0 && word.find(' ') != std::string::npos) word = "\"" + word + "\"";
        if (i) line += ' ';
        line += word;
    }
    return line;
}

bool IsSetupName(const std::string& programPath) {
    return ToLower(BaseName(programPath)).find("setup") != std::string::npos;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    std::string line = JoinCommandLine(argc, argv);
    const bool setupName = argc > 0 && IsSetupName(argv[0] ? argv[0] : "");
    for (int i = 1; setupName && i < argc; ++i) {
        if (argv[i] && (std::string_view(argv[i]) == "--unattended" || std::string_view(argv[i]) == "--yes")) {
            return {.mode = RunMode::Setup, .unattended = true};
        }
    }
    return ParseSwitches(SkipProgramName(line.c_str()), setupName);
}

std::string TestRunCandidate(const std::vector<std::string>& words) {
    auto word = [&](size_t i) -> std::string {
        if (i >= words.size() || words[i].size() > 259) return std::string();
        return words[i];
    };
    std::string fourth = word(3);
    std::string candidate = (!fourth.empty() && IsRegularFile(fourth)) ? fourth : word(2);
    if (candidate.empty() || !IsRegularFile(candidate)) return std::string();
    return candidate;
}

int ExitStatus(int code) { return code & 0xFF; }

std::string VersionText() { return std::string(ZTX_VERSION) + " (build " + ZTX_BUILD_ID + ")"; }

std::string UsageText() {
    return "usage: zentrix [/C | /S [FILE.ZTX] | /P WINDOW | /L WINDOW]\n"
           "  (nothing), /C   open the configuration tool\n"
           "  /S              run the saver full screen on the active display\n"
           "  /S FILE.ZTX     try out a display file full screen\n"
           "  /P WINDOW       draw inside the X window with this decimal id (/L is the same)\n"
           "A switch may start with \"/\" or \"-\", in either case. Listing and rendering\n"
           "displays, import and export, and benchmarks are verbs of \"ztx\" (ztx --help).\n"
           "zentrix " + VersionText() + "\n";
}

}  // namespace ztx
