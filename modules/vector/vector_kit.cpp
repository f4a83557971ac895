#include "modules/vector/vector_kit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <limits>

#include "engine/engine_state.h"
#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/int_math.h"
#include "render/raster.h"
#include "render/tiling.h"

namespace ztx {

// ---- module record -----------------------------------------------------------------

DrawContext* ModuleDc(const ModuleRecord* record) { return record ? static_cast<DrawContext*>(record->Dc) : nullptr; }

// ---- camera ----------------------------------------------------------------------------

Camera* CreateCamera(const Rect* client) {
    auto* camera = static_cast<Camera*>(AllocateModuleMemory(sizeof(Camera)));
    if (camera == nullptr) return nullptr;
    camera->project = &Project;
    camera->focal = kCameraFocal;
    camera->depth = kCameraDepth;
    Rect size{0, 0, kCameraDefaultWidth, kCameraDefaultHeight};
    if (client != nullptr) size = Rect{0, 0, client->right - client->left, client->bottom - client->top};
    SetCameraSurface(camera, size);
    return camera;
}

void SetCameraSurface(Camera* camera, const Rect& rect) {
    if (camera == nullptr) return;
    camera->width = rect.right;
    camera->height = rect.bottom;
    camera->halfWidth = camera->width / 2;
    camera->halfHeight = camera->height / 2;
    camera->clipXMin = -camera->width;
    camera->clipXMax = camera->width;
    camera->clipYMin = -camera->height;
    camera->clipYMax = camera->height;
    camera->clipZMin = camera->depth;
    camera->clipZMax = camera->focal;
}

void Rotate3(Point3* p, double a, double b, double c) {
    if (p != nullptr) Turn3(a, b, c).Apply(*p);
}

void Rotate2(Point3* p, double t) {
    if (p == nullptr) return;
    const double ct = std::cos(t), st = std::sin(t);
    const double nx = p->x * ct + p->y * st;
    const double ny = p->y * ct - p->x * st;
    p->x = nx;
    p->y = ny;
}

int Project(Camera* camera, const Point3* point, int* outX, int* outY) {
    int dummyX, dummyY;
    if (outX == nullptr) outX = &dummyX;
    if (outY == nullptr) outY = &dummyY;
    *outX = 0;
    *outY = 0;
    if (camera == nullptr || point == nullptr) return 1;
    Point3 p{point->x - camera->centerX, point->y - camera->centerY, point->z - camera->depth};
    // A frame projects thousands of points through the same view angles:
    // their sines and cosines are worked out once per change of angles
    // (compared bit for bit, so the turn is exactly Rotate3's).
    thread_local double viewAngles[3] = {0, 0, 0};
    thread_local Turn3 view;
    const double angles[3] = {camera->a, camera->b, camera->c};
    if (std::memcmp(angles, viewAngles, sizeof angles) != 0) {
        view = Turn3(angles[0], angles[1], angles[2]);
        std::memcpy(viewAngles, angles, sizeof angles);
    }
    view.Apply(p);
    p.x += camera->centerX;
    p.y += camera->centerY;
    p.z += camera->depth;

    camera->outside = 0;
    camera->behind = 0;
    if (camera->boxClip != 0) {
        const bool inside = camera->clipXMin < p.x && p.x < camera->clipXMax && camera->clipYMin < p.y &&
                            p.y < camera->clipYMax && camera->clipZMin < p.z && p.z < camera->clipZMax;
        if (!inside) {
            camera->outside = 1;
            return 1;
        }
    } else if (p.z - 10 < camera->depth || !(p.z == p.z)) {
        camera->behind = 1;
        return 1;
    }
    const double d = p.z - camera->depth;
    // With box clipping the eye may sit on the box's near face: a point there
    // has no projection.
    if (!(d > 0)) {
        camera->behind = 1;
        return 1;
    }
    *outX = TruncSaturate(camera->centerX + (p.x - camera->centerX) / d * camera->focal + camera->halfWidth);
    *outY = TruncSaturate(camera->halfHeight - ((p.y - camera->centerY) / d * camera->focal + camera->centerY));
    return 0;
}

void DestroyCamera(Camera* camera) { FreeModuleMemory(camera); }

// ---- shape brush ---------------------------------------------------------------------------

void SetupBrush(DrawContext* dc, const int sides[3], int type, int spacing, const float diameters[3],
                const float rotations[3], ShapeBrush* brush) {
    if (brush == nullptr) return;
    const float u1 = float(Rand15()) * 3.051851e-05f;
    const float u2 = float(Rand15()) * 3.051851e-05f;
    // Types below 0 behave like their non-negative remainder.
    const int t = ((type % 9) + 9) % 9;
    brush->fillMode = static_cast<uint8_t>(t % 3);
    brush->depth = static_cast<uint8_t>(t / 3);
    for (int i = 0; i < 3; ++i) {
        brush->sides[i] = static_cast<uint8_t>(std::clamp(sides ? sides[i] : 0, 0, 255));
        brush->size[i] = diameters ? diameters[i] : 0.0f;
        brush->angle[i] = float(Rand15()) * 3.051851e-05f;
        brush->step[i] = rotations ? rotations[i] : 0.0f;
    }
    if (((type % 18) + 18) % 18 < 9) {
        for (int i = 1; i < 3; ++i) {
            brush->sides[i] = brush->sides[i - 1];
            brush->size[i] = brush->size[i - 1] / (4.0f * u1 + 1.5f) + 1.0f;
            brush->step[i] = (rotations ? rotations[i - 1] : 0.0f) * (u2 + 0.5f);
        }
    }
    const int inner = brush->depth;
    if (brush->sides[inner] == 2) brush->fillMode = kBrushOutline;
    if (brush->size[inner] < 4.0f) brush->sides[inner] = 1;
    brush->spacing = spacing;
    brush->counter = 0;
    brush->dc = dc;
}

void SelectBrushPenColor(ShapeBrush* brush, uint32_t color) {
    if (brush == nullptr || brush->dc == nullptr) return;
    DrawContext& dc = *brush->dc;
    const int inner = brush->depth;
    if (brush->sides[inner] > 1) {
        switch (brush->fillMode) {
            case kBrushFilledBlackOutline:
                SelectPen(dc, SolidPen(0, kRgbBlack));
                SelectBrush(dc, SolidBrush(color));
                break;
            case kBrushFilled:
                SelectPen(dc, SolidPen(0, color));
                SelectBrush(dc, SolidBrush(color));
                break;
            default:
                SelectPen(dc, SolidPen(0, color));
                SelectBrush(dc, kHollowBrush);
                break;
        }
    } else {
        SelectPen(dc, SolidPen(TruncSaturate(brush->size[inner]), color));
    }
}

void SelectBrushPen(ShapeBrush* brush, int colorIndex) { SelectBrushPenColor(brush, PaletteIndexColor(colorIndex)); }

void ReleaseBrushPen(ShapeBrush* brush) {
    if (brush == nullptr || brush->dc == nullptr) return;
    SelectPen(*brush->dc, kBlackPen);
    SelectBrush(*brush->dc, kBlackBrush);
}

namespace {

// One level of the stamp; `level` plays the part of the design's global
// level counter (raised on entry, lowered on exit).
void StampLevel(ShapeBrush* b, int level, int x, int y) {
    DrawContext& dc = *b->dc;
    const int inner = std::min<int>(b->depth, 2);
    if (level == inner && b->sides[level] < 2) {
        DrawPenDot(dc, x, y);
        return;
    }
    const int n = b->sides[level];
    if (n == 0) return;  // a level with no corners places nothing
    const float step = 6.2831855f / float(n);
    Point corners[256];
    for (int k = 0; k < n; ++k) {
        const float a = float(k) * step + b->angle[level];
        corners[k] = Point{ClampToInt(int64_t(x) + TruncSaturate(std::sin(a) * b->size[level])),
                           ClampToInt(int64_t(y) + TruncSaturate(std::cos(a) * b->size[level]))};
    }
    if (level < inner) {
        for (int k = 0; k < n; ++k) StampLevel(b, level + 1, corners[k].x, corners[k].y);
        return;
    }
    if (n == 2) {
        MoveTo(dc, corners[0].x, corners[0].y);
        LineTo(dc, corners[1].x, corners[1].y);
    } else {
        DrawPolygon(dc, corners, n);
    }
}

// How far a stamp can reach from its centre (corners of every level plus
// the pen), for skipping stamps that cannot touch the picture.
double StampReach(const ShapeBrush* b) {
    double reach = 2;
    const int inner = std::min<int>(b->depth, 2);
    for (int i = 0; i <= inner; ++i) reach += std::fabs(double(b->size[i])) + 1;
    reach += std::fabs(double(b->size[inner]));  // a dot's pen is this wide
    if (b->dc) reach += b->dc->pen.width;
    return reach < 1e9 ? reach : 1e9;  // also for sizes that are not numbers
}

}  // namespace

void StampShape(int x, int y, ShapeBrush* brush) {
    if (brush == nullptr || brush->dc == nullptr) return;
    StampLevel(brush, 0, x, y);
}

void BrushLine(int x1, int y1, int x0, int y0, ShapeBrush* brush) {
    if (brush == nullptr || brush->dc == nullptr) return;
    DrawContext& dc = *brush->dc;
    if (x1 == x0) x1 = x1 == std::numeric_limits<int>::max() ? x1 - 1 : x1 + 1;
    if (brush->sides[0] <= 1 && brush->depth == 0) {
        MoveTo(dc, x1, y1);
        LineTo(dc, x0, y0);
        return;
    }
    const ShapeBrush saved = *brush;
    brush->counter = 0;

    // The line walker's points (see LineSteps), start included, end excluded.
    const LineSteps line = LineStepsOf(x0, y0, x1, y1);
    const bool xMajor = line.xMajor;
    const int64_t n = line.count;  // at least 1: x1 != x0
    const int64_t maj0 = line.major0;
    const int smaj = line.majorStep;

    // Turn by the steps passed in over the whole line.
    const float divisor = brush->spacing > 0 ? float(n) / float(brush->spacing) : float(n);
    for (float& s : brush->step) s /= divisor;
    const int64_t period = int64_t(std::max(brush->spacing, 0)) + 1;  // a stamp every spacing + 1 pixels

    // Only steps whose stamp can reach the picture are visited, so a line
    // running far off the picture costs no more than one across it.
    const double reach = StampReach(brush);
    const int64_t limitLo = -int64_t(std::ceil(reach)) - 1;
    const int64_t limitHi = int64_t(xMajor ? dc.canvas.width : dc.canvas.height) + int64_t(std::ceil(reach)) + 1;
    int64_t ilo = 0, ihi = n - 1;
    if (smaj > 0) {
        ilo = std::max(ilo, limitLo - maj0);
        ihi = std::min(ihi, limitHi - maj0);
    } else {
        ilo = std::max(ilo, maj0 - limitHi);
        ihi = std::min(ihi, maj0 - limitLo);
    }
    if (ilo <= ihi) {
        // The first stamp at or after ilo, and the stamps skipped before it:
        // their turns are added one by one as the walk would (multiplied
        // only past 4096 of them, where a float sum has long lost its
        // precision anyway).
        const int64_t first = (ilo + period - 1) / period * period;
        const int64_t skipped = first / period;
        for (int i = 0; i < 3; ++i) {
            if (skipped <= 4096) {
                for (int64_t k = 0; k < skipped; ++k) brush->angle[i] += brush->step[i];
            } else {
                brush->angle[i] += brush->step[i] * float(skipped);
            }
        }
        const int64_t minSpanLo = -int64_t(std::ceil(reach)) - 1;
        const int64_t minSpanHi = int64_t(xMajor ? dc.canvas.height : dc.canvas.width) + int64_t(std::ceil(reach)) + 1;
        for (int64_t i = first; i <= ihi; i += period) {
            const int64_t major = maj0 + smaj * i, minor = line.minor0 + line.minorStep * MinorOffset(line, i);
            if (minor >= minSpanLo && minor <= minSpanHi) {
                const int px = static_cast<int>(xMajor ? major : minor);
                const int py = static_cast<int>(xMajor ? minor : major);
                StampLevel(brush, 0, px, py);
            }
            for (int l = 0; l < 3; ++l) brush->angle[l] += brush->step[l];
        }
    }
    *brush = saved;
}

// ---- shape-brush controls and tiled strokes --------------------------------------------

BrushInputs ReadBrushInputs(const ModuleRecord& r, const BrushControlSlots& slots) {
    BrushInputs in{};
    in.type = r.Control[slots.type];
    for (int i = 0; i < 3; ++i) {
        in.sides[i] = r.Control[slots.sides[i]];
        in.diameters[i] = float(r.Control[slots.diameter[i]]);
        in.rotations[i] = float(r.Control[slots.rotation[i]]) * kBrushRotationUnit;
    }
    return in;
}

void SetupBrushFrom(DrawContext* dc, const BrushInputs& in, int spacing, ShapeBrush& brush) {
    SetupBrush(dc, in.sides, in.type, spacing, in.diameters, in.rotations, &brush);
}

void EvolveBrushControls(ModuleRecord& r, ShapeBrush& brush, DrivenSize sizes, const BrushControlSlots& slots) {
    for (int i = 0; i < 3; ++i) {
        const int d = slots.diameter[i];
        if (IsDriven(r.Check[d])) {
            brush.size[i] = sizes == DrivenSize::Truncated
                                ? float(EvolveControl(&r, d))
                                : EvolveValue(r.Check[d], &r.EvolveState[d], r.Sense[d], r.RangeLo[d], r.RangeHi[d]);
        }
        const int t = slots.rotation[i];
        if (IsDriven(r.Check[t])) brush.step[i] = float(EvolveControl(&r, t)) * kBrushRotationUnit;
    }
}

ShapeBrush TileSizedBrush(const ShapeBrush& brush, const TileGrid& grid) {
    ShapeBrush tiled = brush;
    const float shrink = float(std::max((grid.xTiling + grid.yTiling) / 2, 1));
    for (float& size : tiled.size) size /= shrink;
    return tiled;
}

namespace {

void BrushLinePiece(void* context, const Point* points, int) {
    BrushLine(points[0].x, points[0].y, points[1].x, points[1].y, static_cast<ShapeBrush*>(context));
}

}  // namespace

void BrushLineInTiles(const TileGrid& grid, ShapeBrush& tileBrush, Point to, Point from) {
    const Point points[2] = {to, from};
    DrawTiled(&grid, points, 2, &BrushLinePiece, &tileBrush);
}

// ---- module skeleton -----------------------------------------------------------------------

void StartColorCycle(ColorCycle* cycle) {
    if (cycle == nullptr) return;
    cycle->index = 0;
    cycle->step = 1;
}

int StepColorCycle(ColorCycle* cycle) {
    if (cycle == nullptr) return 0;
    cycle->index += cycle->step;
    if (cycle->index >= kLastPaletteEntry || cycle->index <= 0) {
        cycle->index = std::clamp(cycle->index, 0, int(kLastPaletteEntry));
        cycle->step = -cycle->step;
    }
    return cycle->index;
}

int NextSawToothColor(int index) { return index >= kLastPaletteEntry || index < 0 ? 0 : index + 1; }

void StartTrail(TrailRing* ring, int capacity, int length) {
    if (ring == nullptr) return;
    ring->capacity = std::max(capacity, 1);
    ring->length = std::max(length, 0);
    const int start = ring->length >= ring->capacity ? 0 : ring->length;
    ring->writeIndex = start;
    ring->eraseIndex = start;
    ring->drawn = 0;
}

bool TrailKeepsAll(const TrailRing* ring) { return ring == nullptr || ring->length >= ring->capacity; }

int TrailEraseStep(TrailRing* ring) {
    if (ring == nullptr) return -1;
    if (TrailKeepsAll(ring) || ring->drawn < ring->length) {
        if (ring->drawn < std::numeric_limits<int32_t>::max()) ++ring->drawn;
        return -1;
    }
    const int index = ring->eraseIndex;
    ring->eraseIndex = (ring->eraseIndex + 1) % ring->capacity;
    return index;
}

void AdvanceTrail(TrailRing* ring) {
    if (ring == nullptr) return;
    ring->writeIndex = (ring->writeIndex + 1) % ring->capacity;
}

int TrailFlushStep(TrailRing* ring) {
    if (ring == nullptr || TrailKeepsAll(ring)) return -1;
    if (!AnimationRunning.load(std::memory_order_relaxed)) return -1;
    if (ring->eraseIndex == ring->writeIndex) return -1;
    const int index = ring->eraseIndex;
    ring->eraseIndex = (ring->eraseIndex + 1) % ring->capacity;
    return index;
}

uint32_t DeadlineAfterSeconds(int seconds) { return GetTickCount() + static_cast<uint32_t>(int64_t(seconds) * 1000); }

bool DeadlinePassed(uint32_t deadline) { return static_cast<int32_t>(GetTickCount() - deadline) > 0; }

bool DeadlineReached(uint32_t deadline) { return static_cast<int32_t>(GetTickCount() - deadline) >= 0; }

void PlaceInTile(const TileGrid* grid, int column, int row, const Point* in, Point* out, int count) {
    for (int k = 0; k < count; ++k) {
        out[k].x = TiledCoordinate(in[k].x, column, grid->xTiling, grid->tileWidth);
        out[k].y = TiledCoordinate(in[k].y, row, grid->yTiling, grid->tileHeight);
    }
}

void DrawTiled(const TileGrid* grid, const Point* points, int count, FigureRoutine draw, void* context) {
    if (grid == nullptr || points == nullptr || draw == nullptr) return;
    count = std::clamp(count, 0, kMaxFigurePoints);
    Point placed[kMaxFigurePoints];
    for (int r = 0; r < grid->yTiling; ++r) {
        for (int c = 0; c < grid->xTiling; ++c) {
            if (!TileDrawn(c, r, grid->tileType)) continue;
            PlaceInTile(grid, c, r, points, placed, count);
            draw(context, placed, count);
        }
    }
}

void DrawTiledClipped(DrawContext& dc, const TileGrid& grid, const Point* points, Point* placed, int count,
                      FigureRoutine draw, void* context) {
    if (points == nullptr || placed == nullptr || draw == nullptr || count <= 0) return;
    const bool wholePicture = grid.xTiling == 1 && grid.yTiling == 1 && grid.tileWidth >= dc.canvas.width &&
                              grid.tileHeight >= dc.canvas.height && !dc.clipped && !TextBoxesShownOn(dc);
    for (int r = 0; r < grid.yTiling; ++r) {
        for (int c = 0; c < grid.xTiling; ++c) {
            if (!TileDrawn(c, r, grid.tileType)) continue;
            PlaceInTile(&grid, c, r, points, placed, count);
            if (wholePicture) {
                draw(context, placed, count);
                continue;
            }
            const int left = c * grid.tileWidth, top = r * grid.tileHeight;
            SetClipRect(dc, Rect{left, top, left + grid.tileWidth, top + grid.tileHeight});
            ExcludeTextBoxes(dc);
            draw(context, placed, count);
            RemoveClip(dc);
        }
    }
    ExcludeTextBoxes(dc);
}

void MoveBouncingPoints(Point* position, Point* direction, int count, const Rect& bounds, int speed) {
    // One coordinate: move on, or turn round and stay.
    auto bounce = [speed](int& p, int& d, int lo, int hi) {
        const int64_t next = int64_t(p) + int64_t(d) * speed;
        if (next >= hi || next < lo)
            d = -d;
        else
            p = static_cast<int>(next);
    };
    for (int i = 0; i < count; ++i) {
        bounce(position[i].x, direction[i].x, bounds.left, bounds.right);
        bounce(position[i].y, direction[i].y, bounds.top, bounds.bottom);
    }
}

void ScatterBouncingPoints(Point* position, Point* direction, int count, int width, int height) {
    const int xSpan = std::abs(width - 10) + 1, ySpan = std::abs(height - 10) + 1;
    for (int i = 0; i < count; ++i) {
        position[i].x = Rand15() % xSpan + 5;
        position[i].y = Rand15() % ySpan + 5;
        direction[i].x = (Rand15() & 1) ? -1 : 1;
        direction[i].y = (Rand15() & 1) ? -1 : 1;
    }
}

SymmetryCopies MakeSymmetry(int width, int height, int symmetry, int sweep, int xCenterPercent, int yCenterPercent) {
    SymmetryCopies s;
    s.copies = std::max(symmetry, 1);
    s.centerX = ClampToInt(int64_t(xCenterPercent) * width / 100);
    s.centerY = ClampToInt(int64_t(yCenterPercent) * height / 100);
    s.angleStep = SymmetryAngleStep(sweep, s.copies);
    return s;
}

void RotateCopy(const SymmetryCopies* symmetry, int copy, const Point* in, Point* out, int count) {
    const float angle = float(copy) * symmetry->angleStep;
    for (int k = 0; k < count; ++k) {
        int x = ClampToInt(int64_t(in[k].x) - symmetry->centerX);
        int y = ClampToInt(int64_t(in[k].y) - symmetry->centerY);
        RotatePoint(x, y, angle);
        out[k].x = ClampToInt(int64_t(x) + symmetry->centerX);
        out[k].y = ClampToInt(int64_t(y) + symmetry->centerY);
    }
}

Pen PalettePen(int width, int colorIndex) { return SolidPen(width, PaletteIndexColor(colorIndex)); }

Pen EraserPen(int width) { return SolidPen(width, kRgbBlack); }

void RestoreStockPen(DrawContext* dc) {
    if (dc != nullptr) SelectPen(*dc, kBlackPen);
}

void DrawPenDot(DrawContext& dc, int x, int y) {
    MoveTo(dc, x, y);
    LineTo(dc, ClampToInt(int64_t(x) + 1), ClampToInt(int64_t(y) + 1));
}

}  // namespace ztx
