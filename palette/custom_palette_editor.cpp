#include "palette/custom_palette_editor.h"

#include <algorithm>
#include <utility>

#include "palette/palette_file.h"
#include "platform/random.h"

namespace ztx {

namespace {

constexpr int kLastEntry = kPaletteEntries - 1;

}  // namespace

CustomPaletteEditor::CustomPaletteEditor(PaletteColor* palette) : palette_(palette) {
    std::copy(palette_, palette_ + kPaletteEntries, undo_.begin());
}

uint8_t& CustomPaletteEditor::At(PaletteColor& c, int channel) const {
    return channel == 0 ? c.red : channel == 1 ? c.green : c.blue;
}

void CustomPaletteEditor::TakeUndo() { std::copy(palette_, palette_ + kPaletteEntries, undo_.begin()); }

// ---------------------------------------------------------------------------
// Selecting.

void CustomPaletteEditor::SelectBetween(int a, int b) {
    a = std::clamp(a, 0, kLastEntry);
    b = std::clamp(b, 0, kLastEntry);
    first_ = std::min(a, b);
    last_ = std::max(a, b);
    for (int i = 0; i < kPaletteEntries; ++i) selected_[i] = i >= first_ && i <= last_;
}

void CustomPaletteEditor::Press(int entry) {
    anchor_ = std::clamp(entry, 0, kLastEntry);
    SelectBetween(anchor_, anchor_);
}

void CustomPaletteEditor::Move(int entry) {
    if (anchor_ >= 0) SelectBetween(anchor_, entry);
}

SelectionView CustomPaletteEditor::Release() {
    anchor_ = -1;
    if (pending_ != PendingCopy::None) CopyOnto();
    SelectionView view;
    if (first_ < 0) return view;
    view.rangeOperations = last_ > first_;
    if (first_ == last_) {
        const PaletteColor& c = palette_[first_];
        view.sliders = {c.red, c.green, c.blue};
    } else {
        view.sliders = {128, 128, 128};
    }
    return view;
}

// ---------------------------------------------------------------------------
// Sliders.

void CustomPaletteEditor::BeginSlide(std::array<int, 3> start) {
    TakeUndo();
    slideStart_ = start;
}

void CustomPaletteEditor::Slide(std::array<int, 3> values) {
    if (first_ < 0 || slideStart_[0] < 0) return;
    for (int c = 0; c < 3; ++c) {
        if (locked_[c]) continue;
        const int value = std::clamp(values[c], 0, 255);
        if (first_ == last_) {
            if (!stencil_[first_]) At(palette_[first_], c) = static_cast<uint8_t>(value);
            continue;
        }
        // A range scales from where the drag began; a drag that began at 0
        // has nothing to scale, so the entries take the value itself.
        const int start = slideStart_[c];
        for (int i = first_; i <= last_; ++i) {
            if (stencil_[i]) continue;
            const int scaled = start > 0 ? At(undo_[i], c) * value / start : value;
            At(palette_[i], c) = static_cast<uint8_t>(std::min(255, scaled));
        }
    }
}

void CustomPaletteEditor::EndSlide() { slideStart_ = {-1, -1, -1}; }

// ---------------------------------------------------------------------------
// Operations.

void CustomPaletteEditor::Smooth(const std::array<bool, kPaletteEntries>& skip) {
    for (int i = 1; i < kLastEntry; ++i) {
        if (!Eligible(i) || skip[i]) continue;
        for (int c = 0; c < 3; ++c) {
            if (locked_[c]) continue;
            const int v = (At(palette_[i - 1], c) + 3 * At(palette_[i], c) + At(palette_[i + 1], c)) / 5;
            At(palette_[i], c) = static_cast<uint8_t>(v);
        }
    }
}

void CustomPaletteEditor::Gradient(int first, int last) {
    const int n = last - first;
    if (n <= 1) return;
    for (int k = 0; k < n; ++k) {
        const int i = first + k;
        if (stencil_[i]) continue;
        for (int c = 0; c < 3; ++c) {
            if (locked_[c]) continue;
            const int v = (k * At(palette_[last], c) + (n - k) * At(palette_[first], c)) / n;
            At(palette_[i], c) = static_cast<uint8_t>(v);
        }
    }
}

void CustomPaletteEditor::Reverse() {
    if (last_ - first_ <= 1) return;
    for (int lo = first_, hi = last_; lo < hi; ++lo, --hi) {
        if (stencil_[lo]) continue;
        for (int c = 0; c < 3; ++c)
            if (!locked_[c]) std::swap(At(palette_[lo], c), At(palette_[hi], c));
    }
}

void CustomPaletteEditor::CopyOnto() {
    const bool merge = pending_ == PendingCopy::Merge;
    pending_ = PendingCopy::None;
    if (first_ < 0) return;
    TakeUndo();
    const double ratio = static_cast<double>(sourceLast_ - sourceFirst_ + 1) / (last_ - first_ + 1);
    int j = 0;
    for (int i = first_; i <= last_; ++i) {
        if (stencil_[i]) continue;
        const int from = std::min(kLastEntry, sourceFirst_ + static_cast<int>(j * ratio));
        ++j;
        for (int c = 0; c < 3; ++c) {
            if (locked_[c]) continue;
            const int src = At(source_[from], c);
            At(palette_[i], c) = static_cast<uint8_t>(merge ? (At(palette_[i], c) + src) / 2 : src);
        }
    }
}

// Generators 0 and 1: a level per channel walks through the eligible
// entries. Bouncing turns the step round at an edge; the random walk draws
// a new step pointing back inside.
void CustomPaletteEditor::RandomWalk(bool bounce) {
    int step[3], level[3];
    for (int c = 2; c >= 0; --c) step[c] = Rand15() % 16;
    for (int c = 2; c >= 0; --c) level[c] = Rand15() & 255;
    for (int i = 0; i < kPaletteEntries; ++i) {
        if (!Eligible(i)) continue;
        for (int c = 0; c < 3; ++c) {
            const int next = level[c] + step[c];
            if (next < 0 || next > 255)
                step[c] = bounce ? -step[c] : step[c] <= 0 ? Rand15() % 16 : -(Rand15() % 16);
            else
                level[c] = next;
            if (!locked_[c]) At(palette_[i], c) = static_cast<uint8_t>(level[c]);
        }
    }
}

// Generator 2: a random walk, a few brightened entries kept as highlights,
// and the rest darkened and smoothed in one to three passes.
void CustomPaletteEditor::Highlights() {
    const int threshold = Rand15() % 128 + 128;
    RandomWalk(false);
    std::array<bool, kPaletteEntries> kept{};
    for (int n = (last_ - first_) / 16; n > 0; --n) {
        const int i = first_ + Rand15() % (last_ - first_ + 1);
        kept[i] = true;
        if (stencil_[i]) continue;
        for (int c = 0; c < 3; ++c)
            if (!locked_[c]) At(palette_[i], c) = static_cast<uint8_t>((At(palette_[i], c) + 255) / 2);
    }
    const int passes = Rand15() % 3 + 1;
    for (int p = 1; p <= passes; ++p) {
        for (int i = 0; i < kPaletteEntries; ++i) {
            if (!Eligible(i) || kept[i]) continue;
            PaletteColor& e = palette_[i];
            for (int c = 0; c < 3; ++c)
                if (!locked_[c]) At(e, c) = static_cast<uint8_t>(At(e, c) / 2);
            if (e.red + e.green + e.blue < threshold / p)
                for (int c = 0; c < 3; ++c)
                    if (!locked_[c]) At(e, c) = 0;
        }
        for (int times = Rand15() % (16 / p) + 4; times > 0; --times) Smooth(kept);
    }
}

// Generator 3: a random middle colour, both ends a darker share of it, and
// gradients from the first entry to the middle and on to the last.
void CustomPaletteEditor::TwoGradients() {
    double factor[3];
    for (double& f : factor) f = RandomFraction() * 0.7;
    if (Rand15() % 2) factor[0] = factor[1] = factor[2];
    const int middle = (first_ + last_) / 2;
    PaletteColor mid;
    mid.red = static_cast<uint8_t>(Rand15() % 196 + 64);
    mid.green = static_cast<uint8_t>(Rand15() % 196 + 64);
    mid.blue = static_cast<uint8_t>(Rand15() % 196 + 64);
    // The three anchors take their colour whether or not they are selected
    // for the gradient; a stencil or a lock still protects them, as it
    // protects every entry from every operation.
    for (int anchor : {first_, last_, middle}) {
        if (stencil_[anchor]) continue;
        for (int c = 0; c < 3; ++c) {
            if (locked_[c]) continue;
            const double share = anchor == middle ? 1.0 : factor[c];
            At(palette_[anchor], c) = static_cast<uint8_t>(At(mid, c) * share);
        }
    }
    Gradient(first_, middle);
    Gradient(middle, last_);
}

void CustomPaletteEditor::Apply(CustomOperation op) {
    switch (op) {
        case CustomOperation::Stencil:
        case CustomOperation::UnStencil:
            for (int i = 0; i < kPaletteEntries; ++i)
                if (selected_[i]) stencil_[i] = op == CustomOperation::Stencil;
            return;
        case CustomOperation::Undo:
            for (int i = 0; i < kPaletteEntries; ++i) std::swap(palette_[i], undo_[i]);
            return;
        case CustomOperation::CopyTo:
        case CustomOperation::MergeTo:
            if (first_ < 0) return;
            TakeUndo();
            source_ = undo_;
            sourceFirst_ = first_;
            sourceLast_ = last_;
            pending_ = op == CustomOperation::CopyTo ? PendingCopy::Copy : PendingCopy::Merge;
            return;
        default:
            break;
    }
    if (first_ < 0) return;
    TakeUndo();
    switch (op) {
        case CustomOperation::Negative:
            for (int i = first_; i <= last_; ++i)
                for (int c = 0; c < 3; ++c)
                    if (Eligible(i) && !locked_[c]) At(palette_[i], c) = static_cast<uint8_t>(255 - At(palette_[i], c));
            break;
        case CustomOperation::Smooth:
            Smooth({});
            break;
        case CustomOperation::Rough:
            for (int i = 1; i < kLastEntry; ++i) {
                if (!Eligible(i)) continue;
                for (int c = 0; c < 3; ++c) {
                    if (locked_[c]) continue;
                    const int v = At(palette_[i], c) + Rand15() % 21 - 10;
                    if (v >= 0 && v <= 255) At(palette_[i], c) = static_cast<uint8_t>(v);
                }
            }
            break;
        case CustomOperation::Shift:
            for (int i = first_; i <= last_; ++i) {
                if (!Eligible(i)) continue;
                const PaletteColor old = palette_[i];
                if (!locked_[0]) palette_[i].red = old.green;
                if (!locked_[1]) palette_[i].green = old.blue;
                if (!locked_[2]) palette_[i].blue = old.red;
            }
            break;
        case CustomOperation::Gradient:
            Gradient(first_, last_);
            break;
        case CustomOperation::Reverse:
            Reverse();
            break;
        case CustomOperation::Random:
            switch (randomCycle_++ % 4) {
                case 0: RandomWalk(true); break;
                case 1: RandomWalk(false); break;
                case 2: Highlights(); break;
                default: TwoGradients(); break;
            }
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// Files.

bool CustomPaletteEditor::Import(const std::string& path, std::string* error) {
    PaletteColor read[kPaletteEntries];
    std::copy(palette_, palette_ + kPaletteEntries, read);
    if (!ReadPaletteFile(path, read, error)) return false;
    TakeUndo();
    std::copy(read, read + kPaletteEntries, palette_);
    return true;
}

bool CustomPaletteEditor::Export(const std::string& path, std::string* error) const {
    return WritePaletteFile(path, palette_, error);
}

// ---------------------------------------------------------------------------
// The grid.

GridCell CustomGridCell(int entry, int width, int height) {
    const float cellW = static_cast<float>(width - 3) * 0.0625f;
    const float cellH = static_cast<float>(height - 3) * 0.06666667f;
    const int row = entry / 16, column = entry % 16;
    constexpr int kInner = 2;
    return {.left = static_cast<int>(column * cellW) + kInner,
            .top = static_cast<int>(row * cellH) + kInner,
            .right = static_cast<int>((column + 1) * cellW) + kInner,
            .bottom = static_cast<int>((row + 1) * cellH) + kInner};
}

int CustomGridHit(int x, int y, int width, int height) {
    for (int i = 0; i < kPaletteEntries; ++i) {
        const GridCell c = CustomGridCell(i, width, height);
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) return i;
    }
    return kLastEntry;
}

}  // namespace ztx
