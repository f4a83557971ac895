// Shared set-up of the fuzz targets: a private temporary home (settings,
// displays, shared-memory name) made once per fuzzing process and removed
// when it ends, so a campaign never touches the user's own settings.
#pragma once
#include <ftw.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace ztx_fuzz {

inline const std::string& PrivateHome() {
    static const std::string home = [] {
        char tmpl[] = "/tmp/ztx-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        std::string root = tmpl;
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("ZENTRIX_SOUNDLINK", ("/ztx-fuzz-" + std::to_string(getpid())).c_str(), 1);
        std::atexit([] {
            if (const char* name = getenv("ZENTRIX_SOUNDLINK")) shm_unlink(name);
            // The home string itself may be gone by now; HOME still names it.
            if (const char* dir = getenv("HOME"))
                nftw(dir, [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
                     FTW_DEPTH | FTW_PHYS);
        });
        return root;
    }();
    return home;
}

}  // namespace ztx_fuzz
