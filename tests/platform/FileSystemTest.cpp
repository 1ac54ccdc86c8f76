#include "platform/FileErrors.h"
#include "platform/LocalFileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;
using qmtest::TempFolder;

namespace {
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}
struct FileTest : ::testing::Test {
    TempFolder dir;
    LocalFileSystem fs;
    std::string error;
};
} // namespace

TEST_F(FileTest, ExistsForFilesAndFoldersButNotHiddenNorMissing) {
    dir.write("data.mdf", "x");
    dir.write(".hidden", "x");
    std::filesystem::create_directories(dir / ".dotfolder");
    dir.write(".dotfolder/inside.ldf", "x");
    EXPECT_TRUE(fs.Exists(dir / "data.mdf"));
    EXPECT_TRUE(fs.Exists(dir / ".dotfolder/inside.ldf"));  // only the entry's own name counts
    EXPECT_TRUE(fs.Exists(dir.path() + "/."));
    for (const char* name : {".hidden", ".dotfolder", ".dotfolder/", "missing.ldf", "DATA.MDF"})
        EXPECT_FALSE(fs.Exists(dir / name)) << name;
    EXPECT_FALSE(fs.Exists(""));
}

TEST(FileErrors, PermissionNotFoundAndOtherCodesGiveTheFixedTexts) {
    EXPECT_EQ(DescribeErrno(EACCES), "拒绝的权限");
    EXPECT_EQ(DescribeErrno(EBUSY), "拒绝的权限");
    EXPECT_EQ(DescribeErrno(ENOENT), "文件未找到");
    EXPECT_EQ(DescribeErrno(EEXIST), "文件已存在");
    EXPECT_EQ(DescribeErrno(ENOSPC), "磁盘已满");
    const std::string io = DescribeErrno(EIO);
    EXPECT_EQ(io.rfind("文件操作失败：", 0), 0u);
    EXPECT_GT(io.size(), std::string("文件操作失败：").size());

    EXPECT_EQ(DescribeWindowsError(32, "in use"), "拒绝的权限");  // held open by the server
    EXPECT_EQ(DescribeWindowsError(3, ""), "文件未找到");
    EXPECT_EQ(DescribeWindowsError(183, ""), "文件已存在");
    EXPECT_EQ(DescribeWindowsError(21, "设备未就绪。\r\n"), "文件操作失败：设备未就绪。");
    EXPECT_EQ(DescribeWindowsError(1117, ""), "文件操作失败：错误代码 1117");
}

TEST_F(FileTest, RealFailuresAreDescribed) {
    EXPECT_FALSE(fs.Remove(dir / "missing.ldf", error));
    EXPECT_EQ(error, "文件未找到");
    EXPECT_FALSE(fs.Copy(dir / "missing.ldf", dir / "b", error));
    EXPECT_EQ(error, "文件未找到");
    std::vector<std::string> lines{"stale"};
    EXPECT_FALSE(fs.ReadLines(dir / "missing.ldf", lines));
    EXPECT_TRUE(lines.empty());
    if (::access("/proc/self/status", F_OK) == 0) {  // refused even to root: the kernel's own files
        EXPECT_FALSE(fs.Remove("/proc/self/status", error));
        EXPECT_EQ(error, "拒绝的权限");
    }
    std::filesystem::create_directory(dir / "sub");
    EXPECT_FALSE(fs.Remove(dir / "sub", error));  // a folder is not removed
    EXPECT_FALSE(fs.Copy(dir / "sub", dir / "x", error));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"sub"});
}

TEST_F(FileTest, MoveNeverReplacesAnExistingTargetButCopyDoes) {
    dir.write("a.ldf", "old log");
    dir.write("b.bak", "earlier");
    EXPECT_FALSE(fs.Move(dir / "a.ldf", dir / "b.bak", error));
    EXPECT_EQ(error, "文件已存在");
    EXPECT_EQ(TempFolder::read(dir / "b.bak"), "earlier");
    EXPECT_TRUE(fs.Move(dir / "a.ldf", dir / "a.ldf.20150101120000.bak", error));
    EXPECT_EQ(TempFolder::read(dir / "a.ldf.20150101120000.bak"), "old log");
    EXPECT_FALSE(fs.Exists(dir / "a.ldf"));

    dir.write("Readme.txt", std::string("new\0bytes", 9));
    ASSERT_TRUE(fs.Copy(dir / "Readme.txt", dir / "b.bak", error)) << error;
    EXPECT_EQ(TempFolder::read(dir / "b.bak"), std::string("new\0bytes", 9));
    EXPECT_TRUE(fs.Copy(dir / "Readme.txt", dir / "Readme.txt", error));  // onto itself: unchanged
    EXPECT_EQ(TempFolder::read(dir / "Readme.txt"), std::string("new\0bytes", 9));
}

TEST_F(FileTest, ReadLinesDecodesAndSplitsLikeLineInput) {
    std::vector<std::string> lines;
    dir.write("a.txt", "one\r\ntwo\n\n[\xCB\xB5\xC3\xF7]");  // GBK last line
    ASSERT_TRUE(fs.ReadLines(dir / "a.txt", lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "[说明]"}));
}

TEST_F(FileTest, WriteAtomicReplacesWholeAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(fs.WriteAtomic(dir / "Readme.txt", "first", error)) << error;
    ::chmod((dir / "Readme.txt").c_str(), 0640);
    ASSERT_TRUE(fs.WriteAtomic(dir / "Readme.txt", "second", error)) << error;
    EXPECT_EQ(TempFolder::read(dir / "Readme.txt"), "second");
    struct stat st;
    ASSERT_EQ(::stat((dir / "Readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the target keeps its permissions
    EXPECT_FALSE(fs.WriteAtomic(dir / "no/such/folder.txt", "x", error));
    EXPECT_EQ(error, "文件未找到");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Readme.txt"});
}

TEST_F(FileTest, AFailedWriteAtomicLeavesTheOldContent) {
    // A file-size limit makes the write itself fail part-way, as a full disk would, also for root.
    dir.write("Readme.txt", "old content");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        const bool ok = fs.WriteAtomic(dir / "Readme.txt", std::string(4096, 'n'), error);
        ::_exit(ok ? 1 : (error.rfind("文件操作失败：", 0) == 0 ? 0 : 2));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);  // failed, with a described reason
    EXPECT_EQ(TempFolder::read(dir / "Readme.txt"), "old content");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Readme.txt"});
}
