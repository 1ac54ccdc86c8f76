// SQL Server 2000: the status word, allow updates, DBCC REBUILD_LOG and sp_dboption. (A rebuild onto a
// file that exists is met in the repair's retries.)
#include "SimFixture.h"

#include "discovery/LoadAcc.h"

using namespace simtest;

namespace {

const char* kFlags[] = {"IsReadOnly", "IsSingleUser", "IsShutdown",   "IsEmergencyMode", "IsInStandBy", "IsDetached",
                        "IsDboOnly",  "IsInLoad",     "IsInRecovery", "IsOffline",       "IsSuspect"};

std::string Update(const std::string& status, const std::string& db) {
    return "update sysdatabases set status=" + status + " where dbid=DB_ID('" + db + "') ";
}

} // namespace

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
