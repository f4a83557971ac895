// File helpers shared by the settings store, captures and display files.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace ztx {

bool FileExists(const std::string& path);       // anything at that path
bool IsRegularFile(const std::string& path);    // an existing file, not a folder
bool IsDirectory(const std::string& path);
// Creates the folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path);
// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);
// Writes `data` to a temporary file beside `path`, flushes it to the disk and
// renames it over `path`: readers see the old file or the new one, never a
// half-written one. On failure (full disk, no rights) the old file is left
// as it was, the temporary file is removed and `error` says why. A path that
// is a symbolic link is written through: the file it points at is replaced.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr);
// Copies a file over `to` (atomically, as above).
bool CopyFileOver(const std::string& from, const std::string& to, std::string* error = nullptr);
// The folder part and the name part of a path.
std::string DirName(const std::string& path);
std::string BaseName(const std::string& path);
// Case-insensitive match of a file name against a pattern with "*" and "?".
bool MatchPattern(std::string_view pattern, std::string_view name);
// Names (not paths) of the regular files in `dir` that match `pattern`,
// sorted without regard to case. A missing folder gives an empty list.
std::vector<std::string> ListMatchingFiles(const std::string& dir, std::string_view pattern);
// Names of the folders in `dir` (without "." and ".."; links to folders are
// not followed, so a walk over them stays inside `dir`), sorted without
// regard to case. A missing folder gives an empty list.
std::vector<std::string> ListSubfolders(const std::string& dir);
// Removes the temporary files ("<name>.tmp-<suffix>") that writes
// interrupted by a crash or a full disk left in `dir`. Only files untouched
// for `minAgeSeconds` go: a write in progress is never that slow. Returns
// how many were removed.
int RemoveStaleTemporaries(const std::string& dir, int minAgeSeconds = 600);
// ASCII lower-case copy and case-insensitive comparison.
std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace ztx
