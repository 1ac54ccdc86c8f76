// The repair run over the grid: which rows are worked on, their reports, the summary and stopping.
#include "RepairFixture.h"

#include "discovery/LoadAcc.h"
#include "repair/Repair.h"

#include <cctype>

using namespace qmtest;
using ::testing::Contains;
using ::testing::Not;

namespace {

struct FakeProgress : qm::RepairProgress {
    void RunStarted(int maximum) override { started.push_back(maximum); }
    void RowDone(int row, int position, const std::string& report) override {
        done.push_back(std::to_string(row) + "/" + std::to_string(position) + " " + report);
    }
    bool StopRequested() override { return stopAfter >= 0 && int(done.size()) >= stopAfter; }
    std::vector<int> started;
    std::vector<std::string> done;   // "row/position report"
    int stopAfter = -1;
};

class RepairDriver : public RepairFixture {
protected:
    void SetUp() override {
        RepairFixture::SetUp();
        m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"});
    }
    // Loads UFDATA_00<n>_2015 in each of the states (NODATA: suspect without its data file), one ticked row each.
    void LoadRows(int major, const std::vector<std::string>& states) {
        std::vector<std::string> dbs;
        for (size_t i = 0; i < states.size(); ++i)
            dbs.push_back(DbJson(Db(i + 1), states[i] == "NODATA" ? "SUSPECT" : states[i], states[i] != "NODATA"));
        Load(major, dbs);
        for (size_t i = 0; i < states.size(); ++i) AddRow(Db(i + 1), "Y");
    }
    static std::string Db(size_t n) { return "UFDATA_00" + std::to_string(n) + "_2015"; }
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
    std::string Report(int row) const { return m.grid.Cell(row, qm::kColReport); }
    void Run() { qm::Repair(*app, m, &progress); }

