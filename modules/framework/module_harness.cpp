#include "modules/framework/module_harness.h"

#include <algorithm>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/random.h"

namespace ztx {

ModuleHarness::ModuleHarness(int slot, int width, int height) : clock_(kClockStart) {
    SetClock(&clock_);
    ResetModuleFramework();
    ResetEngineState();
    ResetTextBoxes();
    CreateSurface(surface_, width, height);
    AttachSurface(dc_, surface_);
    palette_ = CreatePaletteRecord(&dc_);
    for (ModuleRecord& r : ModuleTable) {
        r.Width = width;
        r.Height = height;
        r.Dc = &dc_;
        r.PaletteState = palette_;
    }
    SetStoredSettingsLoader(nullptr);
    RegisterFromCatalog(slot);
    record_ = &ModuleTable[slot];
    record_->Name = SlotName(slot);
    ActivateOnly(slot);
}

ModuleHarness::~ModuleHarness() {
    Close();
    FailModuleAllocations(0);
    AnimationRunning.store(0);
    FreePaletteRecord(palette_);
    ResetTextBoxes();
    SetClock(nullptr);
    ResetModuleFramework();
}

int ModuleHarness::Start(uint32_t seed) {
    ClampControls(record_);
    AnimationRunning.store(1);
    SeedRandom(seed);
    const int allocated = record_->DoPreInitialize(record_);
    const int initialized = record_->DoInitialize(record_);
    return allocated != 0 ? allocated : initialized;
}

int ModuleHarness::Frame() {
    ++frames_;
    FrameCount.fetch_add(1);
    const int result = record_->DoDrawFrame(record_);
    clock_.Set(kClockStart + uint32_t(uint64_t(frames_) * 1000 / 60));
    return result;
}

int ModuleHarness::Close() { return record_->DoClose ? record_->DoClose(record_) : 0; }

void ModuleHarness::Clear() { std::fill(surface_.picture.pixels.begin(), surface_.picture.pixels.end(), 0); }

}  // namespace ztx
