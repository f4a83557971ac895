// The vector drawing kit: what the vector modules (Bezier, Cube,
// Star, Cyclic, Line, Squiggle, Whip and the other vector modules) share.
//
//  - Module memory: the framework's module_memory.h, included here; a
//    module whose allocation failed keeps a null pointer, draws nothing and
//    never crashes.
//  - Camera: the small perspective camera of the 3-D modules.
//  - Shape brush: nested rotating polygons stamped at a point or along a
//    line.
//  - Module skeleton: the ping-pong colour cycle, the frame ring with its
//    trail eraser, the "Duration" deadline, the trail step and restart every
//    trail-keeping module ends its frame with, the tiled drawing and
//    rotational symmetry of vector drawings, and pens in palette colours.
//
// Plain records and free functions in the style of the module framework:
// every routine takes the record it works on (the older ones by pointer,
// null-safe); nothing here allocates except CreateCamera. All of it runs on
// the animation thread (or whichever single thread drives the modules).
//
// Colours: `colorIndex` arguments are palette entries 0..235; pens are made
// with the palette-relative colour value (0x01000000 | index), so palette
// animation recolours what is already drawn. Black (RGB 0) erases.
#pragma once
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>

#include "include/zentrix/module_record.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_memory.h"
#include "render/draw.h"
#include "render/tiling.h"

