#include "platform/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace ztx {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

bool RunCommandLine(const std::string& line, std::string* error) {
    std::vector<std::string> words = SplitCommandLine(line);
    if (words.empty()) {
        if (error) *error = "empty command line";
        return false;
    }
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it (close-on-exec) without writing.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        int err = errno;
        close(fds[0]);
        close(fds[1]);
        if (error) *error = std::strerror(err);
        return false;
    }
    if (child == 0) {
        // Double fork: the grandchild is adopted by init, so nobody has to
        // wait for it.
        setsid();
        pid_t grand = fork();
        if (grand != 0) _exit(grand < 0 ? 1 : 0);
        execvp(argv[0], argv.data());
        int err = errno;
        ssize_t ignored = write(fds[1], &err, sizeof err);
        (void)ignored;
        _exit(127);
    }
    close(fds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int execErr = 0;
    ssize_t n;
    while ((n = read(fds[0], &execErr, sizeof execErr)) < 0 && errno == EINTR) {
    }
    close(fds[0]);
    if (n == static_cast<ssize_t>(sizeof execErr)) {
        if (error) *error = words[0] + ": " + std::strerror(execErr);
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error) *error = "could not start " + words[0];
        return false;
    }
    return true;
}

std::string OwnProgramPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

}  // namespace ztx
