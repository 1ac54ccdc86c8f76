#pragma once
// A main window on stand-in engine operations: the list it loads is whatever the test puts in `rows`.
#include "UiTestSupport.h"

#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "ui/FrmMain.h"

#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace qmtest {

struct MainWindowFixture : ::testing::Test {
    MainWindowFixture() {
        App();
        platform.shell = &shell;
        platform.toolFolder = "/tmp/quillmere-ui-tool";
        app = std::make_unique<qm::AppState>(platform);
        app->cProduct = "U8";
        app->cSQLVersion = "SQL Server 2005";
    }

    qm::ui::EngineOps Ops() {
        qm::ui::EngineOps ops;
        ops.loadAcc = [this](qm::AppState& a, qm::MainModel& m) {
            productAtLoad.push_back(a.cProduct);
            m.grid.Clear();
            m.grid.InsertRow(0, "DB\t选择\t账套号\t账套名称\t年度\t路径\t报告\t");
            for (const auto& r : rows) m.grid.AppendRow(r);
            if (m.grid.Rows() == 1) m.grid.InsertRow(1, "");
            m.iAccCount = int16_t(rows.size());
            m.labReport = rows.empty() ? qm::ReportLabel{"未发现任何异常数据库", qm::kBlue}
                                       : qm::ReportLabel{"发现" + std::to_string(rows.size()) + "个异常数据库", qm::kRed};
            m.grid.headerHeightTwips = 500;
            m.grid.colWidthsTwips = {0, 500, 800, 2000, 500, 4000, 3000};
            m.grid.currentRow = 1;
            return true;
        };
        ops.readProfile = [this](qm::AppState&, const std::string& section, const std::string& key,
                                 const std::string& def, const std::string& file) {
            profileFiles.push_back(file);
            EXPECT_EQ(section, "说明");
            auto it = readme.find(key);
            return it == readme.end() ? def : it->second;
        };
        ops.downloadFile = [this](qm::AppState&, const std::string& url, const std::string& target,
                                  const std::string& required) {
            downloads.push_back(url + "|" + target + "|" + required);
            return false;
        };
        ops.repair = [](qm::AppState&, qm::MainModel&, qm::RepairProgress*) { return true; };
        return ops;
    }

    // Builds the window (not shown yet) with the stand-ins and a recording end callback.
    qm::ui::FrmMain& Window() {
        if (!window) {
            window = std::make_unique<qm::ui::FrmMain>(*app, model);
            window->SetEngineOps(Ops());
            window->SetEndTool([this] { ++endCalls; });
        }
        return *window;
    }

    qm::ui::FrmMain& Shown() {
        Window().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    template <class T>
    T* W(const char* name) {
        T* w = Child<T>(window.get(), name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    qm::Platform platform;
    RecordingShell shell;
    std::unique_ptr<qm::AppState> app;
    qm::MainModel model;
    std::unique_ptr<qm::ui::FrmMain> window;
    std::vector<std::vector<std::string>> rows{
        {"UFDATA_001_2015", "", "001", "演示账套", "2015", "D:\\DATA\\UFDATA_001_2015.MDF", ""},
        {"UFDATA_002_2014", "", "002", "测试账套", "2014", "D:\\DATA\\UFDATA_002_2014.MDF", ""}};
    std::map<std::string, std::string> readme;
    std::vector<std::string> productAtLoad, profileFiles, downloads;
    int endCalls = 0;
};

} // namespace qmtest
