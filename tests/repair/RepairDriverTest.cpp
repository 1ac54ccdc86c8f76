// The repair run over the grid: which rows are worked on, their reports, the summary and stopping.
#include "RepairFixture.h"

#include "repair/Repair.h"

#include <gmock/gmock.h>

#include <cctype>

using namespace qmtest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class FakeProgress : public qm::RepairProgress {
public:
    void RunStarted(int maximum) override { started.push_back(maximum); }
    void RowDone(int row, int position, const std::string& report) override {
        done.push_back({row, position, report});
    }
    bool StopRequested() override { return stopAfter >= 0 && int(done.size()) >= stopAfter; }

    struct Done {
        int row, position;
        std::string report;
    };
    std::vector<int> started;
    std::vector<Done> done;
    int stopAfter = -1;
};

class RepairDriver : public RepairFixture {
protected:
    void SetUp() override {
        RepairFixture::SetUp();
        m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"});
    }

    void AddRow(const std::string& db, const std::string& mark, const std::string& report = "") {
        m.grid.AppendRow({db, mark, "001", "演示", "2015", PathOf(db + ".MDF"), report});
        m.iAccCount = int16_t(m.grid.Rows() - 1);
    }

    // What the run sent besides the state queries.
    std::vector<std::string> RepairStatements() const {
        std::vector<std::string> out;
        for (const auto& sql : Sent())
            if (sql.find("DATABASEPROPERTY") == std::string::npos) out.push_back(sql);
        return out;
    }
    int StateQueries() const { return int(Sent().size() - RepairStatements().size()); }

    std::string Report(int row) const { return m.grid.Cell(row, qm::kColReport); }

    qm::MainModel m;
    FakeProgress progress;
};

TEST_F(RepairDriver, NoTickedRowSendsNothing) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT"), DbJson("UFDATA_002_2015", "SUSPECT")}), k2005);
    AddRow("UFDATA_001_2015", "y");
    AddRow("UFDATA_002_2015", " Y");
    AddRow("UFDATA_002_2015", "Y ");
    m.labReport.color = qm::kRed;
    m.labReport.caption = "发现3个异常数据库";
    EXPECT_TRUE(qm::Repair(*app, m, &progress));
    EXPECT_TRUE(Sent().empty());
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(Report(i), "");
    EXPECT_EQ(m.labReport.caption, "");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_THAT(progress.started, ElementsAre(3));
    ASSERT_EQ(progress.done.size(), 3u);
    EXPECT_EQ(progress.done[2].row, 3);
    EXPECT_EQ(progress.done[2].position, 3);
    EXPECT_EQ(progress.done[2].report, "");
}

TEST_F(RepairDriver, ThreeRepairedIsBlueWithTrailingBlank) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT"), DbJson("UFDATA_002_2015", "SUSPECT"),
                          DbJson("UFDATA_003_2015", "EMERGENCY")}),
         k2005);
    AddRow("UFDATA_001_2015", "Y");
    AddRow("UFDATA_002_2015", "Y");
    AddRow("UFDATA_003_2015", "Y");
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(1), "成功修复");
    EXPECT_EQ(Report(2), "成功修复");
    EXPECT_EQ(Report(3), "成功修复");
    EXPECT_EQ(m.labReport.caption, "已成功修复3个账套年度数据 ");
    EXPECT_EQ(m.labReport.color, qm::kBlue);
    EXPECT_EQ(StateQueries(), 3);
    EXPECT_EQ(RepairStatements().back(), "alter database UFDATA_003_2015 set ONLINE");
    EXPECT_EQ(progress.done[0].report, "成功修复");
}

TEST_F(RepairDriver, MixedRunIsRedAndCountsEveryRowOfTheGrid) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT"), DbJson("UFDATA_002_2015", "SUSPECT", false),
                          DbJson("UFDATA_003_2015", "SUSPECT"), DbJson("UFDATA_004_2015", "SUSPECT")}),
         k2005);
    AddRow("UFDATA_001_2015", "Y");
    AddRow("UFDATA_002_2015", "Y");
    AddRow("UFDATA_003_2015", "Y");
    AddRow("UFDATA_004_2015", "", "成功修复");  // an earlier run's report, not worked on now
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(2), "错误：未找到数据文件");
    EXPECT_EQ(Report(4), "成功修复");
    EXPECT_EQ(m.labReport.caption, "已成功修复3个账套年度数据 尚有1个账套年度数据未能修复");
    EXPECT_EQ(m.labReport.color, qm::kRed);
}

TEST_F(RepairDriver, HealthyAndUnsupportedStates) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "ONLINE"), DbJson("UFDATA_002_2015", "OFFLINE")}), k2005);
    AddRow("UFDATA_001_2015", "Y");
    m.labReport.color = qm::kBlue;
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(1), "数据库状态正常，无需修复");
    EXPECT_EQ(m.labReport.caption, "");  // neither repaired nor failed
    EXPECT_EQ(m.labReport.color, qm::kBlue);

    AddRow("UFDATA_002_2015", "Y");
    engine->ClearTranscript();
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(2), "未修复：不支持的数据库状态（脱机）");
    EXPECT_EQ(m.labReport.caption, "尚有1个账套年度数据未能修复");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_TRUE(RepairStatements().empty());
}

TEST_F(RepairDriver, FailedStateQueryIsTheReport) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT")}), k2005);
    engine->AddFault({"DATABASEPROPERTYEX", 1, 50000, "查询失败"});
    AddRow("UFDATA_001_2015", "Y");
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(1), "查询失败");
    EXPECT_TRUE(RepairStatements().empty());
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(RepairDriver, RoutineFailingWithoutTextIsNoSuccess) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT", true, false)}), k2005);
    engine->AddFault({"Rebuild Log", 1, 5000, ""});
    AddRow("UFDATA_001_2015", "Y");
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(1), "修复失败");
    EXPECT_EQ(m.labReport.caption, "尚有1个账套年度数据未能修复");
}

