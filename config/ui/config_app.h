// The configuration tool's runner (Qt Widgets): `zentrix`, `zentrix /C` and
// `zentrix /C:<id>` open the sheet.
#pragma once

namespace ztx {

void InstallConfigRunner();

}  // namespace ztx
