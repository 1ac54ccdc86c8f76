// The simulator's commands:
// - SQL Server 2000: the status word, allow updates, DBCC REBUILD_LOG and sp_dboption. (A rebuild onto
//   a file that exists is met in the repair's retries.)
// - ALTER DATABASE on 2005/2008: the rebuild sequence and the refusals the repair depends on, scenario
//   faults and the message language. (Windows paths, which only the end-to-end runs ask for, are met
//   there.)
// - DBCC CHECKDB: findings, state refusals and unknown databases, per release; its repairs, their
//   refusals and what they leave. (What the tool reads of the findings, in either language, is met in
//   the check after a repair.)
// - The files the server holds open, as the list published for a program in another process.
// - The SELECTs the tool sends, where the discovery tests do not already pin the simulator's answer:
//   LIKE patterns, the T+ join, the rarer states, awkward names, and no sys.databases on 2000.
#include "SimFixture.h"

#include "discovery/LoadAcc.h"

#include <fstream>
#include <iterator>

using namespace simtest;

namespace {

std::string Rebuild(const std::string& db, const std::string& path, const std::string& name = "Ufmodel_LOG") {
    return "alter database " + db + " Rebuild Log on (name=" + name + ",filename='" + path + "') ";
}
std::string Alter(const std::string& db, const std::string& what) { return "alter database " + db + " " + what; }

// SQL Server 2000's state flags, in the order the tool probes them; its status word set by an update.
const char* kFlags[] = {"IsReadOnly", "IsSingleUser", "IsShutdown",   "IsEmergencyMode", "IsInStandBy", "IsDetached",
                        "IsDboOnly",  "IsInLoad",     "IsInRecovery", "IsOffline",       "IsSuspect"};

std::string Update(const std::string& status, const std::string& db) {
    return "update sysdatabases set status=" + status + " where dbid=DB_ID('" + db + "') ";
}

} // namespace

class CommandTest : public SimTest {};

TEST_F(CommandTest, RebuildSequenceRefusalsAndFaultsOnSql2005) {
    Load(R"({"version": "9.00.4035.00", "databases": [
        {"name": "U1", "state": "SUSPECT", "log_file_exists": false}, {"name": "U2", "state": "SUSPECT"},
        {"name": "U3", "state": "EMERGENCY", "log_file_exists": false},
        {"name": "U5"}, {"name": "F", "state": "EMERGENCY"}],
      "faults": [{"match": "F REBUILD LOG", "count": 2, "number": 5030, "message": "未能排它地锁定数据库以执行该操作。"}]})");
    Play({
        {Alter("U1", "set emergency "), ""},
        {Alter("U1", "set single_user with rollback immediate "), "5060"},
        {StateOf("U1"), "EMERGENCY"},
    });
    auto r = Run(Rebuild("U1", P("U1_LOG.LDF")));
    EXPECT_EQ(Line(r), "5029");
    EXPECT_EQ(r.messages.at(0).severity, 10); // informational: the driver must not see a failure
    EXPECT_TRUE(Exists(P("U1_LOG.LDF")));
    Play({
        {StateOf("U1"), "ONLINE"},
        {Alter("U1", "set multi_user"), ""},
        {Alter("U1", "set ONLINE"), ""},
        {"select DATABASEPROPERTYEX('U1','UserAccess')", "MULTI_USER"},
        // Online from emergency needs the log file; without it the database turns suspect.
        {Alter("U3", "set ONLINE"), "!5105,945,5069",
         "文件激活失败。物理文件名称\"" + P("U3_LOG.LDF") + "\"可能不正确。"},
        {StateOf("U3"), "SUSPECT"},
        {Alter("U2", "set ONLINE"), "!926,5069"},
        // A rebuild at a new path records it as the log.
        {Rebuild("U3", P("NEW.LDF"), "New_LOG"), "5029"},
        {LogPathOf("U3"), P("NEW.LDF")},
        {Alter("U2", "set emergency "), ""},
        {Rebuild("U2", P("U2_LOG.LDF")), "!5025,5069",
         "文件 '" + P("U2_LOG.LDF") + "' 已存在。应该重命名或删除它，以便可以创建新的日志文件。"},
        {StateOf("U2"), "EMERGENCY"},
        {Rebuild("U5", P("U5_NEW.LDF")), "!5023,5069"},
        // Scenario faults match without letter case and fire before any effect, for as many batches as counted.
        {Rebuild("F", P("F1.LDF")), "!5030"},
        {Rebuild("F", P("F1.LDF")), "!5030"},
        {Rebuild("F", P("F2.LDF")), "5029"},
        // A bracketed name with blanks reaches the database; an unknown one is refused.
        {"ALTER   DATABASE  [u5 ]\r\n  SET   EMERGENCY  ", ""},
        {StateOf("U5"), "EMERGENCY"},
        {Alter("nosuch", "set emergency "), "!5011,5069"},
    });
    EXPECT_FALSE(Exists(P("U5_NEW.LDF")));
    EXPECT_FALSE(Exists(P("F1.LDF")));

    Load(R"({"language": "en", "databases": [{"name": "A", "state": "EMERGENCY"}]})");
    Play({{Rebuild("A", P("A_LOG.LDF")), "!5025,5069",
           "The file '" + P("A_LOG.LDF") +
               "' already exists. It should be renamed or deleted so that a new log file can be created."}});
    EXPECT_EQ(engine->CheckLogin("sa", "x")->text, "Login failed for user 'sa'.");
}

