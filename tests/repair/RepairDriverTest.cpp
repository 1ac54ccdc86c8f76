// The repair run over the grid: which rows are worked on, their reports, the check after a repair,
// the summary, stopping and a server lost mid-run.
#include "RepairFixture.h"

#include "discovery/LoadAcc.h"
#include "platform/Text.h"
#include "repair/Backup.h"
#include "repair/Findings.h"
#include "repair/Preview.h"
#include "repair/Repair.h"
#include "repair/RunRecord.h"

#include <functional>
#include <regex>

using namespace qmtest;
using ::testing::Contains;

namespace {

// Presses 停止 as the window would once `stopAfter` rows are done.
struct FakeProgress : qm::RepairProgress {
    void RunStarted(int maximum) override { started.push_back(maximum); }
    void ReportProgress(int, const std::string& text) override {
        passing.push_back(text);
        if (stopWhilePassing) stop->Request();
    }
    void RowDone(int, int, const std::string&) override {
        if (++done == stopAfter) stop->Request();
    }
    void Reset(int stopAt) { started.clear(), passing.clear(), done = 0, stopAfter = stopAt; }
    std::vector<int> started;
    std::vector<std::string> passing; // the report cell's passing texts
    bool stopWhilePassing = false;
    int done = 0, stopAfter = -1;
    qm::StopToken* stop = nullptr;
};

// oMaster as the run meets it over a network; its log holds each statement with the command timeout it
// went out with ("Q" for a row's state queries). From the first statement containing `dropAt` on, the
// server is gone: the driver's link failure comes back, nothing reaches the simulator. While a statement
// containing `cancelAt` runs, 停止 is pressed; if the cancel reached this connection, the statement ends
// as the driver reports a cancelled one.
class NetworkStandIn : public qm::Connection {
public:
    NetworkStandIn(std::shared_ptr<qm::Connection> inner, std::function<void()> press)
        : inner_(std::move(inner)), press_(std::move(press)) {}
    bool Open(const std::string& cs, std::string& error) override { return inner_->Open(cs, error); }
    int State() const override { return inner_->State(); }
    void SetCommandTimeout(int s) override { inner_->SetCommandTimeout(s); }
    int CommandTimeout() const override { return inner_->CommandTimeout(); }
    const std::string& ConnectionString() const override { return inner_->ConnectionString(); }
    void Cancel() override {
        cancelled_ = true;
        inner_->Cancel();
    }
    qm::SqlResult Execute(const std::string& sql) override {
        if (sql.find("DATABASEPROPERTY") == std::string::npos)
            log.push_back(sql + " @" + std::to_string(CommandTimeout()));
        else if (log.empty() || log.back() != "Q") log.push_back("Q");
        dropped_ = dropped_ || (!dropAt.empty() && sql.find(dropAt) != std::string::npos);
        cancelled_ = false;
        if (!dropped_ && !cancelAt.empty() && sql.find(cancelAt) != std::string::npos) press_();
        if (!dropped_ && !cancelled_) return inner_->Execute(sql);
        qm::SqlResult r;
        r.connectionLost = dropped_;
        r.errorNumber = dropped_ ? 20006 : 0;
        r.error = dropped_ ? "Write to the server failed" : "操作已取消。";
        r.messages.push_back({r.errorNumber, 16, r.error});
        cancels += !dropped_;
        return r;
    }
    std::string dropAt, cancelAt;
    std::vector<std::string> log;
    int cancels = 0;

private:
    std::shared_ptr<qm::Connection> inner_;
    std::function<void()> press_;
    bool dropped_ = false;
    std::atomic<bool> cancelled_{false};
};

class RepairDriver : public RepairFixture {
protected:
    void SetUp() override {
        RepairFixture::SetUp();
        progress.stop = &app->stop;
        m.bBackup = false; // the copy before a change has a test of its own
        ResetGrid();
    }
    void ResetGrid() {
        m.grid.Clear();
        m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"});
        m.iAccCount = 0;
    }
    static std::string Acc(size_t n) { return "UFDATA_00" + std::to_string(n) + "_2015"; }
    void AddRow(const std::string& db, const std::string& mark, const std::string& report = "",
                const std::string& verified = "") {
        m.grid.AppendRow({db, mark, "001", "演示", "2015", P(db + ".MDF"), report, verified});
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
    std::vector<std::string> Column(int col) const {
        std::vector<std::string> out;
        for (int i = 1; i <= m.iAccCount; ++i) out.push_back(m.grid.Cell(i, col));
        return out;
    }
    void Run() { qm::Repair(*app, m, &progress); }
    // The network stand-in before the simulator, with the timeout a master connection opens with.
    NetworkStandIn& OverNetwork() {
        auto net = std::make_shared<NetworkStandIn>(app->oMaster, [this] { app->stop.Request(); });
        net->SetCommandTimeout(300);
        app->oMaster = net;
        return *net;
    }
    // The stand-in's log for `names` (see Seq; Q the state query, I the session number read before the
    // first check, K the check), each at 300 s but a guard (marked *) at 30 s and the check without a limit.
    std::vector<std::string> Log(const std::string& names, const std::string& db = kDb) const {
        std::vector<std::string> out;
        std::istringstream in(names);
        for (std::string n; in >> n;) {
            const bool guard = n.back() == '*';
            if (guard) n.pop_back();
            std::string quoted = db;
            for (size_t at = 0; (at = quoted.find('\'', at)) != std::string::npos; at += 2) quoted.insert(at, "'");
            out.push_back(n == "Q"   ? n
                          : n == "I" ? "select @@spid as spid @300"
                          : n == "K" ? "dbcc checkdb(N'" + quoted + "') with no_infomsgs @0"
                                     : Seq(n, db)[0] + (guard                                           ? " @30"
                                                        : n == "P" || n == "Y" || n == "Y1" || n == "Z" ? " @0"
                                                                                                        : " @300"));
        }
        return out;
    }

    qm::MainModel m;
    FakeProgress progress;
};

// Rows that are not repaired: marked otherwise than by an exact "Y" (not ticked, no statement), healthy
// (not counted), an unsupported state, a routine failing without a text (no success), a failed state
// query (its text is the report, nothing is repaired).
TEST_F(RepairDriver, RowsThatAreNotRepaired) {
    Load(9, {Db(Acc(1), "ONLINE"), Db(Acc(2), "OFFLINE"), Db(Acc(3), "SUSPECT"), Db(Acc(4), "SUSPECT")});
    for (const char* mark : {"y", " Y", "Y "}) AddRow(Acc(3), mark);
    for (int i = 1; i <= 4; ++i) AddRow(Acc(i), "Y");
    engine->AddFault({"Rebuild Log", 1, 5000, ""});
    engine->AddFault({"DATABASEPROPERTYEX ('UFDATA_004_2015'", 1, 50000, "查询失败"});
    Run();
    EXPECT_EQ(Column(qm::kColReport),
              (std::vector<std::string>{"", "", "", "数据库状态正常，无需修复", "未修复：不支持的数据库状态（脱机）",
                                        "修复失败", "查询失败"}));
    EXPECT_EQ(m.labReport.caption, "尚有3个账套年度数据未能修复");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_THAT(progress.started, ElementsAre(7));
    EXPECT_EQ(progress.done, 7);                                 // every row moves the bar, ticked or not
    EXPECT_EQ(RepairStatements(), Seq("G L F E S R M", Acc(3))); // row 6 alone, to its failure and the guard
    EXPECT_EQ(app->cMsg, "");
}

// The error log's cause decides the road: a held or refused file is never rebuilt (2005 and later
// try a normal recovery first, which works once the lock is let go); a suspect database whose data file
// was missing is brought online first and rebuilt only when refused; other causes keep the rebuild. The
// preview and the record name the cause.
TEST_F(RepairDriver, TheErrorLogsCauseChoosesTheRoad) {
    struct Case {
        const char* what;
        int major;
        const char* state;
        std::string extra, sent, report = "成功修复";
    };
    const std::string recovers = R"(, "online_recovers": true)";
    // clang-format off
    const Case cases[] = {
        {"held, then let go", 10, "SUSPECT", R"(, "cause": "held")" + recovers, "G P"},
        {"held by a scanner", 10, "SUSPECT", R"(, "cause": "held")", "G P", qm::kHeldReport},
        {"refused to the service", 9, "SUSPECT", R"(, "cause": "denied")", "G P", qm::kDeniedReport},
        {"held on 2000", 8, "SUSPECT", R"(, "cause": "held")", "G0", qm::kHeldReport},
        {"held while recovery is pending", 12, "RECOVERY_PENDING", R"(, "cause": "held")", "W G P", qm::kHeldReport},
        {"data file back", 10, "SUSPECT", R"(, "cause": "missing", "cause_file": "data")" + recovers, "G P"},
        {"data file back, refused", 10, "SUSPECT", R"(, "cause": "missing", "cause_file": "data")", "G P L F E S R M O"},
        {"log full", 10, "SUSPECT", R"(, "cause": "log_full")", "G L F E S R M O"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.major, {Db(kDb, c.state, c.extra)});
        ResetGrid();
        AddRow(kDb, "Y");
        m.bVerify = false;
        const auto preview = qm::PlanRepair(*app, m, nullptr);
        engine->ClearTranscript();
        Run();
        EXPECT_EQ(Report(1), c.report);
        EXPECT_EQ(RepairStatements(), Seq(c.sent));
        ASSERT_EQ(preview.size(), 1u);
        EXPECT_EQ(preview[0].cause, c.extra.find("held") != std::string::npos      ? qm::kCauseHeld
                                    : c.extra.find("denied") != std::string::npos  ? qm::kCauseDenied
                                    : c.extra.find("missing") != std::string::npos ? qm::kCauseMissing
                                                                                   : qm::kCauseLogFull);
        EXPECT_FALSE(preview[0].causeLine.empty());
    }
    Load(10, {Db(kDb, "SUSPECT", R"(, "cause": "held")")});
    ResetGrid();
    AddRow(kDb, "Y");
    const auto preview = qm::PlanRepair(*app, m, nullptr);
    EXPECT_EQ(preview[0].route, "正常恢复（设为联机），服务器拒绝时不重建事务日志（文件被占用）");
    EXPECT_NE(qm::PreviewText(preview).find("   原因：文件被占用\r\n   错误日志：2015-"), std::string::npos);
}

// 修复前备份: the database's files are copied, whole, into Quillmere备份\<db>-<stamp> beside the data
// file before its first change. A file the server holds is copied once the database is offline; a copy
// refused again, no room, or 停止 during it leave no copy and the database untouched.
TEST_F(RepairDriver, TheCopyBeforeTheFirstChangeKeepsEveryFileOrNothing) {
    const std::string folder = std::string(qm::kBackupFolder) + "/" + kDb + "-20150102-030405/";
    struct Case {
        const char* what;
        int major = 10, refusals = 0;
        long long freeBytes = -1;
        bool stop = false;
        std::string sent, report = "成功修复";
    };
    // clang-format off
    const Case cases[] = {
        {.what = "copied", .sent = "G F L E S R M O"},
        {.what = "held until offline", .refusals = 1, .sent = "G F X L E S R M O"},
        {.what = "held on 2000", .major = 8, .refusals = 1, .sent = "G0 F X0 L T A1 C E2 R2 D A0 C"},
        {.what = "held even offline", .refusals = 2, .sent = "G F X P", .report = "备份失败：拒绝的权限"},
        {.what = "no room", .freeBytes = 0, .sent = "G F", .report = "备份空间不足：需要 1 MB，可用 0 MB"},
        {.what = "stopped", .stop = true, .sent = "G F", .report = qm::kBackupCancelled},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.major, {Db(kDb, "SUSPECT")});
        ResetGrid();
        AddRow(kDb, "Y");
        m.bBackup = true;
        m.bVerify = false;
        if (c.refusals) files.Refuse(P(kDb + ".MDF"), "拒绝的权限", c.refusals);
        files.freeBytes = c.freeBytes;
        progress.Reset(-1);
        progress.stopWhilePassing = c.stop;
        const std::string data = ReadFile(P(kDb + ".MDF")), log = ReadFile(P(kDb + "_LOG.LDF"));
        const auto preview = qm::PlanRepair(*app, m, nullptr);
        engine->ClearTranscript();
        Run();
        EXPECT_EQ(Report(1), c.report);
        std::vector<std::string> want;
        std::istringstream names(c.sent);
        for (std::string n; names >> n;)
            want.push_back(n == "X0"  ? "sp_dboption '" + kDb + "','offline','true'"
                           : n == "X" ? "alter database " + kDb + " set offline"
                                      : Seq(n)[0]);
        EXPECT_EQ(RepairStatements(), want);
        std::vector<std::string> copies;
        for (const auto& f : Files())
            if (f.rfind(qm::kBackupFolder, 0) == 0) copies.push_back(f);
        if (c.report == "成功修复") {
            EXPECT_EQ(copies, (std::vector<std::string>{folder + kDb + ".MDF", folder + kDb + "_LOG.LDF"}));
            EXPECT_EQ(ReadFile(P(folder + kDb + ".MDF")), data);
            EXPECT_EQ(ReadFile(P(folder + kDb + "_LOG.LDF")), log);
            EXPECT_EQ(progress.passing.back(), "备份中 100%");
        } else {
            EXPECT_EQ(copies, std::vector<std::string>{});
        }
        ASSERT_EQ(preview.size(), 1u);
        EXPECT_EQ(preview[0].copies.size(), c.freeBytes == 0 ? 0u : 2u);
    }
    Load(10, {Db(kDb, "SUSPECT")});
    ResetGrid();
    AddRow(kDb, "Y");
    m.bBackup = true;
    files.freeBytes = 5 << 20;
    const std::string text = qm::PreviewText(qm::PlanRepair(*app, m, nullptr));
    EXPECT_NE(text.find("   修复前备份（需要 1 MB，可用 5 MB）：\r\n     " + P(kDb + ".MDF") + " → " +
                        P(folder + kDb + ".MDF")),
              std::string::npos)
        << text;
}

// The shipped scenarios with the layouts met in the field, as the window runs them: load, tick every row,
// repair, reload. Only stale logs move (and only by moving them aside); a failed row leaves its database
// listed as it was. The first
// row's path is written in lower case: only upper-casing finds the file (the folders are upper case).
// On 2014 and 2022, in process and over TDS through the ODBC driver, a database whose recovery is pending
// goes online by a normal recovery alone when it can and is rebuilt when the server refuses; 12.0.2000.8
// never takes the SQL Server 2000 road, and the English "file exists" (5025) earns the retry.
TEST_F(RepairDriver, FieldLayoutsRepairOnlyWhatTheyMayAndLeaveNoDatabaseWorse) {
    const std::string lockFailed = "未能排它地锁定数据库以执行该操作。", noLogPath = "未修复：无法确定日志文件路径";
    struct Case {
        const char* file;
        const char* product;
        std::vector<std::string> reports, reloaded;
        const char* summary;                // an earlier run's success below the listed rows counts too
        std::vector<std::string> sent = {}; // each row's statements (see Seq), when given
        bool tds = false;
        const char* held = ""; // a log the server holds once: the first rebuild finds it there
    };
    const std::vector<std::string> modern2014 = {"W G P I K", "W G P L F E S R M O K", "W G L E S R M O K",
                                                 "W G M O K"},
                                   modern2022 = {"W G P L F E S R R M O I K", "W G L E S R M O K"};
    // clang-format off
    const Case cases[] = {
        {"sql2005-safety.json", "U8", {"成功修复", "成功修复", noLogPath, lockFailed, "已超过了锁请求超时时段。"},
         {"UFDATA_005_2015", "UFDATA_006_2015", "UFDATA_007_2015"}, "已成功修复3个账套年度数据 尚有3个账套年度数据未能修复"},
        {"sql2000-safety.json", "U8", {"成功修复", "成功修复", "成功修复", noLogPath, lockFailed},
         {"UFDATA_006_2015", "UFDATA_007_2015"}, "已成功修复4个账套年度数据 尚有2个账套年度数据未能修复"},
        {"sql2005-goldfield.json", "",
         {"此时无法更改数据库 'GOLDFIELD' 的状态或选项。数据库处于单用户模式，当前某个用户已与其连接。", "成功修复"},
         {"GOLDFIELD"}, "已成功修复2个账套年度数据 尚有1个账套年度数据未能修复"},
        {"sql2014-u8.json", "U8", std::vector<std::string>(4, "成功修复"), {}, "已成功修复5个账套年度数据 ", modern2014},
        {"sql2022-en.json", "U8", {"成功修复", "成功修复"}, {}, "已成功修复3个账套年度数据 ", modern2022, false,
         "UFDATA_001_2022_LOG.LDF"},
    };
    // clang-format on
    std::vector<Case> runs(std::begin(cases), std::end(cases));
    for (const Case& c : cases)
        if (!c.sent.empty()) runs.push_back(c), runs.back().tds = true; // the modern ones again, over TDS
    for (const auto& c : runs) {
        SCOPED_TRACE(std::string(c.file) + (c.tds ? " over TDS" : ""));
        LoadFile(c.file, c.product);
        if (c.tds) OverTds();
        if (*c.held) files.Refuse(P(c.held), "拒绝的权限", 1);
        ASSERT_TRUE(qm::LoadAcc(*app, m));
        for (int i = 1; i <= m.iAccCount; ++i) m.grid.SetCell(i, qm::kColSelect, "Y");
        m.grid.SetCell(1, qm::kColPath, qm::AsciiLower(m.grid.Cell(1, qm::kColPath)));
        m.grid.AppendRow({"UFDATA_099_2015", "", "099", "旧账套", "2015", "", "成功修复"});
        observer.statements.clear();
        Run();
        EXPECT_EQ(Column(qm::kColReport), c.reports);
        EXPECT_EQ(m.labReport.caption, c.summary);
        EXPECT_EQ(m.labReport.color, c.reloaded.empty() ? qm::kBlue : qm::kRed);
        // Each statement belongs to the row it was sent for, the guards' included.
        const auto dbs = Column(qm::kColDb);
        for (size_t i = 0; i < c.sent.size(); ++i) {
            std::vector<std::string> sent;
            for (const auto& e : observer.statements)
                if (e.row == int(i) + 1) sent.push_back(e.sql);
            EXPECT_EQ(sent, Seq(c.sent[i], dbs[i])) << dbs[i];
        }
        for (const auto& mv : observer.moves) EXPECT_TRUE(c.sent.empty() || c.sent[mv.row - 1] != "W P I K") << mv.path;
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
        EXPECT_EQ(Column(qm::kColDb), c.reloaded);
    }
}

// A run over many databases over TDS, the check's progress polled over tempdb beside each check: every
// row is repaired and checked with the same statements, however many databases the server holds (their
// files are read once for the run), and a poll ending with its check never cuts into a batch on the wire.
TEST_F(RepairDriver, ManyDatabasesInOneRunCostTheSamePerRow) {
    const int suspect = 60;
    std::string dbs;
    for (int i = 0; i < 2 * suspect; ++i) {
        char folder[16];
        std::snprintf(folder, sizeof folder, "ZT%03d/%d/", 1 + i / 10, 2010 + i % 10);
        const std::string name = "UFDATA_" + std::string(folder + 2, 3) + "_" + std::to_string(2010 + i % 10);
        dbs += (i ? "," : "") + DbAt(name, i % 2 ? "ONLINE" : "SUSPECT", folder + std::string("UFDATA.MDF"),
                                     folder + std::string("UFDATA.LDF"));
    }
    LoadFile(Scenario("10.00.5500.00", dbs, R"(, "ua_account": [{"cAcc_id": "001", "cAcc_Name": "公司"}])"), "U8");
    OverTds();
    ASSERT_TRUE(qm::LoadAcc(*app, m));
    ASSERT_EQ(m.iAccCount, suspect);
    for (int i = 1; i <= m.iAccCount; ++i) m.grid.SetCell(i, qm::kColSelect, "Y");
    observer.statements.clear();
    Run();
    EXPECT_EQ(Column(qm::kColReport), std::vector<std::string>(suspect, "成功修复"));
    EXPECT_EQ(Column(qm::kColVerify), std::vector<std::string>(suspect, "校验通过"));
    std::map<int, std::vector<std::string>> sent;
    for (const auto& e : observer.statements)
        if (e.sql.find("DATABASEPROPERTY") == std::string::npos) sent[e.row].push_back(e.sql); // not the state query
    ASSERT_EQ(sent.size(), size_t(suspect));
    const auto dbAt = Column(qm::kColDb);
    for (int row = 1; row <= suspect; ++row) {
        const std::string& db = dbAt[size_t(row - 1)]; // UFDATA_<nnn>_<yyyy>, its log at ZT<nnn>/<yyyy>/UFDATA.LDF
        const std::string rebuild = " E S R=ZT" + db.substr(7, 3) + "/" + db.substr(11) + "/UFDATA.LDF M O ";
        EXPECT_EQ(sent[row], Seq(row == 1 ? "G L F" + rebuild + "I K" : "G L" + rebuild + "K", db)) << row;
    }
}

// The check after a repair, 停止 during a row and a server lost mid-run: what reached the server (with
// its time limit), the row's report and its verification cell. Row 2, a second suspect database, is
// repaired and checked as well unless the run stopped at row 1; once the link broke it reports that,
// and nothing more is sent (no guard either).
TEST_F(RepairDriver, TheCheckAfterARepairAStopAndALostServer) {
    const std::string lost = qm::kLinkLostReport;
    const std::string awkward = "UFDATA_001'2015",
                      suspect = "无法打开数据库 'UFDATA_001_2015'。恢复操作已将该数据库标记为 SUSPECT。";
    const std::string found = R"({"allocation_errors": 3, "consistency_errors": 5})", notRebuilt = "日志未能重新生成。";
    const sqlsim::Fault rebuildFails{"Rebuild Log", 1, 5000, notRebuilt};
    struct Case {
        const char* what;
        int major = 9;
        const char* language = "zh-CN";
        std::string db = kDb, checkdb = ""; // the first database and what its check finds
        const char* state = "SUSPECT";
        bool verify = true;
        std::vector<sqlsim::Fault> faults = {};
        const char* cancelAt = ""; // 停止 is pressed while this statement runs
        const char* dropAt = "";   // the server goes away on receiving this statement
        int stopAfter = -1;        // or the progress asks for a stop after this many rows
        std::string report = "成功修复", cell = "";
        const char* log = "Q G L F E S R M O I K"; // row 1's statements (all of them when the run ended there)
        int cancels = 0;
    };
    // clang-format off
    const Case cases[] = {
        {.what = "clean", .cell = "校验通过"},
        {.what = "clean on 2000", .major = 8, .cell = "校验通过", .log = "Q G0 L F T A1 C E2 R2 D A0 C K"},
        {.what = "findings", .checkdb = found, .cell = "发现3个分配错误、5个一致性错误"},
        {.what = "findings in English", .language = "en", .checkdb = found, .cell = "发现3个分配错误、5个一致性错误"},
        // More findings than errors sent; digits and an apostrophe in the name.
        {.what = "awkward name", .db = awkward, .checkdb = R"({"allocation_errors": 12})",
         .cell = "发现12个分配错误、0个一致性错误", .log = "K"},
        {.what = "check refused", .faults = {{"dbcc checkdb", 1, 926, suspect, 14}}, .cell = "校验失败：" + suspect},
        {.what = "check box off", .verify = false, .log = "Q G L F E S R M O"},
        {.what = "stop seen after the repair", .stopAfter = 1, .cell = "校验已取消", .log = "Q G L F E S R M O"},
        {.what = "stop during the check", .cancelAt = "dbcc checkdb", .cell = "校验已取消", .cancels = 1},
        {.what = "failed repair", .faults = {rebuildFails}, .report = notRebuilt, .log = "Q G L F E S R M*"},
        {.what = "stop during the rebuild", .cancelAt = "Rebuild Log", .report = "操作已取消。", .log = "Q G L F E S R M*",
         .cancels = 1},
        // A guard is never cut short, and 2000's closing 'allow updates' off that was is sent again.
        {.what = "stop during a guard", .faults = {rebuildFails}, .cancelAt = "set multi_user", .report = notRebuilt,
         .log = "Q G L F E S R M*"},
        {.what = "stop during the closing statements", .major = 8, .cancelAt = "'allow updates',0",
         .report = "操作已取消。", .log = "Q G0 L F T A1 C E2 R2 D A0 C A0* C*", .cancels = 1},
        {.what = "lost during the repair", .dropAt = "set single_user", .report = lost, .log = "Q G L F E S"},
        {.what = "lost during the rebuild", .major = 8, .dropAt = "dbcc rebuild_log", .report = lost,
         .log = "Q G0 L F T A1 C E2 R2"},
        {.what = "lost during the check", .dropAt = "dbcc checkdb", .cell = "校验失败：与服务器的连接已断开"},
        // A normal recovery cut short is no refusal of the server: nothing is rebuilt for it.
        {.what = "stop during the normal recovery", .major = 12, .state = "RECOVERY_PENDING", .cancelAt = " set online",
         .report = "操作已取消。", .log = "W G P", .cancels = 1},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.major,
             {Db(c.db, c.state, c.checkdb.empty() ? "" : R"(, "checkdb": )" + c.checkdb), Db(Acc(2), "SUSPECT")}, "U8",
             c.language);
        ResetGrid();
        AddRow(c.db, "Y", "", "校验通过"); // an earlier run's cell
        AddRow(Acc(2), "Y");
        m.bVerify = c.verify;
        app->stop.Request(); // a request left from before the run does not count
        progress.Reset(c.stopAfter);
        for (const auto& f : c.faults) engine->AddFault(f);
        NetworkStandIn& net = OverNetwork();
        net.cancelAt = c.cancelAt;
        net.dropAt = c.dropAt;
        Run();

        const bool stopped = *c.cancelAt || c.stopAfter >= 0, ended = stopped || *c.dropAt;
        const auto want = Log(c.log, c.db);
        if (c.db != kDb) EXPECT_THAT(net.log, Contains(want[0]));
        else
            EXPECT_EQ(
                std::vector<std::string>(net.log.begin(), net.log.begin() + std::min(net.log.size(), want.size())),
                want);
        EXPECT_EQ(net.log.size() == want.size(), ended);
        EXPECT_EQ(net.cancels, c.cancels);
        EXPECT_EQ(Column(qm::kColReport), (std::vector<std::string>{c.report, stopped     ? ""
                                                                              : *c.dropAt ? lost
                                                                                          : "成功修复"}));
        EXPECT_EQ(Column(qm::kColVerify), (std::vector<std::string>{c.cell, ended || !c.verify ? "" : "校验通过"}));
        if (*c.dropAt) {
            EXPECT_EQ(observer.statements.back().error,
                      "Write to the server failed"); // the driver's words, for the tooltip
        }
        EXPECT_EQ(app->oMaster->CommandTimeout(), 300);
    }
}

