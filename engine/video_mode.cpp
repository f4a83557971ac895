#include "engine/video_mode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/process_state.h"
#include "settings/registry.h"
#include "settings/settings_key.h"

namespace ztx {

namespace {

// Offsets in the display-mode record.
constexpr size_t kSizeField = 36;
constexpr size_t kFieldsField = 40;
constexpr size_t kBitsField = 104;
constexpr size_t kWidthField = 108;
constexpr size_t kHeightField = 112;
constexpr size_t kFrequencyField = 120;
// The fields the record fills in: bits per pixel, width, height, frequency.
constexpr uint32_t kFieldsUsed = 0x00040000u | 0x00080000u | 0x00100000u | 0x00400000u;
constexpr int kLargestScreen = 16384;

void Put32(std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
int Get32(std::string_view b, size_t at) {
    int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

}  // namespace

std::string EncodeDisplayMode(const VideoMode& mode) {
    std::string b(kDisplayModeRecordSize, '\0');
    const uint16_t size = kDisplayModeRecordSize;
    std::memcpy(b.data() + kSizeField, &size, 2);
    Put32(b, kFieldsField, kFieldsUsed);
    Put32(b, kBitsField, static_cast<uint32_t>(mode.bitsPerPixel));
    Put32(b, kWidthField, static_cast<uint32_t>(mode.width));
    Put32(b, kHeightField, static_cast<uint32_t>(mode.height));
    Put32(b, kFrequencyField, static_cast<uint32_t>(mode.frequency));
    return b;
}

std::optional<VideoMode> DecodeDisplayMode(std::string_view record) {
    if (record.size() < kFrequencyField + 4) return std::nullopt;
    VideoMode m{.bitsPerPixel = Get32(record, kBitsField),
                .width = Get32(record, kWidthField),
                .height = Get32(record, kHeightField),
                .frequency = Get32(record, kFrequencyField)};
    if (m.width < 1 || m.width > kLargestScreen || m.height < 1 || m.height > kLargestScreen) return std::nullopt;
    return m;
}

std::optional<VideoMode> StoredVideoMode() {
    std::string record(kDisplayModeRecordSize, '\0');
    if (!ReadSetting("DisplayMode", SettingsKeyName, kRegBinary, record.data(), kDisplayModeRecordSize))
        return std::nullopt;
    return DecodeDisplayMode(record);
}

bool StoreVideoMode(const VideoMode& mode) {
    const std::string record = EncodeDisplayMode(mode);
    return WriteSetting("DisplayMode", SettingsKeyName, kRegBinary, record.data(), kDisplayModeRecordSize) == 1;
}

std::optional<std::string> StoredDisplayModeRecord() {
    std::string record(kDisplayModeRecordSize, '\0');
    if (!ReadSetting("DisplayMode", SettingsKeyName, kRegBinary, record.data(), kDisplayModeRecordSize))
        return std::nullopt;
    return record;
}

bool RestoreDisplayModeRecord(const std::optional<std::string>& record) {
    if (!record) return ClearVideoMode();
    return WriteSetting("DisplayMode", SettingsKeyName, kRegBinary, record->data(),
                        static_cast<uint32_t>(record->size())) == 1;
}

std::vector<VideoMode> OfferedVideoModes(const std::vector<VideoMode>& screenModes, int screenDepth) {
    std::vector<VideoMode> offered;
    const auto offer = [&offered](const VideoMode& m) {
        if (std::find(offered.begin(), offered.end(), m) == offered.end()) offered.push_back(m);
    };
    for (VideoMode m : screenModes) {
        m.bitsPerPixel = 8;
        offer(m);
        m.bitsPerPixel = screenDepth;
        offer(m);
    }
    return offered;
}

bool ClearVideoMode() { return WriteSetting("DisplayMode", SettingsKeyName, kRegBinary, nullptr, 0) == 1; }

std::string VideoModeText(const VideoMode& m) {
    // 2 to the power of the depth; 32 bits (and more) count all bits set.
    const unsigned long colours =
        m.bitsPerPixel >= 32 ? 4294967295ul : m.bitsPerPixel <= 0 ? 1ul : 1ul << m.bitsPerPixel;
    const char* pad = m.bitsPerPixel == 8    ? "     "
                      : m.bitsPerPixel == 15 ? "    "
                      : m.bitsPerPixel == 16 ? "   "
                      : m.bitsPerPixel == 24 ? "  "
                      : m.bitsPerPixel == 32 ? " "
                                             : "";
    char text[96];
    if (m.frequency > 1)
        std::snprintf(text, sizeof text, "%s%lu colors at %dx%d %dHz", pad, colours, m.width, m.height, m.frequency);
    else
        std::snprintf(text, sizeof text, "%s%lu colors at %dx%d (default refresh)", pad, colours, m.width, m.height);
    return text;
}

PictureSize RenderSize(bool fullScreen, PictureSize screen) {
    if (!fullScreen) return screen;
    const std::optional<VideoMode> mode = StoredVideoMode();
    return mode ? PictureSize{mode->width, mode->height} : screen;
}

bool ChooseAutomaticVideoMode(bool desktopIs256Colour, PictureSize screen, const VideoMode* modes, int count) {
    if (desktopIs256Colour) return false;
    if (std::optional<VideoMode> stored = StoredVideoMode(); stored && stored->bitsPerPixel == 8) return false;
    for (int i = 0; i < count; ++i) {
        const VideoMode& m = modes[i];
        if (m.bitsPerPixel == 8 && m.width == screen.width && m.height == screen.height) return StoreVideoMode(m);
    }
    return false;
}

}  // namespace ztx
