// SELECTs the tool sends, where the discovery tests do not already pin the simulator's answer: LIKE
// patterns, the T+ join, the rarer states, awkward names, and no sys.databases on 2000.
#include "SimFixture.h"

#include "discovery/LoadAcc.h"

using namespace simtest;

class QueryTest : public SimTest {};

TEST_F(QueryTest, ListingsStatesAndLogPathsOfAwkwardNames) {
    Load(R"({"databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}, {"name": "UFDATA_003_2016"},
                    {"name": "UFDATAX003_2016", "state": "SUSPECT"}, {"name": "ufdata_009_2013", "state": "SUSPECT"},
                    {"name": "UFTDATA_001_2015", "state": "EMERGENCY"}, {"name": "UFTDATA_002_2016", "state": "SUSPECT"},
                    {"name": "C", "state": "RESTORING"}, {"name": "G", "state": "RECOVERY_PENDING"},
                    {"name": "it's", "state": "SUSPECT"}, {"name": "my]db"}],
      "ua_account": [],
      "eap_account": [{"cAcc_Num": "001", "cAcc_Name": "演示", "iYear": 2015, "DsName": "uftdata_001_2015"}]})");
    Play({
        // The underscore is a one-character wildcard, and LIKE ignores letter case.
        {qm::kLoadAccQ1, "UFDATA_001_2015,UFDATAX003_2016,ufdata_009_2013"},
        {qm::kLoadAccQ2, "UFTDATA_001_2015,UFTDATA_002_2016"},
        {StateOf("C"), "RESTORING"},
        {StateOf("G"), "SUSPECT"},
        // Names compare without letter case and trailing blanks; quoted forms reach the same database.
        {LogPathOf("ufdata_001_2015   "), P("UFDATA_001_2015_LOG.LDF")},
        {LogPathOf("it''s"), P("it's_LOG.LDF")},
        {LogPathOf("nosuch"), ""},
        {LogPathOf("my]db"), P("my]db_LOG.LDF")},
    });
    EXPECT_EQ(Got(qm::kLoadAccQ2, 2), "001,NULL"); // joined on the database name, without letter case
    EXPECT_EQ(Run(qm::kLoadAccQ2).results[0].columns[4].type, sqlsim::ColumnType::Int); // the year is a number
    Load(R"({"version": "8.00.2039"})");
    Play({{"select name from sys.databases where name='ufsystem'", "!208", "对象名 'sys.databases' 无效。"}});
}
