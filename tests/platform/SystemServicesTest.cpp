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

using namespace qm;
using qmtest::TempFolder;

TEST(SystemServices, RegistryComputerNameToolFolderAndTheDefaultPlatform) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), PathSeparator());
    LocalFileSystem files;
#ifdef _WIN32
    EXPECT_TRUE(LocalRegistry().CanOpenLocalMachineKey("SOFTWARE\\Microsoft"));
    EXPECT_TRUE(files.Exists(JoinPath(folder, "test_platform.exe"))) << folder;
    wchar_t env[256] = {0}; // the name the system also puts into the environment
    ASSERT_GT(GetEnvironmentVariableW(L"COMPUTERNAME", env, 256), 0u);
    EXPECT_EQ(LocalSystemInfo().ComputerName(), WideToUtf8(env));
#else
    EXPECT_FALSE(LocalRegistry().CanOpenLocalMachineKey("SOFTWARE\\Microsoft")); // no registry here
    EXPECT_TRUE(files.Exists(JoinPath(folder, "test_platform"))) << folder;
    EXPECT_FALSE(LocalSystemInfo().ComputerName().empty());
#endif

    TempFolder dir;
    DefaultPlatform d = MakeDefaultPlatform(dir.path());
    const Platform& p = d.platform;
    EXPECT_EQ(p.toolFolder, dir.path());
    dir.write("Config.ini", "x");
    EXPECT_TRUE(p.files->Exists(dir / "Config.ini")); // the adapters are the real ones
}
