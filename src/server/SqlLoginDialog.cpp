#include "server/SqlLoginDialog.h"

#include "app/Db.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

namespace qm {

using ui::Q;
using ui::S;

namespace {

constexpr int kWidth = 340;
constexpr int kHeight = 220;

QLineEdit* MakeRow(QWidget* parent, int top, const QString& caption, bool required, const char* name,
                   const QString& tip) {
    auto* label = new QLabel(caption, parent);
    label->setGeometry(36, top, 60, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (required) {
        auto* mark = new QLabel("*", parent);
        mark->setGeometry(98, top, 10, 24);
        mark->setStyleSheet("color: red;");
    }
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setGeometry(110, top, 190, 24);
    return box;
}

} // namespace

SqlLoginDialog::SqlLoginDialog(ConnectionFactory* connections, MsgDialog* msg, QWidget* parent)
    : ui::FramedDialog(parent), connections_(connections), msg_(msg) {
    setObjectName("frmSQLLogin");
    setWindowTitle("服务器设置");
    setFixedSize(kWidth, kHeight);
    setModal(true);

    BuildTitleBar("服务器设置", kWidth);
    connect(picExit_, &ui::ClickLabel::clicked, this, [this] { reject(); });

    txtServerName_ = MakeRow(this, kTitleHeight + 24, "服务器", true, "txtServerName", "请输入服务器名称");
    txtUser_ = MakeRow(this, kTitleHeight + 60, "操作员", true, "txtUser", "请输入操作员");
    txtPwd_ = MakeRow(this, kTitleHeight + 96, "口令", false, "txtPwd", "请输入口令");
    txtPwd_->setEchoMode(QLineEdit::Password);
    txtPwd_->setStyleSheet("lineedit-password-character: 42;");  // every character shown as "*"

    cmdConfirm_ = new QPushButton("确定", this);
    cmdConfirm_->setObjectName("cmdConfirm");
    cmdConfirm_->setToolTip("确定");
    cmdConfirm_->setGeometry(110, kHeight - 48, 80, 28);
    cmdConfirm_->setDefault(true);  // Enter confirms, Escape cancels (QDialog)
    cmdCancel_ = new QPushButton("取消", this);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setToolTip("取消");
    cmdCancel_->setGeometry(220, kHeight - 48, 80, 28);
    connect(cmdConfirm_, &QPushButton::clicked, this, &SqlLoginDialog::Confirm);
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { reject(); });

    setTabOrder(txtServerName_, txtUser_);
    setTabOrder(txtUser_, txtPwd_);
    setTabOrder(txtPwd_, cmdConfirm_);
    setTabOrder(cmdConfirm_, cmdCancel_);
}

void SqlLoginDialog::ConnSql() { exec(); }

void SqlLoginDialog::FormLoad() {
    if (cLoginUser.empty()) cLoginUser = "SA";
    if (cLoginServer.empty()) cLoginServer = "127.0.0.1";
    InitForm();
    bConnected = false;
    if (cDatabase.empty()) cDatabase = "master";
    oConn = connections_ ? connections_->Create() : nullptr;
}

void SqlLoginDialog::InitForm() {
    txtServerName_->setText(Q(cLoginServer));
    txtUser_->setText(Q(cLoginUser));
    txtPwd_->setText(Q(cLoginPwd));
    txtServerName_->setEnabled(true);
}

bool SqlLoginDialog::ConnectDB(std::string& error) {
    oConn = connections_ ? connections_->Create() : nullptr;
    if (!oConn) {
        error = "无法创建数据库连接";
        return false;
    }
    const std::string text = BuildConnectionString(S(txtServerName_->text()), cDatabase, S(txtUser_->text()),
                                                   S(txtPwd_->text()));
    std::string openError;
    oConn->Open(text, openError);
    if (oConn->State() == 1) {
        error.clear();
        return true;
    }
    error = openError.empty() ? std::string("无法连接到数据库服务器") : openError;
    return false;
}

void SqlLoginDialog::Confirm() {
    std::string error;
    if (ConnectDB(error)) {
        cLoginServer = S(txtServerName_->text());
        cLoginUser = S(txtUser_->text());
        cLoginPwd = S(txtPwd_->text());
        bConnected = true;
        accept();
        return;
    }
    if (msg_) msg_->ShowMsg(4, kLoginFailedMessage);
    txtPwd_->selectAll();
    txtPwd_->setFocus();
}

void SqlLoginDialog::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) FormLoad();
    QDialog::showEvent(e);
}





} // namespace qm
