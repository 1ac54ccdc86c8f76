// The main window from its list query's answer to a listed, painted grid, for 100 and 1,000 abnormal
// databases: the real discovery (LoadAcc) over a connection that answers at once, the real window under
// Wine's null display driver, 刷新 pressed as the operator would. Not a test: prints figures.
#include "support/FakeConnection.h"

#include "ui/EngineOps.h"
#include "ui/FrmMain.h"
#include "ui/WinControls.h"

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace qm;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 5;

// This process's processor time (user and kernel), in milliseconds: on a shared machine the wall clock
// mostly measures the neighbours.
double ProcessorMs() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](const FILETIME& f) { return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

SqlResult ListAnswer(int count) {
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(1000 + i).substr(1);
        rows.push_back({Value::Text("UFDATA_" + n + "_2015"), Value::Text(""), Value::Text(n), Value::Text("账套" + n),
                        Value::Text("2015"), Value::Text("D:\\U8SOFT\\Admin\\ZT" + n + "\\2015\\UFDATA.MDF"),
                        Value::Text("")});
    }
    return qmtest::FakeConnection::Rows({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"}, std::move(rows));
}

} // namespace

int main() {
    auto master = std::make_shared<qmtest::FakeConnection>();
    master->state = 1;
    int count = 0;
    Steady::time_point answered;
    double answeredCpu = 0;
    master->handler = [&](const std::string& sql) {
        if (sql.find("name='ufsystem'") != std::string::npos) return qmtest::FakeConnection::Column("name", {"UFSystem"});
        if (sql.find(" as DB,") == std::string::npos) return qmtest::FakeConnection::Column("name", {});
        SqlResult r = ListAnswer(count);
        answered = Steady::now();
        answeredCpu = ProcessorMs();
        return r;
    };
    Platform platform;
    AppState app(platform);
    app.oMaster = master;
    app.cSQLVersion = "SQL Server 2005";
    app.cProduct = "U8";
    MainModel model;
    ui::EngineOps ops = ui::DefaultEngineOps();
    ops.downloadFile = nullptr;
    ops.readProfile = nullptr;
    ui::FrmMain window(app, model, ops);
    window.Show();
    if (!ui::PumpMessagesUntil([&] { return window.Loads() == 1; }, 10000)) {
        std::fprintf(stderr, "the window did not load\n");
        return 1;
    }
    HWND grid = ui::FindControl(window.Hwnd(), "grdTable");
    HWND refresh = ui::FindControl(window.Hwnd(), "cmdBrush");
    for (int rows : {100, 1000}) {
        count = rows;
        std::vector<double> listed, painted, cpu;
        for (int r = 0; r < kRuns; ++r) {
            SendMessageW(refresh, BM_CLICK, 0, 0);
            const auto shown = Steady::now();
            UpdateWindow(grid);
            const auto drawn = Steady::now();
            cpu.push_back(ProcessorMs() - answeredCpu);
            listed.push_back(std::chrono::duration<double, std::milli>(shown - answered).count());
            painted.push_back(std::chrono::duration<double, std::milli>(drawn - answered).count());
        }
        if (ui::ListViewRows(grid) != rows) {
            std::fprintf(stderr, "%d rows listed, %d expected\n", ui::ListViewRows(grid), rows);
            return 1;
        }
        std::sort(listed.begin(), listed.end());
        std::sort(painted.begin(), painted.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("rows=%5d  answer to listed: wall min %6.1f / median %6.1f ms   to painted: wall min %6.1f / "
                    "median %6.1f ms, processor median %6.1f ms\n",
                    rows, listed.front(), listed[kRuns / 2], painted.front(), painted[kRuns / 2], cpu[kRuns / 2]);
    }
    return 0;
}
