// Older displays: binary display files and the registry tree "Saved" under
// the settings key, which older versions used and which importing a binary
// file still passes through.
#pragma once
#include <string>

namespace ztx {

// Stores the records of a binary display file under
// "Control Panel\<settings key>\Saved\<name>". Returns 1 when the records
// were stored. A record cut short by the end of the file ends the import with
// the records before it. Returns 0, storing nothing, when the file cannot be
// read, lacks the magic, or holds a record whose lengths are beyond the
// format's limits or whose names lack their ending zero, or when the
// settings cannot be written (a full disk); `error` then tells which.
int ImportLegacyFile(const std::string& name, const std::string& path, std::string* error = nullptr);

}  // namespace ztx
