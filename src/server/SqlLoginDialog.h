#pragma once
// frmSQLLogin: the tool's own SQL Server sign-in, used when the accounting product's login gives no
// server. It accepts the values only after a test connection with them has opened.
#include "app/Interfaces.h"
#include "platform/Connection.h"
#include "ui/UiCommon.h"

#include <QDialog>

#include <memory>
#include <string>

class QLineEdit;
class QPushButton;

namespace qm {

inline constexpr const char* kLoginFailedMessage = "输入数据库用户名或密码有误, 请重新输入!";

class SqlLoginDialog : public ui::FramedDialog {
    Q_OBJECT
public:
    // `connections` makes the test connection; `msg` shows the wrong-credentials message. Either may be
    // null (no connection can then be made; the message is then not shown).
    SqlLoginDialog(ConnectionFactory* connections, MsgDialog* msg, QWidget* parent = nullptr);

    // Input before showing, result after a successful test.
    std::string cLoginServer;
    std::string cLoginUser;
    std::string cLoginPwd;
    std::string cDatabase;
    bool bConnected = false;
    std::shared_ptr<Connection> oConn;

    // Shows the dialog modally; returns when it has closed. Read bConnected and the three values then.
    void ConnSql();
    // Tries a connection with what the three boxes hold (texts taken as typed).
    bool ConnectDB(std::string& error);
    // Copies the three values into the boxes.
    void InitForm();
    // The load steps: defaults, boxes, bConnected false, a fresh test connection.
    void FormLoad();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void Confirm();

    ConnectionFactory* connections_;
    MsgDialog* msg_;

    QLineEdit* txtServerName_ = nullptr;
    QLineEdit* txtUser_ = nullptr;
    QLineEdit* txtPwd_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

} // namespace qm
