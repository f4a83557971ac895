#include "tests/test_support.h"

#include <ftw.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace ztx_test {

std::string g_tempRoot;

void RemoveTree(const std::string& path) {
    if (path.size() < 6 || path.rfind("/tmp/", 0) != 0) return;
    nftw(
        path.c_str(),
        [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

void UnlinkTestSharedMemory() {
    if (const char* name = std::getenv("ZENTRIX_SOUNDLINK")) shm_unlink(name);
}

int RunInChild(int (*body)(void*), void* arg) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) _exit(body(arg));
    if (pid < 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CommandResult RunCommand(const std::string& shellCommand) {
    CommandResult r{-1, {}};
    FILE* p = popen(shellCommand.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace ztx_test
