// Setup: installs Zentrix for the current user from a package folder (the
// folder the running setup program is in: a build folder, an unpacked
// release archive, or an installed copy's bin folder with its data under
// ../share/zentrix). The wizard (setup/ui) and the unattended mode both
// fill a SetupChoices and call RunInstall, which does every step of the
// installation in order and reports its progress through SetupHost.
//
// Where things go (the XDG folders; see platform/folders.h): the saver and
// its helpers to ~/.local/bin, the uninstaller, documents and displays to
// the installation folder, the help pages to its "system" folder, desktop
// entries to the menu, desktop and autostart folders, the settings and the
// uninstall entry to the registry file, the default saver to
// ~/.xscreensaver.
#pragma once
#include <functional>
#include <string>

namespace ztx {

// Where the package's files are.
struct PackageFolder {
    std::string programDir;  // zentrix, ztx, zentrix-uninstall, launcher, analyser
    std::string program;     // the saver program to install (the running one)
    std::string dataDir;     // presets/, help/, ReadMe.TXT, License.TXT, Slogan.TXT
    std::string pluginDir;   // example plug-ins (*.so)
};
// The package around the setup program at `setupPath`.
PackageFolder FindPackageFolder(const std::string& setupPath);

// The wizard's state, with the design's initial values.
struct SetupChoices {
    std::string installDir;
    bool addLauncher = true;
    bool configOnDesktop = true;
    bool loadPresets = true;
    bool savedOnDesktop = false;
    bool makeDefaultSaver = true;
    bool default256Colours = true;
    bool installCompanion = true;
    bool companionDefaultCd = true;
    bool companionDefaultMedia = true;
    std::string companionDir;
};

// What the pages show when they first appear: the stored installation
// folder (or the default one), the analyser's folder, and which boxes are
// available.
struct SetupStart {
    SetupChoices choices;
    bool presetsAvailable = false;    // "Load Preset Displays": only over an earlier installation
    bool launcherInPackage = false;   // the task-bar launcher box
    bool companionInPackage = false;  // the analyser page; without it every box is off and disabled
};
SetupStart InitialSetup(const PackageFolder& package);

// Leaving a directory page: creates the folder (with its parents) and says
// whether it is a usable folder now. Relative paths are refused.
bool PrepareDirectory(const std::string& dir);

// The slogan stored from "Slogan.TXT": its first 256 bytes up to the first
// character below the space or above "z".
std::string SloganFromFile(const std::string& contents);

// The wizard's side of the installation.
struct SetupHost {
    // Progress text and bar position (0..100); null for none.
    std::function<void(const std::string& text, int percent)> progress;
    // "Close old versions": shown once when the saver cannot be replaced;
    // returns when the user has pressed OK.
    std::function<void()> closeOldVersions;
};

enum class InstallResult {
    Done,
    SaverNotCopied,  // the saver could not be installed: "Install Problem..."
};

// Runs the installation (Install button, steps 1 to 18).
InstallResult RunInstall(const PackageFolder& package, const SetupChoices& choices, const SetupHost& host);

// Texts of the wizard and of the unattended run.
constexpr char kInstallProblemText[] =
    "Unable to install. Please check to make sure that you have enough disk space (about 1MB).";
constexpr char kInstallProblemCaption[] = "Install Problem...";
constexpr char kCloseOldVersionsText[] =
    "Please close any old versions of the Zentrical Screen Saver that might be running and then press OK to "
    "continue";
constexpr char kCloseOldVersionsCaption[] = "Close old versions";
constexpr char kInvalidDirectoryText[] = "Invalid directory name!";

// Setup without windows (--unattended, --yes): the initial choices, progress
// on standard output. Returns the process status (0 done, 1 failed).
int RunUnattendedSetup(const std::string& setupPath);

// The configuration tool's command line, started from the last page.
std::string ConfigureCommand();

}  // namespace ztx
