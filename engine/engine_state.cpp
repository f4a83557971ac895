#include "engine/engine_state.h"

#include <cstring>

namespace ztx {

std::atomic<int> AnimationRunning{0};
std::atomic<uint32_t> FrameCount{0};
std::atomic<int> DisplayLoading{0};
std::atomic<int> LivePaletteSave{0};
std::atomic<int> ClearFirst{1};
std::atomic<int> ConfigurationToolRunning{0};
char CurrentDisplayName[128] = "";
char ProcessDisplay[128] = "";
SequenceList Sequence;
std::atomic<int> PaletteReady{0};
std::atomic<int> AnimationSuspended{0};
std::atomic<int> PaletteSuspended{0};
std::atomic<int> SpeedDelay{0};
std::atomic<int> MouseIgnored{0};
std::atomic<uint32_t> AnimationStartTick{0};
std::atomic<int> LaunchedCompanion{0};
std::atomic<int> CaptureKeyHeld{0};
std::atomic<int> WallpaperKeyPressed{0};

void ResetEngineState() {
    for (std::atomic<int>* flag : {&AnimationRunning, &DisplayLoading, &LivePaletteSave, &ConfigurationToolRunning,
                                   &PaletteReady, &AnimationSuspended, &PaletteSuspended, &SpeedDelay,
                                   &MouseIgnored, &LaunchedCompanion, &CaptureKeyHeld, &WallpaperKeyPressed})
        *flag = 0;
    ClearFirst = 1;
    FrameCount = 0;
    AnimationStartTick = 0;
    std::memset(CurrentDisplayName, 0, sizeof CurrentDisplayName);
    std::memset(ProcessDisplay, 0, sizeof ProcessDisplay);
    Sequence = SequenceList{};
}

}  // namespace ztx
