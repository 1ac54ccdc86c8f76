#pragma once
// What the window tests share: pressing and reading controls by name as the operator's gestures would
// reach them, a main window over stand-in engine operations, and a repair stand-in the test lets
// through one row at a time.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "platform/SystemServices.h"
#include "support/Seams.h"
#include "support/TestPlatform.h"
#include "ui/ControlIds.h"
#include "ui/FrmMain.h"
#include "ui/WinCommon.h"
#include "ui/WinControls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qmtest {

using qm::ui::FindControl;

// Pumps the window messages until `done`, 10 s at most.
inline bool WaitFor(const std::function<bool()>& done) { return qm::ui::PumpMessagesUntil(done, 10000); }

// A click: BM_CLICK for buttons and pictures, a press and release for anything else.
inline void Click(HWND control) {
    ASSERT_NE(control, nullptr);
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 32);
    if (lstrcmpiW(cls, WC_BUTTONW) == 0) {
        SendMessageW(control, BM_CLICK, 0, 0);
    } else {
        SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    }
}
inline void Click(HWND window, const char* name) { Click(FindControl(window, name)); }

inline std::string Text(HWND window, const char* name) { return qm::ui::WindowTextOf(FindControl(window, name)); }
inline bool Visible(HWND control) { return control && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE); }

// Key-up of `vk` with exactly the modifiers in `mask` (Shift 1, Ctrl 2, Alt 4) held.
inline void KeyUp(HWND control, int vk, int mask) {
    BYTE keys[256], held[256];
    GetKeyboardState(keys);
    std::copy(keys, keys + 256, held);
    held[VK_SHIFT] = (mask & 1) ? 0x80 : 0;
    held[VK_CONTROL] = (mask & 2) ? 0x80 : 0;
    held[VK_MENU] = (mask & 4) ? 0x80 : 0;
    SetKeyboardState(held);
    SendMessageW(control, WM_KEYUP, WPARAM(vk), LPARAM(0xC0000001));
    SetKeyboardState(keys);
}

class RecordingShell : public qm::Shell {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

// The list the window loads is whatever the test puts in `rows`.
struct MainWindowFixture : ::testing::Test {
    MainWindowFixture() {
        platform.shell = shell;
        platform.toolFolder = "C:\\quillmere-ui-tool";
        app = std::make_unique<qm::AppState>(platform);
        app->cProduct = "U8";
        app->cSQLVersion = "SQL Server 2005";
    }
    ~MainWindowFixture() override { allowed = 1000; }

    qm::ui::EngineOps Ops() {
        qm::ui::EngineOps ops;
        ops.loadAcc = [this](qm::AppState& a, qm::MainModel& m) {
            productAtLoad.push_back(a.cProduct);
            m.grid.Clear();
            m.grid.InsertRow(0, "DB\t选择\t账套号\t账套名称\t年度\t路径\t报告\t");
            for (const auto& r : rows) m.grid.AppendRow(r);
            if (m.grid.Rows() == 1) m.grid.InsertRow(1, "");
            m.iAccCount = int16_t(rows.size());
            m.labReport = rows.empty()
                              ? qm::ReportLabel{"未发现任何异常数据库", qm::kBlue}
                              : qm::ReportLabel{"发现" + std::to_string(rows.size()) + "个异常数据库", qm::kRed};
            m.grid.colWidthsTwips = {0, 500, 800, 2000, 500, 4000, 3000};
            m.grid.currentRow = 1;
            return true;
        };
        ops.readProfile = [this](qm::AppState&, const std::string&, const std::string& key, const std::string& def,
                                 const std::string& file) {
            profileFiles.push_back(file);
            auto it = readme.find(key);
            return it == readme.end() ? def : it->second;
        };
        ops.downloadFile = qm::ui::DefaultEngineOps().downloadFile; // through the platform's adapters
        ops.repair = [this](qm::AppState& a, qm::MainModel& m, qm::RepairProgress* p) { GatedRepair(a, m, p); };
        ops.preview = [this](qm::AppState&, const qm::MainModel& m, qm::RepairProgress* p) {
            workerThread = std::this_thread::get_id();
            p->RunStarted(m.iAccCount);
            return "预览：" + std::to_string(m.iAccCount) + " 行\r\n第二行";
        };
        return ops;
    }

