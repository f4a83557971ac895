// Bitmap (module slot 19): a slide show through the animated palette.
//
// Every "Duration" seconds the module shows the next picture of the folder
// and file pattern in the record's `Path` ("/home/me/Pictures/*.jpg"; empty:
// the "*.BMP" files of the system folder, where wallpapers are written), or
// a grab of the picture on screen. The picture becomes an 8-bit picture
// whose pixel values are palette indices: a picture with a colour table
// keeps its values, a picture of more than 8 bits per pixel (and every
// picture with "Force Gradient") becomes its brightness. It is smoothed
// "Smoothing" times and painted centred, stretched, or tiled (mirrored or
// plain); other modules then draw over it. A name ending in ".1" starts a
// numbered animation: the frames ".1", ".2", ... play forward, and when a
// frame is missing the direction turns.
//
// Loading, conversion and smoothing run on a worker thread of their own
// (one at a time), so the frame loop never waits for the disk: a picture
// that is not ready when due simply shows at a later frame. The worker
// touches nothing but its own job; the animation thread grabs the screen,
// paints the finished picture and starts the next worker. On a lockstep
// clock the worker takes part in the schedule, so headless runs are
// reproducible. A file that cannot be read is skipped with one line on
// standard error (once per file and run); a worker that does not stop
// within 2000 ms of being asked is left behind.
#pragma once
#include <cstdint>

#include "include/zentrix/module_record.h"

namespace ztx {

// Control slots.
enum BitmapControl : int {
    kBitmapDisplayType = 0,
    kBitmapForceGradient = 1,
    kBitmapDuration = 2,
    kBitmapSmoothing = 3,
    kBitmapRandomOrder = 4,
    kBitmapFileOrScreen = 5,
    kBitmapStrength = 9,
    kBitmapDrawStart = 30,
    kBitmapDrawStop = 31,
};

// "Display Type".
enum class BitmapLayout : int32_t { Centred = 0, Stretched = 1, MirroredTiles = 2, Tiles = 3 };

// The five module routines.
int BitmapDefineControls(ModuleRecord* record);
int BitmapDrawFrame(ModuleRecord* record);
int BitmapAllocate(ModuleRecord* record);
int BitmapInitialize(ModuleRecord* record);
int BitmapClose(ModuleRecord* record);

// Where the slide show stands; kept for the whole process, as a screen saver
// that starts again goes on with the next picture.
struct SlideSequence {
    int32_t pictureIndex = 0;  // of the folder order
    int32_t frame = 1;         // number of the next animation frame
    int32_t frameStep = 1;     // +1 forward, -1 backward
};
SlideSequence BitmapSequence();
void ResetBitmapSequence();

// What the module did, for tests and diagnostics.
struct BitmapInfo {
    int32_t shown;          // pictures painted since DoPreInitialize
    int32_t failed;         // turns that ended without a picture
    int32_t width, height;  // size of the last picture painted
    char lastFile[260];     // file of the last turn ("" for a screen grab)
};
BitmapInfo BitmapLastRun();

// Waits (in real time, up to `ms`) until the current worker has finished;
// true when it has or there is none (also while a screen grab is to come). Tests and benchmarks on a virtual clock
// use it to make the frame a picture shows in reproducible.
bool BitmapWaitForLoader(uint32_t ms);

}  // namespace ztx
