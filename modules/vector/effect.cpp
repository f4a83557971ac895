#include "modules/vector/effect.h"

#include <algorithm>
#include <cstdio>

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
    ExcludeTextOverlays(dc);
    InvertRect(dc, Rect{x, y, x + extent.width, y + extent.height});
    RemoveClip(dc);
    glyphPath();
    ExcludeTextOverlays(dc);
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

void DrawPaletteBlock(DrawContext& dc, const PaletteBlock& b) {
    const int d = b.size / 2;
    if (d <= 0) return;
    const Pen pen = SelectPen(dc, kNullPen);
    for (int k = 0; k < d; ++k) {
        const int n = d - 1 - k;
        const Brush brush = SelectBrush(dc, SolidBrush(PaletteIndexColor((b.firstEntry + k) % 236)));
        switch (b.shape) {
            case BlockShape::Ellipses:
                DrawEllipse(dc, b.x - n, b.y - n, b.x + n, b.y + n);
                break;
            case BlockShape::Squares:
                DrawRectangle(dc, b.x - n, b.y - n, b.x + n, b.y + n);
                break;
            case BlockShape::VerticalBars:
                DrawRectangle(dc, b.x + 3 * k - d, b.y - d, b.x + 3 * k - d + 4, b.y + d);
                break;
            case BlockShape::HorizontalBars:
                DrawRectangle(dc, b.x - d, b.y + 3 * k - d, b.x + d, b.y + 3 * k - d + 4);
                break;
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
