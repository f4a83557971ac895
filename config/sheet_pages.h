// What the configuration sheet shows, as data: its 30 pages in their fixed
// order (title, kind, module slot, help topic), the sheet's caption, the
// help topics and where their pages live, and the fixed texts of the main,
// auxiliary and plug-in pages. The Qt pages (config/ui) only lay these out.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace ztx {

// The kind of page, which decides the widgets it gets.
enum class PageKind { Module, SlideShow, Palette, CustomPalette, Sound, Main, Auxiliary, EditDisplays, VideoMode, Sequencer };

// Help topic codes; kHelpContents opens the help's contents.
enum HelpTopic : int {
    kHelpSound = 512,
    kHelpMain = 513,
    kHelpPalette = 514,
    kHelpVideoMode = 515,
    kHelpCustomPalette = 516,
    kHelpAuxiliary = 517,
    kHelpEditDisplays = 518,
    kHelpModules = 519,
    kHelpSetup = 520,
    kHelpContents = -1,
};

struct SheetPage {
    const char* title;
    PageKind kind;
    int slot;       // the module slot the page edits; -1 for none
    int helpTopic;  // what its "Help" button opens
};

constexpr int kSheetPageCount = 30;
constexpr int kMainSettingsPage = 25;

// The pages in sheet order.
const SheetPage& SheetPageAt(int index);
// The page with that title (compared without regard to case), or -1.
int SheetPageByTitle(std::string_view title);
// The page the sheet opens on: the one ZENTRIX_CONFIG_PAGE names when it
// names one, else "Main Settings". `unknown` receives a note for the user
// when the variable names no page.
int StartPage(std::string* unknown);

// "Zentrix v4.0.1230", with " w/Tonewell Pro v<major>.<minor>" when the
// analyser has published a non-zero major version.
std::string SheetCaption(int companionMajor, int companionMinor);

// The help page's anchor for a topic ("topic-512", "contents").
std::string HelpAnchor(int topic);
// The installed help page (system/help/index.html of the installation),
// or, before setup has run, the one beside the program; "" when neither
// exists.
std::string HelpFile(const std::string& programPath);

// The number box of the blank-timeout slider: the minutes, "N/A" at its top.
std::string BlankTimeoutText(int minutes);

// The colour-mode note of the main page for a stored video mode of
// `storedBits` bits per pixel (0: none stored). This program's presenter
// animates the palette on every display, so without a stored mode the
// screen counts as a 256-colour one.
std::string ColorModeNote(int storedBits);
// Bits per pixel of the stored "DisplayMode" record, 0 when none is stored.
int StoredModeBits();


// Shown on the plug-in page when the plug-in folder holds no library.
constexpr char kNoPluginsText[] =
    "There are no Plug-In Modules installed.\n\nYou can find out more about Plug-In Modules (including\n"
    "where to download them and how to develop your own)\nin the help file.";

}  // namespace ztx