// What a check finds is repaired (single user, the repair at the level the check named without a time
// limit, multi user again whatever happened) and checked again, only where the operator allowed it: the
// box ticked, and a copy taken in this run or the second answer given. With the copy, a log the server
// will not rebuild (2005+) gets the emergency repair instead of a failure.
TEST_F(RepairDriver, WhatTheCheckFindsIsRepairedOnlyWhereAllowed) {
    static const std::string found = R"("allocation_errors": 3, "consistency_errors": 5)";
    const std::string notRebuilt = "日志未能重新生成。";
    const std::string repaired = "已修复：3个分配错误、5个一致性错误；", reported = "发现3个分配错误、5个一致性错误";
    const sqlsim::Fault rebuildFails{"Rebuild Log", 1, 5000, notRebuilt};
    struct Case {
        const char* what;
        int major = 10;
        std::string checkdb = found; // inside the database's "checkdb"
        bool backup = true, findings = true, uncopied = false;
        std::vector<sqlsim::Fault> faults = {};
        const char* cancelAt = "";
        std::string report = "成功修复", cell = "", log = "";
    };
    const std::string rebuild = "Q G F L E S R M O I K", rebuildUncopied = "Q G L F E S R M O I K";
    // clang-format off
    const Case cases[] = {
        {.what = "copied", .cell = repaired + "校验通过", .log = rebuild + " S1 Y M* K"},
        {.what = "not copied", .backup = false, .cell = reported, .log = rebuildUncopied},
        {.what = "not copied, allowed", .backup = false, .uncopied = true, .cell = repaired + "校验通过",
         .log = rebuildUncopied + " S1 Y M* K"},
        {.what = "box not ticked", .findings = false, .cell = reported, .log = rebuild},
        {.what = "a lesser level named", .checkdb = found + R"(, "level": "repair_rebuild")",
         .cell = repaired + "校验通过", .log = rebuild + " S1 Y1 M* K"},
        {.what = "findings left", .checkdb = found + R"(, "left_after_repair": {"consistency_errors": 2})",
         .cell = "已修复：3个分配错误、3个一致性错误；发现0个分配错误、2个一致性错误", .log = rebuild + " S1 Y M* K"},
        {.what = "2000", .major = 8, .cell = repaired + "校验通过",
         .log = "Q G0 F L T A1 C E2 R2 D A0 C K U1 Y U0* K"},
        {.what = "repair refused", .faults = {{"repair_allow_data_loss", 1, 7919, "未处理修复语句。"}},
         .cell = reported + "；修复失败：未处理修复语句。", .log = rebuild + " S1 Y M*"},
        {.what = "stop during the repair", .cancelAt = "repair_allow_data_loss", .cell = reported + "；修复已取消",
         .log = rebuild + " S1 Y M*"},
        {.what = "last resort", .checkdb = "", .faults = {rebuildFails}, .report = qm::kEmergencyRepaired,
         .cell = "校验通过", .log = "Q G F L E S R M* E3 S3 Z M* Q I K"},
        {.what = "last resort fails", .checkdb = R"("emergency_repair": "fails")", .faults = {rebuildFails},
         .report = "紧急模式修复失败：紧急模式修复失败。必须从备份还原。", .log = "Q G F L E S R M* E3 S3 Z M* Q"},
        {.what = "no last resort without the box", .checkdb = "", .findings = false, .faults = {rebuildFails},
         .report = notRebuilt, .log = "Q G F L E S R M*"},
        {.what = "no last resort without a copy", .checkdb = "", .backup = false, .faults = {rebuildFails},
         .report = notRebuilt, .log = "Q G L F E S R M*"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.major, {Db(kDb, "SUSPECT", R"(, "checkdb": {)" + c.checkdb + "}")});
        ResetGrid();
        AddRow(kDb, "Y");
        m.bBackup = c.backup;
        m.bRepairFindings = c.findings;
        m.bRepairUncopied = c.uncopied;
        progress.Reset(-1);
        for (const auto& f : c.faults) engine->AddFault(f);
        NetworkStandIn& net = OverNetwork();
        net.cancelAt = c.cancelAt;
        Run();
        EXPECT_EQ(net.log, Log(c.log));
        EXPECT_EQ(Report(1), c.report);
        EXPECT_EQ(m.grid.Cell(1, qm::kColVerify), c.cell);
    }
}

