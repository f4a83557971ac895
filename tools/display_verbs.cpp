// Display verbs of the `ztx` tool: list, show (as text or JSON), import and
// export display files.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/engine_state.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "palette/palette_file.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/legacy_display.h"
#include "settings/profile.h"
#include "settings/settings_key.h"
#include "shell/test_run.h"
#include "soundlink/sound_link.h"
#include "tools/verbs.h"

namespace ztx::tool {

int Fail(int status, const std::string& message) {
    std::fprintf(stderr, "ztx: %s\n", message.c_str());
    return status;
}

void PrepareModuleTable() {
    StartSettingsKey();
    ClearModuleTable();
    if (!CurrentPalette()) CreatePaletteRecord(nullptr);
    SetStoredSettingsLoader(nullptr);
    RegisterModules();
    // A fresh installation shows the first-run displays, as the saver would
    // at its first start; "Active" is left alone unless they were made now.
    std::string active = ReadSettingText("Active", kMaxDisplayName);
    if (EnsureFirstRunDisplays() && !active.empty()) WriteSettingText("Active", active);
}

namespace {

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {
                    // Names are 8-bit text of unknown encoding: keep valid
                    // JSON by reading each byte as Latin-1.
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
        }
    }
    return out + "\"";
}

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

void PrintJson(const std::string& name) {
    std::string o = "{\"name\": " + Json(name) + ", \"clearFirst\": " + std::to_string(ClearFirst.load() ? 1 : 0);
    o += ", \"modules\": [";
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        const ModuleRecord& r = ModuleTable[slot];
        if (slot) o += ", ";
        o += "{\"slot\": " + std::to_string(slot) + ", \"name\": " + Json(SlotName(slot)) +
             ", \"active\": " + (ModuleActive[slot] ? "true" : "false") + ", \"path\": " +
             Json(Field(r.Path, sizeof r.Path)) + ", \"pluginPath\": " + Json(Field(r.PluginPath, sizeof r.PluginPath)) +
             ", \"controls\": [";
        bool first = true;
        for (int i = 0; i < ZTX_CONTROL_COUNT; ++i) {
            if (!r.Defined[i]) continue;
            if (!first) o += ", ";
            first = false;
            o += "{\"slot\": " + std::to_string(i) + ", \"name\": " + Json(Field(r.ControlName[i], 32)) +
                 ", \"storeIndex\": " + std::to_string(r.StoreIndex[i]) + ", \"check\": " + std::to_string(r.Check[i]) +
                 ", \"value\": " + std::to_string(r.Control[i]) + ", \"rangeLo\": " + std::to_string(r.RangeLo[i]) +
                 ", \"rangeHi\": " + std::to_string(r.RangeHi[i]) + ", \"sense\": " + std::to_string(r.Sense[i]) +
                 ", \"min\": " + std::to_string(r.Min[i]) + ", \"max\": " + std::to_string(r.Max[i]) +
                 ", \"animatable\": " + std::to_string(r.Animatable[i] ? 1 : 0) + "}";
        }
        o += "]}";
    }
    o += "], \"sequence\": {\"orderedPlay\": " + std::to_string(Sequence.orderedPlay ? 1 : 0) + ", \"items\": [";
    for (size_t i = 0; i < Sequence.items.size(); ++i) {
        const SequenceItem& item = Sequence.items[i];
        if (i) o += ", ";
        o += "{\"name\": " + Json(Field(item.name, sizeof item.name)) + ", \"seconds\": " + std::to_string(item.seconds) +
             ", \"clear\": " + std::to_string(item.clear ? 1 : 0) + "}";
    }
    o += "]}, \"palette\": {";
    const PaletteRecord* p = CurrentPalette();
    o += "\"effects\": [" + std::to_string(p->effect[0]) + ", " + std::to_string(p->effect[1]) + ", " +
         std::to_string(p->effect[2]) + "], \"controls\": [";
    for (int i = 0; i < kPaletteControls; ++i) {
        if (i) o += ", ";
        o += "{\"index\": " + std::to_string(i) + ", \"name\": " +
             Json(std::string(PaletteKindName(i / kChannels)) + ChannelName(i % kChannels)) +
             ", \"check\": " + std::to_string(p->Check[i]) + ", \"value\": " + std::to_string(p->Control[i]) +
             ", \"rangeLo\": " + std::to_string(p->RangeLo[i]) + ", \"rangeHi\": " + std::to_string(p->RangeHi[i]) +
             ", \"sense\": " + std::to_string(p->Sense[i]) + "}";
    }
    o += "], \"custom\": [";
    for (int e = 0; e < kPaletteEntries; ++e) {
        if (e) o += ", ";
        o += "[" + std::to_string(p->custom[e].red) + ", " + std::to_string(p->custom[e].green) + ", " +
             std::to_string(p->custom[e].blue) + "]";
    }
    o += "]}}\n";
    std::fputs(o.c_str(), stdout);
}

