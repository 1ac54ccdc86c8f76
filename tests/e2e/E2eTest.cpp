// Whole runs of the Windows program under Wine against the simulator's TDS server, through
// quillmere-e2e, checked on the JSON it writes: what the operator saw, what the server received, what was left on disk.
#include "platform/Text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using json = nlohmann::json;

namespace {

struct HarnessRun {
    int status = -1;
    json result;
    double seconds = 0; // the whole run, Wine's start included
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `scenario` is a shipped scenario's file name, or a scenario of the test's own as JSON text.
HarnessRun RunHarness(const std::string& scenario, const std::vector<std::string>& extra = {}) {
    const std::string name =
        (std::filesystem::temp_directory_path() /
         ("qm-e2e-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
          std::to_string(::getpid())))
            .string();
    std::string file = std::string(QM_SCENARIO_DIR) + "/" + scenario;
    if (scenario[0] == '{') std::ofstream(file = name + "-scenario.json") << scenario;
    std::string cmd = Quote(QM_E2E_PATH) + " --scenario " + Quote(file) + " --out " + Quote(name + ".json");
    for (auto& e : extra) cmd += " " + Quote(e);
    HarnessRun run;
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    run.result = json::parse(std::ifstream(name + ".json"), nullptr, false);
    std::filesystem::remove(name + ".json");
    std::filesystem::remove(name + "-scenario.json");
    return run;
}

const int kReport = 6; // report column of a grid row
const int kVerify = 7; // verification column

bool HasFile(const json& files, const std::string& name) {
    return std::find(files.begin(), files.end(), json(name)) != files.end();
}

// Statements that contain `fragment`, ignoring letter case as the server does; with `succeeded`, only
// those the server did not refuse.
int CountSql(const json& transcript, std::string fragment, bool succeeded = false) {
    fragment = qm::AsciiLower(fragment);
    return int(std::count_if(transcript.begin(), transcript.end(), [&](const json& e) {
        return (!succeeded || e["error"].is_null()) &&
               qm::AsciiLower(e["sql"].get<std::string>()).find(fragment) != std::string::npos;
    }));
}

} // namespace

TEST(EndToEnd, Sql2005U8RepairsEveryTickedSuspectDatabase) {
    HarnessRun run = RunHarness("sql2005-u8.json");
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    const json& r = run.result;
    EXPECT_EQ(r["version_text"], "SQL Server 2005 SP3 标准版");
    EXPECT_EQ(r["product"], "T");
    EXPECT_NE(r["title"].get<std::string>().find("SQL Server 2005 SP3"), std::string::npos);
    const std::string dataDir = r["data_dir"];

    EXPECT_EQ(r["load"]["count"], 3);
    EXPECT_EQ(r["load"]["color"], "#ff0000");
    EXPECT_EQ(r["load"]["header"], json::array({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"}));
    ASSERT_EQ(r["load"]["rows"].size(), 3u);
    // The grid shows the paths the server gave, as Windows paths of the data folder.
    EXPECT_EQ(r["load"]["rows"][0], json::array({"UFDATA_001_2015", "", "001", "演示公司", "2015",
                                                 dataDir + "\\UFDATA_001_2015.MDF", "", ""}));

    ASSERT_EQ(r["repair"]["rows"].size(), 3u);
    for (auto& row : r["repair"]["rows"]) {
        EXPECT_EQ(row[kReport], "成功修复") << row.dump();
        EXPECT_EQ(row[kVerify], "校验通过") << row.dump();
    }
    EXPECT_EQ(r["repair"]["color"], "#0000ff");

    EXPECT_EQ(r["reload"]["count"], 0);
    EXPECT_EQ(r["reload"]["color"], "#0000ff");
    EXPECT_EQ(r["reload"]["label"], "未发现任何异常数据库");

    EXPECT_TRUE(r["messages"].empty()) << r["messages"].dump();
    const json& t = r["transcript"];
    EXPECT_EQ(CountSql(t, "SERVERPROPERTY('productversion')"), 1);
    EXPECT_EQ(CountSql(t, "REBUILD LOG"), 3);
    EXPECT_EQ(CountSql(t, "dbcc checkdb(N'UFDATA_001_2015') with no_infomsgs"), 1);
    EXPECT_EQ(CountSql(t, "dbcc checkdb"), 3);
    // The data files stay; the old log of 001 was kept aside, not deleted.
    for (auto name : {"UFDATA_001_2015.MDF", "UFDATA_002_2014.MDF", "UFDATA_003_2016.MDF"})
        EXPECT_TRUE(HasFile(r["files"], name)) << r["files"].dump();
    EXPECT_TRUE(std::any_of(r["files"].begin(), r["files"].end(), [](const json& f) {
        return f.get<std::string>().rfind("UFDATA_001_2015_LOG.LDF.", 0) == 0;
    })) << r["files"].dump();

    // The run record beside the tool, named under the summary: what each row went through, the summary.
    EXPECT_EQ(r["record"]["label"].get<std::string>().rfind("运行记录：Quillmere-", 0), 0u) << r["record"].dump();
    const std::string record = r["record"]["text"];
    EXPECT_EQ(record.rfind("\xEF\xBB\xBFQuillmere 运行记录\r\n", 0), 0u) << record;
    for (const std::string& line :
         {std::string("[第 3 行] UFDATA_003_2016\r\n"), "  [已移开文件] " + dataDir + "\\UFDATA_001_2015_LOG.LDF → ",
          std::string("报告：成功修复\r\n校验：校验通过\r\n"), std::string("\r\n汇总：已成功修复3个账套年度数据 \r\n")})
        EXPECT_NE(record.find(line), std::string::npos) << line << "\n" << record;
}

TEST(EndToEnd, RefusedLogMoveFailsThatRowOnlyAndUntickedRowsStayListed) {
    HarnessRun run = RunHarness(
        "sql2005-u8.json", {"--tick", "1,2", "--backup", "off", "--file-fault", "UFDATA_001_2015_LOG.LDF=拒绝的权限"});
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    const json& r = run.result;
    ASSERT_EQ(r["repair"]["rows"].size(), 3u);
    // The refused move is one the server's own hold explains, so the rebuild is tried and refused.
    const std::string failed = r["repair"]["rows"][0][kReport];
    EXPECT_NE(failed.find("UFDATA_001_2015_LOG.LDF' 已存在"), std::string::npos) << failed;
    EXPECT_EQ(r["repair"]["rows"][1][kReport], "成功修复");
    EXPECT_EQ(r["repair"]["rows"][2][kReport], "");
    EXPECT_EQ(r["repair"]["color"], "#ff0000");
    EXPECT_EQ(CountSql(r["transcript"], "REBUILD LOG", true), 1);
    EXPECT_EQ(CountSql(r["transcript"], "UFDATA_003_2016"), 0);
    EXPECT_TRUE(HasFile(r["files"], "UFDATA_001_2015_LOG.LDF")) << r["files"].dump();
    EXPECT_EQ(r["reload"]["count"], 2);
    EXPECT_EQ(r["reload"]["color"], "#ff0000");
}

TEST(EndToEnd, Sql2000ScenarioRunsToTheEndWithAllowUpdatesSwitchedBackOff) {
    HarnessRun run = RunHarness("sql2000-u8.json", {"--verify", "off"});
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    const json& r = run.result;
    EXPECT_EQ(r["version_text"], "SQL Server 2000 SP4 个人版");
    EXPECT_EQ(r["product"], "T");
    ASSERT_GT(r["load"]["count"].get<int>(), 0);
    for (auto& row : r["repair"]["rows"]) EXPECT_FALSE(row[kReport].get<std::string>().empty()) << row.dump();
    // 'allow updates' is never left on: every switch-on is followed by a switch-off.
    EXPECT_GT(CountSql(r["transcript"], "'allow updates',1"), 0);
    EXPECT_EQ(CountSql(r["transcript"], "'allow updates',1"), CountSql(r["transcript"], "'allow updates',0"));
    EXPECT_EQ(CountSql(r["transcript"], "dbcc checkdb"), 0);
}

// The server goes away while row 2 is being repaired: nothing more is sent, that row and the next one
// say so, and 刷新 afterwards reports the failure instead of an empty list.
TEST(EndToEnd, ServerLostMidRunSendsNothingMore) {
    const std::string drop = "UFDATA_002_2014 set emergency";
    HarnessRun run = RunHarness("sql2005-u8.json", {"--server-drop-at", drop});
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    const json& r = run.result;
    const json& t = r["transcript"];
    ASSERT_FALSE(t.empty());
    EXPECT_NE(t.back()["sql"].get<std::string>().find(drop), std::string::npos) << t.back().dump();
    const json& rows = r["repair"]["rows"];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][kReport], "成功修复");
    for (int i : {1, 2}) EXPECT_EQ(rows[i][kReport], "未修复：与服务器的连接已断开") << rows[i].dump();
    EXPECT_EQ(r["repair"]["color"], "#ff0000");
    EXPECT_EQ(r["reload"]["color"], "#ff0000");
    EXPECT_EQ(r["reload"]["count"], 0);
}

TEST(EndToEnd, RefusedSignInShowsTheDialogsMessageAndEndsBeforeTheMainWindow) {
    // No "sa" login on this server: the pre-filled sign-in is refused, the operator gives up.
    HarnessRun run = RunHarness(R"({"version": "9.00.4035.00", "edition": "Standard Edition",
        "logins": {"admin": "x"}, "databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}]})");
    ASSERT_EQ(run.status, 2) << run.result.dump(2);
    const json& r = run.result;
    EXPECT_EQ(r["messages"], json::array({"输入数据库用户名或密码有误, 请重新输入!"}));
    EXPECT_FALSE(r.contains("load"));
    EXPECT_EQ(r["version_text"], "");
    EXPECT_TRUE(r["transcript"].empty());
}

// Row 1's check finds damage; row 2's check would take 30 s: its cell follows the server's progress,
// and 停止 cancels it: the run ends at once, row 3 is never touched.
TEST(EndToEnd, ChecksReportFindingsAndStopCancelsALongCheck) {
    HarnessRun run = RunHarness(R"({"version": "9.00.4035.00", "edition": "Standard Edition", "logins": {"sa": ""},
        "databases": [
          {"name": "UFDATA_001_2015", "state": "SUSPECT", "checkdb": {"allocation_errors": 1, "consistency_errors": 2}},
          {"name": "UFDATA_002_2015", "state": "SUSPECT", "checkdb": {"seconds": 30}},
          {"name": "UFDATA_003_2015", "state": "SUSPECT"}],
        "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示"}]})",
                                {"--press-stop-after", "7000"});
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    EXPECT_LT(run.seconds, 25) << "停止 did not cut the 30-second check short";
    std::vector<int> percents;
    for (const auto& text : run.result["repair"]["checking"])
        if (const std::string t = text; t.rfind("校验中 ", 0) == 0)
            percents.push_back(std::stoi(t.substr(std::string("校验中 ").size())));
    EXPECT_GE(percents.size(), 2u) << run.result["repair"]["checking"].dump();
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) && percents.front() < percents.back())
        << run.result["repair"]["checking"].dump();
    const json& rows = run.result["repair"]["rows"];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][kVerify], "发现1个分配错误、2个一致性错误");
    EXPECT_EQ(rows[1][kReport], "成功修复");
    EXPECT_EQ(rows[1][kVerify], "校验已取消");
    EXPECT_EQ(rows[2][kReport], "");
    EXPECT_EQ(CountSql(run.result["transcript"], "UFDATA_003_2015"), 0);
}

