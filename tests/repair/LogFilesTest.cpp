// Log file names and paths, moving stale logs aside, the read-me download.
#include "RepairFixture.h"

#include "platform/HttpClient.h"
#include "repair/LogFiles.h"

#include <gmock/gmock.h>

using namespace qmtest;
using ::testing::ElementsAre;

namespace {

TEST(LogNames, ByProductKindExactly) {
    EXPECT_EQ(qm::GetLogName("U8"), "Ufmodel_LOG");
    EXPECT_EQ(qm::GetLogName("T3"), "Ufmodel_LOG");
    EXPECT_EQ(qm::GetLogName("T6"), "Ufmodel_LOG");
    EXPECT_EQ(qm::GetLogName("T"), "Ufmodel_LOG");
    EXPECT_EQ(qm::GetLogName("T+"), "MsSql_log");
    EXPECT_EQ(qm::GetLogName("u8"), "");
    EXPECT_EQ(qm::GetLogName("U8 "), "");
    EXPECT_EQ(qm::GetLogName(""), "");
}

TEST(LogNames, DerivedPathReplacesEveryUpperCaseMdf) {
    EXPECT_EQ(qm::DerivedLogPath("D:\\UFDATA\\UFDATA.MDF"), "D:\\UFDATA\\UFDATA.LDF");
    EXPECT_EQ(qm::DerivedLogPath("D:\\MDFDATA\\A.MDF"), "D:\\LDFDATA\\A.LDF");
    EXPECT_EQ(qm::DerivedLogPath("D:\\MDFMDF.MDF"), "D:\\LDFLDF.LDF");
    EXPECT_EQ(qm::DerivedLogPath("d:\\ufdata\\ufdata.mdf"), "d:\\ufdata\\ufdata.mdf");
    EXPECT_EQ(qm::DerivedLogPath("D:\\A.Mdf"), "D:\\A.Mdf");
    EXPECT_EQ(qm::DerivedLogPath(""), "");
}

using LogFiles = RepairFixture;

TEST_F(LogFiles, LookupsReadTheServersRecordTrimmed) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT", true, true, "", "Ufmodel_LOG")}), k2005);
    EXPECT_EQ(qm::GetLogFilePath(*app, "UFDATA_001_2015"), PathOf("UFDATA_001_2015_LOG.LDF"));
    EXPECT_EQ(qm::GetLogFileName(*app, "UFDATA_001_2015"), "Ufmodel_LOG");
    EXPECT_EQ(qm::GetLogFilePath(*app, "NO_SUCH_DB"), "");
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(qm::GetLogFilePath(*app, "O'Brien"), "");
    EXPECT_EQ(Sent().back(), LookupPath("O''Brien"));
}

TEST_F(LogFiles, FailedLookupGivesEmptyAndLeavesItsMessage) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT")}), k2005);
    engine->AddFault({"sysaltfiles", 1, 208, "对象名 'sysaltfiles' 无效。"});
    EXPECT_EQ(qm::GetLogFilePath(*app, "UFDATA_001_2015"), "");
    EXPECT_EQ(app->cMsg, "对象名 'sysaltfiles' 无效。");
}