    // Ticked rows get a statement (row 2's fails) and a report, row 1 a passing check cell. Before each row the stand-in waits until
    // the test lets it through (20 s at most, so a failing test cannot hang); a stop request also ends
    // the wait, as a driver between statements would. 停止 cancels on `inFlight`, the run's connection.
    void GatedRepair(qm::AppState& a, qm::MainModel& m, qm::RepairProgress* p) {
        qm::StopToken::Run run(a.stop, inFlight);
        workerThread = std::this_thread::get_id();
        verifyAtRun = m.bVerify.load();
        p->RunStarted(m.iAccCount);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int row = 1; row <= m.iAccCount && !a.stop.Requested(); ++row) {
            while (allowed < row && !a.stop.Requested() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (allowed < row) break;
            std::string report;
            if (m.grid.Cell(row, qm::kColSelect) == "Y") {
                const bool ok = row != 2;
                a.observer->OnStatement({row, "ALTER DATABASE " + m.grid.Cell(row, qm::kColDb) + " SET EMERGENCY", ok,
                                         ok ? 0 : 5011, ok ? "" : "无法更改数据库状态", ""});
                report = ok ? "成功修复" : "无法更改数据库状态";
                m.grid.SetCell(row, qm::kColReport, report);
            }
            p->RowDone(row, row, report);
            if (row == 1) p->VerifyProgress(row, "校验中 5%");
        }
        m.labReport = {"已成功修复1个账套年度数据 尚有1个账套年度数据未能修复", qm::kRed};
        m.record = record;
    }

    // The window, shown and loaded.
    qm::ui::FrmMain& Shown() {
        if (!window) {
            window = std::make_unique<qm::ui::FrmMain>(*app, model, Ops());
            window->SetEndTool([this] { ++endCalls; });
            window->SetWebLocation(webLocation);
            window->Show();
            EXPECT_TRUE(WaitFor([this] { return window->Loads() == 1; }));
        }
        return *window;
    }
    HWND W(const char* name) { return FindControl(Shown().Hwnd(), name); }
    std::string Cell(int item, int column) { return qm::ui::ListViewCell(W("grdTable"), item, column); }
    void DoubleClick(int item, int column) {
        const RECT r = qm::ui::ListViewCellRect(W("grdTable"), item, column);
        SendMessageW(W("grdTable"), WM_LBUTTONDBLCLK, MK_LBUTTON,
                     MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }

    // A cell's tooltip as the tooltip control gets it, the mouse resting on the cell.
    std::string ReportTip(int item) { return CellTip(item, qm::kColReport); }
    std::string CellTip(int item, int column) {
        HWND grid = W("grdTable");
        const RECT r = qm::ui::ListViewCellRect(grid, item, column);
        SendMessageW(grid, WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        NMTTDISPINFOW d{};
        d.hdr.idFrom = UINT_PTR(grid);
        d.hdr.code = TTN_GETDISPINFOW;
        d.uFlags = TTF_IDISHWND;
        SendMessageW(window->Hwnd(), WM_NOTIFY, 0, LPARAM(&d));
        return d.lpszText ? qm::WideToUtf8(d.lpszText) : std::string();
    }

    RecordingShell shell;
    TestPlatform platform;
    std::unique_ptr<qm::AppState> app;
    qm::MainModel model;
    std::vector<std::vector<std::string>> rows{
        {"UFDATA_001_2015", "", "001", "演示账套", "2015", "D:\\DATA\\UFDATA_001_2015.MDF", ""},
        {"UFDATA_002_2014", "", "002", "测试账套", "2014", "D:\\DATA\\UFDATA_002_2014.MDF", ""},
        {"UFDATA_003_2013", "", "003", "第三账套", "2013", "D:\\DATA\\UFDATA_003_2013.MDF", ""}};
    std::map<std::string, std::string> readme;
    std::string webLocation;
    std::vector<std::string> productAtLoad, profileFiles;
    int endCalls = 0;
    std::atomic<int> allowed{1000};
    std::shared_ptr<FakeConnection> inFlight = std::make_shared<FakeConnection>();
    int& cancels = inFlight->cancels; // on the window's thread, as 停止 is pressed
    std::thread::id workerThread;
    std::atomic<bool> verifyAtRun{false};
    qm::MainModel::RecordNote record;        // what the run's record came to
    std::unique_ptr<qm::ui::FrmMain> window; // last: gone before what its stand-ins use
};

} // namespace qmtest