TEST_F(CommandTest, CheckdbOutcomesFollowTheScenarioTheStateAndTheRelease) {
    const std::string findings = R"(, "checkdb": {"allocation_errors": 2, "consistency_errors": 12})";
    Load(Scenario("9.00.4035.00",
                  Db("A", "ONLINE", findings) + "," + Db("it's", "ONLINE") + "," + Db("E", "EMERGENCY")));
    Play({
        // One error per finding, at most ten, then the counts and the repair level.
        {"dbcc checkdb(N'A') with no_infomsgs", "!8939,8939,8939,8939,8939,8939,8939,8939,8939,8939,8989,8958"},
        {"DBCC CHECKDB ('it''s')", "8989,2528", "CHECKDB 在数据库 'it's' 中发现 0 个分配错误和 0 个一致性错误。"},
        {"dbcc checkdb(N'it''s ') with no_infomsgs", ""},
        {"dbcc checkdb('E')", "!926"},
        {"dbcc checkdb(N'nosuch') with no_infomsgs", "!2520"},
    });
    Load(Scenario("8.00.2039", Db("E", "ONLINE", R"(, "flags": ["IsEmergencyMode"])") + "," +
                                   Db("D", "ONLINE", R"(, "flags": ["IsDboOnly"])")));
    Play({{"dbcc checkdb(N'E') with no_infomsgs", "!945"},
          {"dbcc checkdb(N'D') with no_infomsgs", ""},
          {"dbcc checkdb(N'nosuch') with no_infomsgs", "!911"}});
}

