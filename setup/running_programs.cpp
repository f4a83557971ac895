#include "setup/running_programs.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/files.h"

namespace ztx {

std::vector<pid_t> FindUserProcesses(const std::string& name) {
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    if (!proc) return found;
    while (dirent* e = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == getpid()) continue;
        const std::string dir = std::string("/proc/") + e->d_name;
        struct stat st {};
        if (stat(dir.c_str(), &st) != 0 || st.st_uid != getuid()) continue;
        // The program as started (argv[0]), not the kernel's 15-character name.
        std::string cmdline;
        if (!ReadWholeFile(dir + "/cmdline", cmdline) || cmdline.empty()) continue;
        if (BaseName(cmdline.substr(0, cmdline.find('\0'))) == name) found.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
    return found;
}

void CloseUserPrograms(const std::string& name) {
    for (pid_t pid : FindUserProcesses(name)) kill(pid, SIGTERM);
    while (!FindUserProcesses(name).empty()) SleepMs(100);
}

}  // namespace ztx