// SQL Server 2014 (12.0.2000.8), T+ on 2019 and an English 2022 whose log file stays held, through the
// windows: the version in the title, reports and checks. A database whose recovery is pending and whose
// log is back goes online by a normal recovery alone; one refused is rebuilt; suspect and emergency ones
// take the 2005 roads. On 2022 the rebuild refused because the held log exists (5025, in English) is
// tried a second time, then the row reports the refusal.
TEST(EndToEnd, ModernServersRecoverPendingDatabasesNormallyFirst) {
    struct Case {
        const char *scenario, *fault, *version, *recovered; // recovered: by set online alone
        std::vector<std::string> reports;                   // each row's report begins so
        int rebuilds;
    };
    for (const Case& c : {Case{"sql2014-u8.json", "", "SQL Server 2014  标准版", "UFDATA_001_2015",
                               std::vector<std::string>(4, "成功修复"), 2},
                          Case{"sql2019-tplus.json",
                               "",
                               "SQL Server 2019  Standard Edition (64-bit)",
                               "UFTDATA_101_2019",
                               {"成功修复", "成功修复"},
                               1},
                          Case{"sql2022-en.json",
                               "UFDATA_001_2022_LOG.LDF=拒绝的权限",
                               "SQL Server 2022  Developer Edition (64-bit)",
                               "",
                               {"The file '", "成功修复"},
                               3}}) {
        HarnessRun run =
            RunHarness(c.scenario, *c.fault ? std::vector<std::string>{"--backup", "off", "--file-fault", c.fault}
                                            : std::vector<std::string>{});
        ASSERT_EQ(run.status, 0) << c.scenario << run.result.dump(2);
        const json& r = run.result;
        const json& t = r["transcript"];
        EXPECT_NE(r["title"].get<std::string>().find(c.version), std::string::npos) << c.scenario;
        const json& rows = r["repair"]["rows"];
        ASSERT_EQ(rows.size(), c.reports.size()) << c.scenario;
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i][kReport].get<std::string>().rfind(c.reports[i], 0), 0u) << c.scenario << rows[i].dump();
            EXPECT_EQ(rows[i][kVerify], c.reports[i] == "成功修复" ? "校验通过" : "") << c.scenario << rows[i].dump();
        }
        EXPECT_EQ(CountSql(t, "rebuild log"), c.rebuilds) << c.scenario;
        EXPECT_EQ(CountSql(t, "allow updates"), 0) << c.scenario;
        if (*c.recovered) {
            EXPECT_EQ(CountSql(t, std::string(c.recovered) + " set online", true), 1) << c.scenario;
        }
        // A failed row stays listed.
        EXPECT_EQ(r["reload"]["count"],
                  std::count_if(c.reports.begin(), c.reports.end(), [](auto& s) { return s != "成功修复"; }));
    }
}

