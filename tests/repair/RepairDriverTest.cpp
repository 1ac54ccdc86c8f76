// The repair run over the grid: which rows are worked on, their reports, the check after a repair,
// the summary, stopping and a server lost mid-run.
#include "RepairFixture.h"

#include "discovery/LoadAcc.h"
#include "repair/Repair.h"

#include <cctype>
#include <chrono>
#include <functional>
#include <thread>

using namespace qmtest;
using ::testing::Contains;
using ::testing::Not;

namespace {

struct FakeProgress : qm::RepairProgress {
    void RunStarted(int maximum) override { started.push_back(maximum); }
    void RowDone(int row, int position, const std::string& report) override {
        done.push_back(std::to_string(row) + "/" + std::to_string(position) + " " + report);
    }
    bool StopRequested() override { return stopAfter >= 0 && int(done.size()) >= stopAfter; }
    void Verifying(int row, const std::string& db) override {
        checks.push_back(std::to_string(row) + " " + db);
        checking = true;
    }
    void Verified(int row, const std::string& outcome) override { checks.push_back(std::to_string(row) + " " + outcome); }
    std::vector<int> started;
    std::vector<std::string> done;     // "row/position report"
    std::vector<std::string> checks;   // "row database" when a check starts, "row outcome" when its cell is written
    std::atomic<bool> checking{false};
    int stopAfter = -1;
    void Reset(int stopAt) { started.clear(), done.clear(), checks.clear(), checking = false, stopAfter = stopAt; }
};

// oMaster as the run meets it over a network. Keeps every statement that reached it with the command
// timeout it went out with. From the first statement containing `dropAt` on, the server is gone: the
// driver's link failure comes back and nothing reaches the engine. While a statement containing
// `cancelAt` runs, the operator presses 停止 (`press`); when that reached this connection, the statement
// ends cancelled as the driver reports it.
class NetworkStandIn : public qm::Connection {
public:
    explicit NetworkStandIn(std::shared_ptr<qm::Connection> inner) : inner_(std::move(inner)) {}
    bool Open(const std::string& cs, std::string& error) override { return inner_->Open(cs, error); }
    int State() const override { return inner_->State(); }
    void SetCommandTimeout(int s) override { inner_->SetCommandTimeout(s); }
    int CommandTimeout() const override { return inner_->CommandTimeout(); }
    const std::string& ConnectionString() const override { return inner_->ConnectionString(); }
    void Cancel() override { cancelled = true; }
    qm::SqlResult Execute(const std::string& sql) override {
        const bool stateQuery = sql.find("DATABASEPROPERTY") != std::string::npos;
        if (!stateQuery) log.push_back(sql + " @" + std::to_string(CommandTimeout()));
        else if (log.empty() || log.back() != "Q") log.push_back("Q");   // one per row, however many probes
        qm::SqlResult r;
        dropped = dropped || (!dropAt.empty() && sql.find(dropAt) != std::string::npos);
        if (dropped) {
            r.connectionLost = true;
            r.errorNumber = 20006;
            r.error = "Write to the server failed";
            r.messages.push_back({20006, 16, r.error});
            return r;
        }
        cancelled = false;
        if (!cancelAt.empty() && sql.find(cancelAt) != std::string::npos) press();
        if (cancelled) {
            ++cancels;
            r.error = "操作已取消。";
            r.messages.push_back({0, 16, r.error});
            return r;
        }
        return inner_->Execute(sql);
    }
    std::string dropAt, cancelAt;
    std::function<void()> press;
    std::vector<std::string> log;   // "<sql> @<timeout>", "Q" for a row's state query
    bool dropped = false;
    bool cancelled = false;
    int cancels = 0;   // statements that ended cancelled

private:
    std::shared_ptr<qm::Connection> inner_;
};

class RepairDriver : public RepairFixture {
protected:
    void SetUp() override {
        RepairFixture::SetUp();
        ResetGrid();
    }
    void ResetGrid() {
        m.grid.Clear();
        m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"});
        m.iAccCount = 0;
        m.bVerify = true;
    }
    // Loads UFDATA_00<n>_2015 in each of the states (NODATA: suspect without its data file), one ticked row each.
    void LoadRows(int major, const std::vector<std::string>& states) {
        std::vector<std::string> dbs;
        for (size_t i = 0; i < states.size(); ++i)
            dbs.push_back(DbJson(Db(i + 1), states[i] == "NODATA" ? "SUSPECT" : states[i], states[i] != "NODATA"));
        Load(major, dbs);
        for (size_t i = 0; i < states.size(); ++i) AddRow(Db(i + 1), "Y");
    }
    static std::string Db(size_t n) { return "UFDATA_00" + std::to_string(n) + "_2015"; }
    void AddRow(const std::string& db, const std::string& mark, const std::string& report = "",
                const std::string& verified = "") {
        m.grid.AppendRow({db, mark, "001", "演示", "2015", PathOf(db + ".MDF"), report, verified});
        m.iAccCount = int16_t(m.grid.Rows() - 1);
    }
    // What the run sent besides the state queries.
    std::vector<std::string> RepairStatements() const {
        std::vector<std::string> out;
        for (const auto& sql : Sent())
            if (sql.find("DATABASEPROPERTY") == std::string::npos) out.push_back(sql);
        return out;
    }
    std::string Report(int row) const { return m.grid.Cell(row, qm::kColReport); }
    void Run() { qm::Repair(*app, m, &progress); }
    // Puts the network stand-in in front of the simulator, with the timeout a master connection opens with.
    NetworkStandIn& OverNetwork() {
        auto net = std::make_shared<NetworkStandIn>(app->oMaster);
        net->SetCommandTimeout(300);
        net->press = [this] { qm::CancelRun(*app, m); };
        app->oMaster = net;
        return *net;
    }
    // The stand-in's log expected for `names` on `db`: the repair sequences' short names (see Seq), Q the
    // state query, K the check; a trailing * marks a guard (30 s), the check goes without a limit.
    std::vector<std::string> Log(const std::string& names, const std::string& db = kDb) const {
        std::vector<std::string> out;
        std::istringstream in(names);
        for (std::string n; in >> n;) {
            const bool guard = n.back() == '*';
            if (guard) n.pop_back();
            if (n == "Q") out.push_back("Q");
            else if (n == "K") out.push_back("dbcc checkdb(N'" + Quoted(db) + "') with no_infomsgs @0");
            else out.push_back(Seq(n, db)[0] + (guard ? " @30" : " @300"));
        }
        return out;
    }
    static std::string Quoted(const std::string& db) {
        std::string out;
        for (char c : db) out += c == '\'' ? std::string("''") : std::string(1, c);
        return out;
    }
    std::vector<std::string> Column(int col) const {
        std::vector<std::string> out;
        for (int i = 1; i <= m.iAccCount; ++i) out.push_back(m.grid.Cell(i, col));
        return out;
    }

