// The ztx tool as a user runs it: exit statuses, listing, JSON that parses,
// import and export, palette files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "settings/settings_key.h"
#include "tests/test_support.h"

#ifdef ZTX_TOOL_EXE
namespace {

using Result = ztx_test::CommandResult;

Result Ztx(const std::string& args) {
    return ztx_test::RunCommand(std::string("'") + ZTX_TOOL_EXE + "' " + args + " 2>/dev/null");
}

// Whether the text is one JSON value (checked by Python's parser).
bool ParsesAsJson(const std::string& text) {
    std::string file = ztx_test::g_tempRoot + "/out.json";
    if (!ztx::WriteFileAtomically(file, text)) return false;
    std::string cmd = "python3 -c 'import json,sys; json.load(open(sys.argv[1]))' '" + file + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
}

TEST(ZtxTool, UsageErrorsAndFailures) {
    EXPECT_EQ(Ztx("").status, 2);
    EXPECT_EQ(Ztx("frobnicate").status, 2);
    EXPECT_EQ(Ztx("show").status, 2);
    EXPECT_EQ(Ztx("export onlyone").status, 2);
    EXPECT_EQ(Ztx("show 'No Such Display'").status, 1);
    EXPECT_EQ(Ztx("show --file /nonexistent.ZTX").status, 1);
    EXPECT_EQ(Ztx("palette show /nonexistent.PAL").status, 1);
    EXPECT_EQ(Ztx("--help").status, 0);
    EXPECT_NE(Ztx("--version").out.find("4.0.1230"), std::string::npos);
    // Each verb has a usage of its own, also after "help".
    Result render = Ztx("render --help");
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.out, Ztx("help render").out);
    EXPECT_NE(render.out, Ztx("bench --help").out);
    EXPECT_NE(render.out.find("--seed"), std::string::npos);
}

// What render cannot draw as asked is refused instead of drawn as
// something else: an unknown module, a file that is no display, a display
// whose plug-in is missing.
TEST(ZtxTool, RenderRefusesWhatItCannotDraw) {
    const std::string out = " --frames 1 --out '" + ztx_test::g_tempRoot + "/x.png'";
    EXPECT_EQ(Ztx("render --module Nope" + out).status, 1);
    EXPECT_EQ(Ztx("bench --module Nope --frames 1").status, 1);
    // An output it cannot write names the folder that is missing.
    const Result unwritable = ztx_test::RunCommand(std::string("'") + ZTX_TOOL_EXE +
                                                   "' render --module Star --frames 1 --out /nonexistent/x.gif 2>&1");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.out.find("folder /nonexistent"), std::string::npos) << unwritable.out;
    // An output path is never a printf format.
    EXPECT_EQ(Ztx("render --module Star --frames 1 --out '" + ztx_test::g_tempRoot + "/x%d%n.png'").status, 2);
    const std::string junk = ztx_test::g_tempRoot + "/notes.txt";
    ASSERT_TRUE(ztx::WriteFileAtomically(junk, "shopping: milk, eggs\n"));
    EXPECT_EQ(Ztx("render --file '" + junk + "'" + out).status, 1);
    const std::string needsPlugin = ztx_test::g_tempRoot + "/Flower.ZTX";
    ASSERT_TRUE(ztx::WriteFileAtomically(needsPlugin, "[Header]\nMagic=1107313153\n[PlugIn]\nUsed=1\n"
                                                      "PluginPath=missing.so\n"));
    EXPECT_EQ(Ztx("render --file '" + needsPlugin + "'" + out).status, 1);
    EXPECT_FALSE(ztx::FileExists(ztx_test::g_tempRoot + "/x.png"));
}

