// The repair run off the window's thread: a stand-in driver that waits for the test before each row.
#include "MainWindowFixture.h"

#include "repair/RepairProgress.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace qm;
using namespace qm::ui;

namespace {

// Lets the driver through one row at a time; gives up after a deadline so a failing test cannot hang.
class Gate {
public:
    void Allow(int rows) {
        std::lock_guard lock(m_);
        allowed_ = rows;
        cv_.notify_all();
    }
    // With `stopped` given, a stop request also ends the wait (a driver between statements).
    bool WaitFor(int row, const std::function<bool()>& stopped = {}) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::unique_lock lock(m_);
        while (allowed_ < row) {
            if (stopped && stopped()) return false;
            if (cv_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5))) ==
                    std::cv_status::timeout &&
                std::chrono::steady_clock::now() >= deadline)
                return false;
        }
        return true;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int allowed_ = 0;
};

struct CountingObserver : StatementObserver {
    void OnStatement(const StatementEvent&) override { ++statements; }
    void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override {}
    std::atomic<int> statements{0};
};

struct RepairRunTest : qmtest::MainWindowFixture {
    RepairRunTest() {
        rows.push_back({"UFDATA_003_2013", "", "003", "第三账套", "2013", "D:\\DATA\\UFDATA_003_2013.MDF", ""});
    }
    ~RepairRunTest() override { gate.Allow(1000); }

    // Ticked rows get a statement (the second one fails) and a report; stops between rows when asked.
    void UseBlockingRepair() {
        EngineOps ops = Ops();
        ops.repair = [this](AppState& a, MainModel& m, RepairProgress* p) {
            workerThread = std::this_thread::get_id();
            m.bStop = false;
            p->RunStarted(m.iAccCount);
            for (int row = 1; row <= m.iAccCount; ++row) {
                if (p->StopRequested()) break;
                if (!gate.WaitFor(row, abortOnStop ? std::function<bool()>([p] { return p->StopRequested(); })
                                                   : std::function<bool()>()))
                    break;
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

    Gate gate;
    bool abortOnStop = false;
    std::thread::id workerThread;
};

} // namespace

TEST_F(RepairRunTest, RunsOffTheWindowThreadWithButtonsLockedProgressStopAndTooltips) {
    UseBlockingRepair();
    CountingObserver before;
    app->observer = &before;
    Shown();
    W<QPushButton>("cmdSelect")->click();
    QSignalSpy finished(window.get(), &FrmMain::repairFinished);

    W<QPushButton>("cmdConfirm")->click();
    ASSERT_TRUE(window->Running());
    for (const char* name : {"cmdSelect", "cmdClear", "cmdShowAll", "cmdBrush", "cmdConfirm", "cmdCancel"})
        EXPECT_FALSE(W<QPushButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(W<QWidget>("imgExit")->isEnabled());
    EXPECT_TRUE(W<QPushButton>("cmdStop")->isEnabled());
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

    gate.Allow(1);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1, 10000);
    EXPECT_EQ(Grid()->item(0, kColReport)->text(), "成功修复");
    EXPECT_TRUE(Grid()->item(0, kColReport)->toolTip().contains("[成功] ALTER DATABASE UFDATA_001_2015 SET EMERGENCY"));

    W<QPushButton>("cmdStop")->click();
    gate.Allow(2);
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
    for (const char* name : {"cmdSelect", "cmdClear", "cmdShowAll", "cmdBrush", "cmdConfirm", "cmdCancel"})
        EXPECT_TRUE(W<QPushButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(W<QPushButton>("cmdStop")->isEnabled());
    EXPECT_EQ(app->observer, &before);
    EXPECT_EQ(before.statements.load(), 2);

    // A reload forgets the transcript along with the reports.
    W<QPushButton>("cmdBrush")->click();
    EXPECT_EQ(Grid()->item(0, kColReport)->toolTip(), "");
}

TEST_F(RepairRunTest, SecondRunStartsCleanAndUntickedRowsAreSkipped) {
    UseBlockingRepair();
    gate.Allow(1000);
    Shown();
    QSignalSpy finished(window.get(), &FrmMain::repairFinished);
    emit Grid()->cellDoubleClicked(2, kColSelect);  // only the third row
    W<QPushButton>("cmdConfirm")->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    EXPECT_EQ(Grid()->item(0, kColReport)->text(), "");
    EXPECT_EQ(Grid()->item(2, kColReport)->text(), "成功修复");
    EXPECT_EQ(W<QProgressBar>("ProDB")->value(), 3);

    // A stop pressed before the run does not carry over into the next one.
    window->RequestStop();
    W<QPushButton>("cmdConfirm")->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 10000);
    EXPECT_EQ(W<QProgressBar>("ProDB")->value(), 3);
}

TEST_F(RepairRunTest, ClosingTheWindowDuringARunStopsAndWaitsForTheWorker) {
    UseBlockingRepair();
    abortOnStop = true;
    Shown();
    W<QPushButton>("cmdSelect")->click();
    W<QPushButton>("cmdConfirm")->click();
    ASSERT_TRUE(window->Running());
    window.reset();  // asks the worker to stop and waits: no crash, no worker left on a dead model
    EXPECT_EQ(app->observer, nullptr);
    EXPECT_EQ(model.grid.Cell(2, kColReport), "");
}
