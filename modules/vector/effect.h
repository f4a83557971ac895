// The Effect module, slot 18: draws nothing of its own between events.
// Once every "Duration" seconds it transforms what the other modules of the
// display have drawn, in this order: inverted nested rectangles, inverted
// nested ellipses, a mirror fold, inverted checker bands, blocks of
// consecutive palette colours picked up from the picture, and the time of
// day with the picture inverted inside its glyphs.
//
// The palette block (concentric rings of consecutive palette entries) is
// shared with the Sphere module, which pre-renders its balls with it.
//
// Choices the design leaves open or gets wrong:
//  - The state is module-level storage without an allocation of its own.
//  - A random block position is rand mod (W - 1); on a surface one pixel
//    wide or high that would divide by zero, so the span is at least 1.
//  - When even the smallest clock font is wider than the picture, the
//    clock uses 1 point rather than stepping back to a negative size.
//  - The time of day comes from the clock interface (LocalMinutesOfDay),
//    so runs on a virtual clock always show the same time.
#pragma once
#include <cstdint>
#include <string>

#include "include/zentrix/module_record.h"
#include "render/draw.h"

namespace ztx {

// Control slots (none stored except "Duration" [3] and "Strength" [9]):
enum EffectControl : int {
    kEffectRectangle = 0,   // "Rectangle" 0..2: 0 off, 1 once, 2 twice
    kEffectEllipse = 1,     // "Ellipse" 0..2
    kEffectRedraw = 2,      // "Redraw" 0..13: mirror fold depth
    kEffectBlocks = 3,      // "Blocks" 0..4: 0 off, 1..4 block shape
    kEffectTimeOfDay = 4,   // "Time of day" 0..1
    kEffectChecker = 5,     // "Checker" 0..1
    kEffectXStrength = 6,   // "X Strength" 10..500, default 100
    kEffectYStrength = 7,   // "Y Strength" 10..500, default 80
    kEffectDuration = 8,    // "Duration" 0..1000 s, default 8
    kEffectStrength = 9,    // "Strength"
    kEffectDrawStart = 30,  // "Draw Start"
    kEffectDrawStop = 31,   // "Draw Stop"
};

// The five routines registered in slot 18.
int EffectDefineControls(ModuleRecord* record);  // DoPreInitializeControls
int EffectDrawFrame(ModuleRecord* record);       // DoDrawFrame: 0, or FrameSkipped (42)
int EffectAllocate(ModuleRecord* record);        // DoPreInitialize
int EffectInitialize(ModuleRecord* record);      // DoInitialize

// The module's state, for tests.
struct EffectState {
    int32_t rectangle, ellipse, redraw, blocks, timeOfDay, checker, xStrength, yStrength, duration;
    uint32_t periodMs;
    uint32_t deadline;
    int32_t right, bottom;      // W - 1, H - 1
    int32_t centerX, centerY;   // W div 2, H div 2
};
const EffectState& EffectWorkingState();

// Shapes of a palette block.
enum class BlockShape : int { Ellipses = 0, Squares = 1, VerticalBars = 2, HorizontalBars = 3 };

// A palette block centred on (x, y): d = size div 2 rings k = 0 .. d - 1, ring
// k in palette entry (firstEntry + k) mod 236 with the null pen, as nested
// ellipses or squares of half size d - 1 - k, or runs of 4-pixel bars 3
// pixels apart (vertical bars moving right, horizontal ones moving down).
struct PaletteBlock {
    int x = 0, y = 0;
    int size = 0;
    int firstEntry = 0;
    BlockShape shape = BlockShape::Ellipses;
};
void DrawPaletteBlock(DrawContext& dc, const PaletteBlock& block);

// "h:mm AM" / "h:mm PM" for a time of day: hour 0 stays 0, hours above 12
// lose 12.
std::string ClockText(int hour, int minute);

}  // namespace ztx
