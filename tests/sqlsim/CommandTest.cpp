// ALTER DATABASE and catalogue updates on SQL Server 2005/2008: the rebuild sequence and the refusals
// the repair depends on, scenario faults, message language and Windows paths.
#include "SimFixture.h"

using namespace simtest;

namespace {

std::string Rebuild(const std::string& db, const std::string& path, const std::string& name = "Ufmodel_LOG") {
    return "alter database " + db + " Rebuild Log on (name=" + name + ",filename='" + path + "') ";
}
std::string Alter(const std::string& db, const std::string& what) { return "alter database " + db + " " + what; }

} // namespace

class CommandTest : public SimTest {};

TEST_F(CommandTest, RebuildSequenceRefusalsAndFaultsOnSql2005) {
    Load(R"({"version": "9.00.4035.00", "databases": [
        {"name": "U1", "state": "SUSPECT", "log_file_exists": false}, {"name": "U2", "state": "SUSPECT"},
        {"name": "U3", "state": "EMERGENCY", "log_file_exists": false}, {"name": "U4", "state": "EMERGENCY"},
        {"name": "U5"}, {"name": "F", "state": "EMERGENCY"}],
      "faults": [{"match": "F REBUILD LOG", "count": 2, "number": 5030, "message": "未能排它地锁定数据库以执行该操作。"}]})");
    Play({
        {Alter("U1", "set emergency "), ""},
        {Alter("U1", "set single_user with rollback immediate "), "5060"},
        {StateOf("U1"), "EMERGENCY"},
    });
    auto r = Run(Rebuild("U1", P("U1_LOG.LDF")));
    EXPECT_EQ(Line(r), "5029");
    EXPECT_EQ(r.messages.at(0).severity, 10);   // informational: the driver must not see a failure
    EXPECT_TRUE(Exists(P("U1_LOG.LDF")));
    Play({
        {StateOf("U1"), "ONLINE"},
        {Alter("U1", "set multi_user"), ""},
        {Alter("U1", "set ONLINE"), ""},
        {"select DATABASEPROPERTYEX('U1','UserAccess')", "MULTI_USER"},
        // Online from emergency needs the log file; without it the database turns suspect.
        {Alter("U3", "set ONLINE"), "!5105,945,5069", "文件激活失败。物理文件名称\"" + P("U3_LOG.LDF") + "\"可能不正确。"},
        {StateOf("U3"), "SUSPECT"},
        {Alter("U4", "set ONLINE"), ""},
        {Alter("U2", "set ONLINE"), "!926,5069"},
        // A rebuild at a new path records it as the log.
        {Rebuild("U3", P("NEW.LDF"), "New_LOG"), "5029"},
        {LogPathOf("U3"), P("NEW.LDF")},
        {Alter("U2", "set emergency "), ""},
        {Rebuild("U2", P("U2_LOG.LDF")), "!5025,5069",
         "文件 '" + P("U2_LOG.LDF") + "' 已存在。应该重命名或删除它，以便可以创建新的日志文件。"},
        {StateOf("U2"), "EMERGENCY"},
        {Rebuild("U5", P("U5_NEW.LDF")), "!5023,5069"},
        {Rebuild("master", P("M.LDF")), "!5027,5069"},
        // Scenario faults match without letter case and fire before any effect, for as many batches as counted.
        {Rebuild("F", P("F1.LDF")), "!5030"},
        {Rebuild("F", P("F1.LDF")), "!5030"},
        {Rebuild("F", P("F2.LDF")), "5029"},
        // A bracketed name with blanks reaches the database; an unknown one or statement is refused.
        {"ALTER   DATABASE  [u5 ]\r\n  SET   EMERGENCY  ", ""},
        {StateOf("U5"), "EMERGENCY"},
        {Alter("nosuch", "set emergency "), "!5011,5069"},
        {"drop database x", "!102"},
        // Catalogue updates are refused even with allow updates.
        {"sp_configure 'allow updates',1", "15457"},
        {"reconfigure", "!5808"},
        {"reconfigure with override", ""},
        {"update sysdatabases set status=-32768 where dbid=DB_ID('U5') ", "!259"},
    });
    EXPECT_FALSE(Exists(P("U5_NEW.LDF")));
    EXPECT_FALSE(Exists(P("F1.LDF")));

    Load(R"({"language": "en", "databases": [{"name": "A", "state": "EMERGENCY"}]})");
    Play({{Rebuild("A", P("A_LOG.LDF")), "!5025,5069",
           "The file '" + P("A_LOG.LDF") + "' already exists. It should be renamed or deleted so that a new log file can be created."}});
    EXPECT_EQ(engine->CheckLogin("sa", "x")->text, "Login failed for user 'sa'.");
}

// With Windows paths the catalogue and messages speak Wine's Z: view of the data folder, and every
// received path, whatever its drive letter case and separators, leads back into that folder.
TEST_F(CommandTest, WindowsPathsAreShownAndMappedBack) {
    auto W = [&](const std::string& file) {
        std::string p = "Z:" + P(file);
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    };
    Load(R"({"databases": [{"name": "A", "state": "EMERGENCY", "log_file_exists": false}, {"name": "B", "state": "EMERGENCY"}]})",
         {.windowsPaths = true});
    Play({
        {"select filename from sysdatabases where name='A'", W("A.MDF")},
        {Alter("A", "set ONLINE"), "!5105,945,5069", "文件激活失败。物理文件名称\"" + W("A_LOG.LDF") + "\"可能不正确。"},
        {Rebuild("B", W("B_LOG.LDF")), "!5025,5069", "文件 '" + W("B_LOG.LDF") + "' 已存在。应该重命名或删除它，以便可以创建新的日志文件。"},
        {Rebuild("B", "C:\\DATA\\B.LDF"), "!5120,5069"},   // no such place here
        {Rebuild("A", "z:" + P("A1.LDF")), "5029"},
        {LogPathOf("A"), W("A1.LDF")},
    });
    Load(R"({"version": "8.00.2039", "databases": [{"name": "A", "flags": ["IsEmergencyMode"]}]})", {.windowsPaths = true});
    Play({{"dbcc rebuild_log('A','" + W("A2.LDF") + "')", "5029,2528"}, {LogPathOf("A"), W("A2.LDF")}});
    EXPECT_TRUE(Exists(P("A1.LDF")));
    EXPECT_TRUE(Exists(P("A2.LDF")));
}
