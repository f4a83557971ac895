// The custom-palette editor behind the configuration tool's "Custom" page:
// a selection and a stencil over the 236 entries, channel locks, an undo
// copy, the slider drag, the pending "Copy To"/"Merge To", the operations and
// the four random generators, and the geometry of the 16 x 15 grid. No
// window code: the page turns mouse, button and slider events into these
// calls and repaints from the editor's state.
//
// Every operation touches only eligible entries (selected and not
// stencilled) and unlocked channels. All randomness comes from the one
// 15-bit generator, so a seeded run edits the same way every time.
#pragma once
#include <array>
#include <string>

#include "palette/palette.h"

namespace ztx {

enum class CustomOperation {
    Negative,
    Smooth,
    Rough,
    Shift,
    Gradient,
    Reverse,
    CopyTo,   // waits for the next selection
    MergeTo,  // likewise
    Stencil,
    UnStencil,
    Undo,
    Random,   // the next of the four generators in turn
};

enum class Channel { Red = 0, Green = 1, Blue = 2 };

// A cell of the grid in the grid control's client coordinates.
struct GridCell {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// What the page shows after a selection ends.
struct SelectionView {
    bool rangeOperations = false;        // "Gradient" and "Reverse" enabled
    std::array<int, 3> sliders{};        // red, green, blue slider values
};

class CustomPaletteEditor {
public:
    // Edits `palette` (236 entries, usually the palette record's custom
    // palette) in place.
    explicit CustomPaletteEditor(PaletteColor* palette);

    // Selecting with the mouse: press on an entry, move over others (the
    // entries between the anchor and the current one are selected), release.
    // Releasing performs a pending "Copy To" or "Merge To" onto the new
    // selection.
    void Press(int entry);
    void Move(int entry);
    SelectionView Release();

    void Apply(CustomOperation op);

    // A slider drag: Begin remembers the start values (and takes the undo
    // copy), Drag applies the current values, End finishes the drag.
    void BeginSlide(std::array<int, 3> start);
    void Slide(std::array<int, 3> values);
    void EndSlide();

    // "Import": the undo copy is taken, then the file is read; false (and
    // the palette unchanged) when it cannot be used. "Export" writes it.
    bool Import(const std::string& path, std::string* error = nullptr);
    bool Export(const std::string& path, std::string* error = nullptr) const;

    void Lock(Channel c, bool locked) { locked_[static_cast<int>(c)] = locked; }
    bool Locked(Channel c) const { return locked_[static_cast<int>(c)]; }
    bool Selected(int entry) const { return selected_[entry]; }
    bool Stencilled(int entry) const { return stencil_[entry]; }
    bool Pending() const { return pending_ != PendingCopy::None; }
    int First() const { return first_; }  // lowest selected entry, -1 when none
    int Last() const { return last_; }
    const PaletteColor* Palette() const { return palette_; }

private:
    bool Eligible(int i) const { return selected_[i] && !stencil_[i]; }
    uint8_t& At(PaletteColor& c, int channel) const;
    void TakeUndo();
    void SelectBetween(int a, int b);
    void Smooth(const std::array<bool, kPaletteEntries>& skip);
    void Gradient(int first, int last);
    void Reverse();
    void CopyOnto();
    void RandomWalk(bool bounce);
    void Highlights();
    void TwoGradients();

    PaletteColor* palette_;
    std::array<PaletteColor, kPaletteEntries> undo_{};
    std::array<PaletteColor, kPaletteEntries> source_{};
    std::array<bool, kPaletteEntries> selected_{};
    std::array<bool, kPaletteEntries> stencil_{};
    std::array<bool, 3> locked_{};
    int anchor_ = -1;
    int first_ = -1, last_ = -1;
    enum class PendingCopy { None, Copy, Merge } pending_ = PendingCopy::None;
    int sourceFirst_ = 0, sourceLast_ = 0;
    std::array<int, 3> slideStart_{-1, -1, -1};
    int randomCycle_ = 0;
};

// The grid: 16 columns by 15 rows inside a client area of `width` x
// `height`; entry i sits in row i / 16, column i % 16.
GridCell CustomGridCell(int entry, int width, int height);
// The entry whose cell holds the point; 235 when none does.
int CustomGridHit(int x, int y, int width, int height);

}  // namespace ztx
