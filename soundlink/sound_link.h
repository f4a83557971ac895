// The sound link: one block of shared memory, 5172 bytes, shared by every
// running instance of the program and by the companion sound analyser. The
// analyser writes levels, a live flag and track information; the program
// keeps its cross-instance counters, option switches and requests here.
//
// The byte layout is fixed (the analyser maps the same block), so every field
// sits at its fixed offset. Several of those offsets are not multiples of 4,
// so number fields are `Unaligned` words: they read and write by value and
// can never be bound to a misaligned reference. Fields are read and written
// whole, without locks; several processes use them at once, which is why they
// are plain words and not std::atomic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ztx {

constexpr uint32_t kSoundLinkSize = 5172;
constexpr uint32_t kSoundLinkLayout = 8;
// The design's section belongs to one logon session: each user has a block
// of their own, named this followed by "-" and the user's numeric id.
constexpr char kSoundLinkDefaultName[] = "/ZSSTNWLSharedFileMappingQXVB";
// Environment variable that names another block (tests, parallel instances).
constexpr char kSoundLinkNameVariable[] = "ZENTRIX_SOUNDLINK";

// This program's version, published in the block and in the registry.
constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 0;
constexpr int kVersionBuild = 1230;

// The analyser's registry key: under HKEY_CURRENT_USER its "Current Version"
// (major * 65536 + minor) and "Build", under HKEY_LOCAL_MACHINE its program
// path as the default value.
constexpr char kCompanionKey[] = "Software\\Tonewell Pro";

// A number stored at any byte offset: converts to and from its value.
template <typename T>
struct Unaligned {
    unsigned char bytes[sizeof(T)];
    operator T() const {
        T v;
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }
    Unaligned& operator=(T v) {
        std::memcpy(bytes, &v, sizeof v);
        return *this;
    }
    Unaligned& operator+=(T d) { return *this = static_cast<T>(static_cast<T>(*this) + d); }
    Unaligned& operator-=(T d) { return *this = static_cast<T>(static_cast<T>(*this) - d); }
    Unaligned& operator++() { return *this += 1; }
    Unaligned& operator--() { return *this -= 1; }
};
using U16 = Unaligned<uint16_t>;
using U32 = Unaligned<uint32_t>;
using I32 = Unaligned<int32_t>;
using F32 = Unaligned<float>;

#pragma pack(push, 1)
struct SoundLinkRecord {
    U32 recordSize;            // 0: 5172
    U32 layoutVersion;         // 4: 8
    uint8_t unused8[4];        // 8
    F32 leftLevel;             // 12 (analyser)
    F32 rightLevel;            // 16 (analyser)
    F32 levelScale;            // 20 full scale of left/right/volume without automatic gain
    U32 gainDivisor;           // 24 divisor of left/right/volume with automatic gain
    I32 stepValue;             // 28 1..20, F11 lowers, F12 raises
    F32 bandScale;             // 32 full scale of the bands without automatic gain
    uint8_t unused36[64];      // 36
    F32 bands1[16];            // 100 band levels, first set
    F32 bands2[16];            // 164 band levels, second set
    uint8_t unused228[8];      // 228
    char infoShownSecond[64];  // 236 information line shown second
    char infoShownFirst[64];   // 300 information line shown first; empty: none
    char infoShownThird[64];   // 364 information line shown third
    U32 infoChangeCount;       // 428
    uint8_t unused432[8];      // 432
    U16 companionMajor;        // 440
    U16 companionMinor;        // 442
    uint8_t unused444[2];      // 444
    U16 programMajor;          // 446: 4
    U16 programMinor;          // 448: 0
    U16 programBuild;          // 450: 1230
    uint8_t unused452[6];      // 452
    I32 saverWindows;          // 458 open saver windows
    I32 paletteUsesSound;      // 462 indicator
    I32 controlsUseSound;      // 466 indicator
    I32 soundForPalette;       // 470 switch, set to 1 when options load
    I32 soundForControls;      // 474 switch, set to 1 when options load
    I32 textBoxWindows;        // 478 full-size windows with on-screen text
    I32 autoGain;              // 482 option "AutoGain"
    uint8_t unused486[266];    // 486
    I32 slowCPU;               // 752 option "SlowCPU" ("Turbo Mode")
    I32 companionLive;         // 756 the analyser is delivering levels
    I32 openInstances;         // 760 saver windows and configuration dialogs
    char currentDisplay[260];  // 764 name of the display last loaded
    I32 restartRequest;        // 1024
    I32 snapshotRequest;       // 1028
    I32 arrowLeftRight;        // 1032
    U16 lastDigit;             // 1036
    I32 arrowUpDown;           // 1038
    I32 companionEndNotice;    // 1042
    I32 captureFullRequest;    // 1046 capture at 100 %
    I32 wallpaperRequest;      // 1050
    I32 captureScaledRequest;  // 1054 capture at "CaptureScale"
    uint8_t unused1058[4114];  // 1058
};
#pragma pack(pop)

