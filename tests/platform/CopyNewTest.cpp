// The copy kept before a repair, on this system's own disks: progress up to the whole, a cancel or a
// failure that leaves nothing behind, a target that is never replaced, the free space and sizes it is
// planned with. On Windows a source another process holds unshared is refused as the server's files are.
#include "platform/FileErrors.h"
#include "platform/LocalFileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include "OtherProcess.h"
#endif

using qmtest::TempFolder;

namespace {

size_t Entries(const std::string& folder) {
    const auto it = std::filesystem::directory_iterator(qmtest::Native(folder));
    return size_t(std::distance(begin(it), end(it)));
}

TEST(CopyNew, CopiesWithProgressAndLeavesNothingWhenCancelledRefusedOrFailed) {
    TempFolder dir;
    qm::LocalFileSystem fs;
    std::string error;
    const std::string data(5 * 1024 * 1024 + 17, 'd'), from = dir.write("UFDATA.MDF", data);
    std::filesystem::create_directories(qmtest::Native(dir.path() + "/备份"));
    const std::string to = dir.path() + "/备份/UFDATA.MDF";

    std::uint64_t last = 0, total = 0;
    bool monotonic = true;
    ASSERT_TRUE(fs.CopyNew(
        from, to,
        [&](std::uint64_t done, std::uint64_t all) {
            monotonic = monotonic && done >= last;
            last = done, total = all;
            return true;
        },
        error))
        << error;
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(last, data.size());
    EXPECT_EQ(total, data.size());
    EXPECT_EQ(TempFolder::read(to), data);
    std::uint64_t size = 0;
    EXPECT_TRUE(fs.SizeOf(to, size, error) && size == data.size()) << error;

    // An existing copy is never replaced; a cancel part-way and a missing source leave no file.
    dir.write("备份/UFDATA.LDF", "earlier");
    EXPECT_FALSE(fs.CopyNew(from, dir.path() + "/备份/UFDATA.LDF", nullptr, error));
    EXPECT_EQ(error, qm::kTextFileExists);
    EXPECT_EQ(TempFolder::read(dir.path() + "/备份/UFDATA.LDF"), "earlier");
    EXPECT_FALSE(fs.CopyNew(
        from, dir.path() + "/备份/CUT.MDF", [](std::uint64_t done, std::uint64_t) { return done < 1024 * 1024; },
        error));
    EXPECT_EQ(error, qm::kTextCopyCancelled);
    EXPECT_FALSE(fs.CopyNew(dir.path() + "/NONE.MDF", dir.path() + "/备份/NONE.MDF", nullptr, error));
    EXPECT_EQ(error, qm::kTextFileNotFound);
    EXPECT_EQ(Entries(dir.path() + "/备份"), 2u);

    std::uint64_t free = 0;
    EXPECT_TRUE(fs.FreeBytes(dir.path(), free, error) && free > 0) << error;
    EXPECT_FALSE(fs.FreeBytes(dir.path() + "/NONE", free, error));
    EXPECT_FALSE(fs.SizeOf(dir.path() + "/NONE.MDF", size, error));
}

#ifdef _WIN32
TEST(CopyNew, AFileAnotherProcessHoldsUnsharedIsRefusedAndNothingIsLeft) {
    TempFolder dir;
    qm::LocalFileSystem fs;
    std::string error;
    const std::string from = dir.write("UFDATA.MDF", "held");
    qmtest::OtherProcess server;
    ASSERT_TRUE(server.Start("hold", from));
    EXPECT_FALSE(fs.CopyNew(from, dir.path() + "/UFDATA.MDF.copy", nullptr, error));
    EXPECT_EQ(error, qm::kTextPermissionDenied);
    EXPECT_EQ(Entries(dir.path()), 1u);
}
#endif

} // namespace
