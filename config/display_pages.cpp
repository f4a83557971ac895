#include "config/display_pages.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "config/config_session.h"
#include "config/control_edit.h"
#include "engine/engine_state.h"
#include "engine/sequencing.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

bool IsSaved(const std::string& name) {
    const std::vector<std::string> names = ListDisplays();
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

const std::array<ModuleBox, kModuleSlots>& ModuleBoxes() {
    static constexpr std::array<ModuleBox, kModuleSlots> kBoxes = {{
        {1021, "Bezier", kSlotBezier},     {1041, "Cyclic", kSlotCyclic},
        {1060, "Pattern", kSlotPattern},   {1061, "Plasma", kSlotPlasma},
        {1062, "Polygon", kSlotPolygon},   {1082, "Sphere", kSlotSphere},
        {1083, "Stain", kSlotStain},       {1084, "Star", kSlotStar},
        {1099, "Vortex", kSlotVortex},     {1100, "Ray", kSlotRay},
        {1049, "Whip", kSlotWhip},         {1050, "Flow", kSlotFlow},
        {1051, "Line", kSlotLine},         {1052, "Squiggle", kSlotSquiggle},
        {1055, "Wave", kSlotWave},         {1056, "Wander", kSlotWander},
        {1057, "Cube", kSlotCube},         {1356, "Enable Wipe Effects", kSlotWipe},
        {1046, "Effect", kSlotEffect},     {1048, "Slide Show", kSlotBitmap},
        {1053, "Plug-In", kSlotPlugIn},    {1071, "Sequencer", kSlotSequencer},
        {1070, "Random", kSlotRandom},
    }};
    return kBoxes;
}

ModuleBoxState CurrentModuleBoxes() {
    ModuleBoxState s;
    for (int slot = 0; slot < kModuleSlots; ++slot) s.active[slot] = ModuleActive[slot] != 0;
    s.clearFirst = ClearFirst != 0;
    return s;
}

void ReadModuleBoxes(const ModuleBoxState& boxes) {
    for (int slot = 0; slot < kModuleSlots; ++slot) ModuleActive[slot] = boxes.active[slot] ? 1 : 0;
    ClearFirst = boxes.clearFirst ? 1 : 0;
}

std::string SaveNameFor(const std::string& typed) {
    return typed.empty() ? kScratchDisplay : typed.substr(0, kMaxDisplayName);
}

SaveOutcome SaveEditedDisplay(const std::string& typed, const std::function<bool(const std::string&)>& overwrite) {
    SaveOutcome out{.result = SaveOutcome::Result::Saved, .name = SaveNameFor(typed)};
    out.added = !IsSaved(out.name);
    if (!out.added && !overwrite(out.name)) {
        out.result = SaveOutcome::Result::Declined;
        return out;
    }
    if (!SaveDisplay(out.name, &out.error)) {
        out.result = SaveOutcome::Result::Failed;
        out.added = false;
        return out;
    }
    Session().settingsChanged = false;
    return out;
}

std::string DeleteEditedDisplay(const std::string& typed, const std::string& selected) {
    std::string chosen = selected;
    if (IsSaved(typed)) {
        DeleteDisplay(typed);
        const std::vector<std::string> left = ListDisplays();
        chosen = left.empty() ? "" : left.front();
    }
    if (!chosen.empty()) ChooseDisplay(chosen);
    return chosen;
}

bool ExportEditedDisplay(const std::string& typed, const std::string& target, std::string* error) {
    const std::string name = SaveNameFor(typed);
    if (!SaveDisplay(name, error)) return false;
    Session().settingsChanged = false;
    return ExportDisplay(name, target, error);
}

std::string ImportDisplays(const std::vector<std::string>& paths,
                           const std::function<bool(const std::string&)>& overwrite,
                           std::vector<std::string>* errors) {
    std::string last;
    for (const std::string& path : paths) {
        std::string why;
        if (ImportDisplayFile(path, overwrite, &why)) {
            last = ImportedDisplayName(path);
        } else if (errors && !why.empty()) {
            errors->push_back(path + ": " + why);
        }
    }
    if (!last.empty()) ChooseDisplay(last);
    return last;
}

bool DisplayInSync() {
    ValidateSources(true, CurrentPalette());
    const SoundLinkRecord* link = SoundLink();
    if (link && (link->paletteUsesSound || link->controlsUseSound)) return true;
    return ModuleActive[kSlotRandom] && ModuleTable[kSlotRandom].Check[0] == kCheckOscillate;
}

std::vector<std::string> SequenceCandidates() {
    std::vector<std::string> names = ListDisplays();
    std::erase_if(names, [](const std::string& n) { return IsRandomOrSequenceDisplay(n); });
    return names;
}

SequenceRow MakeSequenceRow(const std::string& name, const std::string& secondsText, bool clear) {
    return {.name = name.substr(0, kMaxDisplayName),
            .seconds = std::to_string(ReadNumberText(secondsText, 0, INT_MAX)),
            .clear = clear ? "Y" : "N"};
}

std::vector<SequenceRow> SequenceRows() {
    std::vector<SequenceRow> rows;
    for (const SequenceItem& item : Sequence.items)
        rows.push_back({.name = std::string(item.name, strnlen(item.name, sizeof item.name)),
                        .seconds = std::to_string(item.seconds),
                        .clear = item.clear ? "Y" : "N"});
    return rows;
}

bool CopySequenceFromRows(const std::vector<SequenceRow>& rows, bool inOrder) {
    if (rows.empty()) return false;
    Sequence.items.assign(rows.size(), SequenceItem{});
    for (size_t i = 0; i < rows.size(); ++i) {
        SequenceItem& item = Sequence.items[i];
        const std::string name = rows[i].name.substr(0, kMaxDisplayName);
        std::memcpy(item.name, name.c_str(), name.size() + 1);
        item.seconds = static_cast<uint32_t>(ReadNumberText(rows[i].seconds, 0, INT_MAX));
        item.clear = rows[i].clear.starts_with('Y') ? 1 : 0;
    }
    Sequence.position = 0;
    Sequence.orderedPlay = inOrder ? 1 : 0;
    return true;
}

int MoveSequenceRow(std::vector<SequenceRow>& rows, int index, int delta) {
    if (index < 0 || index >= static_cast<int>(rows.size())) return index;
    const int to = std::clamp(index + delta, 0, static_cast<int>(rows.size()) - 1);
    SequenceRow row = std::move(rows[index]);
    rows.erase(rows.begin() + index);
    rows.insert(rows.begin() + to, std::move(row));
    return to;
}

}  // namespace ztx
