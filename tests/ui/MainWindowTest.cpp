// The main window driven through its controls, as the operator would.
#include "WinTestSupport.h"

#include "platform/WinHttpClient.h"
#include "ui/GridActions.h"
#include "ui/MainLayout.h"

#include <set>

using namespace qm;
using namespace qm::ui;
using namespace qmtest;

namespace {

using MainWindow = MainWindowFixture;

// Records the window's own move request instead of entering the system's move loop.
WNDPROC gMainProc = nullptr;
std::vector<WPARAM> gNcPresses;
LRESULT CALLBACK RecordNcPress(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCLBUTTONDOWN) {
        gNcPresses.push_back(wp);
        return 0;
    }
    return CallWindowProcW(gMainProc, w, msg, wp, lp);
}

} // namespace

// The read-me is refreshed first (where WinHTTP cannot be loaded that fails with its description and the
// window works on), then each key is read from the tool's own folder, once.
TEST_F(MainWindow, LoadsOnFirstShowWithTitleReadmeTextsAndGridEvenWithoutWinHttp) {
    WinHttpClient missing(2000, 2000, "qm-missing-winhttp.dll");
    app->platform.http = missing;
    readme = {{"作者", "李四"}, {"QQ", "888"}, {"简介", "数据库修复工具（测试版）"}};
    webLocation = "http://127.0.0.1:9";
    HWND main = Shown().Hwnd();
    EXPECT_EQ(app->cMsg.rfind("下载失败：无法加载 qm-missing-winhttp.dll：", 0), 0u) << app->cMsg;
    EXPECT_EQ(WindowTextOf(main), "Quillmere");
    EXPECT_EQ(Text(main, "labCaption"), "Quillmere For U8 数据库版本：SQL Server 2005  作者：李四  QQ：888");
    EXPECT_EQ(ControlTooltip(W("imgLogo")), "数据库修复工具（测试版）");
    EXPECT_EQ(Text(main, "labReport"), "发现3个异常数据库");
    EXPECT_EQ(ControlTextColor(W("labReport")), RGB(255, 0, 0));
    const std::vector<std::string> readFrom = profileFiles;
    EXPECT_EQ(std::set<std::string>(readFrom.begin(), readFrom.end()),
              std::set<std::string>{"C:\\quillmere-ui-tool\\Readme.txt"});

    HWND grid = W("grdTable");
    EXPECT_EQ(ListViewRows(grid), 3);
    EXPECT_EQ(ListViewColumnWidth(grid, kColDb), 0);
    EXPECT_EQ(ListViewHeader(grid, kVerifyColumn), "校验");

    // Showing again is not a second load; 刷新 is, and the read-me is neither fetched nor read again.
    app->cMsg.clear();
    ShowWindow(main, SW_HIDE);
    window->Show();
    Click(main, "cmdBrush");
    EXPECT_EQ(window->Loads(), 2);
    EXPECT_EQ(profileFiles, readFrom);
    EXPECT_EQ(app->cMsg, "");
}

// At the design size, on a 96 and a 120 DPI screen, every column shows without scrolling sideways, even
// beside the vertical scroll bar of a long list; the path cells keep their whole texts, which their
// tooltips show too.
TEST_F(MainWindow, GridFitsItsWidthAt96And120Dpi) {
    rows.clear();
    for (int i = 1; i <= 40; ++i) {
        const std::string n = std::to_string(100 + i).substr(1);
        rows.push_back({"UFDATA_0" + n + "_2015", "", "0" + n, "账套" + n, "2015",
                        "D:\\U8SOFT\\Admin\\ZT0" + n + "\\2015\\UFDATA.MDF", "成功修复"});
    }
    for (int dpi : {96, 120}) {
        OverrideScreenDpi(dpi);
        window.reset();
        HWND grid = W("grdTable");
        RECT client;
        GetClientRect(grid, &client);
        int sum = 0;
        for (int c = 0; c < kShownColumns; ++c) sum += ListViewColumnWidth(grid, c);
        EXPECT_LE(sum, client.right) << dpi;
        EXPECT_TRUE(GetWindowLongW(grid, GWL_STYLE) & WS_VSCROLL) << dpi;
        EXPECT_FALSE(GetWindowLongW(grid, GWL_STYLE) & WS_HSCROLL) << dpi;
        EXPECT_GE(ListViewColumnWidth(grid, kVerifyColumn), TwipsToScreenPixels(2000)) << dpi;
        EXPECT_EQ(Cell(39, kColPath), rows[39][kColPath]);
        EXPECT_EQ(CellTip(0, kColPath), rows[0][kColPath]);
    }
    OverrideScreenDpi(0);
}

