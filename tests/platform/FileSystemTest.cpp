// The file layer on this system's own disks: what counts as existing, the descriptions of real failures,
// moves that never overwrite, and the atomic write. On Windows a file held open by another process
// stands for a database file the server holds.
#include "platform/FileErrors.h"
#include "platform/LocalFileSystem.h"
#include "platform/Text.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#ifdef _WIN32
#include "OtherProcess.h"

#include <windows.h>
#endif

using namespace qm;
using qmtest::TempFolder;

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator(qmtest::Native(folder))) {
        const std::u8string name = e.path().filename().u8string(); // UTF-8 on either system
        out.emplace_back(name.begin(), name.end());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A file the system counts as hidden: the hidden or system attribute on Windows, a leading "." elsewhere.
std::string WriteHidden(const TempFolder& dir, const std::string& name, bool system = false) {
#ifdef _WIN32
    const std::string p = dir.write(name, "x");
    SetFileAttributesW(qmtest::WidePath(p).c_str(), system ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_HIDDEN);
    return p;
#else
    (void)system;
    return dir.write("." + name, "x");
#endif
}

struct FileTest : ::testing::Test {
    TempFolder dir;
    LocalFileSystem fs;
    std::string error;
};

} // namespace

TEST_F(FileTest, ExistsForFilesAndFoldersButNotHiddenNorMissing) {
    dir.write("数据.mdf", "x");
    TempFolder::MakeFolder(dir / "sub");
#ifdef _WIN32
    SetFileAttributesW(qmtest::WidePath(dir / "数据.mdf").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
#endif
    EXPECT_TRUE(fs.Exists(dir / "数据.mdf"));
    EXPECT_TRUE(fs.Exists(dir / "sub"));
    for (const std::string& hidden : {WriteHidden(dir, "hidden.ldf"), WriteHidden(dir, "system.ldf", true)})
        EXPECT_FALSE(fs.Exists(hidden)) << hidden;
    EXPECT_FALSE(fs.Exists(dir / "missing.ldf"));
    EXPECT_FALSE(fs.Exists(""));
#ifndef _WIN32
    EXPECT_FALSE(fs.Exists(dir / "数据.MDF")); // names are exact where the disk says so
#endif
}

// The fixed texts are met for real below; here the codes no test can provoke.
TEST(FileErrors, OtherCodesCarryTheSystemsReason) {
    EXPECT_EQ(DescribeErrno(EBUSY), "拒绝的权限");
    EXPECT_EQ(DescribeErrno(EIO).rfind("文件操作失败：", 0), 0u);
    EXPECT_EQ(DescribeWindowsError(21, "设备未就绪。\r\n"), "文件操作失败：设备未就绪。");
    EXPECT_EQ(DescribeWindowsError(1117, ""), "文件操作失败：错误代码 1117");
}

TEST_F(FileTest, RefusalsCarryTheirDescriptionsAndChangeNothing) {
    TempFolder::MakeFolder(dir / "sub");
    dir.write("日志.ldf", "old log");
    dir.write("b.bak", "earlier");
    const std::string missing = dir / "missing.ldf";
    const std::pair<std::function<bool()>, std::string> refused[] = {
        {[&] { return fs.Remove(missing, error); }, "文件未找到"},
        {[&] { return fs.Move(missing, dir / "b", error); }, "文件未找到"},
        {[&] { return fs.Copy(missing, dir / "b", error); }, "文件未找到"},
        {[&] { return fs.WriteAtomic(dir / "no/such/folder.txt", "x", error); }, "文件未找到"},
        {[&] { return fs.Move(dir / "日志.ldf", dir / "b.bak", error); }, "文件已存在"}, // a move never replaces
        {[&] { return fs.Remove(dir / "sub", error); }, ""}, // folders are neither removed nor copied
        {[&] { return fs.Copy(dir / "sub", dir / "x", error); }, ""}};
    for (const auto& [op, description] : refused) {
        error.clear();
        EXPECT_FALSE(op()) << description;
        EXPECT_TRUE(description.empty() || error == description) << error;
    }
    std::vector<std::string> lines{"stale"};
    EXPECT_FALSE(fs.ReadLines(missing, lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(TempFolder::read(dir / "b.bak"), "earlier");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"b.bak", "sub", "日志.ldf"}));
}

TEST_F(FileTest, MovesCopiesReadsAndWritesWholeFiles) {
    dir.write("日志.ldf", "old log");
    EXPECT_TRUE(fs.Move(dir / "日志.ldf", dir / "日志.ldf.20150101120000.bak", error)) << error;
    EXPECT_EQ(TempFolder::read(dir / "日志.ldf.20150101120000.bak"), "old log");

    const std::string bytes("new\0bytes", 9);
    dir.write("b.bak", "earlier");
    dir.write("Readme.txt", bytes);
    ASSERT_TRUE(fs.Copy(dir / "Readme.txt", dir / "b.bak", error)) << error; // a copy does replace
    EXPECT_EQ(TempFolder::read(dir / "b.bak"), bytes);
    EXPECT_TRUE(fs.Copy(dir / "Readme.txt", dir / "Readme.txt", error)); // onto itself: unchanged
    EXPECT_EQ(TempFolder::read(dir / "Readme.txt"), bytes);

    std::vector<std::string> lines;
    dir.write("a.txt", "one\r\ntwo\n\n[\xCB\xB5\xC3\xF7]"); // GBK last line
    ASSERT_TRUE(fs.ReadLines(dir / "a.txt", lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "[说明]"}));

    ASSERT_TRUE(fs.WriteAtomic(dir / "Readme.txt", "first", error)) << error;
    ASSERT_TRUE(fs.WriteAtomic(dir / "Readme.txt", "second", error)) << error;
    EXPECT_EQ(TempFolder::read(dir / "Readme.txt"), "second");
    EXPECT_EQ(Names(dir.path()),
              (std::vector<std::string>{"Readme.txt", "a.txt", "b.bak", "日志.ldf.20150101120000.bak"}));
}

#ifdef _WIN32
// Another process holds the file open and shares nothing, as SQL Server holds the files of a database
// it has open: a move, a deletion and a replacing write of it are refused, and nothing is left behind.
TEST_F(FileTest, AFileAnotherProcessHoldsOpenIsRefusedWithPermissionDenied) {
    const std::string log = dir.write("UFDATA_001_2015_LOG.LDF", "held");
    qmtest::OtherProcess server;
    ASSERT_TRUE(server.Start("hold", log));
    std::string moved, removed, written;
    EXPECT_FALSE(fs.Move(log, log + ".20150101120000.bak", moved) || fs.Remove(log, removed) ||
                 fs.WriteAtomic(log, "new", written));
    EXPECT_EQ(moved + "|" + removed + "|" + written, "拒绝的权限|拒绝的权限|拒绝的权限");
    EXPECT_TRUE(fs.Exists(log));
    server.Release();
    EXPECT_EQ(TempFolder::read(log), "held");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"UFDATA_001_2015_LOG.LDF"});
    EXPECT_TRUE(fs.Move(log, log + ".bak", error)) << error; // once it lets go
}
#endif
