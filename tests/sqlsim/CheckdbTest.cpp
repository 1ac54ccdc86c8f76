// DBCC CHECKDB: findings, state refusals, unknown databases, syntax and faults, per release and language.
#include "SimFixture.h"

using namespace simtest;

namespace {

const char* k2005 = R"({"version": "9.00.4035.00",
  "databases": [{"name": "UFDATA_001_2015", "checkdb": {"allocation_errors": 2, "consistency_errors": 12}},
                {"name": "it's"}, {"name": "UFDATA_003_2015", "state": "EMERGENCY"}],
  "faults": [{"match": "CHECKDB('ufdata_003", "number": 5030, "message": "未能排它地锁定数据库以执行该操作。"}]})";
const char* k2005en = R"({"language": "en", "databases": [{"name": "A", "checkdb": {"allocation_errors": 1}}]})";
const char* k2000 = R"({"version": "8.00.2039",
  "databases": [{"name": "E", "flags": ["IsEmergencyMode"]}, {"name": "D", "flags": ["IsDboOnly"]}]})";

} // namespace

class CheckdbTest : public SimTest {};

TEST_F(CheckdbTest, OutcomesFollowTheScenarioTheStateAndTheRelease) {
    struct Case {
        const char* scenario;
        std::string sql;
        std::string line;            // see Line
        std::string counts = "";     // the text of 8989, which carries the two counts
    };
    const Case cases[] = {
        // One error per finding, at most ten, then the counts and the repair level.
        {k2005, "dbcc checkdb(N'UFDATA_001_2015') with no_infomsgs", "!8939,8939,8939,8939,8939,8939,8939,8939,8939,8939,8989,8958",
         "CHECKDB 在数据库 'UFDATA_001_2015' 中发现 2 个分配错误和 12 个一致性错误。"},
        {k2005, "DBCC CHECKDB ('it''s')", "8989,2528", "CHECKDB 在数据库 'it's' 中发现 0 个分配错误和 0 个一致性错误。"},
        {k2005, "dbcc checkdb(N'it''s ') with no_infomsgs", ""},
        // A fault fires before the state is looked at; the next check meets the state (not ONLINE).
        {k2005, "dbcc checkdb('UFDATA_003_2015')", "!5030"},
        {k2005, "dbcc checkdb('UFDATA_003_2015')", "!926"},
        {k2005, "dbcc checkdb(N'nosuch') with no_infomsgs", "!2520"},
        {k2005, "dbcc checkdb(N'it''s') with no_infomsgs, nosuch", "!102"},
        {k2005en, "dbcc checkdb(N'A') with no_infomsgs", "!8939,8989,8958",
         "CHECKDB found 1 allocation errors and 0 consistency errors in database 'A'."},
        {k2000, "dbcc checkdb(N'E') with no_infomsgs", "!945"},
        {k2000, "dbcc checkdb(N'D') with no_infomsgs", ""},
        {k2000, "dbcc checkdb(N'nosuch') with no_infomsgs", "!911"},
    };
    const char* loaded = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        if (c.scenario != loaded) {
            TearDown();
            ASSERT_TRUE(Load(c.scenario));
            loaded = c.scenario;
        }
        const auto r = Run(c.sql);
        EXPECT_EQ(Line(r), c.line);
        for (const auto& m : r.messages) EXPECT_TRUE(m.number != 8989 || m.text == c.counts) << m.text;
    }
}