TEST_F(MainWindow, TicksByDoubleClickInColumnOneAndByTheButtonsAndCtrlSClearsTheProduct) {
    Shown();
    DoubleClick(0, kColSelect);
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y");
    EXPECT_EQ(Cell(0, kColSelect), "Y");
    DoubleClick(0, kColSelect);
    DoubleClick(1, kColAccName); // only column one ticks
    EXPECT_EQ(Cell(0, kColSelect) + Cell(1, kColSelect), "");

    Click(W("cmdSelect"));
    EXPECT_EQ(Cell(2, kColSelect), "Y");
    EXPECT_EQ(model.grid.Cell(0, kColSelect), "选择"); // the header is not a row
    Click(W("cmdClear"));
    EXPECT_EQ(Cell(2, kColSelect), "");

    for (int mask : {0, kCtrlMask | kShiftMask, kCtrlMask | kAltMask}) KeyUp(W("grdTable"), 'S', mask);
    KeyUp(W("grdTable"), 'D', kCtrlMask);
    EXPECT_EQ(app->cProduct, "U8");
    KeyUp(W("grdTable"), 'S', kCtrlMask);
    EXPECT_EQ(app->cProduct, "");
    EXPECT_EQ(window->Loads(), 1); // nothing reloaded by itself

    // 刷新全部 clears the product and loads; the title keeps the product it showed.
    app->cProduct = "U8";
    rows.clear();
    Click(W("cmdShowAll"));
    EXPECT_EQ(productAtLoad, (std::vector<std::string>{"U8", ""}));
    EXPECT_NE(Text(window->Hwnd(), "labCaption").find(" For U8 "), std::string::npos);
    // The empty list: one empty row, which 全选 ticks too.
    EXPECT_EQ(ListViewRows(W("grdTable")), 1);
    EXPECT_EQ(Text(window->Hwnd(), "labReport"), "未发现任何异常数据库");
    EXPECT_EQ(ControlTextColor(W("labReport")), RGB(0, 0, 255));
    Click(W("cmdSelect"));
    EXPECT_EQ(Cell(0, kColSelect), "Y");
}

// Without a web address in the read-me, the maker line and both logos open the default page.
TEST_F(MainWindow, AboutLogoCancelAndClose) {
    readme = {{"公司", "示例软件有限公司"}};
    Shown();
    Click(W("labAbout"));
    FrmAbout* about = window->AboutBox();
    ASSERT_NE(about, nullptr);
    HWND box = about->Hwnd();
    EXPECT_TRUE(IsWindowEnabled(window->Hwnd())); // not modal
    EXPECT_EQ(Text(box, "LabToolText"), "QuillmereV2.0");
    EXPECT_EQ(Text(box, "labMaker"), kDefaultWebPage);
    EXPECT_NE(Text(box, "labCopyRight").find("示例软件有限公司"), std::string::npos);
    Click(box, "imgLogo");
    Click(box, "picExit");
    Click(W("labAbout"));
    EXPECT_EQ(window->AboutBox(), about); // one box, opened again
    Click(W("imgLogo"));
    Click(about->Hwnd(), "labMaker");
    EXPECT_EQ(shell.opened, std::vector<std::string>(3, kDefaultWebPage));

    EXPECT_EQ(ControlTooltip(W("imgExit")), "关闭");
    Click(W("cmdCancel"));
    Click(W("imgExit"));
    SendMessageW(window->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(endCalls, 3);
}

TEST_F(MainWindow, FollowsTheEdgeMovesByTheBackgroundOnlyAndTicksVerificationByDefault) {
    HWND main = Shown().Hwnd();
    SetWindowPos(main, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER); // narrower than the corners
    RECT closeRect;
    GetWindowRect(W("imgExit"), &closeRect);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&closeRect), 2);
    EXPECT_LT(closeRect.left, 0); // the close picture follows the right edge

    gMainProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(main, GWLP_WNDPROC, LONG_PTR(&RecordNcPress)));
    gNcPresses.clear();
    SendMessageW(main, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(gNcPresses, std::vector<WPARAM>{HTCAPTION});
    SetWindowLongPtrW(main, GWLP_WNDPROC, LONG_PTR(gMainProc));
    // Presses on controls are theirs: none lets the mouse through to the background.
    for (const char* name : {"labCaption", "grdTable", "ProDB", "imgLogo"}) {
        RECT r;
        GetWindowRect(W(name), &r);
        EXPECT_NE(SendMessageW(W(name), WM_NCHITTEST, 0, MAKELPARAM(r.left + 2, r.top + 2)), HTTRANSPARENT) << name;
    }

    EXPECT_EQ(Text(main, "chkVerify"), "修复后校验");
    EXPECT_EQ(SendMessageW(W("chkVerify"), BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(W("chkVerify"));
    EXPECT_FALSE(model.bVerify);
}