// Showing and rendering display files reads them only: runs at once each
// see their own file, and "Active" stays as it was.
TEST(ZtxTool, ReadingFilesInParallelTouchesNoSetting) {
    ASSERT_EQ(Ztx("displays").status, 0);
    const std::string active = ztx::ReadSettingText("Active");
    std::string script;
    for (const char* module : {"Cube", "Star", "Pattern", "Bezier"}) {
        const std::string file = ztx_test::g_tempRoot + "/Only" + module + ".ZTX";
        ASSERT_TRUE(ztx::WriteFileAtomically(file, std::string("[Header]\nMagic=1107313153\n[") + module +
                                                       "]\nUsed=1\n"));
        for (int i = 0; i < 3; ++i)
            script += "'" + std::string(ZTX_TOOL_EXE) + "' show --json --file '" + file + "' > '" + file + "." +
                      std::to_string(i) + ".json' & ";
    }
    ASSERT_EQ(std::system((script + "wait").c_str()), 0);
    for (const char* module : {"Cube", "Star", "Pattern", "Bezier"}) {
        for (int i = 0; i < 3; ++i) {
            std::string json;
            ASSERT_TRUE(ztx::ReadWholeFile(ztx_test::g_tempRoot + "/Only" + module + ".ZTX." + std::to_string(i) +
                                               ".json",
                                           json));
            const std::string used = std::string("\"name\": \"") + module + "\", \"active\": true";
            EXPECT_NE(json.find(used), std::string::npos) << module << " " << i;
        }
    }
    EXPECT_EQ(ztx::ReadSettingText("Active"), active);

    // Renders of display files at once each draw their own file.
    auto render = [&](const char* module, const std::string& out) {
        return "'" + std::string(ZTX_TOOL_EXE) + "' render --file '" + ztx_test::g_tempRoot + "/Only" + module +
               ".ZTX' --size 32x24 --frames 5 --seed 3 --out '" + out + "'";
    };
    std::string together;
    for (const char* module : {"Cube", "Star"}) {
        ASSERT_EQ(std::system(render(module, ztx_test::g_tempRoot + "/alone.bmp").c_str()), 0);
        std::string alone;
        ASSERT_TRUE(ztx::ReadWholeFile(ztx_test::g_tempRoot + "/alone.bmp", alone));
        ASSERT_TRUE(ztx::WriteFileAtomically(ztx_test::g_tempRoot + "/" + module + ".alone", alone));
        for (int i = 0; i < 3; ++i)
            together += render(module, ztx_test::g_tempRoot + "/" + module + std::to_string(i) + ".bmp") + " & ";
    }
    ASSERT_EQ(std::system((together + "wait").c_str()), 0);
    for (const char* module : {"Cube", "Star"}) {
        std::string alone, same;
        ASSERT_TRUE(ztx::ReadWholeFile(ztx_test::g_tempRoot + "/" + module + ".alone", alone));
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(ztx::ReadWholeFile(ztx_test::g_tempRoot + "/" + module + std::to_string(i) + ".bmp", same));
            EXPECT_EQ(same, alone) << module << " " << i;
        }
    }
    EXPECT_EQ(ztx::ReadSettingText("Active"), active);
}

