#include "engine/text_boxes.h"

#include <cstring>

#include "engine/engine_state.h"
#include "platform/clock.h"
#include "render/draw.h"
#include "render/text.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "soundlink/sound_link.h"

namespace ztx {

TextBoxState TextBoxes;

namespace {

constexpr uint32_t kNotShown = 0xFFFFFFFFu;

bool Later(uint32_t now, uint32_t end) {
    // "Now is later than the end": an end of all bits set is never reached.
    return end != kNotShown && static_cast<int32_t>(now - end) > 0;
}

void ApplyCutOuts() { ExcludeTextBoxes(*TextBoxes.dc); }

void DrawBox(TextBoxState::Box& box, const std::string& text) {
    DrawContext& dc = *TextBoxes.dc;
    Rect r{box.left, box.top, box.right, box.bottom};
    auto inset = [](Rect& x, int d) {
        x.left += d;
        x.top += d;
        x.right -= d;
        x.bottom -= d;
    };
    DrawEdge(dc, r, Edge3D::Sunken, true);
    inset(r, 8);
    DrawEdge(dc, r, Edge3D::Raised, false);
    inset(r, 6);
    DrawEdge(dc, r, Edge3D::Etched, false);
    inset(r, 8);
    SetTransparentText(dc, true);
    DrawTextCentered(dc, r, text);
    ApplyCutOuts();
}

void EraseBox(TextBoxState::Box& box) {
    DrawContext& dc = *TextBoxes.dc;
    RemoveClip(dc);
    if (box.end != kNotShown || box.right > box.left)
        FillRect(dc, Rect{box.left, box.top, box.right, box.bottom}, SolidBrush(kRgbBlack));
    box.end = kNotShown;
    ApplyCutOuts();
}

void InfoStep(uint32_t now) {
    SoundLinkRecord* link = SoundLink();
    if (!link || !link->companionLive) return;
    const uint32_t counter = link->infoChangeCount;
    if (Later(now, TextBoxes.info.end) || counter != TextBoxes.lastInfoCounter) EraseBox(TextBoxes.info);
    if (!Options.showInfo || counter == TextBoxes.lastInfoCounter) return;
    TextBoxes.info.end = now + 4221;
    TextBoxes.lastInfoCounter = counter;
    std::string first(link->infoShownFirst, strnlen(link->infoShownFirst, sizeof link->infoShownFirst));
    if (first.empty()) return;
    std::string second(link->infoShownSecond, strnlen(link->infoShownSecond, sizeof link->infoShownSecond));
    std::string third(link->infoShownThird, strnlen(link->infoShownThird, sizeof link->infoShownThird));
    DrawContext& dc = *TextBoxes.dc;
    int widest = 0;
    for (const std::string* line : {&first, &second, &third}) widest = std::max(widest, MeasureText(dc, *line).width);
    const int w = widest + 58, h = 3 * LineHeight(dc) + 44;
    TextBoxState::Box& b = TextBoxes.info;
    b.left = 0;
    b.right = w;
    b.bottom = TextBoxes.height;
    b.top = TextBoxes.height - h;
    if (b.top > 50 && b.right < TextBoxes.width - 40) {
        DrawBox(b, first + "\n" + second + "\n" + third);
    } else {
        b.end = kNotShown;
    }
}

void TitleStep(uint32_t now) {
    const int32_t setting = Options.showName;
    if (TextBoxes.lastTitleSetting == -1) TextBoxes.lastTitleSetting = setting;
    if (setting == 0 && TextBoxes.lastTitleSetting == 0) return;
    if (setting != TextBoxes.lastTitleSetting) TextBoxes.title.end = 0;
    TextBoxes.lastTitleSetting = setting;
    const std::string name(CurrentDisplayName, strnlen(CurrentDisplayName, sizeof CurrentDisplayName));
    if (TextBoxes.title.end == 0 || Later(now, TextBoxes.title.end) || name != TextBoxes.lastTitle)
        EraseBox(TextBoxes.title);
    if (name == TextBoxes.lastTitle) return;
    // A title time of 0 shows nothing: a box drawn now would never be erased.
    if (setting == 0) {
        TextBoxes.lastTitle = name;
        return;
    }
    DrawContext& dc = *TextBoxes.dc;
    TextExtent e = MeasureText(dc, name);
    const int w = 2 * (e.width / 2 + 29), h = e.height + 44;
    TextBoxState::Box& b = TextBoxes.title;
    b.end = now + static_cast<uint32_t>(setting) * 1000u;
    b.left = (TextBoxes.width - w) / 2;
    b.right = b.left + w;
    b.top = 0;
    b.bottom = h;
    if (b.left > 50 && b.bottom < TextBoxes.height - 40) {
        DrawBox(b, name);
    } else {
        b.end = kNotShown;
    }
    TextBoxes.lastTitle = name;
}

void SloganStep(uint32_t now) {
    if (!TextBoxes.sloganPending) return;
    if (Later(now, TextBoxes.slogan.end)) {
        EraseBox(TextBoxes.slogan);
        TextBoxes.sloganPending = false;
        return;
    }
    if (TextBoxes.sloganShowTick == kNotShown || static_cast<int32_t>(now - TextBoxes.sloganShowTick) < 0) return;
    TextBoxes.sloganShowTick = kNotShown;
    TextBoxState::Box& b = TextBoxes.slogan;
    b.end = now + TextBoxes.sloganTime;
    DrawContext& dc = *TextBoxes.dc;
    TextExtent e = MeasureText(dc, TextBoxes.sloganText);
    b.right = TextBoxes.width;
    b.left = TextBoxes.width - (e.width + 58);
    b.bottom = TextBoxes.height;
    b.top = TextBoxes.height - (e.height + 44);
    if (b.top > 50 && b.left > 40) {
        DrawBox(b, TextBoxes.sloganText);
    } else {
        b.end = kNotShown;
    }
}

}  // namespace

bool TextBoxesShownOn(const DrawContext& dc) {
    if (TextBoxes.dc != &dc) return false;
    for (const TextBoxState::Box* b : {&TextBoxes.info, &TextBoxes.title, &TextBoxes.slogan}) {
        if (b->end != kNotShown) return true;
    }
    return false;
}

void ExcludeTextBoxes(DrawContext& dc) {
    if (TextBoxes.dc != &dc) return;
    for (const TextBoxState::Box* b : {&TextBoxes.info, &TextBoxes.title, &TextBoxes.slogan}) {
        if (b->end != kNotShown) ExcludeClipRect(dc, Rect{b->left, b->top, b->right, b->bottom});
    }
}

void SetUpTextBoxes(DrawContext* dc, int width, int height, bool coversScreen) {
    TextBoxes.dc = dc;
    TextBoxes.width = width;
    TextBoxes.height = height;
    TextBoxes.title.end = TextBoxes.info.end = TextBoxes.slogan.end = kNotShown;
    if (coversScreen && !TextBoxes.coversScreen) {
        TextBoxes.coversScreen = true;
        if (SoundLinkRecord* link = SoundLink()) ++link->textBoxWindows;
    }
    if (dc) SelectFont(*dc, nullptr);
}

void ReadSlogan() {
    std::string text;
    TextBoxes.sloganPending = RegReadText(RegRoot::CurrentUser, SettingsKeyPath(), "Slogan", text, 79);
    TextBoxes.sloganTime = 6213;
    if (!text.empty() && text.back() == '~') {
        text.pop_back();
        TextBoxes.sloganTime = 16777215;
    }
    TextBoxes.sloganText = text;
    TextBoxes.sloganShowTick = 0;
}

void TearDownTextBoxes() {
    if (TextBoxes.coversScreen) {
        if (SoundLinkRecord* link = SoundLink()) --link->textBoxWindows;
        TextBoxes.coversScreen = false;
    }
}

void StepTextBoxes() {
    if (!TextBoxes.dc) return;
    const uint32_t now = GetTickCount();
    InfoStep(now);
    TitleStep(now);
    SloganStep(now);
}

void ResetTextBoxes() { TextBoxes = TextBoxState{}; }

}  // namespace ztx