    qm::MainModel m;
    FakeProgress progress;
};

TEST_F(RepairDriver, OnlyAnExactYIsTicked) {
    Load(9, {DbJson(Db(1), "SUSPECT"), DbJson(Db(2), "SUSPECT")});
    AddRow(Db(1), "y");
    AddRow(Db(2), " Y");
    AddRow(Db(2), "Y ");
    m.labReport = {"发现3个异常数据库", qm::kRed};
    Run();
    EXPECT_TRUE(Sent().empty());
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(Report(i), "");
    EXPECT_EQ(m.labReport.caption, "");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_THAT(progress.started, ElementsAre(3));
    EXPECT_THAT(progress.done, ElementsAre("1/1 ", "2/2 ", "3/3 "));
}

TEST_F(RepairDriver, HealthyAndUnsupportedStates) {
    Load(9, {DbJson(Db(1), "ONLINE"), DbJson(Db(2), "OFFLINE")});
    AddRow(Db(1), "Y");
    m.labReport.color = qm::kBlue;
    Run();
    EXPECT_EQ(Report(1), "数据库状态正常，无需修复");
    EXPECT_EQ(m.labReport.caption, "");   // neither repaired nor failed
    EXPECT_EQ(m.labReport.color, qm::kBlue);
    AddRow(Db(2), "Y");
    engine->ClearTranscript();
    Run();
    EXPECT_EQ(Report(2), "未修复：不支持的数据库状态（脱机）");
    EXPECT_EQ(m.labReport.caption, "尚有1个账套年度数据未能修复");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_TRUE(RepairStatements().empty());
}

TEST_F(RepairDriver, FailuresWithoutRepairTextAreReported) {
    LoadRows(9, {"SUSPECT", "SUSPECT"});
    engine->AddFault({"Rebuild Log", 1, 5000, ""});   // a routine failing without text is no success
    engine->AddFault({"DATABASEPROPERTYEX ('UFDATA_002_2015'", 1, 50000, "查询失败"});
    Run();
    EXPECT_EQ(Report(1), "修复失败");
    EXPECT_EQ(Report(2), "查询失败");   // a failed state query is the report, nothing is repaired
    EXPECT_THAT(RepairStatements(), Not(Contains(LookupPath(Db(2)))));
    EXPECT_EQ(m.labReport.caption, "尚有2个账套年度数据未能修复");
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(RepairDriver, StopEndsTheRunAfterTheCurrentDatabase) {
    LoadRows(9, {"SUSPECT", "SUSPECT", "SUSPECT"});
    m.bStop = true;   // a request left from before the run does not count
    progress.stopAfter = 2;
    Run();
    EXPECT_THAT(progress.done, ElementsAre("1/1 成功修复", "2/2 成功修复"));
    EXPECT_EQ(Report(3), "");
    EXPECT_EQ(Sent().size() - RepairStatements().size(), 2u);   // no state query for the third
    EXPECT_EQ(m.labReport.caption, "已成功修复2个账套年度数据 ");
    EXPECT_EQ(m.labReport.color, qm::kBlue);
}

// The shipped scenarios with the layouts met in the field, as the window runs them: load, tick every row,
// repair, reload. Only stale logs move (and only by moving them aside); a failed row leaves its database
// listed as it was. The first
// row's path is written in lower case: only upper-casing finds the file (the folders are upper case).
TEST_F(RepairDriver, FieldLayoutsRepairOnlyWhatTheyMayAndLeaveNoDatabaseWorse) {
    const std::string lockFailed = "未能排它地锁定数据库以执行该操作。", noLogPath = "未修复：无法确定日志文件路径";
    struct Case {
        const char* file;
        int major;
        const char* product;
        std::vector<std::string> reports, reloaded;
        const char* summary;   // an earlier run's success below the listed rows counts too
    };
    const Case cases[] = {
        {"sql2005-safety.json", 9, "U8", {"成功修复", "成功修复", noLogPath, lockFailed, "已超过了锁请求超时时段。"},
         {"UFDATA_005_2015", "UFDATA_006_2015", "UFDATA_007_2015"}, "已成功修复3个账套年度数据 尚有3个账套年度数据未能修复"},
        {"sql2000-safety.json", 8, "U8", {"成功修复", "成功修复", "成功修复", noLogPath, lockFailed},
         {"UFDATA_006_2015", "UFDATA_007_2015"}, "已成功修复4个账套年度数据 尚有2个账套年度数据未能修复"},
        {"sql2005-goldfield.json", 9, "",
         {"此时无法更改数据库 'GOLDFIELD' 的状态或选项。数据库处于单用户模式，当前某个用户已与其连接。", "成功修复"},
         {"GOLDFIELD"}, "已成功修复2个账套年度数据 尚有1个账套年度数据未能修复"},
    };
    auto column = [&](int col) {
        std::vector<std::string> out;
        for (int i = 1; i <= m.iAccCount; ++i) out.push_back(m.grid.Cell(i, col));
        return out;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        LoadFile(c.file, c.major, c.product);
        ASSERT_TRUE(qm::LoadAcc(*app, m));
        for (int i = 1; i <= m.iAccCount; ++i) m.grid.SetCell(i, qm::kColSelect, "Y");
        std::string lower = m.grid.Cell(1, qm::kColPath);
        for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        m.grid.SetCell(1, qm::kColPath, lower);
        m.grid.AppendRow({"UFDATA_099_2015", "", "099", "旧账套", "2015", "", "成功修复"});
        observer.statements.clear();
        Run();
        EXPECT_EQ(column(qm::kColReport), c.reports);
        EXPECT_EQ(m.labReport.caption, c.summary);
        EXPECT_EQ(m.labReport.color, qm::kRed);
        // Each statement belongs to the row it was sent for, the guards' included.
        const auto dbs = column(qm::kColDb);
        for (const auto& e : observer.statements) {
            ASSERT_GE(e.row, 1) << e.sql;
            for (int i = 1; i <= m.iAccCount; ++i)
                EXPECT_TRUE(i == e.row || e.sql.find(dbs[i - 1]) == std::string::npos) << e.sql;
        }
        EXPECT_EQ(app->observerRow, 0);
        // Every change the file layer saw was one of the recorded moves: nothing removed or written.
        for (const auto& p : files.changed) {
            bool moved = false;
            for (const auto& mv : observer.moves) moved = moved || p == mv.path || p == mv.newPath;
            EXPECT_TRUE(moved) << p;
        }
        ASSERT_TRUE(qm::LoadAcc(*app, m));
        EXPECT_EQ(column(qm::kColDb), c.reloaded);
        files.changed.clear();
        observer.moves.clear();
    }
}

// What the check after a repair writes into the verification column, and what 停止 does to a row:
// the statements that reached the server (with their time limits), the row's report and its cell.
// Row 2, a second suspect database, is repaired and checked too unless the run stopped at row 1.
TEST_F(RepairDriver, TheCheckAfterARepairAndAStopDuringTheRow) {
    const std::string apostrophe = "UFDATA_001'2015", refused = "无法打开数据库 'UFDATA_001_2015'。恢复操作已将该数据库标记为 SUSPECT。";
    struct Case {
        const char* what;
        int major = 9;
        const char* language = "zh-CN";
        std::string db = kDb;
        std::string checkdb = "";   // the first database's "checkdb" in the scenario
        bool verify = true;
        std::vector<sqlsim::Fault> faults = {};
        const char* cancelAt = "";   // 停止 is pressed while this statement runs
        int stopAfter = -1;          // or seen by the progress after this many rows
        std::string report = "成功修复";
        std::string cell = "";
        const char* log = "";        // row 1's statements (the whole log when the run stopped at row 1)
        int cancels = 0;             // statements that ended cancelled
    };
    const Case cases[] = {
        {.what = "clean", .cell = "校验通过", .log = "Q L F E S R M O K"},
        {.what = "clean on 2000", .major = 8, .cell = "校验通过", .log = "Q L F T A1 C E2 R2 D A0 C K"},
        {.what = "findings", .checkdb = R"({"allocation_errors": 3, "consistency_errors": 5})",
         .cell = "发现3个分配错误、5个一致性错误", .log = "Q L F E S R M O K"},
        {.what = "findings in English", .language = "en", .checkdb = R"({"allocation_errors": 3, "consistency_errors": 5})",
         .cell = "发现3个分配错误、5个一致性错误", .log = "Q L F E S R M O K"},
        // More findings than errors shown; the name has digits and an apostrophe.
        {.what = "findings, awkward name", .db = apostrophe, .checkdb = R"({"allocation_errors": 12})",
         .cell = "发现12个分配错误、0个一致性错误", .log = "K"},
        {.what = "check refused", .faults = {{"dbcc checkdb", 1, 926, refused, 14}}, .cell = "校验失败：" + refused,
         .log = "Q L F E S R M O K"},
        {.what = "check box off", .verify = false, .log = "Q L F E S R M O"},
        {.what = "stop seen after the repair", .stopAfter = 1, .cell = "校验已取消", .log = "Q L F E S R M O"},
        {.what = "stop during the check", .cancelAt = "dbcc checkdb", .cell = "校验已取消", .log = "Q L F E S R M O K",
         .cancels = 1},
        {.what = "failed repair", .faults = {{"Rebuild Log", 1, 5000, "日志未能重新生成。"}}, .report = "日志未能重新生成。",
         .log = "Q L F E S R M*"},
        {.what = "stop during the rebuild", .cancelAt = "Rebuild Log", .report = "操作已取消。", .log = "Q L F E S R M*",
         .cancels = 1},
        // A guard is never cut short; nor is 2000's closing 'allow updates' off left undone by one that was.
        {.what = "stop during a guard", .faults = {{"Rebuild Log", 1, 5000, "日志未能重新生成。"}}, .cancelAt = "set multi_user",
         .report = "日志未能重新生成。", .log = "Q L F E S R M*"},
        {.what = "stop during the closing statements", .major = 8, .cancelAt = "'allow updates',0",
         .report = "操作已取消。", .log = "Q L F T A1 C E2 R2 D A0 C A0* C*", .cancels = 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string first = DbJson(c.db, "SUSPECT");
        if (!c.checkdb.empty()) first.insert(first.size() - 1, R"(, "checkdb": )" + c.checkdb);
        Load(c.major, {first, DbJson(Db(2), "SUSPECT")}, "U8", c.language);
        ResetGrid();
        AddRow(c.db, "Y", "", "校验通过");   // an earlier run's cell
        AddRow(Db(2), "Y");
        m.bVerify = c.verify;
        progress.Reset(c.stopAfter);
        for (const auto& f : c.faults) engine->AddFault(f);
        NetworkStandIn& net = OverNetwork();
        net.cancelAt = c.cancelAt;
        Run();

        const bool stopped = *c.cancelAt || c.stopAfter >= 0;
        const auto want = c.db == kDb ? Log(c.log) : Log(c.log, c.db);
        if (c.db == kDb) {
            EXPECT_EQ(std::vector<std::string>(net.log.begin(), net.log.begin() + std::min(net.log.size(), want.size())), want);
        } else {
            EXPECT_THAT(net.log, Contains(want.back()));
        }
        if (stopped) {
            EXPECT_EQ(net.log.size(), want.size());
        }
        EXPECT_EQ(net.cancels, c.cancels);
        EXPECT_EQ(Column(qm::kColReport), (std::vector<std::string>{c.report, stopped ? "" : "成功修复"}));
        EXPECT_EQ(Column(qm::kColVerify), (std::vector<std::string>{c.cell, stopped || !c.verify ? "" : "校验通过"}));
        EXPECT_EQ(app->oMaster->CommandTimeout(), 300);
        // The window hears of a check as it starts and of every cell written.
        std::vector<std::string> checks, heard;
        if (want.back().rfind("dbcc", 0) == 0) checks.push_back("1 " + c.db);
        if (!c.cell.empty()) checks.push_back("1 " + c.cell);
        for (const auto& e : progress.checks)
            if (e.rfind("1 ", 0) == 0) heard.push_back(e);
        EXPECT_EQ(heard, checks);
    }
}

// A server lost mid-run: the driver's link failure on the statement in flight ends the run. That row and
// every later ticked one report the lost link, nothing more is sent (no guard either: there is no one to
// send it to), the summary is still made. The next run reopens the connection once, with the same text.
TEST_F(RepairDriver, ALostServerEndsTheRunAndTheNextRunReopens) {
    const std::string lost = qm::kLinkLostReport;
    struct Case {
        int major;
        const char* dropAt;
        const char* log;
        std::vector<std::string> reports, cells;
        const char* summary;
    };
    const Case cases[] = {
        {9, "set single_user", "Q L F E S", {lost, lost, lost, ""}, {"", "", "", ""}, "尚有3个账套年度数据未能修复"},
        {8, "dbcc rebuild_log", "Q L F T A1 C E2 R2", {lost, lost, lost, ""}, {"", "", "", ""}, "尚有3个账套年度数据未能修复"},
        {9, "dbcc checkdb", "Q L F E S R M O K", {"成功修复", lost, lost, ""},
         {"校验失败：与服务器的连接已断开", "", "", ""}, "已成功修复1个账套年度数据 尚有2个账套年度数据未能修复"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dropAt);
        ResetGrid();
        app->masterLost = false;
        LoadRows(c.major, {"SUSPECT", "SUSPECT", "SUSPECT"});
        AddRow(Db(4), "");
        NetworkStandIn& net = OverNetwork();
        net.dropAt = c.dropAt;
        observer.statements.clear();
        Run();
        EXPECT_EQ(net.log, Log(c.log));
        EXPECT_EQ(Column(qm::kColReport), c.reports);
        EXPECT_EQ(Column(qm::kColVerify), c.cells);
        EXPECT_EQ(m.labReport.caption, c.summary);
        ASSERT_FALSE(observer.statements.empty());
        EXPECT_EQ(observer.statements.back().row, 1);
        EXPECT_EQ(observer.statements.back().error, "Write to the server failed");   // the driver's words, for the tooltip
        EXPECT_TRUE(app->masterLost);
    }

    // The server is still gone: the reopen fails with the reason and the run sends nothing.
    ResetGrid();
    LoadRows(9, {"SUSPECT"});
    sqlsim::InProcessConnectionFactory gone(nullptr), back(engine);
    app->platform.connections = &gone;
    const std::string text = app->oMaster->ConnectionString();
    app->masterLost = true;
    EXPECT_FALSE(qm::ReopenMasterIfLost(*app));
    EXPECT_EQ(app->cMsg, "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server 不存在或拒绝访问。");
    engine->ClearTranscript();
    Run();
    EXPECT_EQ(Report(1), lost);
    EXPECT_TRUE(Sent().empty());
    // Back again: one new connection with the same text, and the run goes through.
    app->platform.connections = &back;
    EXPECT_TRUE(qm::ReopenMasterIfLost(*app));
    EXPECT_FALSE(app->masterLost);
    EXPECT_EQ(app->oMaster->ConnectionString(), text);
    EXPECT_EQ(app->oMaster->CommandTimeout(), 300);
    Run();
    EXPECT_EQ(Report(1), "成功修复");
    EXPECT_EQ(m.grid.Cell(1, qm::kColVerify), "校验通过");
}

// 停止 from the window's thread during a check that takes 30 seconds: the check is cancelled at once,
// the run ends after it and the second database is not touched.
TEST_F(RepairDriver, StopFromAnotherThreadCancelsALongCheck) {
    std::string slow = DbJson(Db(1), "SUSPECT");
    slow.insert(slow.size() - 1, R"(, "checkdb": {"seconds": 30})");
    Load(9, {slow, DbJson(Db(2), "SUSPECT")});
    AddRow(Db(1), "Y");
    AddRow(Db(2), "Y");
    std::atomic<bool> done{false};
    std::thread run([&] {
        Run();
        done = true;
    });
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!progress.checking && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto pressed = Clock::now();
    // Pressed again until the run ends: the first press may come just before the check reaches the server.
    while (!done && Clock::now() < deadline) {
        qm::CancelRun(*app, m);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.join();
    EXPECT_LT(Clock::now() - pressed, std::chrono::seconds(2));
    EXPECT_EQ(Column(qm::kColReport), (std::vector<std::string>{"成功修复", ""}));
    EXPECT_EQ(m.grid.Cell(1, qm::kColVerify), "校验已取消");
    EXPECT_EQ(m.labReport.caption, "已成功修复1个账套年度数据 ");
    const auto transcript = engine->Transcript();
    ASSERT_FALSE(transcript.empty());
    EXPECT_TRUE(transcript.back().cancelled);
    for (const auto& e : transcript) EXPECT_EQ(e.sql.find(Db(2)), std::string::npos) << e.sql;
}

} // namespace