void PrintText(const std::string& name) {
    std::printf("Display: %s\nClear first: %s\n", name.c_str(), ClearFirst ? "yes" : "no");
    for (int slot = 0; slot < kModuleSlots; ++slot) {
        if (!ModuleActive[slot]) continue;
        const ModuleRecord& r = ModuleTable[slot];
        std::printf("\n[%s]\n", SlotName(slot));
        if (r.Path[0]) std::printf("  Path: %s\n", Field(r.Path, sizeof r.Path).c_str());
        if (r.PluginPath[0]) std::printf("  Plug-in: %s\n", Field(r.PluginPath, sizeof r.PluginPath).c_str());
        for (int i = 0; i < ZTX_CONTROL_COUNT; ++i) {
            if (!r.Defined[i]) continue;
            std::printf("  %-24s %6d  source %-9s range %d..%d  sense %d\n", Field(r.ControlName[i], 32).c_str(),
                        r.Control[i], SourceName(r.Check[i]), r.RangeLo[i], r.RangeHi[i], r.Sense[i]);
        }
        if (slot == kSlotSequencer) {
            std::printf("  %s play\n", Sequence.orderedPlay ? "ordered" : "shuffled");
            for (const SequenceItem& item : Sequence.items)
                std::printf("  %-40s %5u s  %s\n", Field(item.name, sizeof item.name).c_str(), item.seconds,
                            item.clear ? "clear" : "");
        }
    }
    const PaletteRecord* p = CurrentPalette();
    std::printf("\n[Palette]\n  effects: red %d, green %d, blue %d\n", p->effect[0], p->effect[1], p->effect[2]);
    for (int i = 0; i < kPaletteControls; ++i) {
        std::printf("  %-24s %6d  source %-9s range %d..%d  sense %d\n",
                    (std::string(PaletteKindName(i / kChannels)) + ChannelName(i % kChannels)).c_str(), p->Control[i],
                    SourceName(p->Check[i]), p->RangeLo[i], p->RangeHi[i], p->Sense[i]);
    }
}

}  // namespace

int Displays(const Args& args) {
    if (!args.empty()) return Fail(2, "usage: ztx displays");
    PrepareModuleTable();
    for (const std::string& name : ListDisplays()) std::printf("%s\n", name.c_str());
    return 0;
}

int Show(const Args& args) {
    bool json = false;
    std::string name, file;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--file" && i + 1 < args.size() && file.empty()) {
            file = args[++i];
        } else if (name.empty() && args[i].rfind("--", 0) != 0) {
            name = args[i];
        } else {
            return Fail(2, "usage: ztx show [--json] NAME | ztx show [--json] --file PATH");
        }
    }
    if (name.empty() == file.empty()) return Fail(2, "usage: ztx show [--json] NAME | ztx show [--json] --file PATH");
    PrepareModuleTable();
    std::string shown = name;
    if (!file.empty()) {
        if (!IsRegularFile(file)) return Fail(1, "no such file: " + file);
        // A file beyond what a display may hold says so (the binary form
        // holds no text lines and loads either way).
        std::string why;
        int loaded = 0;
        if (IsLegacyDisplayFile(file)) {
            // The binary form is converted through the settings, as a test
            // run does.
            TestRun run = BeginTestRun(file);
            if (!run.active) return Fail(1, run.error);
            loaded = LoadDisplay(kTestingDisplay);
            EndTestRun(run);
        } else {
            if (ProfileFile f; !f.Load(file, &why)) return Fail(1, why);
            loaded = ReadDisplayFile(file);  // read only: nothing shared is touched
        }
        if (!loaded) return Fail(1, "the file " + file + " holds no display");
        shown = BaseName(file);
        if (size_t dot = shown.find_last_of('.'); dot != std::string::npos && dot > 0) shown.resize(dot);
    } else {
        std::string why;
        if (!IsValidDisplayName(name, &why)) return Fail(1, why);
        if (!IsRegularFile(DisplayPath(name))) return Fail(1, "no saved display named \"" + name + "\"");
        if (!LoadDisplay(name)) return Fail(1, "the display \"" + name + "\" could not be loaded");
    }
    if (json)
        PrintJson(shown);
    else
        PrintText(shown);
    return 0;
}

int Import(const Args& args) {
    bool yes = false;
    Args files;
    for (const std::string& a : args) {
        if (a == "--yes" || a == "-y")
            yes = true;
        else
            files.push_back(a);
    }
    if (files.empty()) return Fail(2, "usage: ztx import [--yes] PATH...");
    PrepareModuleTable();
    int status = 0;
    for (const std::string& path : files) {
        std::string error;
        auto confirm = [&](const std::string&) { return yes; };
        if (ImportDisplayFile(path, confirm, &error)) {
            std::string name = BaseName(path);
            if (size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
            std::printf("imported \"%s\"\n", name.c_str());
        } else {
            status = Fail(1, path + ": " + error + (error.find("already exists") != std::string::npos
                                                         ? " (use --yes to overwrite it)"
                                                         : ""));
        }
    }
    return status;
}

int Export(const Args& args) {
    if (args.size() != 2) return Fail(2, "usage: ztx export NAME PATH");
    std::string error;
    if (!ExportDisplay(args[0], args[1], &error)) return Fail(1, error);
    return 0;
}

int Palette(const Args& args) {
    if (args.size() == 2 && args[0] == "show") {
        PaletteColor colors[kPaletteEntries];
        std::string error;
        if (!ReadPaletteFile(args[1], colors, &error)) return Fail(1, args[1] + ": " + error);
        for (const PaletteColor& c : colors) std::printf("%d %d %d\n", c.red, c.green, c.blue);
        return 0;
    }
    if (args.size() == 3 && args[0] == "convert") {
        PaletteColor colors[kPaletteEntries];
        std::string error;
        if (!ReadPaletteFile(args[1], colors, &error)) return Fail(1, args[1] + ": " + error);
        if (!WritePaletteFile(args[2], colors, &error)) return Fail(1, error);
        return 0;
    }
    return Fail(2, "usage: ztx palette show FILE.PAL | ztx palette convert IN OUT");
}

}  // namespace ztx::tool
