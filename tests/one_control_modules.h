// Stand-in modules for the configuration tool's tests: each of the given
// slots gets a module with one control, "Size" (1..100, 50, animatable),
// and no drawing. The list stays valid until the next call.
#pragma once
#include <initializer_list>
#include <vector>

#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"

namespace ztx {

inline int DefineSizeControl(ModuleRecord* r) {
    DefineControl(r, 0, 0, "Size", 1, 100, 1, 100, 50, kCheckSet, 10, 1);
    return 0;
}

inline const std::vector<BuiltinModule>& OneControlModules(std::initializer_list<int> slots) {
    static std::vector<BuiltinModule> catalog;
    catalog.clear();
    for (int slot : slots)
        catalog.push_back({slot, {DefineSizeControl, NoModuleWork, NoModuleWork, NoModuleWork, NoModuleWork}});
    return catalog;
}

}  // namespace ztx
