#include "platform/dynlib.h"

#include <dlfcn.h>

#include "platform/files.h"

namespace ztx {

DynamicLibrary OpenLibrary(const std::string& absolutePath, std::string* error) {
    DynamicLibrary lib;
    if (absolutePath.empty() || absolutePath[0] != '/') {
        if (error) *error = "not a full path: " + absolutePath;
        return lib;
    }
    // dlopen reads whatever the path names: a FIFO or a device would block
    // it for ever.
    if (!IsRegularFile(absolutePath)) {
        if (error) *error = "not a library file: " + absolutePath;
        return lib;
    }
    lib.handle = dlopen(absolutePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib.handle && error) {
        const char* e = dlerror();
        *error = e ? e : "cannot load " + absolutePath;
    }
    return lib;
}

void* FindSymbol(const DynamicLibrary& lib, const char* name) {
    if (!lib.handle || !name) return nullptr;
    return dlsym(lib.handle, name);
}

void CloseLibrary(DynamicLibrary& lib) {
    if (lib.handle) dlclose(lib.handle);
    lib.handle = nullptr;
}

}  // namespace ztx
