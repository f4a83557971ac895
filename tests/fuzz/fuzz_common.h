// Shared set-up of the fuzz targets: a private temporary home (settings,
// displays, shared-memory name) made once per fuzzing process, so a
// campaign never touches the user's own settings.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace ztx_fuzz {

inline const std::string& PrivateHome() {
    static const std::string home = [] {
        char tmpl[] = "/tmp/ztx-fuzz-XXXXXX";
        std::string root = mkdtemp(tmpl) ? tmpl : "/tmp";
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("ZENTRIX_SOUNDLINK", ("/ztx-fuzz-" + std::to_string(getpid())).c_str(), 1);
        return root;
    }();
    return home;
}

}  // namespace ztx_fuzz