TEST_F(CommandTest, CheckdbRepairsNeedSingleUserAndTheLevelAndLeaveWhatTheScenarioSays) {
    const std::string findings = R"(, "checkdb": {"allocation_errors": 2, "consistency_errors": 1,
        "level": "repair_rebuild", "left_after_repair": {"consistency_errors": 1}})";
    Load(Scenario("9.00.4035.00",
                  Db("A", "ONLINE", findings) + "," +
                      Db("E", "EMERGENCY", R"(, "log_file_exists": false, "checkdb": {"consistency_errors": 1})") +
                      "," + Db("F", "EMERGENCY", R"(, "checkdb": {"emergency_repair": "fails"})") + "," +
                      Db("S", "SUSPECT", R"(, "user_access": "SINGLE_USER")")));
    Play({
        {"dbcc checkdb(N'A', repair_rebuild)", "!7919", "未处理修复语句。数据库需要处于单用户模式下。"},
        {Alter("A", "set single_user with rollback immediate"), "5060"},
        {"dbcc checkdb(A, repair_fast) with no_infomsgs", "!8939,8939,8939,8989,8958",
         "repair_rebuild 是 DBCC CHECKDB (A)发现的错误的最低修复级别。", true},
        {"dbcc checkdb('A', repair_rebuild) with no_infomsgs", "!8939,8911,8939,8911,8939,8989,8912",
         "CHECKDB 在数据库 'A' 中修复了 2 个分配错误和 0 个一致性错误。", true},
        {"dbcc checkdb(N'A') with no_infomsgs", "!8939,8989,8958"},
        {"dbcc checkdb(N'A', repair_allow_data_loss)", "!8939,8911,8989,8912,2528"},
        {"dbcc checkdb(N'A')", "8989,2528"},
        {Alter("E", "set single_user"), ""},
        {"dbcc checkdb(N'E', repair_rebuild)", "!7901", "未处理修复语句。数据库处于紧急模式时不支持此修复级别。"},
        {"dbcc checkdb(N'E', repair_allow_data_loss) with no_infomsgs", "!5029,8939,8911,8989,8912"},
        {StateOf("E"), "ONLINE"},
        {"select DATABASEPROPERTYEX('E','UserAccess')", "SINGLE_USER"},
        {"dbcc checkdb(N'E') with no_infomsgs", ""},
        {Alter("F", "set single_user"), ""},
        {"dbcc checkdb(N'F', repair_allow_data_loss)", "!7909", "紧急模式修复失败。必须从备份还原。"},
        {StateOf("F"), "EMERGENCY"},
        {"dbcc checkdb(N'S', repair_allow_data_loss)", "!926"},
    });
    EXPECT_TRUE(Exists(P("E_LOG.LDF")));
    Load(
        Scenario("8.00.2039", Db("D", "ONLINE", R"(, "checkdb": {"consistency_errors": 1})"), R"(, "language": "en")"));
    Play({
        {"dbcc checkdb(D, repair_allow_data_loss)", "!7919",
         "Repair statement not processed. Database needs to be in single user mode."},
        {"sp_dboption 'D','single user','true'", ""},
        {"dbcc checkdb(D, repair_allow_data_loss) with no_infomsgs", "!8939,8911,8989,8912",
         "CHECKDB fixed 0 allocation errors and 1 consistency errors in database 'D'.", true},
    });
}

TEST_F(CommandTest, HeldFilesAreThoseOfTheUserDatabasesOnlineOrInEmergency) {
    sqlsim::EngineOptions options;
    options.heldFiles = root + "/held";
    auto held = [&] {
        std::ifstream f(options.heldFiles);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    const std::string a = P("A.MDF") + "\n" + P("A_LOG.LDF") + "\n", e = P("E.MDF") + "\n" + P("E_LOG.LDF") + "\n";
    Load(Scenario("9.00.4035.00", Db("A", "ONLINE") + "," + Db("S", "SUSPECT")), options);
    EXPECT_EQ(held(), a);
    for (const auto& [sql, want] : std::vector<std::pair<std::string, std::string>>{
             {Alter("A", "set offline"), ""}, {Alter("A", "set online"), a}, {Alter("A", "set emergency"), a}}) {
        Run(sql);
        EXPECT_EQ(held(), want) << sql;
    }
    Load(Scenario("8.00.2039", Db("A", "ONLINE") + "," + Db("E", "ONLINE", R"(, "flags": ["IsEmergencyMode"])") + "," +
                                   Db("S", "SUSPECT")),
         options);
    EXPECT_EQ(held(), a + e);
    Run("sp_dboption 'A','offline','true'");
    EXPECT_EQ(held(), e);
}

TEST_F(CommandTest, QueryListingsStatesAndLogPathsOfAwkwardNames) {
    Load(R"({"databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}, {"name": "UFDATA_003_2016"},
                    {"name": "UFDATAX003_2016", "state": "SUSPECT"}, {"name": "ufdata_009_2013", "state": "SUSPECT"},
                    {"name": "UFTDATA_001_2015", "state": "EMERGENCY"}, {"name": "UFTDATA_002_2016", "state": "SUSPECT"},
                    {"name": "C", "state": "RESTORING"}, {"name": "G", "state": "RECOVERY_PENDING"},
                    {"name": "it's", "state": "SUSPECT"}, {"name": "my]db"}],
      "ua_account": [],
      "eap_account": [{"cAcc_Num": "001", "cAcc_Name": "演示", "iYear": 2015, "DsName": "uftdata_001_2015"}]})");
    Play({
        // The underscore is a one-character wildcard, and LIKE ignores letter case.
        {qm::kLoadAccQ1, "UFDATA_001_2015,UFDATAX003_2016,ufdata_009_2013"},
        {qm::kLoadAccQ2, "UFTDATA_001_2015,UFTDATA_002_2016"},
        {StateOf("C"), "RESTORING"},
        {StateOf("G"), "SUSPECT"},
        // Names compare without letter case and trailing blanks; quoted forms reach the same database.
        {LogPathOf("ufdata_001_2015   "), P("UFDATA_001_2015_LOG.LDF")},
        {LogPathOf("it''s"), P("it's_LOG.LDF")},
        {LogPathOf("nosuch"), ""},
        {LogPathOf("my]db"), P("my]db_LOG.LDF")},
    });
    EXPECT_EQ(Got(qm::kLoadAccQ2, 2), "001,NULL"); // joined on the database name, without letter case
    EXPECT_EQ(Run(qm::kLoadAccQ2).results[0].columns[4].type, sqlsim::ColumnType::Int); // the year is a number
    Load(R"({"version": "8.00.2039"})");
    Play({{"select name from sys.databases where name='ufsystem'", "!208", "对象名 'sys.databases' 无效。"}});
}

