// The server's error log through xp_readerrorlog: the forms each release takes, the entries of each
// cause in both languages, and SET ONLINE of a database whose file is held or denied.
#include "SimFixture.h"

#include "platform/Text.h"

#include <cstring>
#include <utility>

using namespace simtest;

namespace {

const char* const k2005 = "9.00.4035.00";
const char* const k2000 = "8.00.2039";

// The rows' texts, a SQL Server 2000 row joined to the rows continuing it (without its date and process).
std::vector<std::string> Texts(const sqlsim::BatchResult& r) {
    std::vector<std::string> out;
    for (const auto& row : r.results.at(0).rows) {
        if (row.size() == 3) out.push_back(row[2].s);
        else if (row[1].i == 1) out.back() += row[0].s;
        else out.push_back(row[0].s.substr(32));
    }
    return out;
}

// A read in one line: its row count, then the numbers of its "Error: n, …" entries.
std::string Summary(const sqlsim::BatchResult& r) {
    if (r.failed || r.results.empty()) return Line(r);
    std::string out = std::to_string(r.results[0].rows.size()) + ":", sep;
    for (const auto& text : Texts(r))
        for (const char* head : {"Error: ", "错误: "})
            if (text.rfind(head, 0) == 0)
                out += std::exchange(sep, ",") + std::to_string(std::atoi(text.c_str() + std::strlen(head)));
    return out;
}

bool Logged(const sqlsim::BatchResult& r, const std::string& phrase) {
    for (const auto& text : Texts(r))
        if (text.find(phrase) != std::string::npos) return true;
    return false;
}

} // namespace

class ErrorLogTest : public SimTest {
protected:
    void LoadOne(const std::string& version, bool english, const std::string& state, const std::string& more) {
        Load(Scenario(version, Db("ACCT_1", state, more), english ? R"(, "language": "en")" : ""));
    }
};

TEST_F(ErrorLogTest, EachCauseIsLoggedAtStartUpAndReadInTheFormsOfItsRelease) {
    const std::string held = R"(, "cause": "held", "cause_file": "data")", noLog = R"(, "log_file_exists": false)";
    struct Case {
        const char* version;
        bool en;
        std::string state, more, sql, want, phrase;
    };
    // clang-format off
    const Case cases[] = {
        {k2005, false, "SUSPECT", held, "exec master..xp_readerrorlog 0, 1, N'acct_1'", "4:", "FCB::Open 失败: 无法打开文件 " + P("ACCT_1.MDF") + " (文件号 1)。操作系统错误: 32(另一个程序正在使用此文件，进程无法访问。)"},
        {k2005, true, "RECOVERY_PENDING", R"(, "cause": "denied")", "execute xp_readerrorlog 0, 1, 'ERROR'", "6:17207,5120,945", "Operating system error 5(Access is denied.) occurred while creating or opening file '" + P("ACCT_1_LOG.LDF")},
        {"15.0.2000.5", true, "SUSPECT", R"(, "cause": "log_full")", "exec master.dbo.xp_readerrorlog 0, 1, N'error: '", "2:9002,945", "is full due to 'LOG_BACKUP'"},
        {k2005, false, "SUSPECT", R"(, "cause": "recovery_failed")", "EXEC [master].[sys].[xp_readerrorlog] 0,1,N'错误: '", "3:3313,3414,945", "(数据库 ID 5)无法重新启动"},
        {k2005, false, "SUSPECT", R"(, "cause": "log_mismatch")", "exec xp_readerrorlog 0, 1", "13:5173,945", "日志文件 '" + P("ACCT_1_LOG.LDF") + "' 与主文件不匹配"},
        {k2005, false, "RECOVERY_PENDING", noLog, "xp_readerrorlog 0, 1, N'错误: '", "3:17207,5120,945", "FileMgr::StartLogFiles: 操作系统错误 2(系统找不到指定的文件。)"},
        {"10.50.1600.1", true, "SUSPECT", R"(, "data_file_exists": false)", "exec xp_readerrorlog 0, 1, N'Error: '", "4:17204,5120,945", "OS error: 2(The system cannot find the file specified.)"},
        {k2005, true, "ONLINE", noLog, "exec master..xp_readerrorlog", "8:", "Starting up database 'ACCT_1'."},
        {k2005, false, "SUSPECT", held, "exec master..xp_readerrorlog 1", "0:", "正在启动数据库“ACCT_1”。"},
        {k2005, false, "SUSPECT", held, "exec master..xp_readerrorlog 0, 2, NULL", "0:", "错误: 17204，严重性: 16，状态: 1。"},
        {k2000, true, "SUSPECT", R"(, "cause": "io_error")", "exec master..xp_readerrorlog", "14:824,3414", "in database ID 5 at offset 0x00000000132000 in file '" + P("ACCT_1.MDF") + "'.  Additional"},
        {k2000, false, "SUSPECT", R"(, "cause": "log_full")", "exec master..xp_readerrorlog 0", "10:9002", "数据库 'ACCT_1' 的日志已满。请备份该数据库的事务日志"},
        {k2000, false, "SUSPECT", noLog, "exec master..xp_readerrorlog 0, 1, N'ACCT_1'", "!8144", "操作系统错误 2(系统找不到指定的文件。)"},
        {k2000, false, "SUSPECT", noLog, "exec master..xp_readerrorlog 1", "0:", ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql + c.more);
        LoadOne(c.version, c.en, c.state, c.more);
        EXPECT_EQ(Summary(Run(c.sql)), c.want);
        EXPECT_TRUE(Logged(Run("exec master..xp_readerrorlog"), c.phrase));
    }
    // A long entry of SQL Server 2000 goes on in rows of at most 255 characters, marked as continuing.
    LoadOne(k2000, true, "SUSPECT", R"(, "cause": "io_error")");
    const auto old = Run("exec xp_readerrorlog").results.at(0);
    EXPECT_EQ(old.columns[0].name + "," + old.columns[1].name, "ERRORLOG,ContinuationRow");
    EXPECT_EQ(old.rows[0][0].s.substr(0, 57), "2015-01-02 03:00:00.00 server   Microsoft SQL Server 2000");
    int continued = 0;
    for (const auto& row : old.rows) {
        EXPECT_LE(qm::Utf8Chars(row[0].s).size(), 255u);
        continued += static_cast<int>(row[1].i);
    }
    EXPECT_EQ(continued, 2); // 824 and 3414
    LoadOne(k2005, true, "SUSPECT", held);
    const auto rs = Run("exec xp_readerrorlog 0, 1, N'17204'").results.at(0);
    EXPECT_EQ(rs.columns[0].name + "," + rs.columns[1].name + "," + rs.columns[2].name, "LogDate,ProcessInfo,Text");
    EXPECT_EQ(rs.rows.at(0)[0].s + " " + rs.rows[0][1].s, "2015-01-02 03:00:00.070 spid9s");
}

