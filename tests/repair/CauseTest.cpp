#include "repair/Cause.h"

#include <gtest/gtest.h>

namespace {

qm::SqlResult Reply(std::vector<std::string> columns, std::vector<std::vector<std::string>> rows) {
    qm::SqlResult r;
    r.ok = true;
    r.recordset.columns = std::move(columns);
    for (auto& row : rows) {
        std::vector<qm::Value> values;
        for (auto& v : row) values.push_back(qm::Value::Text(v));
        r.recordset.rows.push_back(std::move(values));
    }
    return r;
}

// Entries in both languages and both servers' words, as the error log holds them.
TEST(Cause, EachEntryIsClassedByItsOperatingSystemErrorNumberOrWords) {
    const std::pair<const char*, const char*> cases[] = {
        {"FileMgr::StartLogFiles: Operating system error 2(The system cannot find the file specified.) occurred",
         qm::kCauseMissing},
        {"FCB::Open failed: Could not open file D:\\U8\\UFDATA.MDF for file number 1.  OS error: 3(路径)",
         qm::kCauseMissing},
        {"无法打开物理文件 \"D:\\U8\\UFDATA.MDF\"。操作系统错误 32:\"32(另一个程序正在使用此文件，进程无法访问。)\"。",
         qm::kCauseHeld},
        {"无法打开物理文件 \"D:\\U8\\UFDATA.MDF\"。操作系统错误: 5(拒绝访问。)", qm::kCauseDenied},
        {"The transaction log for database 'UFDATA_001_2015' is full due to 'LOG_BACKUP'.", qm::kCauseLogFull},
        {"数据库 'UFDATA_001_2015' 的事务日志已满，原因为“LOG_BACKUP”。", qm::kCauseLogFull},
        {"错误: 824，严重性: 24，状态: 2。", qm::kCauseIo},
        {"SQL Server detected a logical consistency-based I/O error: incorrect checksum", qm::kCauseIo},
        {"An error occurred during recovery, preventing the database 'UFDATA_001_2015' (database ID 7) from",
         qm::kCauseRecovery},
        {"恢复期间出错，导致数据库 'UFDATA_001_2015' (数据库 ID 7)无法重新启动。", qm::kCauseRecovery},
        {"Log file 'D:\\U8\\UFDATA.LDF' does not match the primary file.", qm::kCauseMismatch},
        {"Error: 5173, Severity: 16, State: 1.", qm::kCauseMismatch},
        {"Starting up database 'UFDATA_001_2015'.", qm::kCauseUnknown},
        {"Operating system error 87(参数错误。)", qm::kCauseUnknown},
    };
    for (const auto& [text, kind] : cases) EXPECT_EQ(qm::ClassifyLogText(text), kind) << text;
}

// 2000's rows carry continuations; the newest classed entry naming the database (or its data file)
// wins, and a failed recovery gives way to what made it fail just before.
TEST(Cause, EntriesAreJoinedFilteredAndTheNewestCauseWins) {
    const auto whole = qm::LogEntries(Reply({"ERRORLOG", "ContinuationRow"},
                                            {{"2015-01-02 03:00:00.01 spid9    无法打开物理文件 \"D:\\U8\\UFDA", "0"},
                                             {"TA.MDF\"。操作系统错误 32:\"32(…)\"。", "1"},
                                             {"2015-01-02 03:00:00.02 spid9    Starting up database 'OTHER'.", "0"}}),
                                      qm::VersionClass::Sql2000);
    ASSERT_EQ(whole.size(), 2u);
    const qm::Cause held = qm::CauseOf(whole, "UFDATA_001_2015", "d:\\u8\\ufdata.mdf");
    EXPECT_EQ(held.kind, qm::kCauseHeld);
    EXPECT_EQ(held.line, whole[0]);
    EXPECT_TRUE(qm::CauseNamesFile(held, "D:\\U8\\UFDATA.MDF"));
    EXPECT_FALSE(qm::CauseNamesFile(held, "D:\\U8\\UFDATA.LDF"));
    EXPECT_EQ(qm::CauseOf(whole, "OTHER", "").kind, qm::kCauseUnknown);

    const auto modern = qm::LogEntries(
        Reply(
            {"LogDate", "ProcessInfo", "Text"},
            {{"2015-01-02 02:00:00.000", "spid7s", "The transaction log for database 'DB' is full."},
             {"2015-01-02 03:00:00.000", "spid7s",
              "SQL Server detected a logical consistency-based I/O error in DB.MDF"},
             {"2015-01-02 03:00:00.010", "spid7s", "An error occurred during recovery, preventing the database 'DB'"}}),
        qm::VersionClass::Sql2008);
    EXPECT_EQ(modern[0], "2015-01-02 02:00:00.000 The transaction log for database 'DB' is full.");
    EXPECT_EQ(qm::CauseOf(modern, "DB", "").kind, qm::kCauseIo);
    EXPECT_EQ(qm::CauseOf({modern[2]}, "db", "").kind, qm::kCauseRecovery);
    EXPECT_EQ(qm::CauseOf({}, "DB", "").line, "");

    EXPECT_EQ(qm::ErrorLogQuery(qm::VersionClass::Modern, "O'Brien"), "exec master..xp_readerrorlog 0, 1, N'O''Brien'");
    EXPECT_EQ(qm::ErrorLogQuery(qm::VersionClass::Sql2000, "X"), "exec master..xp_readerrorlog");
}

} // namespace
