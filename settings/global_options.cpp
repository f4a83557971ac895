#include "settings/global_options.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

GlobalOptions Options;

namespace {

// The options stored as 4-byte binary values, in the order they are read and
// written, with the range each may take. A stored value outside its range
// (a hand-edited or damaged file) is pulled back into it, so that a bad
// "Speed" or "BlankTimeout" can never stall or blank the saver.
struct OptionField {
    const char* name;
    int32_t GlobalOptions::*field;
    int32_t lo, hi;
};
const OptionField kBinaryOptions[] = {
    {"Priority", &GlobalOptions::priority, 32, 128},
    {"Preview", &GlobalOptions::preview, 0, 1},
    {"SlowCPU", &GlobalOptions::slowCPU, 0, 1},
    {"ShowInfo", &GlobalOptions::showInfo, 0, 1},
    {"ShowName", &GlobalOptions::showName, 0, 120},
    {"AutoRun", &GlobalOptions::autoRun, 0, 1},
    {"AutoGain", &GlobalOptions::autoGain, 0, 1},
    {"BlankTimeout", &GlobalOptions::blankTimeout, 0, kBlankNever},
    {"CaptureScale", &GlobalOptions::captureScale, 1, 100},
    {"CaptureTile", &GlobalOptions::captureTile, 0, 1},
    {"HomingRate", &GlobalOptions::homingRate, 0, 1000},
    {"DurationMod", &GlobalOptions::durationMod, -100, 100},
    {"DisableMouse", &GlobalOptions::disableMouse, 0, 1},
    {"FrameRate", &GlobalOptions::frameRate, 1, 240},
};
// The order in which they are saved.
const char* const kSaveOrder[] = {"SlowCPU",      "Priority",     "ShowInfo",   "ShowName",   "Preview",
                                  "AutoRun",      "AutoGain",     "BlankTimeout", "CaptureScale", "CaptureTile",
                                  "HomingRate",   "DurationMod",  "DisableMouse", "FrameRate"};

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

void PublishToLink() {
    if (SoundLinkRecord* r = SoundLink()) {
        r->slowCPU = Options.slowCPU;
        r->autoGain = Options.autoGain;
    }
}

}  // namespace

void ResetGlobalOptions() { Options = GlobalOptions{}; }

void PutSoundOptionDefaults() {
    const GlobalOptions defaults;
    Options.slowCPU = defaults.slowCPU;
    Options.autoGain = defaults.autoGain;
    Options.showInfo = defaults.showInfo;
    Options.showName = defaults.showName;
    Options.autoRun = defaults.autoRun;
    Options.homingRate = defaults.homingRate;
    if (SoundLinkRecord* r = SoundLink()) {
        r->soundForControls = 1;
        r->soundForPalette = 1;
    }
    PublishToLink();
}

bool LoadGlobalOptions() {
    RegistryData reg = RegSnapshot();
    const std::string key = SettingsKeyPath();
    if (reg.KeyExists(RegRoot::CurrentUser, key)) {
        PutSoundOptionDefaults();
        for (const OptionField& f : kBinaryOptions) {
            const RegValue* v = reg.Find(RegRoot::CurrentUser, key, f.name);
            if (!v || v->data.size() != 4) continue;  // missing: keep the value as it is
            int32_t n;
            std::memcpy(&n, v->data.data(), 4);
            Options.*f.field = Clamp(n, f.lo, f.hi);
        }
        // Priority takes one of three classes only.
        if (Options.priority != 32 && Options.priority != 64 && Options.priority != 128) Options.priority = 64;
    }
    PublishToLink();

    // The platform behaves as the NT family: the default unless stored.
    Options.gracePeriod = GlobalOptions{}.gracePeriod;
    if (const RegValue* v = reg.Find(RegRoot::LocalMachine, kWinlogonKey, "ScreenSaverGracePeriod");
        v && v->type == kRegSz) {
        std::string text = v->data.substr(0, v->data.find('\0'));
        if (text.size() <= 31) Options.gracePeriod = Clamp(static_cast<int32_t>(std::atol(text.c_str())), 0, 900);
    }

    bool speedRead = false;
    Options.speed = 0;
    if (const RegValue* v = reg.Find(RegRoot::CurrentUser, key, "Speed"); v && v->data.size() == 4) {
        int32_t n;
        std::memcpy(&n, v->data.data(), 4);
        Options.speed = Clamp(n, 0, 30);
        speedRead = true;
    }
    return speedRead;
}

void SaveGlobalOptions() {
    PublishToLink();
    const std::string key = SettingsKeyPath();
    RegUpdate([&](RegistryData& d) {
        d.CreateKey(RegRoot::CurrentUser, key);
        for (const char* name : kSaveOrder) {
            for (const OptionField& f : kBinaryOptions) {
                if (std::strcmp(f.name, name) != 0) continue;
                int32_t n = Options.*f.field;
                d.Set(RegRoot::CurrentUser, key, name, MakeBinaryValue(&n, 4));
            }
        }
        d.CreateKey(RegRoot::LocalMachine, kWinlogonKey);
        d.Set(RegRoot::LocalMachine, kWinlogonKey, "ScreenSaverGracePeriod",
              MakeTextValue(std::to_string(Options.gracePeriod)));
        d.Set(RegRoot::CurrentUser, key, "Speed", MakeDwordValue(static_cast<uint32_t>(Options.speed)));
        return true;
    });
}

int32_t OptionSlowCPU() {
    SoundLinkRecord* r = SoundLink();
    return r ? r->slowCPU : Options.slowCPU;
}

int32_t OptionAutoGain() {
    SoundLinkRecord* r = SoundLink();
    return r ? r->autoGain : Options.autoGain;
}

}  // namespace ztx