// The U8 layout, one folder per account and year (ZT001/2015/UFDATA.MDF), with more account sets than
// the grid shows at once: every row is ticked, rows below the first screen too, and every log is moved
// aside and rebuilt in its own folder.
TEST(EndToEnd, U8FolderLayoutBeyondTheFirstScreenIsRepairedRowByRow) {
    json scenario = json::parse(R"({"version": "9.00.4035.00", "edition": "Standard Edition", "logins": {"sa": ""}})");
    for (int i = 1; i <= 30; ++i) {
        const std::string n = std::to_string(1000 + i).substr(1), file = "ZT" + n + "/2015/UFDATA.";
        scenario["databases"].push_back({{"name", "UFDATA_" + n + "_2015"},
                                         {"state", "SUSPECT"},
                                         {"data_file", file + "MDF"},
                                         {"log_file", file + "LDF"}});
        scenario["ua_account"].push_back({{"cAcc_id", n}, {"cAcc_Name", "账套" + n}});
    }
    HarnessRun run = RunHarness(scenario.dump(), {"--tick", "all", "--verify", "off"});
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    const json& r = run.result;
    ASSERT_EQ(r["repair"]["rows"].size(), 30u);
    for (auto& row : r["repair"]["rows"]) EXPECT_EQ(row[kReport], "成功修复") << row.dump();
    EXPECT_EQ(r["load"]["rows"][29][5], r["data_dir"].get<std::string>() + "\\ZT030\\2015\\UFDATA.MDF");
    const json& files = r["files"];
    EXPECT_TRUE(HasFile(files, "ZT030/2015/UFDATA.MDF") && HasFile(files, "ZT030/2015/UFDATA.LDF") &&
                !HasFile(files, "ZT030"))
        << files.dump();
    auto keptAside = [](const json& f) { return f.get<std::string>().find("/2015/UFDATA.LDF.") != std::string::npos; };
    EXPECT_EQ(std::count_if(files.begin(), files.end(), keptAside), 30) << files.dump();
}

