#include "settings/display_file.h"

#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "platform/random.h"
#include "plugins/plugin_host.h"
#include "settings/display_names.h"
#include "settings/global_options.h"
#include "settings/legacy_display.h"
#include "settings/profile.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

constexpr int kCustomPieces = 24;
constexpr size_t kCustomBytes = kPaletteEntries * 3;  // 708
constexpr size_t kPieceBytes = 30;

size_t PieceSize(int piece) { return piece < kCustomPieces - 1 ? kPieceBytes : kCustomBytes - kPieceBytes * 23; }

// Copies text into a fixed buffer, always ending it with a zero.
void CopyText(char* dst, size_t size, const std::string& src) {
    size_t n = std::min(src.size(), size - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Reads up to `count` signed integers separated by white space into
// `fields`, stopping at the first that does not parse; numbers beyond the
// 32-bit range are held at its ends.
void ParseInts(const std::string& text, int32_t* const* fields, int count) {
    const char* p = text.c_str();
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        errno = 0;
        long long v = std::strtoll(p, &end, 10);
        if (end == p) return;
        if (v > INT_MAX) v = INT_MAX;
        if (v < INT_MIN) v = INT_MIN;
        *fields[i] = static_cast<int32_t>(v);
        p = end;
    }
}

// Unsigned profile numbers as the platform reads them: leading digits
// (with an optional sign), anything else reads as the default.
long ProfileNumber(const ProfileFile& f, const char* section, const char* key, long fallback) {
    std::optional<std::string> v = f.Get(section, key);
    if (!v || v->empty()) return fallback;
    char* end = nullptr;
    long long n = std::strtoll(v->c_str(), &end, 10);
    if (end == v->c_str()) return fallback;
    return static_cast<long>(n);
}

std::string ProfileText(const ProfileFile& f, const char* section, const std::string& key, size_t maxChars) {
    std::string v = f.Get(section, key).value_or(std::string());
    if (v.size() > maxChars) v.resize(maxChars);
    return v;
}

void ResetControlToDefaults(ModuleRecord& r, int i) {
    r.Check[i] = r.CheckDefault[i];
    r.Control[i] = r.ControlDefault[i];
    r.RangeLo[i] = r.RangeLoDefault[i];
    r.RangeHi[i] = r.RangeHiDefault[i];
    r.Sense[i] = r.SenseDefault[i];
}

void ResetPaletteControl(PaletteRecord& p, int i) {
    p.Check[i] = p.CheckDefault[i];
    p.Control[i] = p.ControlDefault[i];
    p.RangeLo[i] = p.RangeLoDefault[i];
    p.RangeHi[i] = p.RangeHiDefault[i];
    p.Sense[i] = p.SenseDefault[i];
}

std::string PaletteKeyName(int control) {
    return std::string(PaletteKindName(control / kChannels)) + ChannelName(control % kChannels);
}

void BeginLoading(const std::string& name) {
    DisplayLoading = 1;
    sched_yield();
    CopyText(CurrentDisplayName, sizeof CurrentDisplayName, name);
    if (SoundLinkRecord* link = SoundLink()) CopyText(link->currentDisplay, sizeof link->currentDisplay, name);
}

// Reads the sequence list of a display file; an empty one keeps the old list.
void ReadSequence(const ProfileFile& f) {
    const char* section = SlotName(kSlotSequencer);
    long count = ProfileNumber(f, section, "SeqItems", 0);
    if (count <= 0) {
        std::fputc('\a', stderr);  // the design's beep: the list stays as it was
        return;
    }
    // A count no list could hold is a damaged file; keep what the file has.
    count = std::min<long>(count, 100000);
    Sequence.orderedPlay = static_cast<int32_t>(ProfileNumber(f, section, "OrderedPlay", 0));
    Sequence.items.assign(static_cast<size_t>(count), SequenceItem{});
    Sequence.position = 0;
    for (long i = 0; i < count; ++i) {
        SequenceItem& item = Sequence.items[static_cast<size_t>(i)];
        std::memset(&item, 0, sizeof item);
        CopyText(item.name, sizeof item.name, ProfileText(f, section, std::to_string(i), kMaxDisplayName));
        int32_t seconds = 16, clear = 1;
        int32_t* fields[2] = {&seconds, &clear};
        ParseInts(ProfileText(f, section, std::to_string(i) + "A", kMaxPathText), fields, 2);
        item.seconds = static_cast<uint32_t>(seconds);
        item.clear = static_cast<uint32_t>(clear);
    }
}

int LoadIniDisplay(const ProfileFile& f, PaletteRecord* palette) {
    int used = 0;
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        ModuleRecord& r = ModuleTable[slot];
        const char* section = SlotName(slot);
        if (ProfileNumber(f, section, "Used", 0) == 0) {
            ModuleActive[slot] = 0;
        } else if (slot == kSlotSequencer) {
            used = 1;
            ReadSequence(f);
            for (auto& active : ModuleActive) active = 0;
            ModuleActive[slot] = 1;
        } else {
            used = 1;
            ModuleActive[slot] = 1;
            CopyText(r.Path, sizeof r.Path, ProfileText(f, section, "Path", kMaxPathText));
            if (slot == kSlotPlugIn) {
                CopyText(r.PluginPath, sizeof r.PluginPath, ProfileText(f, section, "PluginPath", kMaxPathText));
                if (!LoadPlugin(r.PluginPath)) {  // quietly
                    ModuleActive[slot] = 0;
                    return -1;
                }
            }
            for (int i = 0; i < kControlCount; ++i) {
                if (!r.Defined[i]) continue;
                ResetControlToDefaults(r, i);
                std::optional<std::string> line = f.Get(section, r.ControlName[i]);
                if (!line) continue;
                if (line->size() > kMaxControlLine) line->resize(kMaxControlLine);
                int32_t* fields[5] = {&r.Check[i], &r.Control[i], &r.RangeLo[i], &r.RangeHi[i], &r.Sense[i]};
                ParseInts(*line, fields, 5);
            }
        }
        ClampControls(&r);
    }

    if (palette) {
        SetPaletteDefaults(palette);
        int32_t all = static_cast<int32_t>(ProfileNumber(f, "Palette", "AllEffect", palette->effect[0]));
        for (int c = 0; c < kChannels; ++c) palette->effect[c] = all;
        uint8_t custom[kCustomBytes];
        bool whole = true;
        for (int piece = 0; piece < kCustomPieces && whole; ++piece) {
            std::string text = f.Get("Palette", "Custom" + std::to_string(piece)).value_or(std::string());
            whole = DecodeProfileStruct(text, custom + piece * kPieceBytes, PieceSize(piece));
        }
        if (whole) {
            for (int e = 0; e < kPaletteEntries; ++e) {
                palette->custom[e] = PaletteColor{custom[3 * e], custom[3 * e + 1], custom[3 * e + 2], 1};
            }
        }
        for (int i = 0; i < kPaletteControls; ++i) {
            ResetPaletteControl(*palette, i);
            std::optional<std::string> line = f.Get("Palette", PaletteKeyName(i));
            if (!line) continue;
            if (line->size() > kMaxControlLine) line->resize(kMaxControlLine);
            int32_t* fields[5] = {&palette->Check[i], &palette->Control[i], &palette->RangeLo[i],
                                  &palette->RangeHi[i], &palette->Sense[i]};
            ParseInts(*line, fields, 5);
        }
        static const char* const kEffectKeys[kChannels] = {"RedEffect", "GreenEffect", "BlueEffect"};
        for (int c = 0; c < kChannels; ++c) {
            palette->effect[c] = static_cast<int32_t>(ProfileNumber(f, "Palette", kEffectKeys[c], palette->effect[c]));
        }
    }
    ClearFirst = static_cast<int>(ProfileNumber(f, "Header", "ClearFirst", 1));
    return used;
}