// The next run after a lost link reopens the connection once, with the same text; while the server is
// still gone, it sends nothing and every ticked row reports the lost link.
TEST_F(RepairDriver, TheRunAfterALostLinkReopensIt) {
    Load(9, {Db(kDb, "SUSPECT")});
    AddRow(kDb, "Y");
    const std::string text = app->oMaster->ConnectionString();
    sqlsim::InProcessConnectionFactory gone(nullptr), back(engine);
    app->platform.connections = gone;
    app->masterLost = true;
    engine->ClearTranscript();
    EXPECT_FALSE(qm::ReopenMasterIfLost(*app));
    EXPECT_EQ(app->cMsg, "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server 不存在或拒绝访问。");
    Run();
    EXPECT_EQ(Report(1), qm::kLinkLostReport);
    EXPECT_TRUE(Sent().empty());
    app->platform.connections = back;
    EXPECT_TRUE(qm::ReopenMasterIfLost(*app));
    Run();
    EXPECT_EQ(app->oMaster->ConnectionString(), text);
    EXPECT_EQ(app->oMaster->CommandTimeout(), 300);
    EXPECT_EQ(Column(qm::kColVerify), (std::vector<std::string>{"校验通过"}));
}

struct StandInSystem : qm::SystemInfo {
    std::string ComputerName() override { return "SRV-ACCT"; }
    std::string UserName() override { return "Administrator"; }
    std::string LocalAppDataFolder() override { return local; }
    std::string local;
};

