#include "ui/WinStartupWindows.h"

namespace qm::ui {

WinStartupWindows::WinStartupWindows(AppState& app, ConnectionFactory& connections, MsgDialog& msg,
                                     MainWindowFactory makeMainWindow)
    : app_(app), connections_(connections), msg_(msg), makeMainWindow_(std::move(makeMainWindow)) {}

WinStartupWindows::~WinStartupWindows() = default;

bool WinStartupWindows::ConnSql(LoginSettings& values) {
    // A fresh dialog each sign-in; it replaces any earlier one.
    login_ = std::make_unique<FrmSQLLogin>(connections_, msg_);
    login_->cLoginServer = values.cLoginServer;
    login_->cLoginUser = values.cLoginUser;
    login_->cLoginPwd = values.cLoginPwd;
    login_->ConnSql();
    if (!login_->bConnected) return false;
    values.cLoginServer = login_->cLoginServer;
    values.cLoginUser = login_->cLoginUser;
    values.cLoginPwd = login_->cLoginPwd;
    return true;
}

void WinStartupWindows::ShowEndMessage(const std::string& text) {
    if (endMessageShown) endMessageShown(text);
    if (endMessageBox)
        MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(kToolTitle).c_str(),
                    MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

void WinStartupWindows::ShowMainWindow() {
    if (!main_) {
        if (makeMainWindow_) main_ = makeMainWindow_(app_);
        if (!main_) return;
        if (beforeMainShown) beforeMainShown(*main_);
    }
    main_->Show(); // modeless, no owner
}

int RunMessageLoop() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        HWND active = GetActiveWindow();
        if (active && IsDialogMessageW(active, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return int(m.wParam);
}

} // namespace qm::ui
