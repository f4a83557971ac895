#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/files.h"
#include "settings/registry.h"
#include "tests/test_support.h"

using namespace ztx;

namespace {
const RegRoot HKCU = RegRoot::CurrentUser;
}

TEST(RegistryValues, KeepTheirTypesAndMatchWithoutRegardToCase) {
    ASSERT_TRUE(RegWriteText(HKCU, "Control Panel\\Screen Saver.Zentrix", "Active", "[D] Cube \"quoted\" \\ back"));
    ASSERT_TRUE(RegWriteDword(HKCU, "Control Panel\\Screen Saver.Zentrix", "Speed", 0xDEADBEEF));
    uint8_t bytes[5] = {0, 1, 0xFF, 0x10, 0x80};
    ASSERT_TRUE(RegSet(HKCU, "Control Panel\\Screen Saver.Zentrix", "Blob", kRegBinary, bytes, 5, false));
    ASSERT_TRUE(RegWriteText(HKCU, "Control Panel\\Screen Saver.Zentrix", "Lines", "one\ntwo\ttab"));

    std::string text;
    ASSERT_TRUE(RegReadText(HKCU, "control panel\\SCREEN SAVER.ZENTRIX", "ACTIVE", text, 259));
    EXPECT_EQ(text, "[D] Cube \"quoted\" \\ back");
    ASSERT_TRUE(RegReadText(HKCU, "Control Panel\\Screen Saver.Zentrix", "lines", text, 259));
    EXPECT_EQ(text, "one\ntwo\ttab");
    EXPECT_FALSE(RegReadText(HKCU, "Control Panel\\Screen Saver.Zentrix", "Active", text, 5));  // too long

    uint32_t n = 0;
    ASSERT_TRUE(RegReadDword(HKCU, "Control Panel\\Screen Saver.Zentrix", "speed", n));
    EXPECT_EQ(n, 0xDEADBEEFu);
    RegValue v;
    ASSERT_TRUE(RegQuery(HKCU, "Control Panel\\Screen Saver.Zentrix", "blob", v));
    EXPECT_EQ(v.type, kRegBinary);
    EXPECT_EQ(v.data, std::string(reinterpret_cast<char*>(bytes), 5));
    ASSERT_TRUE(RegQuery(HKCU, "Control Panel\\Screen Saver.Zentrix", "Active", v));
    EXPECT_EQ(v.type, kRegSz);
    EXPECT_EQ(v.data.back(), '\0');  // text comes with its terminating zero

    // Writing under another spelling replaces the value, keeping one copy.
    ASSERT_TRUE(RegWriteDword(HKCU, "CONTROL PANEL\\screen saver.zentrix", "SPEED", 7));
    RegistryData d = RegSnapshot();
    int speeds = 0;
    for (auto& name : d.ValueNames(HKCU, "Control Panel\\Screen Saver.Zentrix")) speeds += EqualsNoCase(name, "speed");
    EXPECT_EQ(speeds, 1);

    // The three roots are separate.
    EXPECT_FALSE(RegKeyExists(RegRoot::LocalMachine, "Control Panel\\Screen Saver.Zentrix"));
    ASSERT_TRUE(RegWriteText(RegRoot::ClassesRoot, ".ZTX", "", "Zentrix"));
    ASSERT_TRUE(RegReadText(RegRoot::ClassesRoot, ".ztx", "", text, 259));
    EXPECT_EQ(text, "Zentrix");

    // A value cannot be stored under a missing key unless asked to create it.
    EXPECT_FALSE(RegWriteDword(HKCU, "No\\Such\\Key", "X", 1, false));
    EXPECT_FALSE(RegKeyExists(HKCU, "No\\Such\\Key"));
}

