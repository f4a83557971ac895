#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace ztx {

bool FileExists(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirs(const std::string& path) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    std::string parent = DirName(path);
    if (!parent.empty() && parent != path && !IsDirectory(parent)) MakeDirs(parent);
    if (mkdir(path.c_str(), 0755) == 0) return true;
    return errno == EEXIST && IsDirectory(path);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

namespace {

bool WriteAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
    if (error) *error = what + " " + path + ": " + std::strerror(err);
}

}  // namespace

bool WriteFileAtomically(const std::string& named, std::string_view data, std::string* error) {
    // Writing through a symbolic link replaces the file it points at and
    // keeps the link (the rename would otherwise put a file in its place).
    std::string path = named;
    struct stat link{};
    if (lstat(named.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* target = realpath(named.c_str(), nullptr)) {
            path = target;
            free(target);
        }
    }
    std::string dir = DirName(path);
    if (!dir.empty() && !MakeDirs(dir)) {
        SetError(error, "cannot create the folder", dir, errno);
        return false;
    }
    std::string tmpl = path + ".tmp-XXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        SetError(error, "cannot write", path, errno);
        return false;
    }
    // Keep the permissions of the file being replaced, else the usual ones.
    struct stat st{};
    fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    bool ok = WriteAll(fd, data) && fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(tmpl.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(tmpl.c_str());
        SetError(error, "cannot write", path, err);
        return false;
    }
    // Make the rename itself durable.
    if (int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool CopyFileOver(const std::string& from, const std::string& to, std::string* error) {
    std::string data;
    if (!ReadWholeFile(from, data)) {
        SetError(error, "cannot read", from, errno);
        return false;
    }
    return WriteFileAtomically(to, data, error);
}

int RemoveStaleTemporaries(const std::string& dir, int minAgeSeconds) {
    const time_t now = time(nullptr);
    int removed = 0;
    for (const std::string& name : ListMatchingFiles(dir, "*.tmp-*")) {
        const std::string path = dir + "/" + name;
        struct stat st{};
        if (stat(path.c_str(), &st) != 0 || now - st.st_mtime < minAgeSeconds) continue;
        if (unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

std::string DirName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(Lower(a[i]));
        unsigned char y = static_cast<unsigned char>(Lower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool MatchPattern(std::string_view pattern, std::string_view name) {
    // Iterative glob with backtracking to the last "*".
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {

// Names in `dir` (without "." and "..") that `keep` accepts, sorted without
// regard to case.
std::vector<std::string> ListNames(const std::string& dir, const std::function<bool(const std::string&)>& keep) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (keep(name)) names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    return names;
}

}  // namespace

std::vector<std::string> ListMatchingFiles(const std::string& dir, std::string_view pattern) {
    return ListNames(dir, [&](const std::string& name) {
        return MatchPattern(pattern, name) && IsRegularFile(dir + "/" + name);
    });
}

std::vector<std::string> ListSubfolders(const std::string& dir) {
    return ListNames(dir, [&](const std::string& name) {
        struct stat st{};
        return lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    });
}

}  // namespace ztx
