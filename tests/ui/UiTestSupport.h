#pragma once
// What the widget tests share: one QApplication for the process, stand-ins for the shell and the
// statement observer, and a main window on stand-in engine operations.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "platform/SystemServices.h"
#include "ui/FrmMain.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qmtest {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends; the windows of a test may outlive its fixture's scope.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Declared as a fixture's first member, so the application exists before any widget member.
struct AppHolder {
    AppHolder() { App(); }
};

class RecordingShell : public qm::Shell {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

struct CountingObserver : qm::StatementObserver {
    void OnStatement(const qm::StatementEvent&) override { ++statements; }
    void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override { ++files; }
    std::atomic<int> statements{0}, files{0};
};

template <class T>
T* Child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromUtf8(name));
}

// The list the window loads is whatever the test puts in `rows`.
struct MainWindowFixture : ::testing::Test {
    AppHolder holder;
    MainWindowFixture() {
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
