// The verbs of the `ztx` tool. Each takes the words after the verb and
// returns the process status: 0 done, 1 a failure it reported, 2 wrong usage.
#pragma once
#include <string>
#include <vector>

namespace ztx::tool {

using Args = std::vector<std::string>;

int Displays(const Args& args);
int Show(const Args& args);
int Import(const Args& args);
int Export(const Args& args);
int Palette(const Args& args);
int Render(const Args& args);
int Bench(const Args& args);

// Prints "ztx: <message>" on standard error and returns `status`.
int Fail(int status, const std::string& message);

// Fills the module table with every module's defaults and creates a palette
// record, without loading any stored display.
void PrepareModuleTable();

}  // namespace ztx::tool
