// The modules compiled into the program. Adding a module is one line here:
// its slot and its five routines (define controls, draw frame, allocate,
// initialise, close), e.g.
//     {kSlotBezier, {BezierDefineControls, BezierDrawFrame, BezierAllocate, BezierInitialize, BezierClose}},
// Routines a module does not need are NoModuleWork.
#include "engine/random_module.h"
#include "modules/framework/module_table.h"
#include "modules/vector/bezier.h"
#include "modules/vector/cube.h"
#include "modules/vector/effect.h"
#include "modules/vector/line.h"
#include "modules/vector/polygon.h"
#include "modules/vector/sphere.h"
#include "modules/vector/star.h"
#include "modules/vector/vortex.h"
#include "modules/raster/pattern.h"

namespace ztx {

const std::vector<BuiltinModule>& BuiltinModules() {
    static const std::vector<BuiltinModule> modules = {
        {kSlotBezier, {BezierDefineControls, BezierDrawFrame, BezierAllocate, BezierInitialize, BezierClose}},
        {kSlotPattern, {PatternDefineControls, PatternDrawFrame, PatternAllocate, PatternInitialize, PatternClose}},
        {kSlotStar, {StarDefineControls, StarDrawFrame, StarAllocate, StarInitialize, StarClose}},
        {kSlotCube, {CubeDefineControls, CubeDrawFrame, CubeAllocate, CubeInitialize, CubeClose}},
        {kSlotPolygon, {PolygonDefineControls, PolygonDrawFrame, NoModuleWork, PolygonInitialize, NoModuleWork}},
        {kSlotSphere, {SphereDefineControls, SphereDrawFrame, SphereAllocate, SphereInitialize, SphereClose}},
        {kSlotVortex, {VortexDefineControls, VortexDrawFrame, NoModuleWork, VortexInitialize, VortexClose}},
        {kSlotLine, {LineDefineControls, LineDrawFrame, LineAllocate, LineInitialize, LineClose}},
        {kSlotEffect, {EffectDefineControls, EffectDrawFrame, EffectAllocate, EffectInitialize, NoModuleWork}},
        {kSlotRandom, {RandomDefineControls, RandomDrawFrame, RandomAllocate, RandomInitialize, RandomClose}},
    };
    return modules;
}

}  // namespace ztx