TEST(RegistryFile, RoundTripsThroughItsTextForm) {
    RegistryData d;
    d.CreateKey(HKCU, "A\\B\\C");
    d.Set(HKCU, "A\\B", "text", MakeTextValue("x=\"y\"\\z"));
    d.Set(HKCU, "A\\B", "", MakeTextValue("default"));
    d.Set(HKCU, "A", "ctl", MakeTextValue(std::string("a\x01" "b")));
    d.Set(HKCU, "A", "n", MakeDwordValue(42));
    d.Set(RegRoot::LocalMachine, "", "root", MakeDwordValue(1));
    RegValue other;
    other.type = 7;
    other.data = std::string("a\0b\0\0", 5);
    d.Set(HKCU, "A\\B\\C", "multi", other);

    RegistryData e;
    ASSERT_TRUE(e.Parse(d.Serialize()));
    EXPECT_EQ(e.Serialize(), d.Serialize());
    EXPECT_TRUE(e.KeyExists(HKCU, "a\\b\\c"));
    EXPECT_EQ(e.Find(HKCU, "A\\B", "text")->data, std::string("x=\"y\"\\z", 7) + '\0');
    EXPECT_EQ(e.Find(HKCU, "A", "ctl")->data, std::string("a\x01" "b\0", 4));
    EXPECT_EQ(e.Find(HKCU, "A\\B\\C", "multi")->type, 7u);
    EXPECT_EQ(e.Subkeys(HKCU, "A"), (std::vector<std::string>{"B"}));
}

TEST(RegistryFile, ReadsWhatOtherEditorsWrite) {
    // CR LF ends, a byte-order mark, comments, spaces, continued hex lists,
    // the default value and deletions.
    std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n\r\n; comment\r\n"
        "[HKEY_CURRENT_USER\\Control Panel\\Screen Saver.Zentrix]\r\n"
        "\"Priority\" = hex:40,00,\\\r\n   00,00\r\n"
        "@=\"def\"\r\n"
        "\"Gone\"=dword:1\r\n"
        "\"Gone\"=-\r\n"
        "[HKEY_CURRENT_USER\\Old]\r\n\"x\"=dword:00000001\r\n"
        "[-HKEY_CURRENT_USER\\Old]\r\n";
    RegistryData d;
    std::string error;
    ASSERT_TRUE(d.Parse(text, &error)) << error;
    const RegValue* p = d.Find(HKCU, "Control Panel\\Screen Saver.Zentrix", "Priority");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->data, std::string("\x40\0\0\0", 4));
    EXPECT_EQ(d.Find(HKCU, "Control Panel\\Screen Saver.Zentrix", "")->data, std::string("def\0", 4));
    EXPECT_EQ(d.Find(HKCU, "Control Panel\\Screen Saver.Zentrix", "Gone"), nullptr);
    EXPECT_FALSE(d.KeyExists(HKCU, "Old"));

    for (const char* bad : {"not a registry\n", "REGEDIT4\n\"v\"=dword:1\n", "REGEDIT4\n[HKEY_NOWHERE\\x]\n",
                            "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"v\"=dword:123456789\n",
                            "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"v\"=hex:4g\n",
                            "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"v=\"oops\n"}) {
        EXPECT_FALSE(d.Parse(bad)) << bad;
    }
}

TEST(RegistryKeys, DeleteKeyTreeRemovesNestedKeysOnly) {
    ASSERT_TRUE(RegWriteDword(HKCU, "Control Panel\\Z\\Saved\\One\\Modules\\Cube", "Control9", 1));
    ASSERT_TRUE(RegWriteDword(HKCU, "Control Panel\\Z\\Saved\\One\\Palette", "AllEffect", 2));
    ASSERT_TRUE(RegWriteDword(HKCU, "Control Panel\\Z\\Saved\\One", "ClearFirst", 1));
    ASSERT_TRUE(RegWriteDword(HKCU, "Control Panel\\Z\\Saved\\OneMore", "ClearFirst", 1));  // shares a prefix
    ASSERT_TRUE(RegWriteDword(HKCU, "Control Panel\\Z", "Keep", 3));

    EXPECT_EQ(RegDeleteKeyTree(HKCU, ""), kRegBadPath);
    EXPECT_EQ(RegDeleteKeyTree(HKCU, "\\"), kRegBadPath);
    EXPECT_TRUE(RegKeyExists(HKCU, "Control Panel\\Z\\Saved\\One\\Modules\\Cube"));  // nothing touched

    EXPECT_EQ(RegDeleteKeyTree(HKCU, "control panel\\z\\saved\\one"), kRegOk);
    EXPECT_FALSE(RegKeyExists(HKCU, "Control Panel\\Z\\Saved\\One"));
    EXPECT_FALSE(RegKeyExists(HKCU, "Control Panel\\Z\\Saved\\One\\Modules\\Cube"));
    EXPECT_FALSE(RegKeyExists(HKCU, "Control Panel\\Z\\Saved\\One\\Palette"));
    EXPECT_TRUE(RegKeyExists(HKCU, "Control Panel\\Z\\Saved\\OneMore"));
    EXPECT_TRUE(RegKeyExists(HKCU, "Control Panel\\Z\\Saved"));
    uint32_t keep = 0;
    EXPECT_TRUE(RegReadDword(HKCU, "Control Panel\\Z", "Keep", keep));
    EXPECT_EQ(RegDeleteKeyTree(HKCU, "Control Panel\\Z\\Saved\\One"), kRegNotFound);
}

