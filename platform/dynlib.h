// Loading shared libraries (plug-in modules). Libraries are always opened by
// their full path, never by a bare name that would search the system's
// library path.
#pragma once
#include <string>

namespace ztx {

struct DynamicLibrary {
    void* handle = nullptr;
};

// Opens the library at an absolute path with every symbol bound at once and
// kept local. On failure the result has no handle and `error` says why.
DynamicLibrary OpenLibrary(const std::string& absolutePath, std::string* error = nullptr);
// The address of an exported symbol, or nullptr.
void* FindSymbol(const DynamicLibrary& lib, const char* name);
void CloseLibrary(DynamicLibrary& lib);

}  // namespace ztx
