// The custom-palette editor: selections, what each operation may touch
// (stencil, locks), undo, copy and merge onto a new range, slider drags and
// the grid's geometry.
#include "palette/custom_palette_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/random.h"

namespace ztx {
namespace {

using Entries = std::array<PaletteColor, kPaletteEntries>;

class CustomEditor : public ::testing::Test {
protected:
    void SetUp() override {
        SeedRandom(7);
        for (int i = 0; i < kPaletteEntries; ++i)
            palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 1};
    }
    void Select(int a, int b) {
        editor.Press(a);
        editor.Move(b);
        editor.Release();
    }
    static bool Same(const PaletteColor& a, const PaletteColor& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue && a.flags == b.flags;
    }
    Entries palette{};
    CustomPaletteEditor editor{palette.data()};
};

TEST_F(CustomEditor, OneEntryIsEditedDirectlyAndRangeOperationsDoNothing) {
    editor.Press(40);
    SelectionView view = editor.Release();
    EXPECT_FALSE(view.rangeOperations);
    EXPECT_EQ(view.sliders, (std::array<int, 3>{40, 215, 120}));
    const Entries before = palette;
    editor.Apply(CustomOperation::Gradient);
    editor.Apply(CustomOperation::Reverse);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), before.begin(), Same));
    editor.Lock(Channel::Blue, true);
    editor.BeginSlide(view.sliders);
    editor.Slide({10, 20, 30});
    editor.EndSlide();
    EXPECT_TRUE(Same(palette[40], {10, 20, 120, 1}));

    editor.Press(50);
    editor.Move(45);  // dragging backwards selects the same range
    view = editor.Release();
    EXPECT_TRUE(view.rangeOperations);
    EXPECT_EQ(view.sliders, (std::array<int, 3>{128, 128, 128}));
    EXPECT_EQ(editor.First(), 45);
    EXPECT_EQ(editor.Last(), 50);
}

TEST_F(CustomEditor, StencilledEntriesAndLockedChannelsSurviveEveryOperation) {
    Select(20, 120);
    editor.Press(60);
    editor.Release();
    editor.Apply(CustomOperation::Stencil);
    Select(20, 120);
    editor.Lock(Channel::Green, true);
    const Entries before = palette;
    for (CustomOperation op : {CustomOperation::Negative, CustomOperation::Smooth, CustomOperation::Rough,
                               CustomOperation::Shift, CustomOperation::Gradient, CustomOperation::Reverse,
                               CustomOperation::Random, CustomOperation::Random, CustomOperation::Random,
                               CustomOperation::Random}) {
        editor.Apply(op);
        ASSERT_TRUE(Same(palette[60], before[60])) << static_cast<int>(op);
        for (int i = 0; i < kPaletteEntries; ++i) ASSERT_EQ(palette[i].green, before[i].green);
    }
    editor.Apply(CustomOperation::CopyTo);
    Select(0, 235);
    editor.BeginSlide({128, 128, 128});
    editor.Slide({0, 0, 255});
    editor.EndSlide();
    EXPECT_TRUE(Same(palette[60], before[60]));
    for (int i = 0; i < kPaletteEntries; ++i) ASSERT_EQ(palette[i].green, before[i].green);
    // Outside the selection nothing changed at all.
    Select(200, 235);
    editor.Lock(Channel::Green, false);
    const Entries outside = palette;
    editor.Apply(CustomOperation::Random);
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(Same(palette[i], outside[i]));
}

TEST_F(CustomEditor, GradientReverseCopyAndMergeFollowTheirRules) {
    palette[10] = {0, 0, 0, 1};
    palette[20] = {100, 200, 50, 1};
    Select(10, 20);
    editor.Apply(CustomOperation::Gradient);
    EXPECT_TRUE(Same(palette[15], {50, 100, 25, 1}));
    EXPECT_TRUE(Same(palette[19], {90, 180, 45, 1}));
    editor.Apply(CustomOperation::Reverse);
    EXPECT_TRUE(Same(palette[10], {100, 200, 50, 1}));
    EXPECT_TRUE(Same(palette[11], {90, 180, 45, 1}));
    EXPECT_TRUE(Same(palette[20], {0, 0, 0, 1}));

    // Four entries copied onto eight: each source entry twice.
    const Entries before = palette;
    Select(0, 3);
    editor.Apply(CustomOperation::CopyTo);
    EXPECT_TRUE(editor.Pending());
    Select(100, 107);
    EXPECT_FALSE(editor.Pending());
    for (int j = 0; j < 8; ++j) EXPECT_TRUE(Same(palette[100 + j], before[j / 2])) << j;
    Select(0, 0);
    editor.Apply(CustomOperation::MergeTo);
    Select(30, 30);
    EXPECT_EQ(palette[30].blue, (before[30].blue + before[0].blue) / 2);
}

TEST_F(CustomEditor, UndoTwiceRestoresAndEveryEditCanBeUndone) {
    Select(0, 235);
    const Entries original = palette;
    editor.Apply(CustomOperation::Negative);
    const Entries negated = palette;
    editor.Apply(CustomOperation::Undo);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), original.begin(), Same));
    editor.Apply(CustomOperation::Undo);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), negated.begin(), Same));
    // A copy waits for its target; undoing afterwards takes the copy back.
    Select(0, 9);
    editor.Apply(CustomOperation::CopyTo);
    Select(50, 59);
    editor.Apply(CustomOperation::Undo);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), negated.begin(), Same));
}

TEST_F(CustomEditor, RangeSlidesScaleFromTheStartAndADragFromZeroSetsTheValue) {
    Select(10, 12);
    editor.BeginSlide({128, 0, 128});
    editor.Slide({255, 77, 64});
    editor.EndSlide();
    EXPECT_EQ(palette[10].red, std::min(255, 10 * 255 / 128));
    EXPECT_EQ(palette[12].blue, 36 * 64 / 128);
    EXPECT_EQ(palette[11].green, 77);
}

TEST_F(CustomEditor, GridCellsTileTheControlAndMissesHitTheLastEntry) {
    const int w = 323, h = 228;
    for (int i : {0, 15, 16, 100, 235}) {
        const GridCell c = CustomGridCell(i, w, h);
        EXPECT_EQ(CustomGridHit((c.left + c.right) / 2, (c.top + c.bottom) / 2, w, h), i);
        EXPECT_EQ(c.right - c.left, 20);
    }
    EXPECT_EQ(CustomGridCell(16, w, h).left, 2);
    EXPECT_EQ(CustomGridHit(0, 0, w, h), 235);
    EXPECT_EQ(CustomGridHit(w - 2, h - 2, w, h), 235);  // row 14, past entry 235
    EXPECT_EQ(CustomGridHit(-5, 40, 0, 0), 235);        // a control of no size
}

}  // namespace
}  // namespace ztx