// The error log says why each database went bad, and the road follows: a file held by another program
// or refused to the service is never rebuilt (a lock since let go recovers by set online alone), a data
// file that is back recovers so too, the other causes keep the rebuild. The record names every cause;
// SQL Server 2000 the same from its whole log.
TEST(EndToEnd, TheErrorLogsCauseDecidesWhetherALogIsRebuilt) {
    struct Row {
        const char *cause, *extra, *kind, *report;
        bool rebuilt;
    };
    const Row rows2008[] = {
        {"held", R"(, "online_recovers": true)", "文件被占用", "成功修复", false},
        {"held", "", "文件被占用", "数据库文件被其他程序占用（如杀毒软件），请关闭后重试", false},
        {"denied", "", "拒绝访问", "SQL Server 服务账户无权访问数据库文件", false},
        {"missing", R"(, "cause_file": "data", "online_recovers": true)", "文件不存在", "成功修复", false},
        {"log_full", "", "日志已满", "成功修复", true},
        {"io_error", "", "磁盘读写错误", "成功修复", true},
        {"recovery_failed", "", "恢复失败", "成功修复", true},
        {"log_mismatch", "", "日志不匹配", "成功修复", true},
    };
    const Row rows2000[] = {{"held", "", "文件被占用", "数据库文件被其他程序占用（如杀毒软件），请关闭后重试", false},
                            {"log_full", "", "日志已满", "成功修复", true}};
    struct Server {
        const char* version;
        const Row* rows;
        size_t count;
    };
    for (const Server& s :
         {Server{"10.50.4000.0", rows2008, std::size(rows2008)}, Server{"8.00.2039", rows2000, std::size(rows2000)}}) {
        SCOPED_TRACE(s.version);
        json scenario = {{"version", s.version}, {"edition", "Standard Edition"}, {"logins", {{"sa", ""}}}};
        for (size_t i = 0; i < s.count; ++i) {
            const std::string n = std::to_string(1001 + i).substr(1);
            json db =
                json::parse(std::string(R"({"name": "UFDATA_)") + n + R"(_2015", "state": "SUSPECT", "cause": ")" +
                            s.rows[i].cause + "\"" + s.rows[i].extra + "}");
            scenario["databases"].push_back(db);
            scenario["ua_account"].push_back({{"cAcc_id", n}, {"cAcc_Name", "账套" + n}});
        }
        HarnessRun run = RunHarness(scenario.dump(), {"--tick", "all", "--verify", "off"});
        ASSERT_EQ(run.status, 0) << run.result.dump(2);
        const json& r = run.result;
        const json& t = r["transcript"];
        const std::string record = r["record"]["text"];
        ASSERT_EQ(r["repair"]["rows"].size(), s.count);
        for (size_t i = 0; i < s.count; ++i) {
            const std::string db = r["repair"]["rows"][i][0];
            EXPECT_EQ(r["repair"]["rows"][i][kReport], s.rows[i].report) << db;
            EXPECT_EQ(CountSql(t, db + " rebuild log") + CountSql(t, "rebuild_log('" + db), s.rows[i].rebuilt ? 1 : 0)
                << db;
            const size_t section = record.find("] " + db + "\r\n");
            EXPECT_NE(record.find(std::string("原因：") + s.rows[i].kind + "\r\n错误日志：", section),
                      std::string::npos)
                << db << "\n"
                << record;
        }
        EXPECT_EQ(CountSql(t, "xp_readerrorlog"), s.rows == rows2000 ? 1 : int(s.count)); // 2000's log read once
    }
}

