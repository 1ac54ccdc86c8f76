// ALTER DATABASE on SQL Server 2005/2008, faults, transcript and message language.
#include "SimFixture.h"
#include "ToolTexts.h"

using namespace simtest;

namespace {

const char* k2005 = R"({
  "version": "9.00.4035.00",
  "databases": [
    {"name": "UFDATA_001_2015", "state": "SUSPECT", "log_file": "U1_LOG.LDF", "log_file_exists": false},
    {"name": "UFDATA_002_2015", "state": "SUSPECT", "log_file": "U2_LOG.LDF"},
    {"name": "UFDATA_003_2015", "state": "EMERGENCY", "log_file": "U3_LOG.LDF", "log_file_exists": false},
    {"name": "UFDATA_004_2015", "state": "EMERGENCY", "log_file": "U4_LOG.LDF"},
    {"name": "UFDATA_005_2015", "log_file": "U5_LOG.LDF"}
  ],
  "ua_account": []
})";

std::string Rebuild(const std::string& db, const std::string& path, const std::string& name = "Ufmodel_LOG") {
    return "alter database " + db + " Rebuild Log on (name=" + name + ",filename='" + path + "') ";
}

} // namespace

class Command2005Test : public SimTest {
protected:
    void SetUp() override { Load(k2005); }
};

TEST_F(Command2005Test, RebuildSequenceBringsASuspectDatabaseBackOnline) {
    const std::string db = "UFDATA_001_2015";
    EXPECT_FALSE(Run("alter database " + db + " set emergency ").failed);
    auto r = Run("alter database " + db + " set single_user with rollback immediate ");
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(Numbers(r), std::vector<int>{5060});
    EXPECT_EQ(Value(StateQuery2005(db)), "紧急只读状态");

    r = Run(Rebuild(db, P("U1_LOG.LDF")));
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    EXPECT_EQ(Numbers(r), std::vector<int>{5029});
    EXPECT_EQ(r.messages[0].severity, 10);
    EXPECT_TRUE(Exists(P("U1_LOG.LDF")));
    EXPECT_EQ(Value("select user_access_desc from sys.databases where name='" + db + "'"), "RESTRICTED_USER");
    EXPECT_EQ(Value(StateQuery2005(db)), "在线");

    EXPECT_FALSE(Run("alter database " + db + " set multi_user").failed);
    EXPECT_FALSE(Run("alter database " + db + " set ONLINE").failed);
    EXPECT_EQ(Value("select DATABASEPROPERTYEX('" + db + "','UserAccess')"), "MULTI_USER");

    // A rebuild at a new path records it, and its logical name, as the log.
    ASSERT_FALSE(Run(Rebuild("UFDATA_003_2015", P("NEW.LDF"), "New_LOG")).failed);
    EXPECT_EQ(Value(LogPathQuery("UFDATA_003_2015")), P("NEW.LDF"));
    EXPECT_EQ(Value(LogNameQuery("UFDATA_003_2015")), "New_LOG");
}

TEST_F(Command2005Test, RebuildRefusesAnExistingFileAndNeedsSuspectOrEmergency) {
    Run("alter database UFDATA_002_2015 set emergency ");
    auto r = Run(Rebuild("UFDATA_002_2015", P("U2_LOG.LDF")));
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(FirstError(r), std::make_pair(5025, "文件 '" + P("U2_LOG.LDF") + "' 已存在。应该重命名或删除它，以便可以创建新的日志文件。"));
    EXPECT_EQ(Numbers(r), (std::vector<int>{5025, 5069}));
    EXPECT_EQ(Value(StateQuery2005("UFDATA_002_2015")), "紧急只读状态");

    Run("alter database UFDATA_005_2015 set single_user with rollback immediate ");
    r = Run(Rebuild("UFDATA_005_2015", P("U5_NEW.LDF")));
    EXPECT_EQ(FirstError(r), std::make_pair(5023, std::string("必须将数据库置于可疑或紧急模式才能重新生成日志。")));
    EXPECT_FALSE(Exists(P("U5_NEW.LDF")));
    EXPECT_EQ(FirstError(Run(Rebuild("master", P("M.LDF")))).first, 5027);
}

TEST_F(Command2005Test, SetOnlineWithoutLogMarksSuspectAndSuspectStaysSuspect) {
    auto r = Run("alter database UFDATA_003_2015 set ONLINE");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(Numbers(r), (std::vector<int>{5105, 945, 5069}));
    EXPECT_EQ(r.messages[0].text, "文件激活失败。物理文件名称\"" + P("U3_LOG.LDF") + "\"可能不正确。");
    EXPECT_EQ(Value(StateQuery2005("UFDATA_003_2015")), "置疑");

    EXPECT_FALSE(Run("alter database UFDATA_004_2015 set ONLINE").failed);
    EXPECT_EQ(Value(StateQuery2005("UFDATA_004_2015")), "在线");
    EXPECT_EQ(Numbers(Run("alter database UFDATA_002_2015 set ONLINE")), (std::vector<int>{926, 5069}));
}

