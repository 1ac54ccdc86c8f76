#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/LocalFileSystem.h"
#include "platform/LocalSystemServices.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "TempFolder.h"

#ifdef _WIN32
#include "platform/Text.h"
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace qm;
using qmtest::TempFolder;

#ifndef _WIN32
#include <sys/stat.h>

TEST(Shell, OpensTheAddressWithXdgOpenWhenItIsThereAndNothingOtherwise) {
    TempFolder dir;
    const std::string script = dir.write("xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + (dir / "opened.part") +
                                                         "\"\nmv \"" + (dir / "opened.part") + "\" \"" +
                                                         (dir / "opened") + "\"\n");
    ::chmod(script.c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir.path() + ":/usr/bin:/bin").c_str(), 1);
    EXPECT_EQ(FindOnPath("xdg-open"), script);
    LocalShell shell;
    shell.Open("http://www.example.com/说明?a=1&b=2");
    for (int i = 0; i < 1000 && TempFolder::read(dir / "opened").empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(TempFolder::read(dir / "opened"), "http://www.example.com/说明?a=1&b=2");

    ::setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(FindOnPath("xdg-open"), "");
    shell.Open("http://www.example.com");  // nothing to start: nothing happens
    ::setenv("PATH", oldPath.c_str(), 1);
}
#endif

TEST(SystemServices, RegistryComputerNameToolFolderAndTheDefaultPlatform) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), PathSeparator());
    LocalFileSystem files;
#ifdef _WIN32
    EXPECT_TRUE(LocalRegistry().CanOpenLocalMachineKey("SOFTWARE\\Microsoft"));
    EXPECT_TRUE(files.Exists(JoinPath(folder, "test_platform.exe"))) << folder;
    wchar_t env[256] = {0};  // the name the system also puts into the environment
    ASSERT_GT(GetEnvironmentVariableW(L"COMPUTERNAME", env, 256), 0u);
    EXPECT_EQ(LocalSystemInfo().ComputerName(), WideToUtf8(env));
#else
    EXPECT_FALSE(LocalRegistry().CanOpenLocalMachineKey("SOFTWARE\\Microsoft"));  // no registry here
    EXPECT_TRUE(files.Exists(JoinPath(folder, "test_platform"))) << folder;
    EXPECT_FALSE(LocalSystemInfo().ComputerName().empty());
#endif

    TempFolder dir;
    DefaultPlatform d = MakeDefaultPlatform(dir.path());
    const Platform& p = d.platform;
    EXPECT_EQ(p.toolFolder, dir.path());
    dir.write("Config.ini", "x");
    EXPECT_TRUE(p.files->Exists(dir / "Config.ini"));  // the adapters are the real ones
}
