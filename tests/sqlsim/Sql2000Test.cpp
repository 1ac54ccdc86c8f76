// SQL Server 2000: status word, allow updates, DBCC REBUILD_LOG and sp_dboption.
#include "SimFixture.h"
#include "ToolTexts.h"

using namespace simtest;

namespace {

const char* k2000 = R"({
  "version": "8.00.2039", "edition": "Personal Edition",
  "databases": [
    {"name": "UFDATA_001_2008", "flags": ["IsShutdown"], "log_file": "U1_LOG.LDF"},
    {"name": "UFDATA_002_2008", "state": "SUSPECT"},
    {"name": "UFDATA_003_2008", "flags": ["IsEmergencyMode", "IsInStandBy", "IsOffline"]}
  ],
  "ua_account": []
})";

const char* kFlags[] = {"IsReadOnly", "IsSingleUser", "IsShutdown", "IsEmergencyMode", "IsInStandBy", "IsDetached",
                        "IsDboOnly", "IsInLoad", "IsInRecovery", "IsOffline", "IsSuspect"};

} // namespace

class Sql2000Test : public SimTest {
protected:
    void SetUp() override { Load(k2000); }

    // The flags that probe as 1, in probe order.
    std::string Flags(const std::string& db) {
        std::string out;
        for (const char* f : kFlags) {
            if (Value(Probe2000(f, db)) == "1") out += std::string(out.empty() ? "" : ",") + f;
        }
        return out;
    }
};

TEST_F(Sql2000Test, RebuildSequenceNeedsAllowUpdatesAndReconfigureAndClearsEveryAbnormalFlag) {
    const std::string db = "UFDATA_001_2008";
    EXPECT_EQ(Flags(db), "IsShutdown");
    EXPECT_EQ(Flags("UFDATA_002_2008"), "IsSuspect");
    EXPECT_EQ(Flags("UFDATA_003_2008"), "IsEmergencyMode,IsInStandBy,IsOffline");
    const std::string update = "update sysdatabases set status=-32768 where dbid=DB_ID('" + db + "') ";
    const auto refused = std::make_pair(259, std::string("未启用对系统目录的即席更新。系统管理员必须重新配置 SQL Server 才能执行此操作。"));
    EXPECT_EQ(FirstError(Run(update)), refused);
    auto r = Run("sp_configure 'allow updates',1");
    EXPECT_EQ(Numbers(r), (std::vector<int>{2528, 15457}));
    EXPECT_EQ(r.messages[0].text, "DBCC 执行完毕。如果 DBCC 输出了错误信息，请与系统管理员联系。");
    EXPECT_EQ(FirstError(Run(update)), refused);
    EXPECT_EQ(FirstError(Run("reconfigure")).first, 5808);
    EXPECT_EQ(FirstError(Run(update)), refused);
    EXPECT_FALSE(Run("reconfigure with override").failed);
    r = Run(update);
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    EXPECT_EQ(r.rowsAffected, 1);
    EXPECT_EQ(Flags(db), "IsEmergencyMode");
    EXPECT_EQ(Value("select status from master..sysdatabases where name='" + db + "'"), "-32768");

    r = Run("dbcc rebuild_log('" + db + " ','" + P("UFDATA_001_2008.LDF") + "')");
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    EXPECT_EQ(Numbers(r), (std::vector<int>{5029, 2528}));
    EXPECT_TRUE(Exists(P("UFDATA_001_2008.LDF")));
    EXPECT_EQ(Flags(db), "IsDboOnly");
    EXPECT_EQ(Value(LogPathQuery(db)), P("UFDATA_001_2008.LDF"));

    EXPECT_FALSE(Run("sp_dboption '" + db + " ','dbo use only','false'").failed);
    EXPECT_FALSE(Run("sp_configure 'allow updates',0").failed);
    EXPECT_FALSE(Run("reconfigure with override").failed);
    EXPECT_EQ(Flags(db), "");
    r = Run(kQ6);   // the other two stay listed
    ASSERT_FALSE(r.results[0].rows.empty());
    EXPECT_EQ(r.results[0].rows[0][0].s, "UFDATA_002_2008");
}

TEST_F(Sql2000Test, StatusWordUpdatesAndDbccRebuildLogNeedsBypassStatusAndAFreePath) {
    const std::string rebuild = "dbcc rebuild_log('UFDATA_002_2008 ','" + P("U2.LDF") + "')";
    EXPECT_EQ(FirstError(Run(rebuild)), std::make_pair(5023, std::string("必须将数据库置于旁路恢复模式才能重新生成日志。")));
    Run("sp_configure 'allow updates',1");
    Run("reconfigure with override");
    EXPECT_FALSE(Run("update sysdatabases set status=4194328 where dbid=DB_ID('UFDATA_003_2008')").failed);
    EXPECT_EQ(Flags("UFDATA_003_2008"), "");   // 0x400018 carries no state bit, standby included
    EXPECT_EQ(Run("update master..sysdatabases set status=1 where dbid=DB_ID('nosuch')").rowsAffected, 0);
    EXPECT_EQ(FirstError(Run("update sysdatabases set status=4294967296 where dbid=5")).first, 8115);
    Run("update sysdatabases set status=-32768 where dbid=DB_ID('UFDATA_002_2008') ");
    std::ofstream(P("U2.LDF")) << "x";
    EXPECT_EQ(FirstError(Run(rebuild)), std::make_pair(5025, "文件 '" + P("U2.LDF") + "' 已存在。应重命名或删除该文件，以便可以创建新的日志文件。"));
    EXPECT_EQ(FirstError(Run("dbcc rebuild_log('nosuch ','" + P("N.LDF") + "')")).first, 911);
    EXPECT_EQ(FirstError(Run("dbcc rebuild_log('UFDATA_002_2008 ','/NO/SUCH/DIR/U2.LDF')")).first, 5026);
}

TEST_F(Sql2000Test, NewerSyntaxIsRejectedWithTheOldSyntaxError) {
    auto r = Run("alter database UFDATA_002_2008 Rebuild Log on (name=Ufmodel_LOG,filename='" + P("X.LDF") + "') ");
    EXPECT_EQ(FirstError(r), std::make_pair(170, std::string("第 1 行: 'Rebuild' 附近有语法错误。")));
    EXPECT_EQ(FirstError(Run("alter database UFDATA_002_2008 set emergency ")).first, 170);
    EXPECT_EQ(FirstError(Run("select name from master.sys.sysdatabases")).first, 208);
}

TEST_F(Sql2000Test, DbOptionAndAccessModesMoveTheirBits) {
    EXPECT_FALSE(Run("alter database UFDATA_002_2008 set single_user with rollback immediate").failed);
    EXPECT_FALSE(Run("sp_dboption 'UFDATA_002_2008 ','dbo use only','true'").failed);
    EXPECT_EQ(Flags("UFDATA_002_2008"), "IsSingleUser,IsDboOnly,IsSuspect");
    EXPECT_FALSE(Run("alter database UFDATA_002_2008 set multi_user").failed);
    EXPECT_EQ(Flags("UFDATA_002_2008"), "IsSuspect");
    EXPECT_EQ(Value("select DATABASEPROPERTYEX('UFDATA_002_2008','Status')"), "SUSPECT");
    EXPECT_EQ(FirstError(Run("sp_dboption 'nosuch ','dbo use only','false'")).first, 15010);
    EXPECT_EQ(FirstError(Run("sp_dboption 'UFDATA_002_2008','no such option','false'")).first, 15011);
    EXPECT_EQ(FirstError(Run("sp_configure 'nosuch',1")).first, 15123);
}
