// Log file names and paths, moving stale logs aside.
#include "RepairFixture.h"

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

} // namespace
