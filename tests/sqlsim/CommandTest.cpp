// ALTER DATABASE on SQL Server 2005/2008: the rebuild sequence and the refusals the repair depends on,
// scenario faults and the message language. (Windows paths, which only the end-to-end runs ask for,
// are met there.)
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
