// Log file names and paths, moving stale logs aside.
#include "RepairFixture.h"

#include "repair/LogFiles.h"

using namespace qmtest;

namespace {

TEST(LogNames, ByProductKindExactlyAndDerivedPaths) {
    const std::pair<const char*, const char*> names[] = {
        {"U8", "Ufmodel_LOG"}, {"T", "Ufmodel_LOG"}, {"T6", "Ufmodel_LOG"},
        {"T+", "MsSql_log"},   {"u8", ""},           {"U8 ", ""}};
    for (const auto& [kind, name] : names) EXPECT_EQ(qm::GetLogName(kind), name) << kind;
    // Only a final ".MDF" of the file name; folders and other letter cases are left alone.
    const std::pair<const char*, const char*> paths[] = {{"D:\\MDFDATA\\A.MDF", "D:\\MDFDATA\\A.LDF"},
                                                         {"D:\\DATA\\MDF.MDF", "D:\\DATA\\MDF.LDF"},
                                                         {"D:\\DATA\\UFDATA_001_2015.DAT", ""},
                                                         {"D:\\MDF", ""},
                                                         {"d:\\ufdata\\ufdata.mdf", ""},
                                                         {"", ""}};
    for (const auto& [data, log] : paths) EXPECT_EQ(qm::DerivedLogPath(data), log) << data;
}

using LogFiles = RepairFixture;

// A database without a log record has the empty log path; a log moved aside never replaces an earlier
// copy. (The empty path never reaching the file layer is checked with the read-only recovery.)
TEST_F(LogFiles, LookupWithoutARecordAndMovesAsideThatNeverOverwrite) {
    Load(9, {Db(kDb, "SUSPECT")});
    std::string path = "x", error;
    EXPECT_TRUE(qm::GetLogFilePath(*app, "NO_SUCH_DB", path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(app->cMsg, "");
    const std::string log = P("A_LOG.LDF"), stamp = std::string("A_LOG.LDF.") + kStamp;
    for (const char* text : {"first", "second", "third"}) {
        WriteFile(log, text);
        ASSERT_TRUE(qm::MoveAside(*app, log, error)) << error;
    }
    EXPECT_THAT(Files(), ElementsAre(stamp + ".1.bak", stamp + ".2.bak", stamp + ".bak", X("@.MDF"), X("@_LOG.LDF")));
    EXPECT_EQ(ReadFile(P(stamp + ".bak")), "first");
    EXPECT_EQ(ReadFile(P(stamp + ".2.bak")), "third");
    EXPECT_EQ(observer.moves.at(1).newPath, P(stamp + ".1.bak"));
}

} // namespace
