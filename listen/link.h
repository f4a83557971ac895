// What zentrix-listen exchanges with the saver: it writes only the block
// fields that belong to the analyser (levels, scales, gain divisor, both band
// sets, the live flag, its version words, the three information lines and
// their change count), reads the keys the saver forwards, and registers
// itself under the analyser's registry key so the saver can find and start
// it. No sound server and no D-Bus here: tests drive all of it directly.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "listen/analysis.h"
#include "soundlink/sound_link.h"

namespace ztx::listen {

// The analyser version the saver works with, and this analyser's build.
constexpr uint16_t kAnalyserMajor = 3;
constexpr uint16_t kAnalyserMinor = 5;
constexpr uint32_t kAnalyserBuild = 1;

void PublishLevels(SoundLinkRecord& link, const Levels& levels);
// Sets or clears the live flag; setting it also writes the version words.
void PublishLive(SoundLinkRecord& link, bool live);

// What is playing, as the desktop's media player reports it (UTF-8).
struct TrackInfo {
    std::string title, artist, album;
};
// Writes title, artist and album as the lines shown first, second and third
// (Windows-1252, cut to 63 bytes) and raises the change count, when they
// differ from what the block holds. True when they did.
bool PublishInfo(SoundLinkRecord& link, const TrackInfo& info);
// UTF-8 to the saver's text code page: characters it lacks and broken
// sequences become "?", control characters spaces.
std::string Utf8ToCp1252(std::string_view utf8);

// The keys the saver forwards: F11/F12 set the release (the step times
// 25 ms), Up/Down the sensitivity (2 dB a press), Left/Right the tilt
// (1 dB per octave a press), the digits the hold of the second band set
// ((digit + 1) times 150 ms). Arrow presses count from the analyser's start.
class KeyReader {
public:
    explicit KeyReader(const SoundLinkRecord& link);
    // The tuning after the presses since the last call.
    Tuning Update(const SoundLinkRecord& link);

private:
    int32_t upDown_, leftRight_;
    Tuning tuning_;
};

// True once a saver that started this analyser (with "/PPLAY") has ended its run.
bool SaverRunEnded(const SoundLinkRecord& link);

// Registers the analyser: version 3.5 and its build for the status line,
// `programPath` for "Launch" and "AutoRun". False when the settings file
// could not be written.
bool RegisterAnalyser(const std::string& programPath);

}  // namespace ztx::listen
