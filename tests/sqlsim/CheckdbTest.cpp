// DBCC CHECKDB: findings, state refusals, unknown databases, syntax and faults, per release and language.
#include "SimFixture.h"

#include <map>

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
        std::string line;   // see Line
        std::map<int, std::string> texts = {};   // number → text of its first message
    };
    const Case cases[] = {
        // One error per finding, at most ten, then the counts and the repair level.
        {k2005, "dbcc checkdb(N'UFDATA_001_2015') with no_infomsgs", "!8939,8939,8939,8939,8939,8939,8939,8939,8939,8939,8989,8958",
         {{8939, "表错误: 对象 ID 2073058421，索引 ID 1，分区 ID 72057594038321152，分配单元 ID 72057594038321152 (类型为 In-row data)，"
                 "页 (1:153)。测试(IS_OFF (BUF_IOERR, pBUF->bstat))失败。"},
          {8989, "CHECKDB 在数据库 'UFDATA_001_2015' 中发现 2 个分配错误和 12 个一致性错误。"},
          {8958, "repair_allow_data_loss 是 DBCC CHECKDB (UFDATA_001_2015)发现的错误的最低修复级别。"}}},
        {k2005, "DBCC CHECKDB ('it''s')", "8989,2528", {{8989, "CHECKDB 在数据库 'it's' 中发现 0 个分配错误和 0 个一致性错误。"}}},
        {k2005, "dbcc checkdb(N'it''s ') with no_infomsgs", ""},
        // A fault fires before the state is looked at; the next check meets the state.
        {k2005, "dbcc checkdb('UFDATA_003_2015')", "!5030"},
        {k2005, "dbcc checkdb('UFDATA_003_2015')", "!926",
         {{926, "无法打开数据库 'UFDATA_003_2015'。恢复操作已将该数据库标记为 SUSPECT。有关详细信息，请参阅 SQL Server 错误日志。"}}},   // not ONLINE
        {k2005, "dbcc checkdb(N'nosuch') with no_infomsgs", "!2520"},
        {k2005, "dbcc checkdb(N'it''s') with no_infomsgs, nosuch", "!102"},
        {k2005en, "dbcc checkdb(N'A') with no_infomsgs", "!8939,8989,8958",
         {{8989, "CHECKDB found 1 allocation errors and 0 consistency errors in database 'A'."},
          {8958, "repair_allow_data_loss is the minimum repair level for the errors found by DBCC CHECKDB (A)."}}},
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
        std::map<int, std::string> texts;
        for (const auto& m : r.messages) texts.emplace(m.number, m.text);
        for (const auto& [number, text] : c.texts) EXPECT_EQ(texts[number], text) << number;
    }
}
