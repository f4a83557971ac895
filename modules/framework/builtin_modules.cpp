// The modules compiled into the program. Adding a module is one line here:
// its slot and its five routines (define controls, draw frame, allocate,
// initialise, close), e.g.
//     {kSlotBezier, {BezierDefineControls, BezierDrawFrame, BezierAllocate, BezierInitialize, BezierClose}},
// Routines a module does not need are NoModuleWork.
#include "engine/random_module.h"
#include "modules/framework/module_table.h"
#include "modules/vector/bezier.h"
#include "modules/vector/cube.h"
#include "modules/vector/cyclic.h"
#include "modules/vector/effect.h"
#include "modules/vector/flow.h"
#include "modules/vector/line.h"
#include "modules/vector/polygon.h"
#include "modules/vector/sphere.h"
#include "modules/vector/squiggle.h"
#include "modules/vector/star.h"
#include "modules/vector/vortex.h"
#include "modules/vector/wander.h"
#include "modules/vector/whip.h"
#include "modules/raster/bitmap.h"
#include "modules/raster/pattern.h"
#include "modules/raster/plasma.h"
#include "modules/raster/ray.h"
#include "modules/raster/stain.h"
#include "modules/raster/wave.h"
#include "modules/raster/wipe.h"

namespace ztx {

const std::vector<BuiltinModule>& BuiltinModules() {
    static const std::vector<BuiltinModule> modules = {
        {kSlotBezier, {BezierDefineControls, BezierDrawFrame, BezierAllocate, BezierInitialize, BezierClose}},
        {kSlotPattern, {PatternDefineControls, PatternDrawFrame, PatternAllocate, PatternInitialize, PatternClose}},
        {kSlotPlasma, {PlasmaDefineControls, PlasmaDrawFrame, NoModuleWork, PlasmaInitialize, PlasmaClose}},
        {kSlotStain, {StainDefineControls, StainDrawFrame, StainAllocate, StainInitialize, StainClose}},
        {kSlotRay, {RayDefineControls, RayDrawFrame, RayAllocate, RayInitialize, RayClose}},
        {kSlotWave, {WaveDefineControls, WaveDrawFrame, WaveAllocate, WaveInitialize, WaveClose}},
        {kSlotStar, {StarDefineControls, StarDrawFrame, StarAllocate, StarInitialize, StarClose}},
        {kSlotCube, {CubeDefineControls, CubeDrawFrame, CubeAllocate, CubeInitialize, CubeClose}},
        {kSlotCyclic, {CyclicDefineControls, CyclicDrawFrame, CyclicAllocate, CyclicInitialize, CyclicClose}},
        {kSlotFlow, {FlowDefineControls, FlowDrawFrame, FlowAllocate, FlowInitialize, FlowClose}},
        {kSlotSquiggle, {SquiggleDefineControls, SquiggleDrawFrame, SquiggleAllocate, SquiggleInitialize, SquiggleClose}},
        {kSlotWander, {WanderDefineControls, WanderDrawFrame, NoModuleWork, WanderInitialize, NoModuleWork}},
        {kSlotWhip, {WhipDefineControls, WhipDrawFrame, WhipAllocate, WhipInitialize, WhipClose}},
        {kSlotPolygon, {PolygonDefineControls, PolygonDrawFrame, NoModuleWork, PolygonInitialize, NoModuleWork}},
        {kSlotSphere, {SphereDefineControls, SphereDrawFrame, SphereAllocate, SphereInitialize, SphereClose}},
        {kSlotVortex, {VortexDefineControls, VortexDrawFrame, NoModuleWork, VortexInitialize, VortexClose}},
        {kSlotLine, {LineDefineControls, LineDrawFrame, LineAllocate, LineInitialize, LineClose}},
        {kSlotEffect, {EffectDefineControls, EffectDrawFrame, EffectAllocate, EffectInitialize, NoModuleWork}},
        {kSlotWipe, {WipeDefineControls, WipeDrawFrame, WipeAllocate, WipeInitialize, WipeClose}},
        {kSlotBitmap, {BitmapDefineControls, BitmapDrawFrame, BitmapAllocate, BitmapInitialize, BitmapClose}},
        {kSlotRandom, {RandomDefineControls, RandomDrawFrame, RandomAllocate, RandomInitialize, RandomClose}},
    };
    return modules;
}

}  // namespace ztx