// 修复前备份, ticked as the window opens: each repaired database's files are kept in Quillmere备份 beside
// its data file before the first change, and the record lists each copy; a file the server holds even
// offline leaves that row unrepaired and without a partial copy.
TEST(EndToEnd, EveryRepairedDatabaseIsCopiedFirstAndARowWhoseCopyFailsIsLeftAlone) {
    HarnessRun run =
        RunHarness("sql2005-u8.json", {"--verify", "off", "--file-fault", "UFDATA_002_2014.MDF=拒绝的权限"});
    ASSERT_EQ(run.status, 0) << run.result.dump(2);
    const json& r = run.result;
    const json& rows = r["repair"]["rows"];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][kReport], "成功修复");
    EXPECT_EQ(rows[1][kReport], "备份失败：拒绝的权限");
    EXPECT_EQ(rows[2][kReport], "成功修复");
    const json& t = r["transcript"];
    EXPECT_EQ(CountSql(t, "UFDATA_002_2014 set offline"), 1);
    EXPECT_EQ(CountSql(t, "UFDATA_002_2014 set online"), 1); // not left offline
    EXPECT_EQ(CountSql(t, "UFDATA_002_2014 set emergency"), 0);
    auto copies = [&](const std::string& db) {
        return std::count_if(r["files"].begin(), r["files"].end(), [&](const json& f) {
            return f.get<std::string>().rfind("Quillmere备份/" + db + "-", 0) == 0;
        });
    };
    EXPECT_EQ(copies("UFDATA_001_2015"), 2) << r["files"].dump();
    EXPECT_EQ(copies("UFDATA_002_2014"), 0) << r["files"].dump();
    const std::string record = r["record"]["text"];
    EXPECT_NE(record.find("  [已备份] " + r["data_dir"].get<std::string>() + "\\UFDATA_001_2015.MDF → "),
              std::string::npos)
        << record;
    EXPECT_NE(record.find("  [备份失败] "), std::string::npos) << record;
}

