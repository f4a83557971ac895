// Test entry: every test process gets its own temporary home, configuration
// and data folders and its own shared-memory block name, so tests never touch
// the user's settings and can run in parallel.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/test_support.h"

namespace {

class IsolatedFolders : public ::testing::Environment {
public:
    void SetUp() override {
        char tmpl[] = "/tmp/ztx-test-XXXXXX";
        const char* dir = mkdtemp(tmpl);
        ASSERT_NE(dir, nullptr);
        ztx_test::g_tempRoot = dir;
        std::string root = dir;
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        std::string shm = "/ztx-test-" + std::to_string(getpid());
        setenv("ZENTRIX_SOUNDLINK", shm.c_str(), 1);
    }
    void TearDown() override {
        ztx_test::RemoveTree(ztx_test::g_tempRoot);
        ztx_test::UnlinkTestSharedMemory();
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new IsolatedFolders);
    return RUN_ALL_TESTS();
}
