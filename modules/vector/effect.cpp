#include "modules/vector/effect.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/text_boxes.h"
#include "modules/framework/controls.h"
#include "modules/vector/vector_kit.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "render/text.h"

namespace ztx {

namespace {

EffectState g_effect{};

// Steps of a nested pass: the horizontal and vertical shrink per ring.
struct PassSteps {
    int x, y;
};

// The passes a "Rectangle" or "Ellipse" setting asks for: 1 one pass with
// (X, Y), 2 that and then one with (Y, X).
int PassesOf(int setting, const EffectState& s, PassSteps out[2]) {
    out[0] = PassSteps{s.xStrength, s.yStrength};
    out[1] = PassSteps{s.yStrength, s.xStrength};
    return std::clamp(setting, 0, 2);
}

// The frame shrunk ring by ring while `keep` holds for it.
template <class Keep, class Visit>
void NestedFrames(const EffectState& s, const PassSteps& step, Keep&& keep, Visit&& visit) {
    Rect r{0, 0, s.right, s.bottom};
    // Steps are at least 10 (the controls' range); a step of 0 from an
    // unclamped record would never shrink, so it counts as 1.
    const int sx = std::max(step.x, 1), sy = std::max(step.y, 1);
    while (keep(r)) {
        visit(r);
        r = Rect{r.left + sx, r.top + sy, r.right - sx, r.bottom - sy};
    }
}

void InvertRectangles(DrawContext& dc, const EffectState& s) {
    PassSteps steps[2];
    const int passes = PassesOf(s.rectangle, s, steps);
    for (int i = 0; i < passes; ++i) {
        NestedFrames(
            s, steps[i], [](const Rect& r) { return r.right - r.left > 0 && r.bottom - r.top > 0; },
            [&](const Rect& r) { InvertRect(dc, r); });
    }
}

void InvertEllipses(DrawContext& dc, const EffectState& s) {
    PassSteps steps[2];
    const int passes = PassesOf(s.ellipse, s, steps);
    for (int i = 0; i < passes; ++i) {
        const Mix mix = SetMix(dc, Mix::Not);
        const Pen pen = SelectPen(dc, SolidPen((steps[i].x + steps[i].y) / 3, kRgbWhite));
        const Brush brush = SelectBrush(dc, kHollowBrush);
        NestedFrames(
            s, steps[i], [](const Rect& r) { return r.left < r.right && r.top < r.bottom; },
            [&](const Rect& r) { DrawEllipse(dc, r.left, r.top, r.right, r.bottom); });
        SelectBrush(dc, brush);
        SelectPen(dc, pen);
        SetMix(dc, mix);
    }
}

// Folds the w x h area at the top left: its top-left quarter mirrored into
// the top-right quarter, then the top half mirrored into the bottom half;
// deeper folds first fold the top-left quarter the same way.
void Fold(DrawContext& dc, int w, int h, int depth) {
    const int hw = w / 2, hh = h / 2;
    if (depth > 1) Fold(dc, hw, hh, depth - 1);
    StretchBlt(dc, w, 0, -(hw + 1), hh + 1, dc, 0, 0, hw, hh);
    StretchBlt(dc, 0, h, w + 1, -(hh + 1), dc, 0, 0, w, hh);
}

int FoldDepth(int redraw) { return redraw <= 6 ? redraw - 1 : redraw - 7; }

// Every second band of width X from X on, then every second band of height
// Y, each inverted over the whole picture.
void InvertChecker(DrawContext& dc, const EffectState& s, int w, int h) {
    const int bx = std::max(s.xStrength, 1), by = std::max(s.yStrength, 1);
    if (w - bx > 0) {
        for (int x = bx; x < w - bx; x += 2 * bx) InvertRect(dc, Rect{x, 0, x + bx, h});
    }
    if (h - by > 0) {
        for (int y = by; y < h - by; y += 2 * by) InvertRect(dc, Rect{0, y, w, y + by});
    }
}

// X blocks of size Y at random points, each starting at the palette entry
// nearest to the colour found at its centre.
void DrawBlocks(DrawContext& dc, const EffectState& s) {
    const int xSpan = std::max<int>(s.right, 1), ySpan = std::max<int>(s.bottom, 1);
    for (int i = 0; i < s.xStrength; ++i) {
        const int x = Rand15() % xSpan;
        const int y = Rand15() % ySpan;
        const int entry = NearestPaletteEntry(GetPixelRgb(dc, x, y));
        DrawPaletteBlock(dc, PaletteBlock{.x = x, .y = y, .size = s.yStrength, .firstEntry = entry,
                                          .shape = static_cast<BlockShape>(std::clamp(s.blocks - 1, 0, 3))});
    }
}

// Font points 1, 21, ... 381: the first size whose text is wider than the
// picture, less 20 points; 401 when none is.
int ClockPoints(DrawContext& dc, const std::string& text, int width) {
    for (int points = 1; points <= 381; points += 20) {
        Font* font = CreateFont("Arial", -(points * kDotsPerInch / 72));
        if (font == nullptr) return 0;
        const Font* old = SelectFont(dc, font);
        const int textWidth = MeasureText(dc, text).width;
        SelectFont(dc, old);
        DeleteFont(font);
        if (textWidth > width) return std::max(points - 20, 1);
    }
    return 401;
}

// The time of day, centred: the picture inside the glyphs inverted, the
// glyph outlines stroked with the current pen; the text boxes stay clear.
void DrawClock(DrawContext& dc, int width, int height) {
    const int minutes = LocalMinutesOfDay();
    const std::string text = ClockText(minutes / 60, minutes % 60);
    const int points = ClockPoints(dc, text, width);
    if (points == 0) return;  // no font on this machine
    Font* font = CreateFont("Arial", -(points * kDotsPerInch / 72));
    if (font == nullptr) return;
    const Font* old = SelectFont(dc, font);
    const TextExtent extent = MeasureText(dc, text);
    const int x = width / 2 - extent.width / 2, y = height / 2 - extent.height / 2;
    auto glyphPath = [&] {
        BeginPath(dc);
        TextOut(dc, x, y, text);
        EndPath(dc);
    };
    glyphPath();
    ClipToPath(dc);
    ExcludeTextBoxes(dc);
    InvertRect(dc, Rect{x, y, x + extent.width, y + extent.height});
    RemoveClip(dc);
    glyphPath();
    ExcludeTextBoxes(dc);
    StrokePath(dc);
    SelectFont(dc, old);
    DeleteFont(font);
}

void ApplyBatch(DrawContext& dc, const EffectState& s, int width, int height) {
    InvertRectangles(dc, s);
    InvertEllipses(dc, s);
    if (s.redraw >= 1) Fold(dc, width, height, FoldDepth(s.redraw));
    if (s.checker) InvertChecker(dc, s, width, height);
    if (s.blocks >= 1) DrawBlocks(dc, s);
    if (s.timeOfDay) DrawClock(dc, width, height);
}

}  // namespace

namespace {

// One row of a filled shape: pixels x0 .. x1 - 1 of row y.
struct RowSpan {
    int y, x0, x1;
};

void CollectRow(void* context, int y, int x0, int x1) {
    static_cast<std::vector<RowSpan>*>(context)->push_back(RowSpan{y, x0, x1});
}

// The rows of the filled ellipse or square of half size n about (x, y)
// (box x - n .. x + n, as the drawing layer fills it) inside `limit`.
void ShapeRows(BlockShape shape, int x, int y, int n, const Rect& limit, std::vector<RowSpan>& rows) {
    rows.clear();
    if (n <= 0) return;
    const Rect box{x - n, y - n, x + n, y + n};
    if (shape == BlockShape::Ellipses) {
        ScanEllipse(box, limit, SpanSink{CollectRow, &rows});
        return;
    }
    const Rect r = IntersectRects(box, limit);
    for (int row = r.top; row < r.bottom; ++row) rows.push_back(RowSpan{row, r.left, r.right});
}

// Nested ellipses or squares, outermost first: each shape lies inside the
// one before, so painting ring k only where ring k + 1 does not reach gives
// the same picture as filling every shape whole, and touches each pixel
// once instead of once per ring inside it.
void DrawNestedBlock(DrawContext& dc, const PaletteBlock& b, int d) {
    thread_local std::vector<RowSpan> outer, inner;
    const Rect limit{0, 0, dc.canvas.width, dc.canvas.height};
    ShapeRows(b.shape, b.x, b.y, d - 1, limit, outer);
    for (int k = 0; k < d && !outer.empty(); ++k) {
        ShapeRows(b.shape, b.x, b.y, d - 2 - k, limit, inner);
        const int value = DeviceIndexOfEntry((b.firstEntry + k) % 236);
        size_t h = 0;  // both lists run down the rows
        for (const RowSpan& row : outer) {
            while (h < inner.size() && inner[h].y < row.y) ++h;
            if (h == inner.size() || inner[h].y != row.y) {
                PaintDeviceSpan(dc, row.y, row.x0, row.x1, value);
                continue;
            }
            const RowSpan& hole = inner[h];
            PaintDeviceSpan(dc, row.y, row.x0, std::min(hole.x0, row.x1), value);
            PaintDeviceSpan(dc, row.y, std::max(hole.x1, row.x0), row.x1, value);
        }
        std::swap(outer, inner);
    }
}

}  // namespace

void DrawPaletteBlock(DrawContext& dc, const PaletteBlock& b) {
    const int d = b.size / 2;
    if (d <= 0) return;
    if (b.shape == BlockShape::Ellipses || b.shape == BlockShape::Squares) {
        DrawNestedBlock(dc, b, d);
        return;
    }
    const Pen pen = SelectPen(dc, kNullPen);
    for (int k = 0; k < d; ++k) {
        const Brush brush = SelectBrush(dc, SolidBrush(PaletteIndexColor((b.firstEntry + k) % 236)));
        if (b.shape == BlockShape::VerticalBars) {
            DrawRectangle(dc, b.x + 3 * k - d, b.y - d, b.x + 3 * k - d + 4, b.y + d);
        } else {
            DrawRectangle(dc, b.x - d, b.y + 3 * k - d, b.x + d, b.y + 3 * k - d + 4);
        }
        SelectBrush(dc, brush);
    }
    SelectPen(dc, pen);
}

std::string ClockText(int hour, int minute) {
    char text[32];
    const bool morning = hour < 12;
    const int shown = hour > 12 ? hour - 12 : hour;
    std::snprintf(text, sizeof text, morning ? "%d:%02d AM" : "%d:%02d PM", shown, minute);
    return text;
}

int EffectDefineControls(ModuleRecord* r) {
    static constexpr ControlSpec kControls[] = {
        {.slot = kEffectRectangle, .name = "Rectangle", .max = 2},
        {.slot = kEffectEllipse, .name = "Ellipse", .max = 2},
        {.slot = kEffectRedraw, .name = "Redraw", .max = 13},
        {.slot = kEffectBlocks, .name = "Blocks", .max = 4},
        {.slot = kEffectTimeOfDay, .name = "Time of day", .max = 1},
        {.slot = kEffectChecker, .name = "Checker", .max = 1},
        {.slot = kEffectXStrength, .name = "X Strength", .min = 10, .max = 500, .value = 100},
        {.slot = kEffectYStrength, .name = "Y Strength", .min = 10, .max = 500, .value = 80},
        {.slot = kEffectDuration, .name = "Duration", .store = 3, .max = 1000, .value = 8},
        kStrengthControl,
        kDrawStartControl,
        kDrawStopControl,
    };
    return DefineControls(r, kControls);
}

int EffectAllocate(ModuleRecord* r) {
    g_effect = EffectState{};
    if (r == nullptr) return 0;
    g_effect.right = r->Width - 1;
    g_effect.bottom = r->Height - 1;
    g_effect.centerX = r->Width / 2;
    g_effect.centerY = r->Height / 2;
    return 0;
}

int EffectInitialize(ModuleRecord* r) {
    if (r == nullptr) return 0;
    RandomizeControls(r);
    EvolveControls(r);
    EffectState& s = g_effect;
    s.rectangle = r->Control[kEffectRectangle];
    s.ellipse = r->Control[kEffectEllipse];
    s.redraw = r->Control[kEffectRedraw];
    s.blocks = r->Control[kEffectBlocks];
    s.timeOfDay = r->Control[kEffectTimeOfDay];
    s.checker = r->Control[kEffectChecker];
    s.xStrength = r->Control[kEffectXStrength];
    s.yStrength = r->Control[kEffectYStrength];
    s.duration = r->Control[kEffectDuration];
    s.periodMs = static_cast<uint32_t>(std::max(s.duration, 0)) * 1000u;
    s.deadline = DeadlineAfterSeconds(s.duration);
    if (DrawContext* dc = ModuleDc(r)) SetStretchColorOnColor(*dc);
    return 0;
}

int EffectDrawFrame(ModuleRecord* r) {
    if (!DrawGate(r->Control[kEffectDrawStart], r->Control[kEffectDrawStop])) return kFrameSkipped;
    if (!DeadlineReached(g_effect.deadline)) return 0;
    if (DrawContext* dc = ModuleDc(r)) ApplyBatch(*dc, g_effect, g_effect.right + 1, g_effect.bottom + 1);
    EffectInitialize(r);
    return 0;
}

const EffectState& EffectWorkingState() { return g_effect; }

}  // namespace ztx