// With 发现错误时修复 ticked and confirmed: on 2008 a suspect row is copied, repaired, its findings
// repaired and checked again; a row in emergency, whose files the server holds open, is copied once
// offline; a row too large for the disk is left untouched. On 2000 the repair goes through its
// 'single user' option.
TEST(EndToEnd, FindingsAreRepairedAfterACopyAndARowWithoutRoomIsLeftAlone) {
    const std::string findings = R"("checkdb": {"allocation_errors": 3, "consistency_errors": 5})";
    auto db = [](const std::string& name, const std::string& state, const std::string& extra) {
        return R"({"name": ")" + name + R"(", "state": ")" + state + R"(", "data_file": ")" + name +
               R"(.MDF", "log_file": ")" + name + R"(_LOG.LDF")" + extra + "}";
    };
    const std::string accounts =
        R"(], "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"}, {"cAcc_id": "003", "cAcc_Name": "华东"},
        {"cAcc_id": "004", "cAcc_Name": "华南"}]})";
    const std::string s2008 = R"({"version": "10.00.5500.00", "language": "zh-CN", "logins": {"sa": "sa"},
        "databases": [)" + db("UFDATA_001_2015", "SUSPECT", ", " + findings) +
                              ", " + db("UFDATA_003_2016", "EMERGENCY", "") + ", " +
                              db("UFDATA_004_2016", "SUSPECT", R"(, "data_file_bytes": 10995116277760)") + accounts;
    const std::string s2000 = R"({"version": "8.00.2039", "language": "zh-CN", "logins": {"sa": "sa"},
        "databases": [)" + db("UFDATA_001_2015", "SUSPECT", R"(, "flags": ["IsSuspect"], )" + findings) +
                              accounts;
    const std::string repaired = "已修复：3个分配错误、5个一致性错误；校验通过";
    for (const std::string* scenario : {&s2008, &s2000}) {
        const bool v2000 = scenario == &s2000;
        SCOPED_TRACE(v2000 ? "2000" : "2008");
        HarnessRun run = RunHarness(*scenario, {"--repair-findings", "on", "--answer", "yes"});
        ASSERT_EQ(run.status, 0) << run.result.dump(2);
        const json& r = run.result;
        const json& rows = r["repair"]["rows"];
        ASSERT_EQ(rows.size(), v2000 ? 1u : 3u) << r.dump(2);
        EXPECT_EQ(rows[0][kReport], "成功修复");
        EXPECT_EQ(rows[0][kVerify], repaired);
        const json& t = r["transcript"];
        EXPECT_EQ(CountSql(t,
                           v2000 ? "sp_dboption 'UFDATA_001_2015','single user','true'"
                                 : "UFDATA_001_2015 set single_user with rollback immediate",
                           true),
                  v2000 ? 1 : 2); // 2008's log rebuild asks for single user too
        // Its findings come back as errors, mended or not.
        EXPECT_EQ(CountSql(t, "dbcc checkdb(N'UFDATA_001_2015', repair_allow_data_loss) with no_infomsgs"), 1);
        EXPECT_EQ(CountSql(t, "dbcc checkdb(N'UFDATA_001_2015') with no_infomsgs"), 2);
        auto copies = [&](const std::string& name) {
            return std::count_if(r["files"].begin(), r["files"].end(), [&](const json& f) {
                return f.get<std::string>().rfind("Quillmere备份/" + name + "-", 0) == 0;
            });
        };
        EXPECT_EQ(copies("UFDATA_001_2015"), 2) << r["files"].dump();
        const std::string record = r["record"]["text"];
        EXPECT_NE(record.find("repair_allow_data_loss) with no_infomsgs"), std::string::npos) << record;
        EXPECT_NE(record.find("消息 8912："), std::string::npos) << record;
        EXPECT_NE(record.find("  [已备份] "), std::string::npos) << record;
        if (v2000) continue;
        EXPECT_EQ(rows[1][kReport], "成功修复");
        EXPECT_EQ(CountSql(t, "UFDATA_003_2016 set offline", true), 1);
        EXPECT_EQ(copies("UFDATA_003_2016"), 2) << r["files"].dump();
        EXPECT_EQ(rows[2][kReport].get<std::string>().rfind("备份空间不足：需要 10485761 MB，可用 ", 0), 0u)
            << rows[2][kReport];
        EXPECT_EQ(CountSql(t, "alter database UFDATA_004_2016"), 0);
        EXPECT_EQ(copies("UFDATA_004_2016"), 0);
    }
}
