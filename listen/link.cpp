#include "listen/link.h"

#include <algorithm>
#include <cstring>

#include "render/text.h"
#include "settings/registry.h"

namespace ztx::listen {

namespace {

constexpr float kSensitivityStepDb = 2, kSensitivityLimitDb = 30;
constexpr float kTiltStepDb = 1, kTiltLimitDb = 6;
constexpr float kReleaseStepMs = 25, kHoldStepMs = 150;

// Decodes one UTF-8 sequence at `i` (advancing it); -1 for a broken one.
int32_t NextCodePoint(std::string_view s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = byte(i++);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead >= 0xF8) return -1;
    int32_t cp = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (byte(i) & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (byte(i++) & 0x3F);
    }
    return cp;
}

char Cp1252Byte(int32_t cp) {
    if (cp < 0) return '?';
    if (cp < 0x20 || cp == 0x7F) return ' ';
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int b = 0x80; b < 0xA0; ++b)
        if (Cp1252ToUnicode(static_cast<uint8_t>(b)) == static_cast<uint32_t>(cp)) return static_cast<char>(b);
    return '?';
}

// Writes `text` into a 64-byte line when it differs; true when it did.
bool WriteLine(char (&line)[64], const std::string& text) {
    const std::string cut = text.substr(0, sizeof line - 1);
    if (std::strncmp(line, cut.c_str(), sizeof line) == 0) return false;
    std::memset(line, 0, sizeof line);
    std::memcpy(line, cut.data(), cut.size());
    return true;
}

}  // namespace

void PublishLevels(SoundLinkRecord& link, const Levels& levels) {
    link.leftLevel = levels.left;
    link.rightLevel = levels.right;
    link.levelScale = levels.levelScale;
    link.gainDivisor = levels.gainDivisor;
    link.bandScale = levels.bandScale;
    for (int k = 0; k < kBandCount; ++k) {
        link.bands1[k] = levels.bands1[k];
        link.bands2[k] = levels.bands2[k];
    }
}

void PublishLive(SoundLinkRecord& link, bool live) {
    if (live) {
        link.companionMajor = kAnalyserMajor;
        link.companionMinor = kAnalyserMinor;
    }
    link.companionLive = live ? 1 : 0;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) out += Cp1252Byte(NextCodePoint(utf8, i));
    return out;
}

bool PublishInfo(SoundLinkRecord& link, const TrackInfo& info) {
    bool changed = WriteLine(link.infoShownFirst, Utf8ToCp1252(info.title));
    changed |= WriteLine(link.infoShownSecond, Utf8ToCp1252(info.artist));
    changed |= WriteLine(link.infoShownThird, Utf8ToCp1252(info.album));
    if (changed) ++link.infoChangeCount;
    return changed;
}

KeyReader::KeyReader(const SoundLinkRecord& link) : upDown_(link.arrowUpDown), leftRight_(link.arrowLeftRight) {}

Tuning KeyReader::Update(const SoundLinkRecord& link) {
    const int32_t upDown = link.arrowUpDown, leftRight = link.arrowLeftRight;
    tuning_.sensitivityDb = std::clamp(tuning_.sensitivityDb + kSensitivityStepDb * static_cast<float>(upDown - upDown_),
                                       -kSensitivityLimitDb, kSensitivityLimitDb);
    tuning_.tiltDbPerOctave = std::clamp(tuning_.tiltDbPerOctave + kTiltStepDb * static_cast<float>(leftRight - leftRight_),
                                         -kTiltLimitDb, kTiltLimitDb);
    upDown_ = upDown;
    leftRight_ = leftRight;
    // The step is 0 until F11 or F12 is first pressed: then the default holds.
    const int32_t step = link.stepValue;
    if (step >= 1 && step <= 20) tuning_.releaseMs = kReleaseStepMs * static_cast<float>(step);
    const uint16_t digit = link.lastDigit;
    tuning_.holdMs = kHoldStepMs * static_cast<float>(std::min<uint16_t>(digit, 9) + 1);
    return tuning_;
}

bool SaverRunEnded(const SoundLinkRecord& link) { return link.companionEndNotice != 0; }

bool RegisterAnalyser(const std::string& programPath) {
    const std::string line = programPath.find(' ') == std::string::npos ? programPath : "\"" + programPath + "\"";
    return RegWriteDword(RegRoot::CurrentUser, kCompanionKey, "Current Version",
                         static_cast<uint32_t>(kAnalyserMajor) * 65536u + kAnalyserMinor) &&
           RegWriteDword(RegRoot::CurrentUser, kCompanionKey, "Build", kAnalyserBuild) &&
           RegWriteText(RegRoot::LocalMachine, kCompanionKey, "", line);
}

}  // namespace ztx::listen
