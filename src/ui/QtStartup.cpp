#include "ui/QtStartup.h"

#include "server/SqlLoginDialog.h"

#include <QMessageBox>
#include <QString>

namespace qm {

QtStartupWindows::QtStartupWindows(AppState& app, MainWindowFactory makeMainWindow)
    : app_(app), makeMainWindow_(std::move(makeMainWindow)) {}

QtStartupWindows::~QtStartupWindows() = default;

bool QtStartupWindows::ConnSql(LoginSettings& values) {
    // A fresh dialog each sign-in; it replaces any earlier one.
    login_ = std::make_unique<SqlLoginDialog>(app_.platform.connections, app_.frmMsg);
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

void QtStartupWindows::ShowEndMessage(const std::string& text) {
    if (endMessageShown) endMessageShown(text);
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kToolTitle), QString::fromUtf8(text), QMessageBox::Ok);
    box.setObjectName("endMessage");
    box.exec();
}

void QtStartupWindows::ShowMainWindow() {
    if (!main_) {
        if (makeMainWindow_) main_ = makeMainWindow_(app_);
        if (!main_) return;
        if (beforeMainShown) beforeMainShown(*main_);
    }
    main_->show();  // modeless, no owner
}

} // namespace qm
