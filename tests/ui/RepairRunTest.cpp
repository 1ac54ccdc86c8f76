// The repair run off the window's thread: a stand-in driver that waits for the test before each row.
#include "UiTestSupport.h"

#include "repair/RepairProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <chrono>
#include <thread>

using namespace qm;
using namespace qm::ui;

namespace {

struct RepairRunTest : qmtest::MainWindowFixture {
    RepairRunTest() {
        rows.push_back({"UFDATA_003_2013", "", "003", "第三账套", "2013", "D:\\DATA\\UFDATA_003_2013.MDF", ""});
        UseBlockingRepair();
    }
    ~RepairRunTest() override { allowed = 1000; }

    // Ticked rows get a statement (the second one fails) and a report. Before each row the driver waits
    // until the test lets it through (20 s at most, so a failing test cannot hang); with `abortOnStop`
    // a stop request also ends the wait, as a driver between statements would.
    void UseBlockingRepair() {
        EngineOps ops = Ops();
        ops.repair = [this](AppState& a, MainModel& m, RepairProgress* p) {
            workerThread = std::this_thread::get_id();
            p->RunStarted(m.iAccCount);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            for (int row = 1; row <= m.iAccCount && !p->StopRequested(); ++row) {
                while (allowed < row && !(abortOnStop && p->StopRequested()) && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                if (allowed < row) break;
                std::string report;
                if (m.grid.Cell(row, kColSelect) == "Y") {
                    const bool ok = row != 2;
                    a.observer->OnStatement({row, "ALTER DATABASE " + m.grid.Cell(row, kColDb) + " SET EMERGENCY",
                                             ok, ok ? 0 : 5011, ok ? "" : "无法更改数据库状态", ""});
                    report = ok ? "成功修复" : "无法更改数据库状态";
                    m.grid.SetCell(row, kColReport, report);
                }
                p->RowDone(row, row, report);
            }
            m.labReport = {"已成功修复1个账套年度数据 尚有1个账套年度数据未能修复", kRed};
            return true;
        };
        Window().SetEngineOps(ops);
    }

    QTableWidget* Grid() { return W<QTableWidget>("grdTable"); }
    void ExpectButtonsEnabled(bool on) {
        for (const char* name : {"cmdSelect", "cmdClear", "cmdShowAll", "cmdBrush", "cmdConfirm", "cmdCancel", "imgExit"})
            EXPECT_EQ(W<QWidget>(name)->isEnabled(), on) << name;
        EXPECT_EQ(W<QPushButton>("cmdStop")->isEnabled(), !on);
    }

    std::atomic<int> allowed{0};
    bool abortOnStop = false;
    std::thread::id workerThread;
};

} // namespace

TEST_F(RepairRunTest, RunsOffTheWindowThreadWithButtonsLockedProgressStopAndTooltips) {
    qmtest::CountingObserver before;
    app->observer = &before;
    Shown();
    W<QPushButton>("cmdSelect")->click();
    QSignalSpy finished(window.get(), &FrmMain::repairFinished);

    W<QPushButton>("cmdConfirm")->click();
    ASSERT_TRUE(window->Running());
    ExpectButtonsEnabled(false);
    auto* bar = W<QProgressBar>("ProDB");
    QTRY_COMPARE_WITH_TIMEOUT(bar->maximum(), 3, 10000);
    EXPECT_EQ(bar->value(), 0);

    // While the run waits, the window still takes events: ticking and product clearing are refused.
    QTest::keyRelease(Grid(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(app->cProduct, "U8");
    emit Grid()->cellDoubleClicked(0, kColSelect);
    W<QPushButton>("cmdCancel")->click();
    EXPECT_EQ(endCalls, 0);
    EXPECT_FALSE(window->close());  // the window system's close waits for the run too
    EXPECT_TRUE(window->isVisible());

    allowed = 1;
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1, 10000);
    EXPECT_EQ(Grid()->item(0, kColReport)->text(), "成功修复");
    EXPECT_TRUE(Grid()->item(0, kColReport)->toolTip().contains("[成功] ALTER DATABASE UFDATA_001_2015 SET EMERGENCY"));

    W<QPushButton>("cmdStop")->click();
    allowed = 2;
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    EXPECT_NE(workerThread, std::this_thread::get_id());

    // Stopped after the second database: the third was never touched.
    EXPECT_EQ(bar->value(), 2);
    EXPECT_EQ(Grid()->item(1, kColReport)->text(), "无法更改数据库状态");
    EXPECT_EQ(Grid()->item(1, kColReport)->toolTip(),
              "[失败] ALTER DATABASE UFDATA_002_2014 SET EMERGENCY —— 错误 5011：无法更改数据库状态");
    EXPECT_EQ(Grid()->item(2, kColReport)->text(), "");
    EXPECT_EQ(Grid()->item(2, kColReport)->toolTip(), "");
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y");  // the double-click during the run changed nothing
    EXPECT_EQ(W<QLabel>("labReport")->text(), "已成功修复1个账套年度数据 尚有1个账套年度数据未能修复");
    EXPECT_EQ(W<QLabel>("labReport")->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    // Everything comes back, and the observer that was there before saw each statement.
    EXPECT_FALSE(window->Running());
    ExpectButtonsEnabled(true);
    EXPECT_EQ(app->observer, &before);
    EXPECT_EQ(before.statements.load(), 2);

    // A reload forgets the transcript along with the reports.
    W<QPushButton>("cmdBrush")->click();
    EXPECT_EQ(Grid()->item(0, kColReport)->toolTip(), "");
}

TEST_F(RepairRunTest, StopPressedBeforeARunDoesNotCarryOverIntoIt) {
    allowed = 1000;
    Shown();
    QSignalSpy finished(window.get(), &FrmMain::repairFinished);
    window->RequestStop();
    W<QPushButton>("cmdConfirm")->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    EXPECT_EQ(W<QProgressBar>("ProDB")->value(), 3);
}

TEST_F(RepairRunTest, ClosingTheWindowDuringARunStopsAndWaitsForTheWorker) {
    abortOnStop = true;
    Shown();
    W<QPushButton>("cmdSelect")->click();
    W<QPushButton>("cmdConfirm")->click();
    ASSERT_TRUE(window->Running());
    window.reset();  // asks the worker to stop and waits: no crash, no worker left on a dead model
    EXPECT_EQ(app->observer, nullptr);
    EXPECT_EQ(model.grid.Cell(2, kColReport), "");
}