// Import takes displays only: a text file or a picture is refused and
// nothing turns up among the saved displays.
TEST(ZtxTool, ImportRefusesFilesThatAreNoDisplays) {
    const std::string text = ztx_test::g_tempRoot + "/passwd";
    const std::string picture = ztx_test::g_tempRoot + "/Picture.ZTX";
    ASSERT_TRUE(ztx::WriteFileAtomically(text, "root:x:0:0:root:/root:/bin/bash\n"));
    ASSERT_TRUE(ztx::WriteFileAtomically(picture, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    EXPECT_EQ(Ztx("import --yes '" + text + "' '" + picture + "'").status, 1);
    const std::string list = Ztx("displays").out;
    EXPECT_EQ(list.find("passwd"), std::string::npos);
    EXPECT_EQ(list.find("Picture"), std::string::npos);
}

// A GIF at 60 frames a second keeps every delay at two hundredths or more
// (viewers slow shorter ones down to ten) and still lasts as long as the
// frames; it is created with the permissions the umask leaves.
TEST(ZtxTool, GifFramesPlayAtTheirSpeed) {
    const std::string gif = ztx_test::g_tempRoot + "/star.gif";
    ASSERT_EQ(Ztx("render '[D] Star' --size 32x24 --frames 30 --fps 60 --out '" + gif + "'").status, 0);
    std::string bytes;
    ASSERT_TRUE(ztx::ReadWholeFile(gif, bytes));
    int total = 0, frames = 0;
    for (size_t at = 0; (at = bytes.find("\x21\xF9\x04", at)) != std::string::npos; at += 3) {
        const int delay = static_cast<uint8_t>(bytes[at + 4]) | static_cast<uint8_t>(bytes[at + 5]) << 8;
        EXPECT_GE(delay, 2);
        total += delay;
        ++frames;
    }
    EXPECT_EQ(total, 50);
    EXPECT_GT(frames, 10);

    const std::string shared = ztx_test::g_tempRoot + "/shared.gif";
    ASSERT_EQ(std::system(("umask 022; '" + std::string(ZTX_TOOL_EXE) +
                           "' render '[D] Star' --size 8x8 --frames 2 --out '" + shared + "'")
                              .c_str()),
              0);
    struct stat st {};
    ASSERT_EQ(stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(ZtxTool, FirstRunDisplaysShowAsJson) {
    // Importing anything runs the start-up, which makes the first-run
    // displays in the empty folder.
    std::string file = ztx_test::g_tempRoot + "/Mine.ZTX";
    ASSERT_TRUE(ztx::WriteFileAtomically(file, "[Header]\r\nMagic=1107313153\r\n[Sequencer]\r\nUsed=1\r\n"
                                               "SeqItems=1\r\n0=[D] Cube \"quoted\"\r\n"));
    ASSERT_EQ(Ztx("import '" + file + "'").status, 0);
    EXPECT_EQ(Ztx("import '" + file + "'").status, 1);  // exists: refused without --yes
    EXPECT_EQ(Ztx("import --yes '" + file + "'").status, 0);

    Result list = Ztx("displays");
    ASSERT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("Mine\n"), std::string::npos);
    std::vector<std::string> names;
    for (size_t at = 0, nl; (nl = list.out.find('\n', at)) != std::string::npos; at = nl + 1)
        names.push_back(list.out.substr(at, nl - at));
    for (const std::string& name : names) {
        Result r = Ztx("show --json '" + name + "'");
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_TRUE(ParsesAsJson(r.out)) << name << ": " << r.out.substr(0, 200);
        EXPECT_NE(r.out.find("\"name\": "), std::string::npos);
    }
    Result shown = Ztx("show --json --file '" + file + "'");
    EXPECT_EQ(shown.status, 0);
    EXPECT_TRUE(ParsesAsJson(shown.out));
    EXPECT_NE(shown.out.find("\"[D] Cube \\\"quoted\\\"\""), std::string::npos);

    std::string exported = ztx_test::g_tempRoot + "/out.ZTX";
    EXPECT_EQ(Ztx("export Mine '" + exported + "'").status, 0);
    EXPECT_TRUE(ztx::IsRegularFile(exported));
}

TEST(ZtxTool, PaletteFilesConvertToTheProgramsForm) {
    // A 768-byte file of 6-bit levels.
    std::string triples;
    for (int i = 0; i < 256; ++i) triples += std::string{static_cast<char>(i % 64), 0, 63};
    std::string in = ztx_test::g_tempRoot + "/plain.pal";
    std::string out = ztx_test::g_tempRoot + "/converted.PAL";
    ASSERT_TRUE(ztx::WriteFileAtomically(in, triples));
    Result shown = Ztx("palette show '" + in + "'");
    ASSERT_EQ(shown.status, 0);
    size_t lines = 0;
    for (char c : shown.out) lines += c == '\n';
    EXPECT_EQ(lines, 236u);
    ASSERT_EQ(Ztx("palette convert '" + in + "' '" + out + "'").status, 0);
    Result again = Ztx("palette show '" + out + "'");
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, shown.out);
}

}  // namespace
#endif
