// On-screen text boxes drawn by the animation thread between frames: the
// running display's title (top centre), the companion analyser's track
// information (bottom left) and the user's slogan (bottom right). A box is
// drawn once when it comes up, is cut out of the window's clip region while
// it shows (so modules never paint over it) and is painted black when its
// time is over.
#pragma once
#include <cstdint>
#include <string>

#include "engine/process_state.h"

namespace ztx {

struct DrawContext;
struct Rect;

// Animation start: remembers the context and client size, counts a
// screen-covering window in the sound link, selects the stock font.
void SetUpTextBoxes(DrawContext* dc, int width, int height, bool coversScreen);
// Saver window creation: reads the "Slogan" setting (a final "~" keeps it on
// screen for 16777215 ms instead of 6213 ms).
void ReadSlogan();
// The window is going away: the screen-covering count goes down again.
void TearDownTextBoxes();
// One frame's text work: information box, title, slogan, in this order.
void StepTextBoxes();

// Whether any box is on screen on `dc` (the context the boxes are shown on).
bool TextBoxesShownOn(const DrawContext& dc);
// Cuts every box on screen out of `dc`'s clip when the boxes are shown on
// `dc`: a module that sets its own clip calls it afterwards, so its drawing
// never covers the text.
void ExcludeTextBoxes(DrawContext& dc);

// Text state, for tests and the window's keys.
struct TextBoxState {
    DrawContext* dc = nullptr;
    int width = 0, height = 0;
    bool coversScreen = false;
    struct Box {
        int left = 0, top = 0, right = 0, bottom = 0;
        uint32_t end = 0xFFFFFFFFu;  // when it is erased; all bits set: not shown
    };
    Box title, info, slogan;
    int32_t lastTitleSetting = -1;
    std::string lastTitle;
    uint32_t lastInfoCounter = 0xFFFFFFFFu;
    std::string sloganText;
    bool sloganPending = false;
    uint32_t sloganShowTick = 0;
    uint32_t sloganTime = 6213;
};
void ResetTextBoxes();

}  // namespace ztx