namespace ztx {

// ---- module record -----------------------------------------------------------------

// The drawing context a module draws into: the record's `Dc`, or null when
// the record has none (the configuration tool's table).
DrawContext* ModuleDc(const ModuleRecord* record);

// ---- camera ----------------------------------------------------------------------------

struct Point3 {
    double x = 0, y = 0, z = 0;
};

struct Camera;
// Projects a 3-D point to the surface; nonzero when the point was rejected
// (outside the clip box, or behind the camera), the outputs then 0.
typedef int (*ProjectRoutine)(Camera* camera, const Point3* point, int* outX, int* outY);

struct Camera {
    int32_t boxClip;         // 0: reject only points behind the camera
    ProjectRoutine project;  // always Project
    double width, height;    // surface size
    double halfWidth, halfHeight;
    double focal;  // focal scale, default 200
    double clipXMin, clipXMax, clipYMin, clipYMax, clipZMin, clipZMax;
    double centerX, centerY;  // default 0
    double depth;             // camera depth (z of the eye), default -125
    double a, b, c;           // view angles, radians
    int32_t outside;          // last Project: rejected by the clip box
    int32_t behind;           // last Project: rejected as behind the camera
};

constexpr double kCameraFocal = 200.0;
constexpr double kCameraDepth = -125.0;
// Surface size of a camera created without a client rectangle.
constexpr int kCameraDefaultWidth = 320;
constexpr int kCameraDefaultHeight = 200;

// A zero-filled camera with the defaults above for a surface of the client
// rectangle's size (right, bottom), or 320 x 200 when `client` is null. Null
// when memory runs out.
Camera* CreateCamera(const Rect* client);
// Surface size = (rect.right, rect.bottom), halves, and the clip box from the
// current depth and focal scale: x -width..width, y -height..height,
// z depth..focal. Modules call it after CreateCamera with their record's
// Width and Height.
void SetCameraSurface(Camera* camera, const Rect& rect);
// Perspective projection: translate by -(centre x, centre y,
// depth), turn by the view angles, translate back, then divide by the
// distance from the eye. Returns nonzero when the point is rejected: outside
// the clip box (box clipping on), or less than 10 units in front of the eye.
int Project(Camera* camera, const Point3* point, int* outX, int* outY);
// Turns a point in three planar steps of the form
// (u, v) <- (u cos t + v sin t, v cos t - u sin t): (x, y) by c, then (y, z)
// by a, then (z, x) by b.
void Rotate3(Point3* point, double a, double b, double c);
// One planar step with its sine and cosine worked out once, for many points:
// exactly what Rotate3 and Rotate2 give for the same angle.
struct Turn {
    double c = 1, s = 0;
    explicit Turn(double t = 0) : c(std::cos(t)), s(std::sin(t)) {}
    void Apply(double& u, double& v) const {
        const double nu = u * c + v * s;
        const double nv = v * c - u * s;
        u = nu;
        v = nv;
    }
};
// Rotate3's three steps prepared: (x, y) by c, (y, z) by a, (z, x) by b.
struct Turn3 {
    Turn a, b, c;
    Turn3(double ta = 0, double tb = 0, double tc = 0) : a(ta), b(tb), c(tc) {}
    void Apply(Point3& p) const {
        c.Apply(p.x, p.y);
        a.Apply(p.y, p.z);
        b.Apply(p.z, p.x);
    }
};
// The same step on (x, y) only.
void Rotate2(Point3* point, double t);
// Frees a camera (null is ignored).
void DestroyCamera(Camera* camera);

// ---- shape brush ---------------------------------------------------------------------------

// Nested rotating polygons: level 0 places level 1 at each of its corners,
// level 1 places level 2, down to the innermost level `depth`, which is
// drawn.
struct ShapeBrush {
    float size[3];     // polygon radius per level
    float angle[3];    // current rotation per level, radians
    float step[3];     // rotation added per stamp (along a line)
    uint8_t sides[3];  // corners per level (1: a dot, 2: a line)
    int32_t spacing;   // pixels between stamps along a line
    int32_t counter;   // position within the spacing
    DrawContext* dc;   // where it draws
    uint8_t fillMode;  // 0 filled, black outline; 1 filled in the colour; 2 outline only
    uint8_t depth;     // innermost level used, 0..2
};

enum BrushFill : int { kBrushFilledBlackOutline = 0, kBrushFilled = 1, kBrushOutline = 2 };

// Sets up a brush: draws two random numbers u1, u2
// and one random start angle per level; type mod 9 gives the fill mode
// (mod 3) and the depth (div 3). Types 0..8 derive levels 1 and 2 from the
// level before (same sides, size / (4 u1 + 1.5) + 1, rotation x (u2 + 0.5));
// types 9..17 keep the three levels as passed. An innermost level of 2 sides
// is drawn as an outline; one smaller than 4 pixels becomes a dot.
void SetupBrush(DrawContext* dc, const int sides[3], int type, int spacing, const float diameters[3],
                const float rotations[3], ShapeBrush* brush);
// Selects the pen and brush for stamping in palette entry `colorIndex`:
// polygons get a one-pixel outline (black for fill mode 0) and a solid or
// hollow interior; dots get a round pen as wide as the innermost size.
void SelectBrushPen(ShapeBrush* brush, int colorIndex);
// The same with any colour value (RgbColor(0, 0, 0) erases).
void SelectBrushPenColor(ShapeBrush* brush, uint32_t color);
// Selects the stock black pen and black brush (dropping the brush's own).
void ReleaseBrushPen(ShapeBrush* brush);
// Draws the nested shape centred on (x, y) with the selected pen and brush.
// (The design's global level counter is the depth of this routine's own
// recursion, so no state outlives a call.)
void StampShape(int x, int y, ShapeBrush* brush);
// Draws a line from (x0, y0) to (x1, y1) (note the argument order) with the
// brush: a plain line with the selected pen when the brush is a single dot
// level, else a stamp every spacing + 1 pixels, the shape turning by the
// brush's steps over the whole line (each step divided by length / spacing
// in single precision; a spacing of 0 stamps every pixel and divides by the
// length). The brush's angles are the same afterwards. A line with
// x1 == x0 is one pixel wider (x1 + 1). Stamps that cannot reach the
// picture are skipped without walking to them.
void BrushLine(int x1, int y1, int x0, int y0, ShapeBrush* brush);

// ---- shape-brush controls and tiled strokes --------------------------------------------

// Where a module keeps its brush controls: "Type", and per level "Sides",
// "Diameter" and "Rotation". Every brush module of the family uses slots
// 20..29 in this arrangement.
struct BrushControlSlots {
    int type;
    int sides[3];
    int diameter[3];
    int rotation[3];
};
constexpr BrushControlSlots kBrushControlSlots{
    .type = 20, .sides = {23, 26, 29}, .diameter = {21, 24, 27}, .rotation = {22, 25, 28}};
// Brush radians per step of a "Rotation" control.
constexpr float kBrushRotationUnit = 0.007f;

// What SetupBrush takes, as a module's controls give it: the side counts,
// the type, the diameters and the rotations x 0.007.
struct BrushInputs {
    int sides[3];
    int type;
    float diameters[3];
    float rotations[3];
};
BrushInputs ReadBrushInputs(const ModuleRecord& record, const BrushControlSlots& slots = kBrushControlSlots);
// SetupBrush with `inputs`.
void SetupBrushFrom(DrawContext* dc, const BrushInputs& inputs, int spacing, ShapeBrush& brush);

// How a driven "Diameter" becomes its level's size.
enum class DrivenSize { Truncated, Exact };
// The driven brush controls of a frame: each driven "Diameter" sets its
// level's size (evolved value truncated or as it comes), each driven
// "Rotation" its level's step (truncated value x 0.007).
void EvolveBrushControls(ModuleRecord& record, ShapeBrush& brush, DrivenSize sizes,
                         const BrushControlSlots& slots = kBrushControlSlots);

// The brush used inside tiles: every size divided by
// (X tiling + Y tiling) div 2, so the shapes shrink with the tiles. (The
// pen stays as SelectBrushPen chose it from the full-size brush.)
ShapeBrush TileSizedBrush(const ShapeBrush& brush, const TileGrid& grid);
// BrushLine from `from` to `to` (full-surface coordinates) in every tile
// that passes the tile test, placed as PlaceInTile places points.
void BrushLineInTiles(const TileGrid& grid, ShapeBrush& tileBrush, Point to, Point from);

// ---- module skeleton -----------------------------------------------------------------------

// Ping-pong colour cycle over the palette entries 0..235.
struct ColorCycle {
    int32_t index;
    int32_t step;
};
constexpr int kLastPaletteEntry = 235;
// Index 0, step +1 (at every DoInitialize).
void StartColorCycle(ColorCycle* cycle);
// Adds the step (once per DoDrawFrame); the step changes sign when the index
// reaches 235 or 0. Returns the new index.
int StepColorCycle(ColorCycle* cycle);
// The saw-tooth colour of the modules that keep no trail: the entry after
// `index`, 1, 2 .. 235, then 0 again.
int NextSawToothColor(int index);

// Frame ring bookkeeping: a module keeps `capacity` snapshots of what it
// drew (its own array) and erases the one drawn `length` frames ago by
// drawing it again in black. A length of `capacity` or more never erases.
constexpr int kFrameRingSize = 300;
struct TrailRing {
    int32_t capacity;    // snapshots in the module's ring (300; 100 for Whip)
    int32_t length;      // trail length T in frames
    int32_t writeIndex;  // where the next drawn snapshot goes
    int32_t eraseIndex;  // the next snapshot to erase
    int32_t drawn;       // frames counted until the trail is full
};
// At DoInitialize: both indices at T (0 when T >= capacity), counter 0.
void StartTrail(TrailRing* ring, int capacity, int length);
// Whether the trail keeps everything (T >= capacity).
bool TrailKeepsAll(const TrailRing* ring);
// After drawing the snapshot at writeIndex: while the trail is filling (or
// keeps everything) counts the frame and returns -1; otherwise returns the
// index of the snapshot to erase now and advances the erase index.
int TrailEraseStep(TrailRing* ring);
// Advances the write index (end of DoDrawFrame).
void AdvanceTrail(TrailRing* ring);
// Flushing (before a restart and in DoClose): the index of the next snapshot
// still on the screen, advancing past it, or -1 when none is left, the trail
// keeps everything, or the animation has stopped (AnimationRunning 0).
int TrailFlushStep(TrailRing* ring);

// "Duration": the tick count `seconds` from now, and whether the tick count
// is past a deadline (wrap-around safe).
uint32_t DeadlineAfterSeconds(int seconds);
bool DeadlinePassed(uint32_t deadline);
// Whether the tick count has reached a deadline (equal counts too), for
// modules whose work falls due "once the tick count reaches" it.
bool DeadlineReached(uint32_t deadline);

// The trail and restart steps every trail-keeping module runs; `erase(index)`
// draws snapshot `index` of the module's own ring again in black.
//
// StepTrail, after the frame's snapshot was drawn at the write index: erases
// the snapshot that falls off the trail, then advances the write index.
template <std::invocable<int> Erase>
void StepTrail(TrailRing& ring, Erase&& erase) {
    const int index = TrailEraseStep(&ring);
    if (index >= 0) erase(index);
    AdvanceTrail(&ring);
}
// FlushTrail erases every snapshot still on the screen (see TrailFlushStep),
// before a restart and in DoClose.
template <std::invocable<int> Erase>
void FlushTrail(TrailRing& ring, Erase&& erase) {
    for (int index = TrailFlushStep(&ring); index >= 0; index = TrailFlushStep(&ring)) erase(index);
}
// RestartAtDeadline, last in DoDrawFrame: once "Duration" has run out, clears
// the trail from the screen and starts the module again with `restart` (its
// DoInitialize). Returns whether it restarted.
template <std::invocable<int> Erase>
bool RestartAtDeadline(ModuleRecord* record, TrailRing& ring, uint32_t deadline, ModuleRoutine restart,
                       Erase&& erase) {
    if (!DeadlinePassed(deadline)) return false;
    FlushTrail(ring, erase);
    restart(record);
    return true;
}

// A field of a module's working frame that follows control `slot` while
// that control is driven (Oscillate or a live sound source).
template <class Frame>
struct DrivenField {
    int slot;
    int32_t Frame::*member;
};
// Every listed field whose control is driven this frame takes the control's
// evolved value (DrivenValue); the others keep what they hold.
template <class Frame, size_t N>
void TakeDrivenFields(ModuleRecord* record, Frame& frame, const DrivenField<Frame> (&fields)[N]) {
    for (const DrivenField<Frame>& field : fields) {
        frame.*field.member = DrivenValue(record, field.slot, frame.*field.member);
    }
}

// The tile grid of a vector drawing: TileGrid (render/tiling.h).
// Places `count` points (full-surface coordinates) into tile (column, row):
// each coordinate divided by its tiling, offset by the tile, mirrored in odd
// columns and rows.
void PlaceInTile(const TileGrid* grid, int column, int row, const Point* in, Point* out, int count);
// Runs `draw` once for every tile that passes the tile test, with the points
// placed in that tile (count at most kMaxFigurePoints).
typedef void (*FigureRoutine)(void* context, const Point* points, int count);
constexpr int kMaxFigurePoints = 64;
void DrawTiled(const TileGrid* grid, const Point* points, int count, FigureRoutine draw, void* context);
// The same with each tile clipped to its own rectangle, the text boxes cut
// out of the clip (engine/text_boxes.h): `placed` is the caller's room for
// `count` points (any number). The clip is removed after each tile and the
// text boxes are cut out once more at the end. A single tile covering the
// whole picture, with no text box and no clip on the context, is drawn
// unclipped: the same pixels, faster.
void DrawTiledClipped(DrawContext& dc, const TileGrid& grid, const Point* points, Point* placed, int count,
                      FigureRoutine draw, void* context);

// Points bouncing inside `bounds` (left and top inclusive, right and bottom
// exclusive): each coordinate moves by its direction x `speed`; one whose
// next position would leave the bounds reverses its direction and stays
// where it is.
void MoveBouncingPoints(Point* position, Point* direction, int count, const Rect& bounds, int speed);
// Scatters points over a width x height surface: x = rand mod
// (|width - 10| + 1) + 5, y likewise, each direction +1 or -1 by the parity
// of a fresh random number (four numbers per point: x, y, x sign, y sign).
void ScatterBouncingPoints(Point* position, Point* direction, int count, int width, int height);

// Rotational symmetry ("Symmetry", "Sweep", "X Center", "Y Center").
struct SymmetryCopies {
    int32_t copies;            // 1: one unrotated drawing
    int32_t centerX, centerY;  // centre of rotation in pixels
    float angleStep;           // radians between neighbouring copies
};
// centre = (xCenter x width div 100, yCenter x height div 100); angle step =
// sweep x 0.0027777778 x 6.283 / symmetry. A symmetry below 1 counts as 1.
SymmetryCopies MakeSymmetry(int width, int height, int symmetry, int sweep, int xCenterPercent, int yCenterPercent);
// Copy `copy` of `count` points: turned about the centre by copy x angle
// step with the tiling layer's point rotation (truncating).
void RotateCopy(const SymmetryCopies* symmetry, int copy, const Point* in, Point* out, int count);

// A solid pen of `width` in palette entry `colorIndex`, and the eraser's
// black pen of the same width rule.
Pen PalettePen(int width, int colorIndex);
Pen EraserPen(int width);
// Selects the stock black pen again (after a drawing pass).
void RestoreStockPen(DrawContext* dc);
// A point in the selected pen: the pixel (x, y) for a one-pixel pen, a
// round dot as wide as the pen otherwise (a line to (x + 1, y + 1)).
void DrawPenDot(DrawContext& dc, int x, int y);

}  // namespace ztx