std::string FiveNumbers(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%d %d %d %d %d", a, b, c, d, e);
    return buf;
}

// The text of a display as the current settings describe it.
ProfileFile BuildDisplay() {
    ProfileFile f;
    f.Set("Header", "Magic", std::to_string(kDisplayMagic));
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        if (!ModuleActive[slot]) continue;
        const ModuleRecord& r = ModuleTable[slot];
        std::vector<std::pair<std::string, std::string>> entries;
        entries.emplace_back("Used", "1");
        if (slot == kSlotSequencer) {
            if (!Sequence.items.empty()) {
                entries.emplace_back("SeqItems", std::to_string(Sequence.items.size()));
                entries.emplace_back("OrderedPlay", std::to_string(Sequence.orderedPlay));
                for (size_t i = 0; i < Sequence.items.size(); ++i) {
                    const SequenceItem& item = Sequence.items[i];
                    entries.emplace_back(std::to_string(i),
                                         std::string(item.name, strnlen(item.name, kMaxDisplayName)));
                    entries.emplace_back(std::to_string(i) + "A",
                                         std::to_string(item.seconds) + " " + std::to_string(item.clear));
                }
            }
        } else {
            if (r.Path[0]) entries.emplace_back("Path", std::string(r.Path, strnlen(r.Path, kMaxPathText)));
            if (r.PluginPath[0])
                entries.emplace_back("PluginPath", std::string(r.PluginPath, strnlen(r.PluginPath, kMaxPathText)));
            for (int i = 0; i < kControlCount; ++i) {
                if (!r.Defined[i]) continue;
                if (r.Check[i] == r.CheckDefault[i] && r.Control[i] == r.ControlDefault[i] &&
                    r.RangeLo[i] == r.RangeLoDefault[i] && r.RangeHi[i] == r.RangeHiDefault[i] &&
                    r.Sense[i] == r.SenseDefault[i])
                    continue;
                entries.emplace_back(std::string(r.ControlName[i], strnlen(r.ControlName[i], kMaxControlName)),
                                     FiveNumbers(r.Check[i], r.Control[i], r.RangeLo[i], r.RangeHi[i], r.Sense[i]));
            }
        }
        f.ReplaceSection(SlotName(slot), entries);
    }

    if (const PaletteRecord* p = CurrentPalette()) {
        std::vector<std::pair<std::string, std::string>> entries;
        entries.emplace_back("RedEffect", std::to_string(static_cast<uint32_t>(p->effect[0])));
        entries.emplace_back("GreenEffect", std::to_string(static_cast<uint32_t>(p->effect[1])));
        entries.emplace_back("BlueEffect", std::to_string(static_cast<uint32_t>(p->effect[2])));
        for (int i = 0; i < kPaletteControls; ++i) {
            if (p->Check[i] == p->CheckDefault[i] && p->Control[i] == p->ControlDefault[i] &&
                p->RangeLo[i] == p->RangeLoDefault[i] && p->RangeHi[i] == p->RangeHiDefault[i] &&
                p->Sense[i] == p->SenseDefault[i])
                continue;
            entries.emplace_back(PaletteKeyName(i),
                                 FiveNumbers(p->Check[i], p->Control[i], p->RangeLo[i], p->RangeHi[i], p->Sense[i]));
        }
        f.ReplaceSection("Palette", entries);
        if (p->effect[0] == kEffectCustom || p->effect[1] == kEffectCustom || p->effect[2] == kEffectCustom) {
            uint8_t bytes[kCustomBytes];
            const bool live = LivePaletteSave != 0;
            for (int e = 0; e < kPaletteEntries; ++e) {
                const PaletteColor& c = live ? p->description.entries[e] : p->custom[e];
                bytes[3 * e] = c.red;
                bytes[3 * e + 1] = c.green;
                bytes[3 * e + 2] = c.blue;
            }
            for (int piece = 0; piece < kCustomPieces; ++piece) {
                f.Set("Palette", "Custom" + std::to_string(piece),
                      EncodeProfileStruct(bytes + piece * kPieceBytes, PieceSize(piece)));
            }
        }
    }
    f.Set("Header", "ClearFirst", std::to_string(static_cast<uint32_t>(ClearFirst.load())));
    return f;
}

}  // namespace