class Sql2000Test : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        Load(R"({"version": "8.00.2039", "databases": [
            {"name": "U1", "flags": ["IsShutdown"]}, {"name": "U2", "state": "SUSPECT"},
            {"name": "U3", "flags": ["IsEmergencyMode", "IsInStandBy", "IsOffline"]}]})");
    }
    // The flags that are 1, in probe order.
    std::string Flags(const std::string& db) {
        std::string out;
        for (const char* f : kFlags) {
            const std::string probe =
                "select DATABASEPROPERTY(name,'" + std::string(f) + "') from sysdatabases where name='" + db + "'";
            if (Got(probe) == "1") out += std::string(out.empty() ? "" : ",") + f;
        }
        return out;
    }
};

TEST_F(Sql2000Test, RebuildSequenceNeedsAllowUpdatesAndReconfigureAndClearsEveryAbnormalFlag) {
    const std::string refused = "未启用对系统目录的即席更新。系统管理员必须重新配置 SQL Server 才能执行此操作。";
    Play({
        {Update("-32768", "U1"), "!259", refused},
        {"sp_configure 'allow updates',1", "2528,15457"},
        {Update("-32768", "U1"), "!259"},
        {"reconfigure", "!5808"},
        {Update("-32768", "U1"), "!259"},
        {"reconfigure with override", ""},
        {Update("-32768", "U1"), ""},
        {"select status from master..sysdatabases where name='U1'", "-32768"},
    });
    EXPECT_EQ(Flags("U1"), "IsEmergencyMode");
    Play({
        {"dbcc rebuild_log('U1 ','" + P("U1.LDF") + "')", "5029,2528"},
        {LogPathOf("U1"), P("U1.LDF")},
    });
    EXPECT_TRUE(Exists(P("U1.LDF")));
    EXPECT_EQ(Flags("U1"), "IsDboOnly");
    Play({
        {"sp_dboption 'U1 ','dbo use only','false'", ""},
        {Update("4194328", "U3"), ""}, // the read-only recovery's status word
        {"sp_configure 'allow updates',0", "2528,15457"},
        {"reconfigure with override", ""},
        {qm::kLoadAccQ6, "U2"}, // the other one stays listed
    });
    EXPECT_EQ(Flags("U1"), "");
    EXPECT_EQ(Flags("U3"), ""); // 0x400018 carries no state bit, standby included
}