TEST_F(ErrorLogTest, SetOnlineOfAHeldOrDeniedFileIsRefusedUntilTheScenarioLetsItRecover) {
    struct Case {
        std::string state, more, want, after, text, logged;
    };
    const std::string recovers = R"(, "online_recovers": true)", noData = R"(, "data_file_exists": false)";
    // clang-format off
    const Case cases[] = {
        {"SUSPECT", R"(, "cause": "held", "cause_file": "data")", "!5120,945,5069", "SUSPECT", P("ACCT_1.MDF") + "\"。操作系统错误 32:\"32(另一个程序正在使用此文件，进程无法访问。)\"", "2:5120,5120"},
        {"RECOVERY_PENDING", R"(, "cause": "denied")", "!5120,945,5069", "RECOVERY_PENDING", P("ACCT_1_LOG.LDF") + "\"。操作系统错误 5:\"5(拒绝访问。)\"", "2:5120,5120"},
        {"RECOVERY_PENDING", R"(, "cause": "missing", "cause_file": "data")" + noData, "!5120,945,5069", "RECOVERY_PENDING", P("ACCT_1.MDF") + "\"。操作系统错误 2:", "2:5120,5120"},
        {"SUSPECT", R"(, "cause": "held")" + recovers, "", "ONLINE", "", "1:5120"},
        {"SUSPECT", R"(, "cause": "missing", "cause_file": "data")" + noData + recovers, "", "ONLINE", "", "1:5120"},
        // Without a cause, or with one that is not about opening a file, recovery's verdict stands.
        {"SUSPECT", recovers, "!926,5069", "SUSPECT", "", "0:"},
        {"SUSPECT", R"(, "cause": "io_error")", "!926,5069", "SUSPECT", "", "0:"},
        {"SUSPECT", R"(, "cause": "missing", "log_file_exists": false)", "!5105,945,5069", "SUSPECT", "", "1:5120"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state + c.more);
        LoadOne(k2005, false, c.state, c.more);
        const auto r = Run("alter database ACCT_1 set online");
        EXPECT_EQ(Line(r), c.want);
        EXPECT_NE((r.messages.empty() ? "" : r.messages[0].text).find(c.text), std::string::npos);
        EXPECT_EQ(Got("select state_desc from sys.databases where name='ACCT_1'"), c.after);
        EXPECT_EQ(Summary(Run("exec xp_readerrorlog 0, 1, N'错误: 5120'")), c.logged);
        EXPECT_TRUE(Exists(P("ACCT_1.MDF")) || c.after != "ONLINE"); // the disk is back
    }
    EXPECT_EQ(engine->Transcript().back().sql, "exec xp_readerrorlog 0, 1, N'错误: 5120'");
}
