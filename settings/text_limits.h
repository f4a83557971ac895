// The longest texts the settings keep. Each is a fixed buffer of the stored
// records less its terminating zero: a display name (also the "Active"
// setting and a sequence entry), a path or other text value, one control
// line of a display file ("check value low high sense"), a control name.
// Longer texts read from files or the registry are cut to these lengths.
#pragma once
#include <cstddef>

namespace ztx {

constexpr size_t kMaxDisplayName = 127;
constexpr size_t kMaxPathText = 259;
constexpr size_t kMaxControlLine = 79;
constexpr size_t kMaxControlName = 31;

}  // namespace ztx