TEST_F(LogFiles, EmptyPathNeverReachesTheFileLayer) {
    EXPECT_FALSE(qm::FileExists(*app, ""));
    std::string error = "x";
    EXPECT_TRUE(qm::MoveAside(*app, "", error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(files.existsCalls, 0);
    EXPECT_EQ(files.emptyPathCalls, 0);
    EXPECT_TRUE(observer.moves.empty());
}

TEST_F(LogFiles, MoveAsideKeepsTheFileUnderAStampedName) {
    std::filesystem::create_directories(dataDir);
    const std::string log = PathOf("A_LOG.LDF");
    WriteFile(log, "first");
    std::string error;
    ASSERT_TRUE(qm::MoveAside(*app, log, error)) << error;
    WriteFile(log, "second");
    ASSERT_TRUE(qm::MoveAside(*app, log, error)) << error;
    WriteFile(log, "third");
    ASSERT_TRUE(qm::MoveAside(*app, log, error)) << error;
    const std::string stamp = std::string("A_LOG.LDF.") + kStamp;
    EXPECT_THAT(Files(), ElementsAre(stamp + ".1.bak", stamp + ".2.bak", stamp + ".bak"));
    EXPECT_EQ(ReadFile(PathOf(stamp + ".bak")), "first");
    EXPECT_EQ(ReadFile(PathOf(stamp + ".1.bak")), "second");
    EXPECT_EQ(ReadFile(PathOf(stamp + ".2.bak")), "third");
    ASSERT_EQ(observer.moves.size(), 3u);
    EXPECT_EQ(observer.moves[1].newPath, PathOf(stamp + ".1.bak"));
}

TEST_F(LogFiles, RefusedMoveGivesTheDescriptionAndKeepsTheFile) {
    std::filesystem::create_directories(dataDir);
    const std::string log = PathOf("A_LOG.LDF");
    WriteFile(log, "held");
    files.Refuse(log, "拒绝的权限");
    std::string error;
    EXPECT_FALSE(qm::MoveAside(*app, log, error));
    EXPECT_EQ(error, "拒绝的权限");
    EXPECT_THAT(Files(), ElementsAre("A_LOG.LDF"));
    ASSERT_EQ(observer.moves.size(), 1u);
    EXPECT_EQ(observer.moves[0].newPath, "");
    EXPECT_EQ(observer.moves[0].error, "拒绝的权限");
}

TEST_F(LogFiles, FileExistsFollowsTheFileLayer) {
    std::filesystem::create_directories(dataDir);
    WriteFile(PathOf("A.MDF"), "x");
    WriteFile(PathOf(".HIDDEN.MDF"), "x");
    EXPECT_TRUE(qm::FileExists(*app, PathOf("A.MDF")));
    EXPECT_TRUE(qm::FileExists(*app, dataDir));
    EXPECT_FALSE(qm::FileExists(*app, PathOf(".HIDDEN.MDF")));
    EXPECT_FALSE(qm::FileExists(*app, PathOf("B.MDF")));
}

class FakeHttp : public qm::HttpClient {
public:
    bool Get(const std::string& url, std::string& out, std::string& error) override {
        urls.push_back(url);
        if (!fail.empty()) {
            error = fail;
            return false;
        }
        out = body;
        return true;
    }
    std::string body, fail;
    std::vector<std::string> urls;
};

class Download : public RepairFixture {
protected:
    void SetUp() override {
        RepairFixture::SetUp();
        platform.http = &http;
        app = std::make_unique<qm::AppState>(platform);
        std::filesystem::create_directories(dataDir);
        target = PathOf("Readme.txt");
        WriteFile(target, "[说明]\r\nold=1\r\n");
    }
    FakeHttp http;
    std::string target;
};

TEST_F(Download, SuccessReplacesTheFileAndKeepsTheOldAsTmp) {
    http.body = "[说明]\r\nnew=2\r\n";
    EXPECT_TRUE(qm::DownloadFile(*app, "http://127.0.0.1/Readme.txt", target, "[说明]"));
    EXPECT_EQ(ReadFile(target), "[说明]\r\nnew=2\r\n");
    EXPECT_EQ(ReadFile(target + ".tmp"), "[说明]\r\nold=1\r\n");
    EXPECT_TRUE(qm::FileContainsText(*app, target, "new=2"));
}

TEST_F(Download, GbkBodyIsCheckedAsTheFileWouldBeRead) {
    http.body = "[\xcb\xb5\xc3\xf7]\r\n";  // "[说明]" in GBK
    EXPECT_TRUE(qm::DownloadFile(*app, "http://127.0.0.1/Readme.txt", target, "[说明]"));
    EXPECT_TRUE(qm::FileContainsText(*app, target, "说明"));
}

TEST_F(Download, BodyWithoutTheRequiredTextLeavesTheOldFile) {
    http.body = "<html>404</html>";
    app->cMsg = "";
    EXPECT_FALSE(qm::DownloadFile(*app, "http://127.0.0.1/Readme.txt", target, "[说明]"));
    EXPECT_EQ(ReadFile(target), "[说明]\r\nold=1\r\n");
    EXPECT_THAT(Files(), ElementsAre("Readme.txt"));
}

TEST_F(Download, FetchFailureLeavesTheOldFileAndSaysWhy) {
    http.fail = "无法连接到服务器";
    EXPECT_FALSE(qm::DownloadFile(*app, "http://127.0.0.1/Readme.txt", target, "[说明]"));
    EXPECT_EQ(app->cMsg, "无法连接到服务器");
    EXPECT_EQ(ReadFile(target), "[说明]\r\nold=1\r\n");
    EXPECT_THAT(Files(), ElementsAre("Readme.txt"));
}

TEST_F(Download, EmptyAddressFetchesNothing) {
    http.body = "[说明]";
    EXPECT_FALSE(qm::DownloadFile(*app, "", target, "[说明]"));
    EXPECT_TRUE(http.urls.empty());
    EXPECT_THAT(Files(), ElementsAre("Readme.txt"));
}

TEST_F(Download, NewTargetIsCreatedWithoutTmp) {
    http.body = "[说明]\n";
    const std::string fresh = PathOf("New.txt");
    EXPECT_TRUE(qm::DownloadFile(*app, "http://127.0.0.1/New.txt", fresh, "[说明]"));
    EXPECT_THAT(Files(), ElementsAre("New.txt", "Readme.txt"));
}

TEST_F(LogFiles, FileContainsTextLineByLine) {
    std::filesystem::create_directories(dataDir);
    WriteFile(PathOf("a.txt"), "first line\nsecond 说明 line\n");
    EXPECT_TRUE(qm::FileContainsText(*app, PathOf("a.txt"), "说明"));
    EXPECT_FALSE(qm::FileContainsText(*app, PathOf("a.txt"), "line\nsecond"));
    EXPECT_FALSE(qm::FileContainsText(*app, PathOf("a.txt"), "FIRST"));
    EXPECT_FALSE(qm::FileContainsText(*app, PathOf("missing.txt"), "x"));
}

} // namespace