TEST_F(Command2005Test, TextFormsAreToleratedAndOtherStatementsFailAsTheServerDoes) {
    EXPECT_FALSE(Run("ALTER   DATABASE  ufdata_005_2015\r\n  SET   EMERGENCY  ").failed);
    EXPECT_EQ(Value(StateQuery2005("UFDATA_005_2015")), "紧急只读状态");
    EXPECT_FALSE(Run("alter database [UFDATA_005_2015 ] set multi_user").failed);

    auto r = Run("alter database nosuch set emergency ");
    EXPECT_EQ(Numbers(r), (std::vector<int>{5011, 5069}));
    EXPECT_EQ(r.messages[0].severity, 14);
    EXPECT_EQ(FirstError(Run("drop database x")), std::make_pair(102, std::string("“drop”附近有语法错误。")));
    EXPECT_EQ(FirstError(Run("dbcc rebuild_log('UFDATA_001_2015 ','" + P("X.LDF") + "')")).first, 2526);
    EXPECT_EQ(FirstError(Run("sp_nosuch 1")).first, 2812);
}

TEST_F(Command2005Test, CatalogueUpdatesAreRefusedEvenWithAllowUpdates) {
    auto r = Run("sp_configure 'allow updates',1");
    EXPECT_EQ(Numbers(r), std::vector<int>{15457});
    EXPECT_EQ(r.messages[0].text, "已将配置选项 'allow updates' 从 0 改为 1。请运行 RECONFIGURE 语句以安装。");
    EXPECT_EQ(FirstError(Run("reconfigure")).first, 5808);
    EXPECT_FALSE(Run("reconfigure with override").failed);
    r = Run("update sysdatabases set status=-32768 where dbid=DB_ID('UFDATA_005_2015') ");
    EXPECT_EQ(FirstError(r), std::make_pair(259, std::string("不允许对系统目录进行即席更新。")));
}

// Scenario faults match without letter case and fire before any effect, for as many batches as counted.
TEST_F(Command2005Test, FaultsFireBeforeAnyEffectForTheirCount) {
    Load(R"({"databases": [{"name": "A", "state": "EMERGENCY"}],
      "faults": [{"match": "rebuild log", "count": 2, "number": 5030, "message": "未能排它地锁定数据库以执行该操作。"}]})");
    EXPECT_EQ(FirstError(Run(Rebuild("A", P("A1.LDF")))), std::make_pair(5030, std::string("未能排它地锁定数据库以执行该操作。")));
    EXPECT_EQ(FirstError(Run(Rebuild("A", P("A1.LDF")))).first, 5030);
    EXPECT_FALSE(Exists(P("A1.LDF")));
    EXPECT_EQ(Value(StateQuery2005("A")), "紧急只读状态");
    EXPECT_FALSE(Run(Rebuild("A", P("A1.LDF"))).failed);
}

TEST_F(Command2005Test, EnglishScenarioSpeaksEnglish) {
    Load(R"({"language": "en", "databases": [{"name": "A", "state": "EMERGENCY"}]})");
    EXPECT_EQ(FirstError(Run(Rebuild("A", P("A_LOG.LDF")))).second, "The file '" + P("A_LOG.LDF") +
              "' already exists. It should be renamed or deleted so that a new log file can be created.");
    EXPECT_EQ(engine->CheckLogin("sa", "x")->text, "Login failed for user 'sa'.");
}

// With Windows paths the catalogue and messages speak Wine's Z: view of the data folder, and every
// received path, whatever its drive letter case and separators, leads back into that folder.
TEST_F(Command2005Test, WindowsPathsAreShownAndMappedBack) {
    auto W = [&](const std::string& file) {
        std::string p = "Z:" + P(file);
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    };
    Load(R"({"databases": [{"name": "A", "state": "EMERGENCY", "log_file_exists": false}, {"name": "B", "state": "EMERGENCY"}]})",
         {.windowsPaths = true});
    EXPECT_EQ(Value("select filename from sysdatabases where name='A'"), W("A.MDF"));
    EXPECT_EQ(Run("alter database A set ONLINE").messages[0].text, "文件激活失败。物理文件名称\"" + W("A_LOG.LDF") + "\"可能不正确。");
    EXPECT_EQ(FirstError(Run(Rebuild("B", W("B_LOG.LDF")))).second,
              "文件 '" + W("B_LOG.LDF") + "' 已存在。应该重命名或删除它，以便可以创建新的日志文件。");
    EXPECT_EQ(FirstError(Run(Rebuild("B", "C:\\DATA\\B.LDF"))).first, 5120);   // no such place here

    const std::string k2000 = R"({"version": "8.00.2039", "databases": [{"name": "A", "flags": ["IsEmergencyMode"]}]})";
    const std::pair<std::string, std::string> rebuilds[] = {
        {"", Rebuild("A", "z:" + P("A1.LDF"))},
        {k2000, "dbcc rebuild_log('A','" + W("A2.LDF") + "')"},
    };
    for (const auto& [scenario, sql] : rebuilds) {
        SCOPED_TRACE(sql);
        if (!scenario.empty()) Load(scenario, {.windowsPaths = true});
        const std::string file = sql.find("A1") != std::string::npos ? "A1.LDF" : "A2.LDF";
        auto r = Run(sql);
        ASSERT_FALSE(r.failed) << FirstError(r).second;
        EXPECT_TRUE(Exists(P(file)));
        EXPECT_EQ(Value(LogPathQuery("A")), W(file));
    }
}
