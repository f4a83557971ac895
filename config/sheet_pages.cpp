#include "config/sheet_pages.h"

#include <cstdio>
#include <cstdlib>

#include "platform/files.h"
#include "platform/folders.h"
#include "settings/settings_key.h"

namespace ztx {

namespace {

constexpr SheetPage kPages[kSheetPageCount] = {
    {"Bezier", PageKind::Module, 0, kHelpModules},
    {"Cyclic", PageKind::Module, 1, kHelpModules},
    {"Pattern", PageKind::Module, 2, kHelpModules},
    {"Plasma", PageKind::Module, 3, kHelpModules},
    {"Polygon", PageKind::Module, 4, kHelpModules},
    {"Sphere", PageKind::Module, 5, kHelpModules},
    {"Stain", PageKind::Module, 6, kHelpModules},
    {"Star", PageKind::Module, 7, kHelpModules},
    {"Vortex", PageKind::Module, 8, kHelpModules},
    {"Ray", PageKind::Module, 9, kHelpModules},
    {"Whip", PageKind::Module, 10, kHelpModules},
    {"Effect", PageKind::Module, 18, kHelpModules},
    {"Flow", PageKind::Module, 11, kHelpModules},
    {"Random", PageKind::Module, 22, kHelpModules},
    {"Slide Show", PageKind::SlideShow, 19, kHelpModules},
    {"Line", PageKind::Module, 12, kHelpModules},
    {"Squiggle", PageKind::Module, 13, kHelpModules},
    {"Plug-In", PageKind::Module, 20, kHelpModules},
    {"Wave", PageKind::Module, 14, kHelpModules},
    {"Wander", PageKind::Module, 15, kHelpModules},
    {"Wipe", PageKind::Module, 17, kHelpModules},
    {"Cube", PageKind::Module, 16, kHelpModules},
    {"Palette", PageKind::Palette, -1, kHelpPalette},
    {"Custom", PageKind::CustomPalette, -1, kHelpCustomPalette},
    {"Sound", PageKind::Sound, -1, kHelpSound},
    {"Main Settings", PageKind::Main, -1, kHelpContents},
    {"Auxiliary Settings", PageKind::Auxiliary, -1, kHelpAuxiliary},
    {"Edit Displays", PageKind::EditDisplays, -1, kHelpEditDisplays},
    {"Video Mode", PageKind::VideoMode, -1, kHelpVideoMode},
    {"Sequencer", PageKind::Sequencer, 21, kHelpEditDisplays},
};

// Where the bits per pixel sit in the stored 156-byte display-mode record.
constexpr size_t kModeBitsOffset = 104;
constexpr size_t kModeRecordSize = 156;

}  // namespace

const SheetPage& SheetPageAt(int index) { return kPages[index]; }

int SheetPageByTitle(std::string_view title) {
    for (int i = 0; i < kSheetPageCount; ++i) {
        if (EqualsNoCase(title, kPages[i].title)) return i;
    }
    return -1;
}

int StartPage(std::string* unknown) {
    const char* wanted = std::getenv("ZENTRIX_CONFIG_PAGE");
    if (!wanted || !*wanted) return kMainSettingsPage;
    const int page = SheetPageByTitle(wanted);
    if (page >= 0) return page;
    if (unknown) *unknown = std::string("ZENTRIX_CONFIG_PAGE names no page (\"") + wanted + "\"); opening \"" +
                            kPages[kMainSettingsPage].title + "\"";
    return kMainSettingsPage;
}

std::string SheetCaption(int companionMajor, int companionMinor) {
    std::string caption = "Zentrix v4.0.1230";
    if (companionMajor != 0)
        caption += " w/Tonewell Pro v" + std::to_string(companionMajor) + "." + std::to_string(companionMinor);
    return caption;
}

std::string HelpAnchor(int topic) {
    if (topic < kHelpSound || topic > kHelpSetup) return "contents";
    return "topic-" + std::to_string(topic);
}

std::string HelpFile(const std::string& programPath) {
    // Setup's copy, then the build folder's, then a system-wide installation
    // (<prefix>/bin beside <prefix>/share/zentrix).
    const std::string programDir = DirName(programPath);
    for (const std::string& path : {SystemDir() + "/help/index.html", programDir + "/help/index.html",
                                    programDir + "/../share/zentrix/help/index.html"}) {
        if (IsRegularFile(path)) return path;
    }
    return "";
}

std::string BlankTimeoutText(int minutes) { return minutes >= 241 ? "N/A" : std::to_string(minutes); }

std::string ColorModeNote(int storedBits) {
    const int bits = storedBits > 0 ? storedBits : 8;
    // Counted in 64 bits: a 32-bit mode has 4294967296 colours, not 1.
    const unsigned long long colors = bits >= 64 ? 0ull : 1ull << bits;
    if (colors == 256) return "Zentrix is configured to take advantage of all video mode related features.";
    char text[400];
    std::snprintf(text, sizeof text,
                  "Zentrix is set to run in a %llu color video mode.  Many animation features are only available "
                  "in 256 color video modes.  To change the video mode that the screen saver uses, see the 'Video "
                  "Mode' panel.  For more information about video modes, please consult the documentation.",
                  colors);
    return text;
}

int StoredModeBits() {
    unsigned char mode[kModeRecordSize];
    if (!ReadSetting("DisplayMode", nullptr, kRegBinary, mode, sizeof mode)) return 0;
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | mode[kModeBitsOffset + i];
    return bits > 0 && bits <= 32 ? static_cast<int>(bits) : 0;
}

}  // namespace ztx
