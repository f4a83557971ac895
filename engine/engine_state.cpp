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

void ResetEngineState() {
    AnimationRunning = 0;
    FrameCount = 0;
    DisplayLoading = 0;
    LivePaletteSave = 0;
    ClearFirst = 1;
    ConfigurationToolRunning = 0;
    std::memset(CurrentDisplayName, 0, sizeof CurrentDisplayName);
    Sequence = SequenceList{};
    std::memset(ProcessDisplay, 0, sizeof ProcessDisplay);
}

}  // namespace ztx
