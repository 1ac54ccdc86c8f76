// SQL Server 2000: the status word, allow updates, DBCC REBUILD_LOG and sp_dboption.
#include "SimFixture.h"

#include "discovery/LoadAcc.h"

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
    // The flags that are 1, in probe order.
    std::string Flags(const std::string& db) {
        std::string out;
        for (const char* f : kFlags) {
            const std::string probe = "select DATABASEPROPERTY(name,'" + std::string(f) + "') from sysdatabases where name='" + db + "'";
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
        {"sp_configure 'allow updates',0", "2528,15457"},
        {"reconfigure with override", ""},
        {qm::kLoadAccQ6, "U2,U3"},   // the other two stay listed
    });
    EXPECT_EQ(Flags("U1"), "");
}

TEST_F(Sql2000Test, AccessModesMoveTheirBitsAndTheRefusalsOfStatusRebuildAndOptions) {
    const std::string rebuild = "dbcc rebuild_log('U2 ','" + P("U2.LDF") + "')";
    Play({
        {rebuild, "!5023"},
        {"alter database U2 set single_user with rollback immediate", "5060"},
        {"sp_dboption 'U2 ','dbo use only','true'", ""},
    });
    EXPECT_EQ(Flags("U2"), "IsSingleUser,IsDboOnly,IsSuspect");
    Play({{"alter database U2 set multi_user", ""}, {StateOf("U2"), "SUSPECT"}});
    EXPECT_EQ(Flags("U2"), "IsSuspect");
    Play({
        {"sp_configure 'allow updates',1", "2528,15457"},
        {"reconfigure with override", ""},
        {Update("4194328", "U3"), ""},
        // The 2005 statements do not exist on 2000.
        {"alter database U2 Rebuild Log on (name=Ufmodel_LOG,filename='" + P("X.LDF") + "') ", "!170"},
        {"alter database U2 set emergency ", "!170"},
        {Update("-32768", "U2"), ""},
    });
    EXPECT_EQ(Flags("U3"), "");   // 0x400018 carries no state bit, standby included
    std::ofstream(P("U2.LDF")) << "x";
    Play({
        {rebuild, "!5025", "文件 '" + P("U2.LDF") + "' 已存在。应重命名或删除该文件，以便可以创建新的日志文件。"},
        {"dbcc rebuild_log('U2 ','/NO/SUCH/DIR/U2.LDF')", "!5026"},
    });
}
