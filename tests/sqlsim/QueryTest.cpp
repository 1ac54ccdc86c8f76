// SELECTs the tool sends: version, catalogue probes, discovery, state queries and file lookups.
#include "SimFixture.h"
#include "ToolTexts.h"

using namespace simtest;

namespace {

std::vector<std::string> Column(const sqlsim::ResultSet& rs, size_t col) {
    std::vector<std::string> out;
    for (const auto& row : rs.rows) out.push_back(row[col].isNull ? "NULL" : row[col].s);
    return out;
}

std::vector<std::string> Names(const sqlsim::ResultSet& rs) {
    std::vector<std::string> out;
    for (const auto& c : rs.columns) out.push_back(c.name);
    return out;
}

} // namespace

class QueryTest : public SimTest {};

TEST_F(QueryTest, VersionCatalogueAndAccountTablesFollowTheScenario) {
    Load(R"({"version": "9.00.4035.00", "ua_account": []})");
    EXPECT_EQ(Value(FieldQuery("sys.databases", "name='ufsystem'")), "UFSystem");
    EXPECT_EQ(Value(FieldQuery("sys.databases", "name='uftsystem'")), "<none>");
    EXPECT_EQ(FirstError(Run(kQ2)).first, 208);

    Load(R"({"version": "8.00.760", "edition": "Personal Edition", "eap_account": []})");
    auto r = Run(kVersionQuery);
    ASSERT_EQ(r.results.size(), 1u);
    EXPECT_EQ(Names(r.results[0]), (std::vector<std::string>{"productversion", "version"}));
    EXPECT_EQ(r.results[0].rows[0][0].s + "|" + r.results[0].rows[0][1].s, "8.00.760|Personal Edition");
    EXPECT_EQ(Value(FieldQuery("sysdatabases", "name='uftsystem'")), "UFTSystem");
    EXPECT_EQ(FirstError(Run(FieldQuery("sys.databases", "name='ufsystem'"))),
              std::make_pair(208, std::string("对象名 'sys.databases' 无效。")));
    EXPECT_EQ(FirstError(Run(kQ4)), std::make_pair(208, std::string("对象名 'UFSystem..UA_Account' 无效。")));
    EXPECT_FALSE(Run(kQ6).failed);
}

TEST_F(QueryTest, DiscoveryListsAbnormalDatabasesInDbidOrder) {
    Load(R"({"version": "9.00.4035.00",
      "databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}, {"name": "Other", "state": "SUSPECT"},
                    {"name": "UFDATA_002_2014", "state": "EMERGENCY"}, {"name": "UFDATA_003_2016"},
                    {"name": "UFDATAX003_2016", "state": "SUSPECT"}, {"name": "ufdata_009_2013", "state": "SUSPECT"}],
      "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"}, {"cAcc_id": "009", "cAcc_Name": "小写"}]})");
    auto r = Run(kQ1);
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    const auto& rs = r.results[0];
    EXPECT_EQ(Names(rs), (std::vector<std::string>{"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"}));
    // The underscore is a one-character wildcard, and LIKE ignores letter case.
    EXPECT_EQ(Column(rs, 0), (std::vector<std::string>{"UFDATA_001_2015", "UFDATA_002_2014", "UFDATAX003_2016", "ufdata_009_2013"}));
    EXPECT_EQ(Column(rs, 2), (std::vector<std::string>{"001", "NULL", "NULL", "009"}));
    EXPECT_EQ(Column(rs, 3), (std::vector<std::string>{"演示公司", "NULL", "NULL", "小写"}));
    EXPECT_EQ(Column(rs, 4), (std::vector<std::string>{"2015", "2014", "2016", "2013"}));
    EXPECT_EQ(Column(rs, 5)[0], P("UFDATA_001_2015.MDF"));

    r = Run(kQ3);   // no product: every abnormal database
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    EXPECT_EQ(Names(r.results[0]), (std::vector<std::string>{"DB", "选择", "空", "数据库", "空", "路径", "报告"}));
    EXPECT_EQ(Column(r.results[0], 0),
              (std::vector<std::string>{"UFDATA_001_2015", "Other", "UFDATA_002_2014", "UFDATAX003_2016", "ufdata_009_2013"}));
    EXPECT_TRUE(r.results[0].rows[1][2].isNull);
    EXPECT_EQ(r.results[0].rows[1][3].s, "Other");
}

TEST_F(QueryTest, TPlusDiscoveryJoinsOnTheDatabaseNameAndYearIsInt) {
    Load(R"({"version": "10.00.1600.22",
      "databases": [{"name": "UFTDATA_001_2015", "state": "EMERGENCY"}, {"name": "UFTDATA_002_2016", "state": "SUSPECT"},
                    {"name": "UFTDATA_003_2016"}],
      "eap_account": [{"cAcc_Num": "001", "cAcc_Name": "演示", "iYear": 2015, "DsName": "uftdata_001_2015"}]})");
    auto r = Run(kQ2);
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    const auto& rs = r.results[0];
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(rs.columns[4].type, sqlsim::ColumnType::Int);
    EXPECT_EQ(rs.rows[0][2].s, "001");
    EXPECT_EQ(rs.rows[0][4].i, 2015);
    EXPECT_TRUE(rs.rows[1][4].isNull);
}

