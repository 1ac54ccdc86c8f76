// DBCC CHECKDB: findings, state refusals and unknown databases, per release. (What the tool reads of
// the findings, in either language, is met in the check after a repair.)
#include "SimFixture.h"

using namespace simtest;

class CheckdbTest : public SimTest {};

TEST_F(CheckdbTest, OutcomesFollowTheScenarioTheStateAndTheRelease) {
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
