// Screen captures and wallpapers: the picture on screen saved as a numbered
// BMP file ("ZTX-0001.BMP" in the capture folder), or saved into the
// installation's system folder ("BACK0001.BMP") and made the desktop
// wallpaper. The frame loop carries out the requests between frames.
#pragma once
#include <string>

#include "engine/process_state.h"

namespace ztx {

struct DrawContext;

// Writes a capture of the window's picture; true when a file was written.
// The scale is 100 % while the sound link asks for a full-size capture,
// else "CaptureScale"; "CaptureTile" chooses the tiling form. Clears the
// sound link's scaled-capture request.
bool WriteCapture(DrawContext& window, int width, int height);
// Writes a wallpaper file and makes it the desktop background; clears the
// wallpaper key and the sound link's wallpaper request.
bool WriteWallpaper(DrawContext& window, int width, int height);
// Makes `path` the (tiled) desktop wallpaper: the registry values of
// "Control Panel\Desktop", then the desktop's own settings where its tools
// are present. Failures are silent.
void SetDesktopWallpaper(const std::string& path);

// RootWindowWallpaper, set by the window layer, is declared in
// engine/process_state.h.

// The capture folder: the "Capture" setting, else the installation's
// "Screen Shots" (stored back as "Capture").
std::string CaptureFolder();
// The next free number for files "<prefix>NNNN.BMP" in `folder`: the count of
// such files + 1, moved on past any number already taken.
unsigned NextFileNumber(const std::string& folder, const std::string& prefix, unsigned start);
// Forgets the numbers (tests).
void ResetCaptureNumbers();

}  // namespace ztx