TEST_F(RepairDriver, StopEndsTheRunAfterTheCurrentDatabase) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT"), DbJson("UFDATA_002_2015", "SUSPECT"),
                          DbJson("UFDATA_003_2015", "SUSPECT")}),
         k2005);
    AddRow("UFDATA_001_2015", "Y");
    AddRow("UFDATA_002_2015", "Y");
    AddRow("UFDATA_003_2015", "Y");
    m.bStop = true;  // a request left from before the run does not count
    progress.stopAfter = 2;
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(1), "成功修复");
    EXPECT_EQ(Report(2), "成功修复");
    EXPECT_EQ(Report(3), "");
    EXPECT_EQ(progress.done.size(), 2u);
    EXPECT_EQ(StateQueries(), 2);
    EXPECT_EQ(m.labReport.caption, "已成功修复2个账套年度数据 ");
}

TEST_F(RepairDriver, StatementsBelongToTheirRow) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT"), DbJson("UFDATA_002_2015", "SUSPECT")}), k2005);
    AddRow("UFDATA_001_2015", "");
    AddRow("UFDATA_002_2015", "Y");
    qm::Repair(*app, m, nullptr);
    ASSERT_FALSE(observer.statements.empty());
    for (const auto& e : observer.statements) EXPECT_EQ(e.row, 2) << e.sql;
    for (const auto& mv : observer.moves) EXPECT_EQ(mv.row, 2) << mv.path;
    EXPECT_EQ(app->observerRow, 0);
    EXPECT_EQ(Report(1), "");
}

TEST_F(RepairDriver, LowerCasePathReachesTheRebuildUpperCased) {
    Load(ScenarioJson(8, {DbJson("UFDATA_001_2015", "SUSPECT")}), k2000);
    // The whole path in lower case: only upper-casing finds the file (the folder is upper case).
    std::string lower = PathOf("UFDATA_001_2015.MDF");
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    m.grid.AppendRow({"UFDATA_001_2015", "Y", "001", "演示", "2015", lower, ""});
    m.iAccCount = 1;
    qm::Repair(*app, m, &progress);
    EXPECT_EQ(Report(1), "成功修复");
    EXPECT_THAT(RepairStatements(),
                ::testing::Contains("dbcc rebuild_log('UFDATA_001_2015 ','" + PathOf("UFDATA_001_2015.LDF") + "')"));
}

TEST_F(RepairDriver, NothingOutsideTheNamedLogFilesIsTouched) {
    Load(ScenarioJson(9, {DbJson("UFDATA_001_2015", "SUSPECT"), DbJson("UFDATA_002_2015", "SUSPECT"),
                          DbJson("UFDATA_003_2015", "ONLINE")}),
         k2005);
    const std::vector<std::string> bystanders = {"readme.txt", "OTHER.MDF", "OTHER_LOG.LDF", "MDF", "UFDATA_001_2015.LDF.bak"};
    for (const auto& f : bystanders) WriteFile(PathOf(f), "keep " + f);
    WriteFile(PathOf("UFDATA_001_2015_LOG.LDF"), "stale 1");
    WriteFile(PathOf("UFDATA_001_2015.LDF"), "stale derived 1");
    WriteFile(PathOf("UFDATA_002_2015_LOG.LDF"), "stale 2");
    const std::string keptLog3 = ReadFile(PathOf("UFDATA_003_2015_LOG.LDF"));
    AddRow("UFDATA_001_2015", "Y");
    AddRow("UFDATA_002_2015", "Y");
    AddRow("UFDATA_003_2015", "Y");
    qm::Repair(*app, m, &progress);

    for (const auto& f : bystanders) EXPECT_EQ(ReadFile(PathOf(f)), "keep " + f) << f;
    EXPECT_EQ(ReadFile(PathOf("UFDATA_003_2015_LOG.LDF")), keptLog3);
    ASSERT_EQ(observer.moves.size(), 3u);
    const std::vector<std::string> movedContent = {"stale 1", "stale derived 1", "stale 2"};
    for (size_t i = 0; i < observer.moves.size(); ++i) {
        EXPECT_EQ(observer.moves[i].error, "");
        EXPECT_EQ(ReadFile(observer.moves[i].newPath), movedContent[i]) << observer.moves[i].newPath;
    }
    // Every change the file layer saw was one of those moves.
    for (const auto& p : files.changed) {
        bool named = false;
        for (const auto& mv : observer.moves) named = named || p == mv.path || p == mv.newPath;
        EXPECT_TRUE(named) << p;
    }
    EXPECT_EQ(files.removeCalls, 0);
    const std::string bak = std::string(".") + kStamp + ".bak";
    EXPECT_THAT(Files(), ElementsAre("MDF", "OTHER.MDF", "OTHER_LOG.LDF", "UFDATA_001_2015.LDF" + bak,
                                     "UFDATA_001_2015.LDF.bak", "UFDATA_001_2015.MDF", "UFDATA_001_2015_LOG.LDF",
                                     "UFDATA_001_2015_LOG.LDF" + bak, "UFDATA_002_2015.MDF", "UFDATA_002_2015_LOG.LDF",
                                     "UFDATA_002_2015_LOG.LDF" + bak, "UFDATA_003_2015.MDF", "UFDATA_003_2015_LOG.LDF",
                                     "readme.txt"));
}

} // namespace
