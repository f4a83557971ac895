// The C drawing interface offered to plug-ins, and plug-ins drawing through
// it: the example driven frame by frame, and the tests' tiny plug-in.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "engine/engine_state.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "platform/files.h"
#include "platform/random.h"
#include "plugins/plugin_draw_api.h"
#include "plugins/plugin_host.h"
#include "render/draw.h"
#include "settings/settings_key.h"
#include "tests/plugin_slot_test.h"

namespace ztx {
namespace {

struct Picture {
    Bitmap8 bitmap;
    DrawContext dc;
    Picture(int w, int h) {
        CreateBitmap8(bitmap, w, h);
        AttachBitmap(dc, bitmap);
    }
};

int CountNonBlack(const Bitmap8& b) {
    int n = 0;
    for (uint8_t v : b.pixels) n += v != 0;
    return n;
}

// Every C drawing call gives exactly what the drawing layer gives for the
// same arguments (the tables pass arguments through in the right order and
// translate pens, brushes, mixes and operations faithfully).
TEST(PluginDrawApi, DrawsWhatTheDrawingLayerDraws) {
    const ZtxDrawApi& api = PluginDrawApi();
    EXPECT_EQ(api.Size, sizeof(ZtxDrawApi));
    EXPECT_EQ(api.Version, 1u);

    Picture a(120, 90), b(120, 90);
    void* c = &a.dc;
    DrawContext& d = b.dc;
    const ZtxPoint zp[] = {{5, 80}, {30, 10}, {60, 70}, {90, 5}, {110, 60}, {70, 85}, {20, 40}};
    const Point p[] = {{5, 80}, {30, 10}, {60, 70}, {90, 5}, {110, 60}, {70, 85}, {20, 40}};

    // Pens, brushes and the old selection coming back.
    ZtxPen oldPen = api.SelectPen(c, ZtxMakePen(3, ZTX_PALETTE_INDEX(40)));
    SelectPen(d, SolidPen(3, PaletteIndexColor(40)));
    EXPECT_EQ(oldPen.style, ZTX_PEN_SOLID);
    EXPECT_EQ(oldPen.color, kRgbBlack);
    ZtxBrush hollow = {ZTX_BRUSH_HOLLOW, 0};
    api.SelectBrush(c, hollow);
    SelectBrush(d, kHollowBrush);
    EXPECT_EQ(api.SelectBrush(c, ZtxMakeBrush(ZTX_RGB(255, 255, 255))).style, ZTX_BRUSH_HOLLOW);
    SelectBrush(d, kWhiteBrush);

    api.MoveTo(c, 2, 2);
    api.LineTo(c, 100, 30);
    MoveTo(d, 2, 2);
    LineTo(d, 100, 30);
    api.Polyline(c, zp, 4);
    DrawPolyline(d, p, 4);
    api.Bezier(c, zp, 7);
    DrawBezier(d, p, 7);
    api.SelectBrush(c, ZtxMakeBrush(ZTX_PALETTE_INDEX(90)));
    SelectBrush(d, SolidBrush(PaletteIndexColor(90)));
    api.Polygon(c, zp + 1, 5);
    DrawPolygon(d, p + 1, 5);
    api.Ellipse(c, 10, 50, 50, 88);
    DrawEllipse(d, 10, 50, 50, 88);
    ZtxPen none = {ZTX_PEN_NULL, 0, 0};
    api.SelectPen(c, none);
    SelectPen(d, kNullPen);
    api.Rectangle(c, 70, 40, 100, 70);
    DrawRectangle(d, 70, 40, 100, 70);
    const ZtxRect zr = {60, 10, 80, 30};
    api.FillRect(c, &zr, ZtxMakeBrush(ZTX_PALETTE_INDEX(7)));
    FillRect(d, Rect{60, 10, 80, 30}, SolidBrush(PaletteIndexColor(7)));

    // Inverting: the mix, PatBlt and InvertRect.
    EXPECT_EQ(api.SetMix(c, ZTX_MIX_INVERT), ZTX_MIX_COPY);
    SetMix(d, Mix::Not);
    api.SelectPen(c, ZtxMakePen(1, 0));
    SelectPen(d, kBlackPen);
    api.MoveTo(c, 0, 45);
    api.LineTo(c, 119, 45);
    MoveTo(d, 0, 45);
    LineTo(d, 119, 45);
    EXPECT_EQ(api.SetMix(c, ZTX_MIX_COPY), ZTX_MIX_INVERT);
    SetMix(d, Mix::CopyPen);
    api.PatBlt(c, 100, 80, -30, -20, ZTX_ROP_INVERT);
    PatBlt(d, 100, 80, -30, -20, Rop::DestInvert);
    api.PatBlt(c, 0, 0, 5, 5, ZTX_ROP_WHITENESS);
    PatBlt(d, 0, 0, 5, 5, Rop::Whiteness);
    api.PatBlt(c, 0, 0, 5, 5, 99);  // unknown: nothing
    const ZtxRect inv = {2, 60, 40, 75};
    api.InvertRect(c, &inv);
    InvertRect(d, Rect{2, 60, 40, 75});

    // Blits within the picture, plain and mirrored.
    api.BitBlt(c, 5, 5, 40, 30, c, 50, 40);
    BitBlt(d, 5, 5, 40, 30, d, 50, 40);
    api.StretchBlt(c, 119, 0, -40, 60, c, 0, 0, 20, 20);
    StretchBlt(d, 119, 0, -40, 60, d, 0, 0, 20, 20);

    // Clipping.
    const ZtxRect clip = {10, 10, 110, 80}, hole = {40, 30, 60, 50}, narrow = {0, 20, 120, 70};
    api.SetClipRect(c, &clip);
    api.ExcludeClipRect(c, &hole);
    api.IntersectClipRect(c, &narrow);
    SetClipRect(d, Rect{10, 10, 110, 80});
    ExcludeClipRect(d, Rect{40, 30, 60, 50});
    IntersectClipRect(d, Rect{0, 20, 120, 70});
    api.FillRect(c, &zr, ZtxMakeBrush(ZTX_PALETTE_INDEX(200)));
    api.PatBlt(c, 0, 0, 120, 90, ZTX_ROP_INVERT);
    FillRect(d, Rect{60, 10, 80, 30}, SolidBrush(PaletteIndexColor(200)));
    PatBlt(d, 0, 0, 120, 90, Rop::DestInvert);
    api.RemoveClip(c);
    RemoveClip(d);
    api.PatBlt(c, 115, 85, 5, 5, ZTX_ROP_BLACKNESS);
    PatBlt(d, 115, 85, 5, 5, Rop::Blackness);

    EXPECT_GT(CountNonBlack(a.bitmap), 2000);
    EXPECT_TRUE(a.bitmap.pixels == b.bitmap.pixels);
}

TEST(PluginDrawApi, IndexStripsMemoryPicturesAndNullContexts) {
    const ZtxDrawApi& api = PluginDrawApi();
    Picture pic(16, 8);
    void* c = &pic.dc;

    // A 3 x 2 strip: rows of ZTX_STRIP_STRIDE(3) = 4 bytes, top row first;
    // entries above 235 draw 235.
    const uint8_t strip[8] = {0, 1, 2, 99, 100, 235, 250, 99};
    api.DrawIndexStrip(c, 1, 1, 3, 2, strip, 3, 2);
    EXPECT_EQ(GetPixelIndex(pic.dc, 1, 1), DeviceIndexOfEntry(0));
    EXPECT_EQ(GetPixelIndex(pic.dc, 3, 1), DeviceIndexOfEntry(2));
    EXPECT_EQ(GetPixelIndex(pic.dc, 1, 2), DeviceIndexOfEntry(100));
    EXPECT_EQ(GetPixelIndex(pic.dc, 3, 2), DeviceIndexOfEntry(235));
    EXPECT_EQ(GetPixelIndex(pic.dc, 4, 1), 0);
    // Stretched to twice the size.
    api.DrawIndexStrip(c, 8, 0, 6, 4, strip, 3, 2);
    EXPECT_EQ(GetPixelIndex(pic.dc, 8, 0), DeviceIndexOfEntry(0));
    EXPECT_EQ(GetPixelIndex(pic.dc, 11, 1), DeviceIndexOfEntry(1));
    EXPECT_EQ(GetPixelIndex(pic.dc, 13, 3), DeviceIndexOfEntry(235));
    EXPECT_EQ(GetPixelIndex(pic.dc, 14, 0), 0);

    // A picture of the plug-in's own, drawn into and copied out.
    EXPECT_EQ(api.CreateMemoryDc(0, 10), nullptr);
    EXPECT_EQ(api.CreateMemoryDc(100000, 100000), nullptr);
    void* m = api.CreateMemoryDc(4, 4);
    ASSERT_NE(m, nullptr);
    const ZtxRect all = {0, 0, 4, 4};
    api.FillRect(m, &all, ZtxMakeBrush(ZTX_PALETTE_INDEX(50)));
    api.BitBlt(c, 12, 4, 4, 4, m, 0, 0);
    EXPECT_EQ(GetPixelIndex(pic.dc, 15, 7), DeviceIndexOfEntry(50));
    api.DeleteMemoryDc(m);
    // Only its own pictures can be deleted: the record's stays usable.
    api.DeleteMemoryDc(c);
    api.DeleteMemoryDc(nullptr);
    api.FillRect(c, &all, ZtxMakeBrush(ZTX_PALETTE_INDEX(60)));
    EXPECT_EQ(GetPixelIndex(pic.dc, 0, 0), DeviceIndexOfEntry(60));

    // Without a surface (the configuration tool) every call does nothing.
    const ZtxPoint pts[] = {{0, 0}, {5, 5}, {9, 0}, {3, 3}};
    api.SelectPen(nullptr, ZtxMakePen(1, 0));
    api.LineTo(nullptr, 5, 5);
    api.Polygon(nullptr, pts, 4);
    api.Bezier(nullptr, pts, 4);
    api.FillRect(nullptr, &all, ZtxMakeBrush(0));
    api.BitBlt(c, 0, 0, 4, 4, nullptr, 0, 0);
    api.DrawIndexStrip(nullptr, 0, 0, 3, 2, strip, 3, 2);
    api.SetClipRect(nullptr, &all);
    api.Polyline(c, pts, 0);
    EXPECT_EQ(GetPixelIndex(pic.dc, 0, 0), DeviceIndexOfEntry(60));
}

#if defined(ZTX_EXAMPLE_PLUGIN) && defined(ZTX_TEST_PLUGIN_DIR)

class PluginRun : public PluginSlotTest {
protected:
    ModuleRecord& Load(const std::string& from, const std::string& name, Picture& pic) {
        EXPECT_TRUE(CopyFileOver(from, PluginFolder() + "/" + name));
        EXPECT_EQ(LoadPlugin(name.c_str()), 1);
        ModuleRecord& r = ModuleTable[kSlotPlugIn];
        r.Dc = &pic.dc;
        r.Width = pic.bitmap.width;
        r.Height = pic.bitmap.height;
        return r;
    }
};

// FNV-1a over the pixels.
uint32_t Checksum(const Bitmap8& b) {
    uint32_t h = 2166136261u;
    for (uint8_t v : b.pixels) h = (h ^ v) * 16777619u;
    return h;
}

// The example as the animation thread drives it: allocate, start, draw as
// "Strength" says for some frames, close. The picture is the same on every
// run from the same random seed; when the drawing layer's rules change on
// purpose, the checksum below is to be renewed.
TEST_F(PluginRun, ExampleDrawsTheSameFlowersEveryRun) {
    Picture pic(320, 240);
    ModuleRecord& r = Load(ZTX_EXAMPLE_PLUGIN, "rosette.so", pic);
    AnimationRunning = 1;
    SeedRandom(20261208);
    ClampControls(&r);
    r.Control[kStrengthSlot] = 3;
    ASSERT_EQ(r.DoPreInitialize(&r), 0);
    ASSERT_EQ(r.DoInitialize(&r), 0);
    int calls = 0;
    for (uint32_t frame = 0; frame < 40; ++frame) calls += RunDrawCalls(&r, frame);
    EXPECT_EQ(calls, 120);
    ASSERT_EQ(r.DoClose(&r), 0);

    EXPECT_GT(CountNonBlack(pic.bitmap), 5000);
    std::set<uint8_t> shades(pic.bitmap.pixels.begin(), pic.bitmap.pixels.end());
    EXPECT_GE(shades.size(), 6u);  // several flowers in their colours
    for (uint8_t v : shades) EXPECT_TRUE(v == 0 || (v >= 10 && v <= 245)) << int(v);
    EXPECT_EQ(Checksum(pic.bitmap), 0x3a422ac7u) << std::hex << Checksum(pic.bitmap);
}

// A plug-in made from the public header and a C compiler alone draws
// through the table it was handed.
TEST_F(PluginRun, TinyPluginDraws) {
    Picture pic(16, 16);
    ModuleRecord& r = Load(std::string(ZTX_TEST_PLUGIN_DIR) + "/probe.so", "probe.so", pic);
    ASSERT_EQ(RunDrawCalls(&r, 0), 1);
    EXPECT_EQ(GetPixelIndex(pic.dc, 0, 0), DeviceIndexOfEntry(200));
    EXPECT_EQ(GetPixelIndex(pic.dc, 7, 7), DeviceIndexOfEntry(200));
    EXPECT_EQ(GetPixelIndex(pic.dc, 8, 8), 0);
    EXPECT_EQ(CountNonBlack(pic.bitmap), 64);
}

#endif

}  // namespace
}  // namespace ztx
