// SQL Server 2000: the status word, allow updates, DBCC REBUILD_LOG and sp_dboption.
#include "SimFixture.h"

using namespace simtest;

namespace {

const char* kFlags[] = {"IsReadOnly", "IsSingleUser", "IsShutdown", "IsEmergencyMode", "IsInStandBy", "IsDetached",
                        "IsDboOnly", "IsInLoad", "IsInRecovery", "IsOffline", "IsSuspect"};

std::string Update(const std::string& status, const std::string& db) {
    return "update sysdatabases set status=" + status + " where dbid=DB_ID('" + db + "') ";
}

} // namespace

class Sql2000Test : public SimTest {
protected:
    void SetUp() override {
        Load(R"({"version": "8.00.2039", "databases": [
            {"name": "U1", "flags": ["IsShutdown"]}, {"name": "U2", "state": "SUSPECT"},
            {"name": "U3", "flags": ["IsEmergencyMode", "IsInStandBy", "IsOffline"]}]})");
    }
    // The flags that probe as 1, in probe order.
    std::string Flags(const std::string& db) {
        std::string out;
        for (const char* f : kFlags) {
            if (Got(Probe2000(f, db)) == "1") out += std::string(out.empty() ? "" : ",") + f;
        }
        return out;
    }
};

TEST_F(Sql2000Test, RebuildSequenceNeedsAllowUpdatesAndReconfigureAndClearsEveryAbnormalFlag) {
    const std::string refused = "未启用对系统目录的即席更新。系统管理员必须重新配置 SQL Server 才能执行此操作。";
    Play({
        {Update("-32768", "U1"), "!259", refused},
        {"sp_configure 'allow updates',1", "2528,15457", "DBCC 执行完毕。如果 DBCC 输出了错误信息，请与系统管理员联系。"},
        {Update("-32768", "U1"), "!259", refused},
        {"reconfigure", "!5808"},
        {Update("-32768", "U1"), "!259", refused},
        {"reconfigure with override", ""},
        {Update("-32768", "U1"), ""},
        {"select status from master..sysdatabases where name='U1'", "-32768"},
    });
    EXPECT_EQ(Flags("U1"), "IsEmergencyMode");
    Play({
        {"dbcc rebuild_log('U1 ','" + P("U1.LDF") + "')", "5029,2528"},
        {LogPathQuery("U1"), P("U1.LDF")},
    });
    EXPECT_TRUE(Exists(P("U1.LDF")));
    EXPECT_EQ(Flags("U1"), "IsDboOnly");
    Play({
        {"sp_dboption 'U1 ','dbo use only','false'", ""},
        {"sp_configure 'allow updates',0", "2528,15457"},
        {"reconfigure with override", ""},
        {kQ6, "U2,U3"},   // the other two stay listed
    });
    EXPECT_EQ(Flags("U1"), "");
}

TEST_F(Sql2000Test, AccessModesMoveTheirBitsAndTheRefusalsOfStatusRebuildAndOptions) {
    const std::string rebuild = "dbcc rebuild_log('U2 ','" + P("U2.LDF") + "')";
    Play({
        {rebuild, "!5023", "必须将数据库置于旁路恢复模式才能重新生成日志。"},
        {"alter database U2 set single_user with rollback immediate", "5060"},
        {"sp_dboption 'U2 ','dbo use only','true'", ""},
    });
    EXPECT_EQ(Flags("U2"), "IsSingleUser,IsDboOnly,IsSuspect");
    Play({{"alter database U2 set multi_user", ""}, {"select DATABASEPROPERTYEX('U2','Status')", "SUSPECT"}});
    EXPECT_EQ(Flags("U2"), "IsSuspect");
    Play({
        {"sp_configure 'allow updates',1", "2528,15457"},
        {"reconfigure with override", ""},
        {Update("4194328", "U3"), ""},
        {"alter database U2 Rebuild Log on (name=Ufmodel_LOG,filename='" + P("X.LDF") + "') ", "!170",
         "第 1 行: 'Rebuild' 附近有语法错误。"},
        {"alter database U2 set emergency ", "!170"},
        {"update sysdatabases set status=4294967296 where dbid=5", "!8115"},
        {Update("-32768", "U2"), ""},
    });
    EXPECT_EQ(Flags("U3"), "");   // 0x400018 carries no state bit, standby included
    EXPECT_EQ(Run("update master..sysdatabases set status=1 where dbid=DB_ID('nosuch')").rowsAffected, 0);
    std::ofstream(P("U2.LDF")) << "x";
    Play({
        {rebuild, "!5025", "文件 '" + P("U2.LDF") + "' 已存在。应重命名或删除该文件，以便可以创建新的日志文件。"},
        {"dbcc rebuild_log('nosuch ','" + P("N.LDF") + "')", "!911"},
        {"dbcc rebuild_log('U2 ','/NO/SUCH/DIR/U2.LDF')", "!5026"},
        {"sp_dboption 'nosuch ','dbo use only','false'", "!15010"},
        {"sp_dboption 'U2','no such option','false'", "!15011"},
        {"sp_configure 'nosuch',1", "!15123"},
    });
}