    qm::MainModel m;
    FakeProgress progress;
};

TEST_F(RepairDriver, OnlyAnExactYIsTicked) {
    Load(9, {DbJson(Db(1), "SUSPECT"), DbJson(Db(2), "SUSPECT")});
    AddRow(Db(1), "y");
    AddRow(Db(2), " Y");
    AddRow(Db(2), "Y ");
    m.labReport = {"发现3个异常数据库", qm::kRed};
    Run();
    EXPECT_TRUE(Sent().empty());
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(Report(i), "");
    EXPECT_EQ(m.labReport.caption, "");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_THAT(progress.started, ElementsAre(3));
    EXPECT_THAT(progress.done, ElementsAre("1/1 ", "2/2 ", "3/3 "));
}

TEST_F(RepairDriver, HealthyAndUnsupportedStates) {
    Load(9, {DbJson(Db(1), "ONLINE"), DbJson(Db(2), "OFFLINE")});
    AddRow(Db(1), "Y");
    m.labReport.color = qm::kBlue;
    Run();
    EXPECT_EQ(Report(1), "数据库状态正常，无需修复");
    EXPECT_EQ(m.labReport.caption, "");   // neither repaired nor failed
    EXPECT_EQ(m.labReport.color, qm::kBlue);
    AddRow(Db(2), "Y");
    engine->ClearTranscript();
    Run();
    EXPECT_EQ(Report(2), "未修复：不支持的数据库状态（脱机）");
    EXPECT_EQ(m.labReport.caption, "尚有1个账套年度数据未能修复");
    EXPECT_EQ(m.labReport.color, qm::kRed);
    EXPECT_TRUE(RepairStatements().empty());
}

TEST_F(RepairDriver, FailuresWithoutRepairTextAreReported) {
    LoadRows(9, {"SUSPECT", "SUSPECT"});
    engine->AddFault({"Rebuild Log", 1, 5000, ""});   // a routine failing without text is no success
    engine->AddFault({"DATABASEPROPERTYEX ('UFDATA_002_2015'", 1, 50000, "查询失败"});
    Run();
    EXPECT_EQ(Report(1), "修复失败");
    EXPECT_EQ(Report(2), "查询失败");   // a failed state query is the report, nothing is repaired
    EXPECT_THAT(RepairStatements(), Not(Contains(LookupPath(Db(2)))));
    EXPECT_EQ(m.labReport.caption, "尚有2个账套年度数据未能修复");
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(RepairDriver, StopEndsTheRunAfterTheCurrentDatabase) {
    LoadRows(9, {"SUSPECT", "SUSPECT", "SUSPECT"});
    m.bStop = true;   // a request left from before the run does not count
    progress.stopAfter = 2;
    Run();
    EXPECT_THAT(progress.done, ElementsAre("1/1 成功修复", "2/2 成功修复"));
    EXPECT_EQ(Report(3), "");
    EXPECT_EQ(Sent().size() - RepairStatements().size(), 2u);   // no state query for the third
    EXPECT_EQ(m.labReport.caption, "已成功修复2个账套年度数据 ");
    EXPECT_EQ(m.labReport.color, qm::kBlue);
}

// The shipped scenarios with the layouts met in the field, as the window runs them: load, tick every row,
// repair, reload. Only stale logs move (and only by moving them aside); a failed row leaves its database
// listed as it was. The first
// row's path is written in lower case: only upper-casing finds the file (the folders are upper case).
TEST_F(RepairDriver, FieldLayoutsRepairOnlyWhatTheyMayAndLeaveNoDatabaseWorse) {
    const std::string lockFailed = "未能排它地锁定数据库以执行该操作。", noLogPath = "未修复：无法确定日志文件路径";
    struct Case {
        const char* file;
        int major;
        const char* product;
        std::vector<std::string> reports, reloaded;
        const char* summary;   // an earlier run's success below the listed rows counts too
    };
    const Case cases[] = {
        {"sql2005-safety.json", 9, "U8", {"成功修复", "成功修复", noLogPath, lockFailed, "已超过了锁请求超时时段。"},
         {"UFDATA_005_2015", "UFDATA_006_2015", "UFDATA_007_2015"}, "已成功修复3个账套年度数据 尚有3个账套年度数据未能修复"},
        {"sql2000-safety.json", 8, "U8", {"成功修复", "成功修复", "成功修复", noLogPath, lockFailed},
         {"UFDATA_006_2015", "UFDATA_007_2015"}, "已成功修复4个账套年度数据 尚有2个账套年度数据未能修复"},
        {"sql2005-goldfield.json", 9, "",
         {"此时无法更改数据库 'GOLDFIELD' 的状态或选项。数据库处于单用户模式，当前某个用户已与其连接。", "成功修复"},
         {"GOLDFIELD"}, "已成功修复2个账套年度数据 尚有1个账套年度数据未能修复"},
    };
    auto column = [&](int col) {
        std::vector<std::string> out;
        for (int i = 1; i <= m.iAccCount; ++i) out.push_back(m.grid.Cell(i, col));
        return out;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        LoadFile(c.file, c.major, c.product);
        ASSERT_TRUE(qm::LoadAcc(*app, m));
        for (int i = 1; i <= m.iAccCount; ++i) m.grid.SetCell(i, qm::kColSelect, "Y");
        std::string lower = m.grid.Cell(1, qm::kColPath);
        for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        m.grid.SetCell(1, qm::kColPath, lower);
        m.grid.AppendRow({"UFDATA_099_2015", "", "099", "旧账套", "2015", "", "成功修复"});
        observer.statements.clear();
        Run();
        EXPECT_EQ(column(qm::kColReport), c.reports);
        EXPECT_EQ(m.labReport.caption, c.summary);
        EXPECT_EQ(m.labReport.color, qm::kRed);
        // Each statement belongs to the row it was sent for, the guards' included.
        const auto dbs = column(qm::kColDb);
        for (const auto& e : observer.statements) {
            ASSERT_GE(e.row, 1) << e.sql;
            for (int i = 1; i <= m.iAccCount; ++i)
                EXPECT_TRUE(i == e.row || e.sql.find(dbs[i - 1]) == std::string::npos) << e.sql;
        }
        EXPECT_EQ(app->observerRow, 0);
        // Every change the file layer saw was one of the recorded moves: nothing removed or written.
        for (const auto& p : files.changed) {
            bool moved = false;
            for (const auto& mv : observer.moves) moved = moved || p == mv.path || p == mv.newPath;
            EXPECT_TRUE(moved) << p;
        }
        ASSERT_TRUE(qm::LoadAcc(*app, m));
        EXPECT_EQ(column(qm::kColDb), c.reloaded);
        files.changed.clear();
        observer.moves.clear();
    }
}

} // namespace