// The texts in `want` appear in `text` in this order.
::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& want) {
    size_t at = 0;
    for (const auto& w : want) {
        const size_t found = text.find(w, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure() << "missing after " << at << ": " << w << "\n" << text;
        at = found + w.size();
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// The run record read back: the run's header; per ticked row its statements (outcome, duration, each
// message with its number), the files moved aside, the report and the check; the summary. A stopped
// run and one that lost its server say how far they got. Beside the tool, else under the local
// application data folder; where neither can be written the rows keep their outcomes. Never the
// password.
TEST_F(RepairDriver, TheRunRecordKeepsWhatTheRunDid) {
    StandInSystem system;
    system.local = root + "/LOCAL";
    // Every run starts in the same second: a later record never replaces an earlier one.
    const std::string tool = root + "/TOOL", name = "/Quillmere-20150102-030405";
    struct Case {
        const char* what;
        int stopAfter = -1;
        const char* dropAt = "";
        const char* garbleAt = ""; // over the real driver, which cannot read the reply to this
        std::string readOnly = "", file = "", ending = "运行完成", row2 = "报告：日志未能重新生成。",
                    summary = "已成功修复1个账套年度数据 尚有1个账套年度数据未能修复";
        std::string check = "  [成功] #  select @@spid as spid\r\n  [成功] #  dbcc checkdb(N'" + kDb +
                            "') with no_infomsgs\r\n报告：成功修复\r\n校验：校验通过\r\n";
    };
    // clang-format off
    const Case cases[] = {
        {.what = "beside the tool", .file = tool + "/运行记录" + name + ".txt"},
        {.what = "stopped", .stopAfter = 1, .file = tool + "/运行记录" + name + "-1.txt", .ending = "操作员按“停止”结束了运行",
         .row2 = "报告：（未处理：运行已在此之前结束）", .summary = "已成功修复1个账套年度数据 ",
         .check = "报告：成功修复\r\n校验：校验已取消\r\n"},
        {.what = "server lost", .dropAt = "UFDATA_002_2015 set emergency", .file = tool + "/运行记录" + name + "-2.txt",
         .ending = "与服务器的连接已断开", .row2 = "报告：未修复：与服务器的连接已断开"},
        {.what = "driver failure", .garbleAt = "UFDATA_002_2015 set emergency", .file = tool + "/运行记录" + name + "-3.txt",
         .ending = "与服务器的连接已断开", .row2 = "报告：未修复：与服务器的连接已断开"},
        {.what = "tool folder read-only", .readOnly = tool, .file = root + "/LOCAL/Quillmere/运行记录" + name + ".txt"},
        {.what = "nothing writable", .readOnly = root},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(9, {Db(Acc(1), "SUSPECT"), Db(Acc(2), "SUSPECT")});
        ResetGrid();
        AddRow(Acc(1), "Y");
        AddRow(Acc(2), "Y");
        AddRow(Acc(3), "");
        engine->AddFault({Acc(2) + " Rebuild Log", 1, 5000, "日志未能重新生成。"});
        std::filesystem::create_directories(tool);
        std::filesystem::create_directories(system.local);
        app->platform.toolFolder = tool;
        app->platform.system = system;
        app->cDBServer = "127.0.0.1,1433";
        app->cDBUser = "sa";
        app->cDBPwd = "Pw;秘密";
        if (*c.dropAt) OverNetwork().dropAt = c.dropAt;
        if (*c.garbleAt) {
            sqlsim::tds::SessionConfig config;
            config.garbleAt = c.garbleAt;
            OverTds(config);
        }
        files.readOnly = c.readOnly;
        progress.Reset(c.stopAfter);
        qm::RepairWithRecord(*app, m, &progress);

        EXPECT_EQ(Report(1), "成功修复");
        EXPECT_EQ(m.record.path, c.file);
        EXPECT_EQ(m.record.error, c.file.empty() ? "拒绝的权限" : "");
        if (c.file.empty()) continue;
        const std::string bytes = ReadFile(c.file);
        ASSERT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u);
        EXPECT_EQ(std::regex_replace(bytes, std::regex("\r\n"), "").find('\n'), std::string::npos);
        EXPECT_EQ(bytes.find("Pw;秘密"), std::string::npos);
        const std::string text = std::regex_replace(bytes, std::regex("\\d+\\.\\d{3} 秒"), "#");
        const std::string log = P(kDb + "_LOG.LDF"), alter = "alter database " + kDb;
        EXPECT_TRUE(InOrder(
            text, {"Quillmere 运行记录\r\n程序版本：Quillmere ",
                   "\r\n计算机：SRV-ACCT\r\nWindows 用户：Administrator\r\n"
                   "服务器：127.0.0.1,1433（登录名：sa）\r\n数据库版本：SQL Server 2005 SP3 标准版\r\n产品：U8\r\n"
                   "开始时间：2015-01-02 03:04:05\r\n结束时间：2015-01-02 03:04:05\r\n结束方式：" +
                       c.ending + "\r\n",
                   "\r\n[第 1 行] " + kDb + "\r\n账套号：001  账套名称：演示  年度：2015\r\n数据文件：" +
                       P(kDb + ".MDF") + "\r\n状态：置疑\r\n原因：未知\r\n语句和文件：\r\n  [成功] #  --password \r\n",
                   "  [已移开文件] " + log + " → " + log + "." + kStamp + ".bak\r\n",
                   "  [成功] #  " + alter + " set emergency \r\n", c.check, "\r\n[第 2 行] " + Acc(2) + "\r\n",
                   c.row2 + "\r\n", "\r\n汇总：" + c.summary + "\r\n"}));
        if (!*c.dropAt && !*c.garbleAt && c.stopAfter < 0) {
            EXPECT_TRUE(InOrder(text, {"  [失败] #  alter database " + Acc(2) + " Rebuild Log",
                                       "      消息 5000：日志未能重新生成。\r\n", "校验：（无）\r\n"}));
        }
        EXPECT_EQ(text.find(Acc(3)), std::string::npos);
    }
}

// The preview over the shipped layouts: per ticked row the state, the route, and exactly the statements
// and moves that the run which follows makes on a healthy first attempt; the preview itself sent only
// queries and left every file and every cell as it was.
TEST_F(RepairDriver, PreviewListsWhatTheRunDoesAndChangesNothing) {
    struct Case {
        const char* file;
        const char* state;
    };
    for (const auto& [file, state] : {Case{"sql2005-safety.json", "置疑"}, Case{"sql2000-safety.json", "可疑"}}) {
        SCOPED_TRACE(file);
        LoadFile(file, "U8");
        ASSERT_TRUE(qm::LoadAcc(*app, m));
        for (int i = 1; i <= m.iAccCount; ++i) m.grid.SetCell(i, qm::kColSelect, "Y");
        const auto before = Files();
        engine->ClearTranscript();
        observer.statements.clear();
        const auto preview = qm::PlanRepair(*app, m, nullptr);
        for (const auto& sql : Sent()) {
            const std::string head = sql.substr(sql.rfind("--password \r\n", 0) == 0 ? 13 : 0, 6);
            EXPECT_TRUE(head == "select" || head == "SELECT" || sql.rfind("exec master..xp_readerrorlog", 0) == 0)
                << sql;
        }
        EXPECT_EQ(Files(), before);
        EXPECT_TRUE(files.changed.empty());
        EXPECT_TRUE(observer.statements.empty()); // the plan's statements are not the window's
        EXPECT_EQ(Column(qm::kColReport), std::vector<std::string>(size_t(m.iAccCount), ""));
        ASSERT_EQ(int(preview.size()), m.iAccCount);
        EXPECT_EQ(preview[0].state, state);
        EXPECT_EQ(preview[0].route, "重建事务日志");
        const std::string text = qm::PreviewText(preview);
        EXPECT_NE(
            text.find(std::string("\r\n   状态：") + state +
                      "\r\n   原因：未知\r\n   处理：重建事务日志\r\n   将发送的语句：\r\n     1. " +
                      (std::string(state) == "置疑" ? "--password \r\n        SELECT" : "select DATABASEPROPERTY")),
            std::string::npos)
            << text;

        Run();
        int same = 0;
        for (const auto& p : preview) {
            std::vector<std::string> sent;
            bool healthy = true;
            for (const auto& e : observer.statements)
                if (e.row == p.row) sent.push_back(e.sql), healthy = healthy && e.ok;
            std::vector<std::pair<std::string, std::string>> moved;
            for (const auto& mv : observer.moves)
                if (mv.row == p.row) moved.emplace_back(mv.path, mv.newPath);
            if (!healthy || Report(p.row) != p.report) continue;
            ++same;
            EXPECT_EQ(p.statements, sent) << p.db;
            EXPECT_EQ(p.moves, moved) << p.db;
        }
        EXPECT_GE(same, 3);
    }
}
