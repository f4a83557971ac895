// The modules compiled into the program. Adding a module is one line here:
// its slot and its five routines (define controls, draw frame, allocate,
// initialise, close), e.g.
//     {kSlotBezier, {BezierDefineControls, BezierDrawFrame, BezierAllocate, BezierInitialize, BezierClose}},
// Routines a module does not need are NoModuleWork.
#include "engine/random_module.h"
#include "modules/framework/module_table.h"
#include "modules/vector/bezier.h"
#include "modules/vector/cube.h"
#include "modules/vector/star.h"
#include "modules/raster/bitmap.h"
#include "modules/raster/pattern.h"
#include "modules/raster/wipe.h"

namespace ztx {

const std::vector<BuiltinModule>& BuiltinModules() {
    static const std::vector<BuiltinModule> modules = {
        {kSlotBezier, {BezierDefineControls, BezierDrawFrame, BezierAllocate, BezierInitialize, BezierClose}},
        {kSlotPattern, {PatternDefineControls, PatternDrawFrame, PatternAllocate, PatternInitialize, PatternClose}},
        {kSlotStar, {StarDefineControls, StarDrawFrame, StarAllocate, StarInitialize, StarClose}},
        {kSlotCube, {CubeDefineControls, CubeDrawFrame, CubeAllocate, CubeInitialize, CubeClose}},
        {kSlotWipe, {WipeDefineControls, WipeDrawFrame, WipeAllocate, WipeInitialize, WipeClose}},
        {kSlotBitmap, {BitmapDefineControls, BitmapDrawFrame, BitmapAllocate, BitmapInitialize, BitmapClose}},
        {kSlotRandom, {RandomDefineControls, RandomDrawFrame, RandomAllocate, RandomInitialize, RandomClose}},
    };
    return modules;
}

}  // namespace ztx
