#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/LocalSystemServices.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

using namespace qm;
using qmtest::TempFolder;

namespace {

// Sets PATH for one test and puts it back.
struct PathOverride {
    std::string old;
    bool had;
    explicit PathOverride(const std::string& value) {
        const char* o = std::getenv("PATH");
        had = o != nullptr;
        if (o) old = o;
        ::setenv("PATH", value.c_str(), 1);
    }
    ~PathOverride() {
        if (had) ::setenv("PATH", old.c_str(), 1);
        else ::unsetenv("PATH");
    }
};

bool WaitForFile(const std::string& path, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!TempFolder::read(path).empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

TEST(Shell, OpensTheAddressWithXdgOpenWhenItIsThere) {
    TempFolder dir;
    const std::string script = dir.write("xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + (dir / "opened.part") +
                                                         "\"\nmv \"" + (dir / "opened.part") + "\" \"" +
                                                         (dir / "opened") + "\"\n");
    ::chmod(script.c_str(), 0755);
    PathOverride path(dir.path() + ":/usr/bin:/bin");
    EXPECT_EQ(FindOnPath("xdg-open"), script);

    LocalShell shell;
    shell.Open("http://www.example.com/说明?a=1&b=2");
    ASSERT_TRUE(WaitForFile(dir / "opened", std::chrono::seconds(10)));
    EXPECT_EQ(TempFolder::read(dir / "opened"), "http://www.example.com/说明?a=1&b=2");
}

TEST(Shell, WithoutXdgOpenOrWithNothingToOpenNothingHappens) {
    TempFolder dir;
    PathOverride path(dir.path());
    EXPECT_EQ(FindOnPath("xdg-open"), "");
    LocalShell shell;
    shell.Open("http://www.example.com");
    shell.Open("");
    SUCCEED();
}

TEST(SystemServices, ClockRegistryComputerNameAndToolFolder) {
    SystemClock clock;
    const auto a = std::chrono::system_clock::now();
    const auto b = clock.Now();
    EXPECT_LE(a, b);

    LocalRegistry registry;
    EXPECT_FALSE(registry.CanOpenLocalMachineKey("SOFTWARE\\Microsoft"));  // no registry here

    LocalSystemInfo info;
    char host[256] = {0};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(info.ComputerName(), std::string(host));

    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    struct stat st;
    EXPECT_EQ(::stat(JoinPath(folder, "test_platform").c_str(), &st), 0) << folder;

    EXPECT_EQ(JoinPath("/opt/tool", "Config.ini"), "/opt/tool/Config.ini");
    EXPECT_EQ(JoinPath("/", "Config.ini"), "/Config.ini");
}

TEST(DefaultPlatform, WiresEveryAdapterButAutomation) {
    TempFolder dir;
    DefaultPlatform d = MakeDefaultPlatform(dir.path());
    const Platform& p = d.platform;
    EXPECT_EQ(p.toolFolder, dir.path());
    EXPECT_NE(p.connections, nullptr);
    EXPECT_NE(p.files, nullptr);
    EXPECT_NE(p.http, nullptr);
    EXPECT_NE(p.instance, nullptr);
    EXPECT_NE(p.shell, nullptr);
    EXPECT_NE(p.clock, nullptr);
    EXPECT_NE(p.registry, nullptr);
    EXPECT_NE(p.system, nullptr);
    EXPECT_EQ(p.automation, nullptr);
    // The adapters are the real ones.
    dir.write("Config.ini", "x");
    EXPECT_TRUE(p.files->Exists(dir / "Config.ini"));
    std::string body, error;
    EXPECT_FALSE(p.http->Get("", body, error));
}
