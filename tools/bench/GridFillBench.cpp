// The main window from its list query's answer to a listed, painted grid, for 100 and 1,000 abnormal
// databases: the real discovery (LoadAcc) over a connection that answers at once, the real window under
// Wine's null display driver, 刷新 pressed as the operator would. Not a test: prints figures.
#include "support/FakeConnection.h"
#include "support/TestPlatform.h"

#include "ui/EngineOps.h"
#include "ui/FrmMain.h"
#include "ui/WinControls.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

using namespace qm;
using qmtest::FakeConnection;

namespace {

// Wall time, and this process's processor time: on a shared machine the wall clock mostly measures the
// neighbours. Milliseconds.
double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
double ProcessorMs() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](const FILETIME& f) { return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    auto master = std::make_shared<FakeConnection>();
    master->state = 1;
    int count = 0;
    double answered = 0, answeredCpu = 0;
    master->handler = [&](const std::string& sql) {
        if (sql.find(" as DB,") == std::string::npos)
            return FakeConnection::Column("name", {sql.find("'ufsystem'") != std::string::npos ? "UFSystem" : ""});
        std::vector<std::vector<Value>> rows;
        for (int i = 1; i <= count; ++i) {
            const std::string n = std::to_string(1000 + i).substr(1);
            rows.push_back({Value::Text("UFDATA_" + n + "_2015"), Value::Text(""), Value::Text(n),
                            Value::Text("账套" + n), Value::Text("2015"),
                            Value::Text("D:\\U8SOFT\\Admin\\ZT" + n + "\\2015\\UFDATA.MDF"), Value::Text("")});
        }
        SqlResult r =
            FakeConnection::Rows({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"}, std::move(rows));
        answered = WallMs();
        answeredCpu = ProcessorMs();
        return r;
    };
    qmtest::TestPlatform platform;
    AppState app(platform);
    app.oMaster = master;
    app.cSQLVersion = "SQL Server 2005";
    app.versionClass = VersionClass::Sql2005;
    app.cProduct = "U8";
    MainModel model;
    ui::EngineOps ops = ui::DefaultEngineOps();
    ops.downloadFile = nullptr;
    ops.readProfile = nullptr;
    ui::FrmMain window(app, model, ops);
    window.Show();
    if (!ui::PumpMessagesUntil([&] { return window.Loads() == 1; }, 10000)) return 1;
    HWND grid = ui::FindControl(window.Hwnd(), "grdTable");
    for (int rows : {100, 1000}) {
        count = rows;
        std::vector<double> listed, painted, processor;
        for (int run = 0; run < 5; ++run) {
            SendMessageW(ui::FindControl(window.Hwnd(), "cmdBrush"), BM_CLICK, 0, 0);
            listed.push_back(WallMs() - answered);
            UpdateWindow(grid);
            painted.push_back(WallMs() - answered);
            processor.push_back(ProcessorMs() - answeredCpu);
        }
        if (ui::ListViewRows(grid) != rows) return 1;
        std::printf("rows=%5d  answer to listed %6.1f ms, to painted %6.1f ms (medians of 5; processor %5.1f ms)\n",
                    rows, Median(listed), Median(painted), Median(processor));
    }
    return 0;
}
