// The repair run off the window's thread, with a stand-in driver that the test lets through row by row.
#include "WinTestSupport.h"

#include "ui/GridActions.h"

using namespace qm;
using namespace qm::ui;
using namespace qmtest;

namespace {

struct RepairRunTest : MainWindowFixture {
    void ExpectButtonsEnabled(bool on) {
        for (const char* name : {"cmdSelect", "cmdClear", "cmdShowAll", "cmdBrush", "cmdConfirm", "cmdPreview",
                                 "cmdCancel", "imgExit", "chkVerify", "chkBackup", "chkRepairFindings"})
            EXPECT_EQ(bool(IsWindowEnabled(W(name))), on) << name;
        EXPECT_EQ(bool(IsWindowEnabled(W("cmdStop"))), !on);
    }
    int Progress() { return int(SendMessageW(W("ProDB"), PBM_GETPOS, 0, 0)); }
    int ProgressMax() { return int(SendMessageW(W("ProDB"), PBM_GETRANGE, FALSE, 0)); }
};

} // namespace

TEST_F(RepairRunTest, RunsOffTheWindowThreadWithButtonsLockedProgressStopTooltipsAndTheRecord) {
    const std::string recordPath = "C:\\quillmere-ui-tool\\运行记录\\Quillmere-20150102-030405.txt";
    record = {recordPath, ""};
    StatementLog before; // read once the run has ended
    app->observer = &before;
    allowed = 0;
    Shown();
    Click(W("cmdSelect"));
    Click(W("cmdConfirm"));
    ASSERT_TRUE(window->Running());
    ExpectButtonsEnabled(false);
    ASSERT_TRUE(WaitFor([&] { return ProgressMax() == 3; }));

    // While the run waits the window still takes messages, but ticking, product clearing and closing wait.
    KeyUp(W("grdTable"), 'S', kCtrlMask);
    EXPECT_EQ(app->cProduct, "U8");
    DoubleClick(0, kColSelect);
    SendMessageW(window->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(endCalls, 0);

    allowed = 1;
    ASSERT_TRUE(WaitFor([&] { return Progress() == 1 && Cell(0, kVerifyColumn) == "校验中 5%"; }));
    EXPECT_EQ(Cell(0, kColReport), "成功修复");
    EXPECT_EQ(ReportTip(0), "[成功] ALTER DATABASE UFDATA_001_2015 SET EMERGENCY");

    // Row 2 may go ahead, row 3 would have to wait: the stop comes first, whenever row 2 ends.
    allowed = 2;
    Click(W("cmdStop"));
    EXPECT_EQ(cancels, 1);
    ASSERT_TRUE(WaitFor([&] { return window->Runs() == 1; }));
    EXPECT_NE(workerThread, std::this_thread::get_id());

    // Stopped after the second database: the third was never touched.
    EXPECT_EQ(Progress(), 2);
    EXPECT_EQ(Cell(1, kColReport), "无法更改数据库状态");
    EXPECT_EQ(ReportTip(1), "[失败] ALTER DATABASE UFDATA_002_2014 SET EMERGENCY —— 错误 5011：无法更改数据库状态");
    EXPECT_EQ(Cell(2, kColReport) + ReportTip(2), "");
    EXPECT_TRUE(verifyAtRun);
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y"); // the double-click during the run changed nothing
    EXPECT_EQ(Text(window->Hwnd(), "labReport"), "已成功修复1个账套年度数据 尚有1个账套年度数据未能修复");
    EXPECT_EQ(ControlTextColor(W("labReport")), RGB(255, 0, 0));
    // The record is named under the summary and opens on a click.
    EXPECT_EQ(Text(window->Hwnd(), "labRecord"), "运行记录：Quillmere-20150102-030405.txt");
    EXPECT_EQ(ControlTextColor(W("labRecord")), kLinkColor);
    Click(W("labRecord"));
    EXPECT_EQ(shell.opened, std::vector<std::string>{recordPath});

    // Everything comes back, the observer from before saw each statement, and the close request is met.
    ExpectButtonsEnabled(true);
    EXPECT_EQ(app->observer, &before);
    EXPECT_EQ(before.statements.size(), 2u);
    EXPECT_EQ(endCalls, 1);

    // The stop from the first run does not carry over into the next, which runs with verification off
    // and whose record cannot be written.
    record = {"", "拒绝的权限"};
    allowed = 1000;
    Click(W("chkVerify"));
    Click(W("cmdConfirm"));
    ASSERT_TRUE(WaitFor([&] { return window->Runs() == 2; }));
    EXPECT_EQ(Progress(), 3);
    EXPECT_EQ(Cell(2, kColReport), "成功修复");
    EXPECT_FALSE(verifyAtRun);
    EXPECT_EQ(Text(window->Hwnd(), "labRecord"), "运行记录未能保存：拒绝的权限");
    EXPECT_EQ(ControlTextColor(W("labRecord")), RGB(255, 0, 0));

    // 预览 works off the window's thread too, changes no cell and opens its own window with the text.
    const auto mainThread = std::this_thread::get_id();
    workerThread = mainThread;
    Click(W("cmdPreview"));
    ASSERT_TRUE(WaitFor([&] { return window->Previews() == 1; }));
    EXPECT_NE(workerThread, mainThread);
    ExpectButtonsEnabled(true);
    EXPECT_EQ(Cell(2, kColReport), "成功修复");
    ASSERT_NE(window->PreviewBox(), nullptr);
    HWND box = window->PreviewBox()->Hwnd();
    EXPECT_EQ(Text(box, "txtMessage"), "预览：3 行\r\n第二行");
    EXPECT_TRUE(GetWindowLongW(FindControl(box, "txtMessage"), GWL_STYLE) & ES_READONLY);
    Click(box, "cmdCancel");
    EXPECT_EQ(window->PreviewBox()->Hwnd(), nullptr);

    // A reload forgets the transcript along with the reports.
    Click(W("cmdBrush"));
    EXPECT_EQ(ReportTip(0), "");
}

TEST_F(RepairRunTest, ClosingTheWindowDuringARunStopsAndWaitsForTheWorker) {
    allowed = 0;
    Shown();
    Click(W("cmdSelect"));
    Click(W("cmdConfirm"));
    ASSERT_TRUE(window->Running());
    window.reset(); // asks the worker to stop and waits: no worker left on a model that goes away
    EXPECT_EQ(app->observer, nullptr);
    EXPECT_EQ(model.grid.Cell(1, kColReport), "");
}

// 发现错误时修复 starts unticked; ticked, 确定 asks before anything runs (declined: nothing starts), and
// asks once more only while 修复前备份 is not ticked, that answer deciding for databases without a copy.
TEST_F(RepairRunTest, RepairingFindingsIsConfirmedBeforeTheRunStarts) {
    struct Answers : MsgDialog {
        std::vector<int> answers;
        std::vector<std::string> asked;
        int ShowMsg(int, const std::string& text) override {
            asked.push_back(text);
            return asked.size() <= answers.size() ? answers[asked.size() - 1] : 0;
        }
    };
    struct Case {
        bool backup;
        std::vector<int> answers;
        size_t asked;
        bool runs, uncopied;
    };
    const Case cases[] = {
        {true, {0}, 1, false, false},   {true, {1}, 1, true, false},   {false, {1, 0}, 2, true, false},
        {false, {1, 1}, 2, true, true}, {false, {0}, 1, false, false},
    };
    Shown();
    EXPECT_EQ(Text(window->Hwnd(), "chkRepairFindings"), "发现错误时修复（可能丢失数据）");
    EXPECT_EQ(SendMessageW(W("chkRepairFindings"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Click(W("chkRepairFindings"));
    ASSERT_TRUE(model.bRepairFindings);
    for (const auto& c : cases) {
        Answers dialog;
        dialog.answers = c.answers;
        app->frmMsg = &dialog;
        model.bBackup = c.backup;
        const int runs = window->Runs();
        Click(W("cmdConfirm"));
        ASSERT_TRUE(WaitFor([&] { return !window->Running(); }));
        EXPECT_EQ(window->Runs(), runs + c.runs);
        ASSERT_EQ(dialog.asked.size(), c.asked);
        EXPECT_NE(dialog.asked[0].find("REPAIR_ALLOW_DATA_LOSS"), std::string::npos);
        EXPECT_EQ(model.bRepairUncopied, c.uncopied);
        app->frmMsg = nullptr;
    }
}