static_assert(sizeof(SoundLinkRecord) == kSoundLinkSize);
static_assert(offsetof(SoundLinkRecord, leftLevel) == 12);
static_assert(offsetof(SoundLinkRecord, gainDivisor) == 24);
static_assert(offsetof(SoundLinkRecord, stepValue) == 28);
static_assert(offsetof(SoundLinkRecord, bandScale) == 32);
static_assert(offsetof(SoundLinkRecord, bands1) == 100);
static_assert(offsetof(SoundLinkRecord, bands2) == 164);
static_assert(offsetof(SoundLinkRecord, infoShownSecond) == 236);
static_assert(offsetof(SoundLinkRecord, infoShownFirst) == 300);
static_assert(offsetof(SoundLinkRecord, infoShownThird) == 364);
static_assert(offsetof(SoundLinkRecord, infoChangeCount) == 428);
static_assert(offsetof(SoundLinkRecord, companionMajor) == 440);
static_assert(offsetof(SoundLinkRecord, companionMinor) == 442);
static_assert(offsetof(SoundLinkRecord, programMajor) == 446);
static_assert(offsetof(SoundLinkRecord, programMinor) == 448);
static_assert(offsetof(SoundLinkRecord, programBuild) == 450);
static_assert(offsetof(SoundLinkRecord, saverWindows) == 458);
static_assert(offsetof(SoundLinkRecord, paletteUsesSound) == 462);
static_assert(offsetof(SoundLinkRecord, controlsUseSound) == 466);
static_assert(offsetof(SoundLinkRecord, soundForPalette) == 470);
static_assert(offsetof(SoundLinkRecord, soundForControls) == 474);
static_assert(offsetof(SoundLinkRecord, textBoxWindows) == 478);
static_assert(offsetof(SoundLinkRecord, autoGain) == 482);
static_assert(offsetof(SoundLinkRecord, slowCPU) == 752);
static_assert(offsetof(SoundLinkRecord, companionLive) == 756);
static_assert(offsetof(SoundLinkRecord, openInstances) == 760);
static_assert(offsetof(SoundLinkRecord, currentDisplay) == 764);
static_assert(offsetof(SoundLinkRecord, restartRequest) == 1024);
static_assert(offsetof(SoundLinkRecord, snapshotRequest) == 1028);
static_assert(offsetof(SoundLinkRecord, arrowLeftRight) == 1032);
static_assert(offsetof(SoundLinkRecord, lastDigit) == 1036);
static_assert(offsetof(SoundLinkRecord, arrowUpDown) == 1038);
static_assert(offsetof(SoundLinkRecord, companionEndNotice) == 1042);
static_assert(offsetof(SoundLinkRecord, captureFullRequest) == 1046);
static_assert(offsetof(SoundLinkRecord, wallpaperRequest) == 1050);
static_assert(offsetof(SoundLinkRecord, captureScaledRequest) == 1054);

// The name of the block: ZENTRIX_SOUNDLINK when set (with a leading "/"
// added when missing), else the fixed name the analyser knows.
std::string SoundLinkName();

// Who maps the block. The program writes its version words and clears the
// counters of instances that have gone; the analyser (zentrix-listen) writes
// neither: it only creates a missing block with its header, checks an
// existing one the same way, and takes part in the block's lifetime.
enum class SoundLinkUser { Program, Analyser };

// Maps the block, creating and initialising it when it does not exist.
// Returns nullptr when it cannot be created or mapped, when it belongs to
// another user or others may write it, or when an existing block has
// another size or layout version (a message on standard error says
// which block and why). The first successful call also makes the record the
// process's current link (`SoundLink()`).
SoundLinkRecord* OpenSoundLink(SoundLinkUser user = SoundLinkUser::Program);
// Unmaps the block; the current link becomes none when it was this one. The
// last mapping of any process to close removes the block's name, so nothing
// stays behind in /dev/shm.
void CloseSoundLink(SoundLinkRecord* record);
// The process's current link, or nullptr when none is open.
SoundLinkRecord* SoundLink();

// The analyser's "Current Version" (major * 65536 + minor), 0 when absent;
// `build` receives the low 16 bits of its "Build" when asked for.
uint32_t CompanionVersion(uint32_t* build = nullptr);
// The status line of the sound page.
std::string SoundStatusText();
// Starts the analyser from its registered program path. From the saver
// (`fromSaver` true) it runs with " /PPLAY" and only for a full-screen
// window (`fullScreen`). Returns true when a program was started.
bool LaunchCompanion(bool fromSaver, bool fullScreen);
// The names a Source list offers, in source-code order: "Set", "Random", and
// for animatable controls also "Oscillate", "Volume", "Left", "Right" and
// the sixteen band names.
std::vector<std::string> SourceListNames(bool animatable);
// The name of one source code 0..21 ("" when out of range).
const char* SourceName(int code);

}  // namespace ztx
