#include "engine/sequencing.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine_state.h"
#include "modules/framework/module_table.h"
#include "platform/random.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/profile.h"
#include "soundlink/sound_link.h"

namespace ztx {

std::vector<Candidate> CandidateList;
uint32_t OrderedPosition = 0;
int32_t OrderedPlay = 0;
std::atomic<uint32_t> DisplaysPicked{0};

namespace {

constexpr int kPickAttempts = 50;
bool g_listBuilt = false;

// A non-zero "Used" as the platform's profile calls read numbers: leading
// digits with an optional sign; anything else is 0.
bool SectionUsed(const ProfileFile& f, const char* section) {
    std::optional<std::string> v = f.Get(section, "Used");
    if (!v) return false;
    return std::strtol(v->c_str(), nullptr, 10) != 0;
}

Candidate MakeCandidate(const char* name, size_t length, int32_t seconds, int32_t clear) {
    Candidate c;
    std::memset(&c, 0, sizeof c);
    if (length >= sizeof c.Name) length = sizeof c.Name - 1;
    std::memcpy(c.Name, name, length);
    c.Seconds = seconds;
    c.ClearScreen = clear;
    return c;
}

// Whether the display just loaded suits mode 2: it drives something with
// sound, or no analyser runs (then every display is as good as another).
bool SoundSuitable() {
    const SoundLinkRecord* link = SoundLink();
    if (!link || !link->companionLive) return true;
    return link->paletteUsesSound != 0 || link->controlsUseSound != 0;
}

}  // namespace

bool IsRandomOrSequenceDisplay(const std::string& name) {
    const std::string path = DisplayPath(name);
    if (path.empty()) return false;
    ProfileFile f;
    if (!f.Load(path)) return false;
    return SectionUsed(f, SlotName(kSlotRandom)) || SectionUsed(f, SlotName(kSlotSequencer));
}

void BuildCandidateList(int mode) {
    if (mode == kSelectActiveModules) return;
    CandidateList.clear();
    g_listBuilt = true;
    if (mode == kSelectSequence) {
        CandidateList.reserve(Sequence.items.size());
        for (const SequenceItem& item : Sequence.items) {
            const size_t length = strnlen(item.name, sizeof item.name);
            const std::string name(item.name, length);
            if (IsRandomOrSequenceDisplay(name)) continue;
            CandidateList.push_back(MakeCandidate(item.name, length, static_cast<int32_t>(item.seconds),
                                                  static_cast<int32_t>(item.clear)));
        }
        return;
    }
    for (const std::string& name : ListDisplays()) {
        CandidateList.push_back(MakeCandidate(name.data(), name.size(), 16, 1));
    }
}

void FreeCandidateList() {
    CandidateList.clear();
    CandidateList.shrink_to_fit();
    g_listBuilt = false;
}

bool CandidateListBuilt() { return g_listBuilt; }

PickResult PickDisplay(int mode) {
    PickResult result;
    const uint32_t count = static_cast<uint32_t>(CandidateList.size());
    if (count == 0) return result;
    const int holding = DisplayLoading.load();
    // Loads a candidate; true when it loaded and this program can draw it
    // (a display whose modules are all missing would only show black).
    auto load = [&](const Candidate& c) {
        const int used = LoadDisplay(std::string(c.Name, strnlen(c.Name, sizeof c.Name)));
        DisplayLoading = holding;
        result.loaded = true;
        if (!used) return false;
        for (int slot = 0; slot < kModuleSlots; ++slot) {
            if (slot != kSlotRandom && ModuleActive[slot] && ModuleTable[slot].DoDrawFrame) return true;
        }
        return false;
    };
    // Modes 1 and 3 take any usable display; mode 2 only a sound-suitable one.
    const bool anyWill = mode != kSelectSoundDisplays;

    for (int attempt = 0; attempt < kPickAttempts; ++attempt) {
        uint32_t index;
        if (OrderedPlay) {
            index = OrderedPosition % count;
            ++OrderedPosition;
        } else {
            index = static_cast<uint32_t>(Rand15()) % count;
        }
        Candidate& c = CandidateList[index];
        if (!c.Tried) {
            c.Tried = 1;
            if (IsRandomOrSequenceDisplay(std::string(c.Name, strnlen(c.Name, sizeof c.Name)))) {
                c.Usable = 0;
                continue;
            }
            c.Usable = load(c) ? 1 : 0;
            if (!c.Usable) continue;
            c.SoundSuitable = SoundSuitable() ? 1 : 0;
            if (anyWill || c.SoundSuitable) {
                result.chosen = &c;
                break;
            }
            continue;  // mode 2: this one stays loaded unless a better one comes
        }
        if (!c.Usable) continue;
        if (anyWill || c.SoundSuitable) {
            load(c);
            result.chosen = &c;
            break;
        }
    }
    if (result.loaded) ++DisplaysPicked;
    return result;
}

void ResetSequencing() {
    FreeCandidateList();
    OrderedPosition = 0;
    OrderedPlay = 0;
    DisplaysPicked = 0;
}

}  // namespace ztx
