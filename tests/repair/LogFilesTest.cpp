// Log file names and paths, moving stale logs aside, the read-me download.
#include "RepairFixture.h"

#include "platform/HttpClient.h"
#include "repair/LogFiles.h"

using namespace qmtest;

namespace {

TEST(LogNames, ByProductKindExactlyAndDerivedPaths) {
    const std::pair<const char*, const char*> names[] = {
        {"U8", "Ufmodel_LOG"}, {"T", "Ufmodel_LOG"}, {"T6", "Ufmodel_LOG"}, {"T+", "MsSql_log"}, {"u8", ""}, {"U8 ", ""}};
    for (const auto& [kind, name] : names) EXPECT_EQ(qm::GetLogName(kind), name) << kind;
    // Only a final ".MDF" of the file name; folders and other letter cases are left alone.
    const std::pair<const char*, const char*> paths[] = {
        {"D:\\MDFDATA\\A.MDF", "D:\\MDFDATA\\A.LDF"}, {"D:\\DATA\\MDF.MDF", "D:\\DATA\\MDF.LDF"},
        {"D:\\DATA\\UFDATA_001_2015.DAT", ""}, {"D:\\MDF", ""}, {"d:\\ufdata\\ufdata.mdf", ""}, {"", ""}};
    for (const auto& [data, log] : paths) EXPECT_EQ(qm::DerivedLogPath(data), log) << data;
}

struct LogFiles : RepairFixture {
    void SetUp() override {
        RepairFixture::SetUp();
        std::filesystem::create_directories(dataDir);
    }
};

TEST_F(LogFiles, LookupWithoutARecordGivesEmpty) {
    Load(9, {DbJson(kDb, "SUSPECT")});
    std::string path = "x";
    EXPECT_TRUE(qm::GetLogFilePath(*app, "NO_SUCH_DB", path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(LogFiles, EmptyPathNeverReachesTheFileLayer) {
    EXPECT_FALSE(qm::FileExists(*app, ""));
    std::string error = "x";
    EXPECT_TRUE(qm::MoveAside(*app, "", error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(files.emptyPathCalls, 0);
    EXPECT_TRUE(observer.moves.empty());
}

TEST_F(LogFiles, MoveAsideNeverOverwritesAnEarlierCopy) {
    const std::string log = PathOf("A_LOG.LDF"), stamp = std::string("A_LOG.LDF.") + kStamp;
    std::string error;
    for (const char* text : {"first", "second", "third"}) {
        WriteFile(log, text);
        ASSERT_TRUE(qm::MoveAside(*app, log, error)) << error;
    }
    EXPECT_THAT(Files(), ElementsAre(stamp + ".1.bak", stamp + ".2.bak", stamp + ".bak"));
    EXPECT_EQ(ReadFile(PathOf(stamp + ".bak")), "first");
    EXPECT_EQ(ReadFile(PathOf(stamp + ".2.bak")), "third");
    EXPECT_EQ(observer.moves.at(1).newPath, PathOf(stamp + ".1.bak"));
}

TEST_F(LogFiles, FileContainsTextLineByLine) {
    WriteFile(PathOf("a.txt"), "first line\nsecond 说明 line\n");
    EXPECT_TRUE(qm::FileContainsText(*app, PathOf("a.txt"), "说明"));
    EXPECT_FALSE(qm::FileContainsText(*app, PathOf("a.txt"), "line\nsecond"));
    EXPECT_FALSE(qm::FileContainsText(*app, PathOf("a.txt"), "FIRST"));
    EXPECT_FALSE(qm::FileContainsText(*app, PathOf("missing.txt"), "x"));
}

struct Download : LogFiles, qm::HttpClient {
    void SetUp() override {
        LogFiles::SetUp();
        platform.http = *this;
        app = std::make_unique<qm::AppState>(platform);
        target = PathOf("Readme.txt");
        WriteFile(target, kOld);
    }
    bool Get(const std::string& url, std::string& out, std::string& error) override {
        urls.push_back(url);
        if (!fail.empty()) error = fail;
        else out = body;
        return fail.empty();
    }
    bool Get(const std::string& url) { return qm::DownloadFile(*app, url, target, "[说明]"); }
    std::string body, fail, target;
    std::vector<std::string> urls;
    const std::string kOld = "[说明]\r\nold=1\r\n";
};

TEST_F(Download, SuccessReplacesTheFileAndKeepsTheOldAsTmp) {
    body = "[说明]\r\nnew=2\r\n";
    EXPECT_TRUE(Get("http://127.0.0.1/Readme.txt"));
    EXPECT_EQ(ReadFile(target), body);
    EXPECT_EQ(ReadFile(target + ".tmp"), kOld);
    body = "[\xcb\xb5\xc3\xf7]\r\n";   // "[说明]" in GBK: checked as the file would be read
    target = PathOf("New.txt");        // a new target needs no .tmp
    EXPECT_TRUE(Get("http://127.0.0.1/New.txt"));
    EXPECT_TRUE(qm::FileContainsText(*app, target, "说明"));
    EXPECT_THAT(Files(), ElementsAre("New.txt", "Readme.txt", "Readme.txt.tmp"));
}

TEST_F(Download, FailuresLeaveTheOldFileAlone) {
    body = "<html>404</html>";   // without the required text
    EXPECT_FALSE(Get("http://127.0.0.1/Readme.txt"));
    EXPECT_EQ(app->cMsg, "");
    body = "[说明]";
    EXPECT_FALSE(Get(""));
    EXPECT_EQ(urls.size(), 1u);   // an empty address fetches nothing
    fail = "无法连接到服务器";
    EXPECT_FALSE(Get("http://127.0.0.1/Readme.txt"));
    EXPECT_EQ(app->cMsg, "无法连接到服务器");
    EXPECT_EQ(ReadFile(target), kOld);
    EXPECT_THAT(Files(), ElementsAre("Readme.txt"));
}

} // namespace
