#pragma once
// What start-up shows, with Qt widgets: the SQL login dialog, the end-path message box and the main
// window. The main window comes from a factory so that the application and the end-to-end harness
// can both hook it before it is shown.
#include "app/Startup.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace qm {

class SqlLoginDialog;

class QtStartupWindows : public StartupWindows {
public:
    using MainWindowFactory = std::function<std::unique_ptr<QWidget>(AppState&)>;

    QtStartupWindows(AppState& app, MainWindowFactory makeMainWindow);
    ~QtStartupWindows() override;

    bool ConnSql(LoginSettings& values) override;
    void ShowEndMessage(const std::string& text) override;
    void ShowMainWindow() override;

    QWidget* MainWindow() const { return main_.get(); }
    // The dialog of the last SQL sign-in; it stays for the rest of the run. Null before the first.
    SqlLoginDialog* LoginDialog() const { return login_.get(); }

    // Called with the main window once it exists and before it is first shown (connect signals here).
    std::function<void(QWidget&)> beforeMainShown;
    // Called with each end-path text before its message box opens.
    std::function<void(const std::string&)> endMessageShown;

private:
    AppState& app_;
    MainWindowFactory makeMainWindow_;
    std::unique_ptr<SqlLoginDialog> login_;
    std::unique_ptr<QWidget> main_;
};

} // namespace qm
