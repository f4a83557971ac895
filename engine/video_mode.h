// Video modes. The stored mode is the setting "DisplayMode": a 156-byte
// display-mode record of which the bits per pixel (offset 104), width (108),
// height (112) and frequency (120) are used. On this platform the monitor
// keeps its mode: a full-screen saver with a stored mode draws its picture
// at the stored width and height and the presenter scales it to the screen
// (nearest neighbour); a preview never does. Our presenter always animates
// the palette, so the desktop counts as a 256-colour display.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ztx {

struct VideoMode {
    int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
    int frequency = 0;  // 0 or 1: the default refresh
    bool operator==(const VideoMode&) const = default;
};

constexpr size_t kDisplayModeRecordSize = 156;

// The record's bytes for `mode` (its size field 156, no driver-extra bytes).
std::string EncodeDisplayMode(const VideoMode& mode);
// The mode a record holds; none when it is too short or names a size no
// screen has (width or height outside 1..16384).
std::optional<VideoMode> DecodeDisplayMode(std::string_view record);

// "DisplayMode" read, written and removed.
std::optional<VideoMode> StoredVideoMode();
bool StoreVideoMode(const VideoMode& mode);
bool ClearVideoMode();

// The stored record's 156 bytes as they are, so that a test run can put
// back exactly what was there (a record no screen can use included); none
// when no value is stored. Restoring none removes the value.
std::optional<std::string> StoredDisplayModeRecord();
bool RestoreDisplayModeRecord(const std::optional<std::string>& record);

// What the video-mode page offers: every mode of the screen (width, height,
// refresh) at 8 bits per pixel and at the screen's depth, in the screen's
// order, each once.
std::vector<VideoMode> OfferedVideoModes(const std::vector<VideoMode>& screenModes, int screenDepth);

// The mode's text in the list, e.g. "   65536 colors at 800x600 (default
// refresh)": the colour count right-aligned by the depth, 32 bits counting
// 4294967295 colours.
std::string VideoModeText(const VideoMode& mode);

struct PictureSize {
    int width = 0;
    int height = 0;
};
// The size a saver window of `screen` draws at: the stored mode's for a
// full-screen saver, the screen's otherwise.
PictureSize RenderSize(bool fullScreen, PictureSize screen);

// Setup's automatic 256-colour choice: nothing to do when the desktop already
// counts as 256 colours (always here) or the stored mode has 8 bits per
// pixel; otherwise the 8-bit mode among `modes` of the screen's size is
// stored. Returns whether a mode was stored.
bool ChooseAutomaticVideoMode(bool desktopIs256Colour, PictureSize screen, const VideoMode* modes, int count);

}  // namespace ztx