TEST(RegistryFile, DamagedFileIsSetAsideAndDefaultsApply) {
    std::string path = RegistryFilePath();
    ASSERT_TRUE(WriteFileAtomically(path, "this is \x01 not a registry file"));
    std::string text;
    EXPECT_FALSE(RegReadText(HKCU, "Control Panel\\Screen Saver.Zentrix", "Active", text, 259));

    // The damaged file is kept under a new name with its content intact.
    std::vector<std::string> kept = ListMatchingFiles(DirName(path), "registry.reg.damaged-*");
    ASSERT_EQ(kept.size(), 1u);
    std::string content;
    ASSERT_TRUE(ReadWholeFile(DirName(path) + "/" + kept[0], content));
    EXPECT_EQ(content, "this is \x01 not a registry file");

    // The program goes on with a fresh file.
    ASSERT_TRUE(RegWriteText(HKCU, "Control Panel\\Screen Saver.Zentrix", "Active", "x"));
    ASSERT_TRUE(RegReadText(HKCU, "Control Panel\\Screen Saver.Zentrix", "Active", text, 259));
    EXPECT_EQ(text, "x");

    // A key nested deeper than the registry allows is damage too (its
    // ancestors would make the file grow with the square of its depth).
    std::string deep = "REGEDIT4\n\n[HKEY_CURRENT_USER";
    for (int level = 0; level < 600; ++level) deep += "\\k";
    ASSERT_TRUE(WriteFileAtomically(path, deep + "]\n"));
    EXPECT_FALSE(RegKeyExists(HKCU, "k"));
    EXPECT_EQ(ListMatchingFiles(DirName(path), "registry.reg.damaged-*").size(), 2u);

    // A second damage is kept beside the first, never over it.
    ASSERT_TRUE(WriteFileAtomically(path, "REGEDIT4\n\"orphan\"=dword:1\n"));
    RegWriteText(HKCU, "K", "v", "after");
    EXPECT_EQ(ListMatchingFiles(DirName(path), "registry.reg.damaged-*").size(), 3u);
    ASSERT_TRUE(RegReadText(HKCU, "K", "v", text, 259));
    EXPECT_EQ(text, "after");
}

namespace {

struct WriterArgs {
    const char* prefix;
    int count;
};

int WriteMany(void* p) {
    auto* a = static_cast<WriterArgs*>(p);
    for (int i = 0; i < a->count; ++i) {
        std::string name = std::string(a->prefix) + std::to_string(i);
        if (!RegWriteDword(RegRoot::CurrentUser, "Control Panel\\Concurrent", name, static_cast<uint32_t>(i)))
            return 1;
    }
    return 0;
}

}  // namespace

TEST(RegistryFile, ConcurrentWritersFromSeveralProcessesLoseNothing) {
    constexpr int kPerProcess = 60;
    constexpr int kProcesses = 3;
    const char* prefixes[kProcesses] = {"a", "b", "c"};
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            WriterArgs args{prefixes[p], kPerProcess};
            _exit(WriteMany(&args));
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryData d = RegSnapshot();
    EXPECT_EQ(d.ValueNames(RegRoot::CurrentUser, "Control Panel\\Concurrent").size(),
              static_cast<size_t>(kPerProcess * kProcesses));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kPerProcess; ++i) {
            const RegValue* v = d.Find(RegRoot::CurrentUser, "Control Panel\\Concurrent",
                                       std::string(prefixes[p]) + std::to_string(i));
            ASSERT_NE(v, nullptr) << prefixes[p] << i;
            uint32_t n;
            std::memcpy(&n, v->data.data(), 4);
            EXPECT_EQ(n, static_cast<uint32_t>(i));
        }
    }
}