TEST_F(QueryTest, Sql2000DiscoveryUsesShutdownStandbyAndSuspectFlags) {
    Load(R"({"version": "8.00.2039",
      "databases": [{"name": "UFDATA_001_2008", "flags": ["IsSuspect"]}, {"name": "UFDATA_002_2008", "flags": ["IsShutdown"]},
                    {"name": "UFDATA_003_2008", "flags": ["IsInStandBy"]}, {"name": "UFDATA_004_2008", "flags": ["IsEmergencyMode"]},
                    {"name": "Misc", "state": "SUSPECT"}],
      "ua_account": [{"cAcc_id": "002", "cAcc_Name": "二号"}],
      "eap_account": []})");
    auto r = Run(kQ4);
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    EXPECT_EQ(Column(r.results[0], 0), (std::vector<std::string>{"UFDATA_001_2008", "UFDATA_002_2008", "UFDATA_003_2008"}));
    EXPECT_EQ(Column(r.results[0], 3)[1], "二号");
    r = Run(kQ6);
    ASSERT_FALSE(r.failed) << FirstError(r).second;
    EXPECT_EQ(Column(r.results[0], 0).back(), "Misc");
    EXPECT_EQ(r.results[0].rows.size(), 4u);
}

TEST_F(QueryTest, StateQueryAndPropertyProbesAnswerEveryStatus) {
    Load(R"({"databases": [{"name": "A", "state": "ONLINE"}, {"name": "B", "state": "OFFLINE"}, {"name": "C", "state": "RESTORING"},
      {"name": "D", "state": "RECOVERING"}, {"name": "E", "state": "SUSPECT"}, {"name": "F", "state": "EMERGENCY"},
      {"name": "G", "state": "RECOVERY_PENDING"}]})");
    const std::pair<const char*, const char*> states[] = {{"A", "在线"}, {"B", "脱机"}, {"C", "还原"}, {"D", "恢复"},
        {"E", "置疑"}, {"F", "紧急只读状态"}, {"G", "置疑"}, {"nosuch", "正常"}};
    for (auto [db, text] : states) EXPECT_EQ(Value(StateQuery2005(db)), text) << db;
    EXPECT_EQ(Run(StateQuery2005("a")).results[0].columns[0].name, "cValue");

    auto r = Run(Probe2000("IsSuspect", "E"));
    ASSERT_FALSE(r.failed);
    EXPECT_EQ(r.results[0].columns[0].name, "Status");
    EXPECT_EQ(r.results[0].columns[0].type, sqlsim::ColumnType::Int);
    EXPECT_EQ(r.results[0].rows[0][0].i, 1);
    EXPECT_EQ(Value(Probe2000("IsSuspect", "A")), "0");
    EXPECT_EQ(Value(Probe2000("IsSuspect", "Y")), "<none>");
}

TEST_F(QueryTest, NamesWithTrailingBlanksApostrophesAndBrackets) {
    Load(R"({"databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}, {"name": "it's", "state": "SUSPECT"},
                           {"name": "my]db"}]})");
    EXPECT_EQ(Value(LogNameQuery("ufdata_001_2015   ")), "Ufmodel_LOG");
    EXPECT_EQ(Value(StateQuery2005("UFDATA_001_2015 ")), "置疑");
    EXPECT_EQ(Value("select DB_ID('ufdata_001_2015 ')"), "5");
    EXPECT_EQ(Value(StateQuery2005("it''s")), "置疑");
    EXPECT_EQ(Value(LogPathQuery("it''s")), P("it's_LOG.LDF"));
    EXPECT_EQ(Value(LogPathQuery("nosuch")), "<none>");
    EXPECT_EQ(Value("select b.filename from sysaltfiles as b where b.fileid=1 and b.dbid=DB_ID('my]db')"), P("my]db.MDF"));
    EXPECT_EQ(Value("select name from [sysdatabases] where name = N'my]db'"), "my]db");
    EXPECT_EQ(Value("select [name] from master..sysdatabases where dbid=7"), "my]db");
}

TEST_F(QueryTest, SelectErrorsUseTheServerNumbers) {
    Load(R"({"version": "9.00.4035.00"})");
    EXPECT_EQ(FirstError(Run("select name from nosuch")), std::make_pair(208, std::string("对象名 'nosuch' 无效。")));
    EXPECT_EQ(FirstError(Run("select nosuchcol from sysdatabases")).first, 207);
    EXPECT_EQ(FirstError(Run("select name from sysdatabases where")).first, 102);
    EXPECT_EQ(FirstError(Run("select 'abc")).first, 105);
    EXPECT_EQ(Value("set textsize 4096 select @@spid"), "51");
}