int LoadDisplay(const std::string& name) {
    BeginLoading(name);
    struct Done {
        ~Done() { DisplayLoading = 0; }
    } done;
    const std::string path = DisplayPath(name);
    if (!IsRegularFile(path)) return 0;
    ProfileFile f;
    if (!f.Load(path)) return 0;

    if (ProfileNumber(f, "Header", "Magic", 0) == 0) {
        // Not the text form: a binary display from an older version is
        // converted in place; anything else changes nothing.
        std::string active = ReadSettingText("Active", kMaxDisplayName);
        if (ImportLegacyFile(kTestingDisplay, path)) {
            LoadDisplayFromRegistry(kTestingDisplay);
            DeleteSavedTree(kDefaultSettingsKeyName, kTestingDisplay);
            SaveDisplay(name);
        }
        WriteSettingText("Active", active);
        DisplayLoading = 0;
        return 1;
    }

    int used = LoadIniDisplay(f, CurrentPalette());
    if (used < 0) return 0;
    ValidateSources(ConfigurationToolRunning != 0, CurrentPalette());
    return used;
}

int ReadDisplayFile(const std::string& path) {
    ProfileFile f;
    if (!f.Load(path) || ProfileNumber(f, "Header", "Magic", 0) == 0) return 0;
    DisplayLoading = 1;
    struct Done {
        ~Done() { DisplayLoading = 0; }
    } done;
    std::string name = BaseName(path);
    if (const size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    CopyText(CurrentDisplayName, sizeof CurrentDisplayName, name);
    const int used = LoadIniDisplay(f, CurrentPalette());
    if (used < 0) return 0;
    ValidateSources(ConfigurationToolRunning != 0, CurrentPalette());
    return used;
}

bool SaveDisplay(const std::string& name, std::string* error) {
    std::string why;
    if (!IsValidDisplayName(name, &why)) {
        if (error) *error = why;
        return false;
    }
    std::string dir = SavedDisplayDir();
    if (!MakeDirs(dir)) {
        if (error) *error = "cannot create the saved-display folder " + dir;
        return false;
    }
    if (!BuildDisplay().Save(DisplayPath(name), error)) return false;
    WriteSettingText("Active", name);
    return true;
}

bool DeleteDisplay(const std::string& name) {
    std::string path = DisplayPath(name);
    if (path.empty()) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

namespace {

constexpr char kNotADisplay[] = "not a display file (neither a text display nor an older binary one)";

// A text display marks itself with a non-zero [Header] "Magic".
bool IsTextDisplay(const ProfileFile& f) { return ProfileNumber(f, "Header", "Magic", 0) != 0; }

}  // namespace

bool CheckDisplayFile(const std::string& path, std::string* why) {
    auto fail = [&](const std::string& text) {
        if (why) *why = text;
        return false;
    };
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return fail("cannot read " + path + ": " + std::strerror(errno));
    if (IsLegacyDisplayFile(path)) return true;
    ProfileFile f;
    if (std::string error; !f.Load(path, &error)) return fail(error);
    if (!IsTextDisplay(f)) return fail(kNotADisplay);
    if (ProfileNumber(f, SlotName(kSlotPlugIn), "Used", 0) != 0) {
        const std::string plugin = ProfileText(f, SlotName(kSlotPlugIn), "PluginPath", kMaxPathText);
        if (!IsPluginFileName(plugin) || !IsRegularFile(PluginFolder() + "/" + plugin))
            return fail("the display needs the plug-in \"" + plugin + "\", which is not in the plug-in folder " +
                        PluginFolder());
    }
    return true;
}

int ImportDisplayFile(const std::string& path, const std::function<bool(const std::string&)>& confirmOverwrite,
                      std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return 0;
    };
    if (!IsRegularFile(path)) return fail("no such file: " + path);
    // Only a display is taken in (anything else would turn up as an empty
    // display in the list); its plug-in may come later.
    const bool legacy = IsLegacyDisplayFile(path);
    if (ProfileFile f; !legacy && (!f.Load(path) || !IsTextDisplay(f))) return fail(kNotADisplay);
    const std::string name = ImportedDisplayName(path);
    std::string why;
    if (!IsValidDisplayName(name, &why)) return fail(why);
    if (IsRegularFile(DisplayPath(name)) && !(confirmOverwrite && confirmOverwrite(name)))
        return fail("a display named \"" + name + "\" already exists");

    if (legacy) {
        if (std::string why; !ImportLegacyFile(name, path, &why)) return fail(why);
        LoadDisplayFromRegistry(name);
        DeleteSavedTree(kDefaultSettingsKeyName, name);
        if (!SaveDisplay(name, error)) return 0;
        return 1;
    }
    if (!MakeDirs(SavedDisplayDir())) return fail("cannot create the saved-display folder " + SavedDisplayDir());
    if (!CopyFileOver(path, DisplayPath(name), error)) return 0;
    LoadDisplay(name);
    return 1;
}

std::string ImportedDisplayName(const std::string& path) {
    std::string name = BaseName(path);
    if (size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

bool ExportDisplay(const std::string& name, const std::string& target, std::string* error) {
    std::string path = DisplayPath(name);
    if (!IsRegularFile(path)) {
        if (error) *error = "no saved display named \"" + name + "\"";
        return false;
    }
    return CopyFileOver(path, target, error);
}

void CreateDefaultDisplays() {
    int saved[kModuleSlots];
    for (int s = 0; s < kModuleSlots; ++s) saved[s] = ModuleActive[s];
    PaletteRecord* palette = CurrentPalette();
    auto make = [&](int slot, const std::string& name, int r, int g, int b) {
        for (int s = 0; s < kModuleSlots; ++s) ModuleActive[s] = s == slot ? 1 : 0;
        if (palette) {
            SetPaletteDefaults(palette);
            palette->effect[0] = r;
            palette->effect[1] = g;
            palette->effect[2] = b;
        }
        DeleteDisplay(name);
        SaveDisplay(name);
    };
    for (int slot = 0; slot <= kSlotCube; ++slot) {
        make(slot, std::string("[D] ") + SlotName(slot), slot % 4, (slot + 1) % 4, (slot + 2) % 4);
    }
    make(kSlotRandom, kFallbackDisplay, 2, 3, 0);
    for (int s = 0; s < kModuleSlots; ++s) ModuleActive[s] = saved[s];
}

std::string SaveSnapshot() {
    int randomActive = ModuleActive[kSlotRandom];
    ModuleActive[kSlotRandom] = 0;
    static int32_t checks[kModuleSlots][kControlCount];
    for (int s = 0; s < kModuleSlots; ++s) {
        std::memcpy(checks[s], ModuleTable[s].Check, sizeof checks[s]);
        std::memset(ModuleTable[s].Check, 0, sizeof checks[s]);
    }
    std::string name = NextSnapshotName();
    bool ok = SaveDisplay(name);
    if (SoundLinkRecord* link = SoundLink()) link->snapshotRequest = 0;
    LivePaletteSave = 0;
    for (int s = 0; s < kModuleSlots; ++s) std::memcpy(ModuleTable[s].Check, checks[s], sizeof checks[s]);
    ModuleActive[kSlotRandom] = randomActive;
    return ok ? name : std::string();
}

// ---------------------------------------------------------------------------
// The registry form.

namespace {

bool ReadInt(const RegistryData& d, const std::string& key, const std::string& name, int32_t& out) {
    const RegValue* v = d.Find(RegRoot::CurrentUser, key, name);
    if (!v || v->data.size() != 4) return false;
    std::memcpy(&out, v->data.data(), 4);
    return true;
}

std::string ReadText(const RegistryData& d, const std::string& key, const std::string& name, size_t maxChars) {
    const RegValue* v = d.Find(RegRoot::CurrentUser, key, name);
    if (!v) return std::string();
    std::string text = v->data.substr(0, v->data.find('\0'));
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
}

void ConvertOlderPaletteLayout(const RegistryData& d, const std::string& key, PaletteRecord& p) {
    int32_t shifted = 0;
    ReadInt(d, key, "Shifted", shifted);
    static const char* const kColour[kChannels] = {"Red", "Green", "Blue"};
    int32_t together = 0;
    bool hasTogether = ReadInt(d, key, "Together", together);
    for (int c = 0; c < kChannels; ++c) {
        const int direction = PaletteControl(kKindDirection, c);
        const int density = PaletteControl(kKindDensity, c);
        const int scale = PaletteControl(kKindScale, c);
        const int rampDecay = PaletteControl(kKindRampDecay, c);
        if (shifted != 0) {
            int sign = (Rand15() & 1) ? -1 : 1;
            p.RangeLo[direction] = sign * (1 + Rand15() % 3);
        }
        p.RangeLo[density] = p.Check[density];
        p.RangeHi[density] = p.Check[density] + 4;
        p.Check[density] = kCheckRandom;
        std::string colour = kColour[c];
        int32_t source = 0;
        if (ReadInt(d, key, colour + "Source", source) && source >= 2) {
            p.Check[scale] = source;
            ReadInt(d, key, colour + "Scale", p.Control[scale]);
            ReadInt(d, key, colour + "ScaleLo", p.RangeLo[scale]);
            ReadInt(d, key, colour + "ScaleHi", p.RangeHi[scale]);
            ReadInt(d, key, colour + "Sense", p.Sense[scale]);
        }
        p.RangeLo[rampDecay] *= 3;
        if (hasTogether && together != 0) ReadInt(d, key, "AllEffect", p.effect[c]);
    }
}

}  // namespace

int LoadDisplayFromRegistry(const std::string& name) {
    BeginLoading(name);
    struct Done {
        ~Done() { DisplayLoading = 0; }
    } done;
    const RegistryData d = RegSnapshot();
    const std::string base = SettingsKeyPath(kDefaultSettingsKeyName) + "\\Saved\\" + name;
    int result = 0;
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        ModuleRecord& r = ModuleTable[slot];
        const std::string key = base + "\\Modules\\" + SlotName(slot);
        if (!d.KeyExists(RegRoot::CurrentUser, key)) {
            ModuleActive[slot] = 0;
        } else if (slot == kSlotSequencer) {
            result = 1;
            int32_t count = 0;
            ReadInt(d, key, "SeqItems", count);
            if (count <= 0) {
                std::fputc('\a', stderr);
            } else {
                count = std::min(count, 100000);
                int32_t ordered = 0;
                ReadInt(d, key, "OrderedPlay", ordered);
                Sequence.orderedPlay = ordered;
                Sequence.items.assign(static_cast<size_t>(count), SequenceItem{});
                Sequence.position = 0;
                for (int32_t i = 0; i < count; ++i) {
                    SequenceItem& item = Sequence.items[static_cast<size_t>(i)];
                    std::memset(&item, 0, sizeof item);
                    CopyText(item.name, sizeof item.name, ReadText(d, key, std::to_string(i), kMaxDisplayName));
                    int32_t v = 0;
                    if (ReadInt(d, key, "T" + std::to_string(i), v)) item.seconds = static_cast<uint32_t>(v);
                    v = 0;
                    if (ReadInt(d, key, "C" + std::to_string(i), v)) item.clear = static_cast<uint32_t>(v);
                }
            }
            for (auto& active : ModuleActive) active = 0;
            ModuleActive[slot] = 1;
        } else {
            result = 1;
            ModuleActive[slot] = 1;
            CopyText(r.Path, sizeof r.Path, ReadText(d, key, "Path", kMaxPathText));
            CopyText(r.PluginPath, sizeof r.PluginPath, ReadText(d, key, "PluginPath", kMaxPathText));
            if (slot == kSlotPlugIn && !LoadPlugin(r.PluginPath)) {  // quietly
                ModuleActive[slot] = 0;
                return 0;
            }
            for (int i = 0; i < kControlCount; ++i) {
                if (!r.Defined[i]) continue;
                r.Control[i] = r.ControlDefault[i];
                r.RangeLo[i] = r.Min[i];
                r.RangeHi[i] = r.Max[i];
                r.Check[i] = r.CheckDefault[i];
                r.Sense[i] = r.SenseDefault[i];
                if (r.StoreIndex[i] == -1) continue;
                const std::string n = std::to_string(r.StoreIndex[i]);
                ReadInt(d, key, "Control" + n, r.Control[i]);
                ReadInt(d, key, "RangeLo" + n, r.RangeLo[i]);
                ReadInt(d, key, "RangeHi" + n, r.RangeHi[i]);
                ReadInt(d, key, "Check" + n, r.Check[i]);
                ReadInt(d, key, "Sense" + n, r.Sense[i]);
            }
        }
        ClampControls(&r);
    }

    if (PaletteRecord* p = CurrentPalette()) {
        SetPaletteDefaults(p);
        const std::string key = base + "\\Palette";
        if (d.KeyExists(RegRoot::CurrentUser, key)) {
            int32_t all = p->allChannelsEffect;
            ReadInt(d, key, "AllEffect", all);
            p->allChannelsEffect = all;
            for (int c = 0; c < kChannels; ++c) p->effect[c] = all;
            if (const RegValue* v = d.Find(RegRoot::CurrentUser, key, "Custom"); v && v->data.size() == kCustomBytes) {
                const auto* b = reinterpret_cast<const uint8_t*>(v->data.data());
                for (int e = 0; e < kPaletteEntries; ++e) p->custom[e] = PaletteColor{b[3 * e], b[3 * e + 1], b[3 * e + 2], 1};
            }
            static const char* const kEffectKeys[kChannels] = {"RedEffect", "GreenEffect", "BlueEffect"};
            for (int c = 0; c < kChannels; ++c) {
                for (int kind = 0; kind < kPaletteKinds; ++kind) {
                    const int i = PaletteControl(kind, c);
                    // CycleRate carries no colour name: one set for all three.
                    std::string stem = kind == kKindCycleRate ? std::string(PaletteKindName(kind))
                                                              : std::string(ChannelName(c)) + PaletteKindName(kind);
                    ReadInt(d, key, stem, p->Control[i]);
                    ReadInt(d, key, stem + "RangeLo", p->RangeLo[i]);
                    ReadInt(d, key, stem + "RangeHi", p->RangeHi[i]);
                    ReadInt(d, key, stem + "Sense", p->Sense[i]);
                    ReadInt(d, key, stem + "Source", p->Check[i]);
                }
                ReadInt(d, key, kEffectKeys[c], p->effect[c]);
            }
            if (d.Find(RegRoot::CurrentUser, key, "Shifted")) ConvertOlderPaletteLayout(d, key, *p);
        }
    }
    int32_t clear = 0;
    if (d.KeyExists(RegRoot::CurrentUser, base) && ReadInt(d, base, "ClearFirst", clear)) ClearFirst = clear;
    ValidateSources(ConfigurationToolRunning != 0, CurrentPalette());
    return result;
}

void ConvertLegacyRegistry(const std::function<void(const std::string&)>& progress) {
    std::string active = ReadSettingText("Active", kMaxDisplayName);
    const std::string saved = SettingsKeyPath(kDefaultSettingsKeyName) + "\\Saved";
    std::vector<std::string> names = RegSubkeys(RegRoot::CurrentUser, saved);
    if (names.size() > 1000) names.resize(1000);
    for (const std::string& name : names) {
        if (name.size() > kMaxDisplayName || !IsValidDisplayName(name)) continue;
        LoadDisplayFromRegistry(name);
        SaveDisplay(name);
        if (progress) progress("Updating: " + name);
    }
    DeleteKeyTree(RegRoot::CurrentUser, saved);
    WriteSettingText("Active", active);
}

bool EnsureFirstRunDisplays() {
    // Whenever the folder holds no display (not only after setup), so a saver
    // started before setup ever ran still has something to show.
    if (!ListDisplays().empty() || !MakeDirs(SavedDisplayDir())) return false;
    CreateDefaultDisplays();
    return true;
}

void RecordTestRunOwner(const std::string& replacedActive) {
    const uint32_t owner = static_cast<uint32_t>(getpid());
    WriteSetting("TestRunOwner", nullptr, kRegDword, &owner, sizeof owner);
    WriteSettingText("TestRunActive", replacedActive);
}

void ClearTestRunOwner() {
    WriteSetting("TestRunOwner", nullptr, kRegDword, nullptr, 0);
    WriteSetting("TestRunActive", nullptr, kRegSz, nullptr, 0);
}

void RepairAbandonedTestRun() {
    uint32_t owner = 0;
    if (!ReadSetting("TestRunOwner", nullptr, kRegDword, &owner, sizeof owner) || owner == 0) return;
    if (kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM) return;  // still running
    const std::string replaced = ReadSettingText("TestRunActive", kMaxDisplayName);
    DeleteDisplay(kTestingDisplay);
    if (ReadSettingText("Active", kMaxDisplayName) == kTestingDisplay) WriteSettingText("Active", replaced);
    ClearTestRunOwner();
}

void LoadStoredSettings() {
    EnsureFirstRunDisplays();
    RepairAbandonedTestRun();
    if (ProcessDisplay[0]) {
        if (IsRegularFile(DisplayPath(ProcessDisplay)) && LoadDisplay(ProcessDisplay)) {
            LoadGlobalOptions();
            return;
        }
        std::fprintf(stderr, "zentrix: there is no saved display \"%s\"; showing the active display instead\n",
                     ProcessDisplay);
        ProcessDisplay[0] = '\0';
    }
    std::string active = ReadSettingText("Active", kMaxDisplayName);
    if (active.empty() || !LoadDisplay(active)) {
        LoadDisplay(kFallbackDisplay);
        WriteSettingText("Active", kFallbackDisplay);
    }
    LoadGlobalOptions();
}

}  // namespace ztx
