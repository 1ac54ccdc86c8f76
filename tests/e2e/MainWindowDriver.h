#pragma once
// Drives the main window as an operator would, by object name: waits for the list, ticks rows,
// presses 确定, waits for the run, presses 刷新, and records what the window showed at each point.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"

#include <nlohmann/json.hpp>

#include <QWidget>

#include <memory>
#include <string>

class QSignalSpy;

namespace qme2e {

class MainWindowDriver {
public:
    MainWindowDriver();
    ~MainWindowDriver();

    // The tool's main window over the driver's window values, as the application makes it.
    std::unique_ptr<QWidget> MakeMainWindow(qm::AppState& app);
    // Watches the window's loaded() and repairFinished() signals; called before it is first shown.
    void Attach(QWidget& mainWindow);
    // Fills "title", "load", "repair" and "reload" of `result`. False with a description when the
    // window did not do what an operator would wait for in time.
    bool Run(qm::AppState& app, const std::string& tick, nlohmann::ordered_json& result, std::string& error);

private:
    qm::MainModel model_;
    QWidget* window_ = nullptr;
    std::unique_ptr<QSignalSpy> loaded_;
    std::unique_ptr<QSignalSpy> finished_;
};

} // namespace qme2e
