#pragma once
// What start-up shows, as Win32 windows: the SQL login dialog, the end-path message box and the main
// window. The main window comes from a factory so that the application and the end-to-end harness can
// each make it over their own model and hook it before it is first shown.
#include "app/AppState.h"
#include "startup/Startup.h"
#include "ui/FrmMain.h"
#include "ui/FrmSQLLogin.h"

#include <functional>
#include <memory>
#include <string>

namespace qm::ui {

class WinStartupWindows final : public StartupWindows {
public:
    using MainWindowFactory = std::function<std::unique_ptr<FrmMain>(AppState&)>;

    // `msg` shows the login dialog's retry message; `connections` makes its test connections.
    WinStartupWindows(AppState& app, ConnectionFactory& connections, MsgDialog& msg, MainWindowFactory makeMainWindow);
    ~WinStartupWindows() override;

    bool ConnSql(LoginSettings& values) override;
    // MessageBoxW with the exclamation icon, one OK button, caption "Quillmere".
    void ShowEndMessage(const std::string& text) override;
    void ShowMainWindow() override;

    FrmMain* MainWindow() const { return main_.get(); }
    // The dialog of the last SQL sign-in; it stays for the rest of the run. Null before the first.
    FrmSQLLogin* LoginDialog() const { return login_.get(); }

    // Called with the main window once it exists and before it is first shown.
    std::function<void(FrmMain&)> beforeMainShown;
    // Called with each end-path text, before its message box opens.
    std::function<void(const std::string&)> endMessageShown;
    // False: the end path's box is not opened (a harness that records the text through the hook).
    bool endMessageBox = true;

private:
    AppState& app_;
    ConnectionFactory& connections_;
    MsgDialog& msg_;
    MainWindowFactory makeMainWindow_;
    std::unique_ptr<FrmSQLLogin> login_;
    std::unique_ptr<FrmMain> main_;
};

// The tool's message loop once the main window is up: Tab and the arrow keys move between controls of
// the active window. Returns the WM_QUIT code.
int RunMessageLoop();

} // namespace qm::ui
