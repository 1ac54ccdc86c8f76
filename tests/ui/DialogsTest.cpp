// The message dialog, the about box and the SQL login dialog, answered through their seams.
#include "UiTestSupport.h"

#include "app/Db.h"
#include "server/SqlLoginDialog.h"
#include "ui/FrmAbout.h"
#include "ui/FrmMsg.h"
#include "../support/FakeConnection.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace qm;
using namespace qm::ui;
using qmtest::Child;

namespace {

// The pictures and buttons the message window shows, in a fixed order.
QString Visible(FrmMsg& d) {
    QStringList on;
    for (const char* name : {"picWarm", "picQuery", "picError", "cmdConfirm", "cmdYes", "cmdNo"})
        if (Child<QWidget>(&d, name)->isVisible()) on << name;
    return on.join(' ');
}

struct MsgDialogTest : ::testing::Test {
    ~MsgDialogTest() override { FrmMsg::shownHook = nullptr; }

    // Shows the message modally, records what the window showed, then presses `control`.
    int Ask(int kind, const std::string& text, const std::string& control) {
        FrmMsg::shownHook = [this, control](FrmMsg& d) {
            seen = Visible(d);
            text_ = Child<QPlainTextEdit>(&d, "txtMessage")->toPlainText();
            modal = QApplication::activeModalWidget() == &d;
            EXPECT_TRUE(d.Press(control)) << control;
        };
        return dlg.ShowMsg(kind, text);
    }

    qmtest::AppHolder holder;
    FrmMsg dlg;
    QString seen, text_;
    bool modal = false;
};

} // namespace

TEST_F(MsgDialogTest, KindsShowTheirPictureAndButtonsAndGiveTheirResults) {
    struct Case {
        int kind;
        const char* press;
        int result;
        const char* visible;
    };
    for (const Case& c : std::vector<Case>{{4, "cmdConfirm", -1, "picError cmdConfirm"},
                                           {2, "cmdYes", 1, "picQuery cmdYes cmdNo"},
                                           {2, "cmdNo", 0, "picQuery cmdYes cmdNo"},
                                           {2, "picExit", 0, "picQuery cmdYes cmdNo"},
                                           {3, "cmdYes", 1, "picWarm cmdYes cmdNo"},
                                           {1, "cmdConfirm", -1, "picWarm cmdConfirm"},
                                           {7, "picExit", 0, ""}}) {  // unknown kind: only the close picture
        EXPECT_EQ(Ask(c.kind, "连接失败", c.press), c.result) << c.kind << c.press;
        EXPECT_EQ(seen, c.visible) << c.kind;
        EXPECT_TRUE(modal);
        EXPECT_EQ(text_, "连接失败");
        EXPECT_FALSE(dlg.isVisible());
    }
}

TEST_F(MsgDialogTest, KeepsKindTextAndFontBetweenCalls) {
    EXPECT_EQ(Ask(1, "", "cmdConfirm"), -1);
    EXPECT_EQ(text_, "消息为空");
    const int16_t size = dlg.State().iMsgFontSize;
    EXPECT_GT(size, 0);
    EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "txtMessage")->font().pointSize(), size);

    Ask(4, "连接失败", "cmdConfirm");
    EXPECT_EQ(Ask(0, "第二次", "cmdConfirm"), -1);  // kind 0: the error kind again
    EXPECT_EQ(seen, "picError cmdConfirm");
    EXPECT_EQ(text_, "第二次");
    EXPECT_EQ(Ask(0, "", "cmdConfirm"), -1);  // both omitted: the last text again
    EXPECT_EQ(text_, "第二次");
    EXPECT_EQ(dlg.State().iMsgFontSize, size);
    EXPECT_EQ(dlg.windowTitle(), "提示");
    EXPECT_EQ(Child<QLabel>(&dlg, "labHint")->text(), "提示");
}

TEST_F(MsgDialogTest, NestedCallWhileOpenAnswersZeroAndUpdatesTheWindow) {
    int nested = 99;
    FrmMsg::shownHook = [&](FrmMsg& d) {
        nested = d.ShowMsg(1, "第二条消息");
        seen = Visible(d);
        text_ = Child<QPlainTextEdit>(&d, "txtMessage")->toPlainText();
        d.Press("cmdConfirm");
    };
    EXPECT_EQ(dlg.ShowMsg(2, "第一条消息"), -1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(text_, "第二条消息");
    EXPECT_EQ(seen, "picWarm cmdConfirm");
    EXPECT_FALSE(dlg.Press("cmdConfirm"));  // closed: nothing to press
}

TEST(AboutBox, DefaultsAndOpeningTexts) {
    qmtest::App();
    qmtest::RecordingShell shell;
    FrmAbout box(&shell);
    box.Open();
    EXPECT_EQ(Child<QLabel>(&box, "LabToolText")->text(), "未命名V1.0");
    EXPECT_EQ(Child<QLabel>(&box, "labHint")->text(), "关于");
    EXPECT_EQ(Child<QLabel>(&box, "Label1")->text(), "版权信息");
    EXPECT_FALSE(Child<QPlainTextEdit>(&box, "txtMessage")->toPlainText().isEmpty());
    EXPECT_FALSE(Child<QLabel>(&box, "labCopyRight")->text().isEmpty());
    // Without a maker line the address shown (and opened) is the default page.
    emit Child<ClickLabel>(&box, "labMaker")->clicked();
    EXPECT_EQ(shell.opened, std::vector<std::string>{kDefaultWebPage});
}

namespace {

struct RecordingMsg : MsgDialog {
    int ShowMsg(int kind, const std::string& text) override {
        shown.emplace_back(kind, text);
        return -1;
    }
    std::vector<std::pair<int, std::string>> shown;
};

struct LoginDialogTest : ::testing::Test {
    LoginDialogTest() {
        // Connections made while `refuse` is set do not open.
        factory.prepare = [this](qmtest::FakeConnection& c) {
            ++created;
            if (refuse) c.openError = "[SQL Server]用户 'sa' 登录失败。";
        };
    }
    QLineEdit* Box(const char* name) { return Child<QLineEdit>(&dlg, name); }
    void Type(const char* name, const QString& text) {
        Box(name)->clear();
        QTest::keyClicks(Box(name), text);
    }
    void Confirm(QDialog& d) { QTest::mouseClick(Child<QPushButton>(&d, "cmdConfirm"), Qt::LeftButton); }

    qmtest::AppHolder holder;
    qmtest::FakeConnectionFactory factory;
    RecordingMsg msg;
    bool refuse = false;
    int created = 0;
    SqlLoginDialog dlg{&factory, &msg};
};

} // namespace

TEST_F(LoginDialogTest, DefaultsAndControls) {
    dlg.show();
    EXPECT_EQ(Box("txtServerName")->text(), "127.0.0.1");
    EXPECT_EQ(Box("txtUser")->text(), "SA");
    EXPECT_EQ(Box("txtPwd")->text(), "");
    EXPECT_EQ(Box("txtPwd")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg.cDatabase, "master");
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_EQ(Child<QLabel>(&dlg, "labHint")->text(), "服务器设置");
    const std::vector<std::pair<const char*, const char*>> tips{
        {"txtServerName", "请输入服务器名称"}, {"txtUser", "请输入操作员"}, {"txtPwd", "请输入口令"},
        {"cmdConfirm", "确定"}, {"cmdCancel", "取消"}, {"picExit", "关闭"}};
    for (const auto& [name, tip] : tips) EXPECT_EQ(Child<QWidget>(&dlg, name)->toolTip(), QString::fromUtf8(tip)) << name;
}

TEST_F(LoginDialogTest, WrongCredentialsKeepTheDialogThenRetryHandsBackTheTypedValuesExactly) {
    dlg.cLoginServer = "db1\\SQL2005";
    dlg.cLoginUser = "operator";
    dlg.cLoginPwd = "secret";
    refuse = true;
    dlg.show();
    EXPECT_EQ(Box("txtServerName")->text(), "db1\\SQL2005");
    EXPECT_EQ(Box("txtUser")->text(), "operator");
    EXPECT_EQ(Box("txtPwd")->text(), "secret");
    Type("txtUser", "sa");
    Type("txtPwd", "wrong");
    Confirm(dlg);
    ASSERT_EQ(msg.shown.size(), 1u);
    EXPECT_EQ(msg.shown[0], std::make_pair(4, std::string("输入数据库用户名或密码有误, 请重新输入!")));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_EQ(Box("txtPwd")->selectedText(), "wrong");
    EXPECT_EQ(dlg.focusWidget(), Box("txtPwd"));
    EXPECT_EQ(dlg.cLoginUser, "operator");  // nothing handed back on failure

    refuse = false;
    Type("txtServerName", " srv ");
    Type("txtPwd", " pw;x ");
    Confirm(dlg);
    EXPECT_EQ(msg.shown.size(), 1u);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.bConnected);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(factory.created.back()->connectionString, BuildConnectionString(" srv ", "master", "sa", " pw;x "));
    EXPECT_EQ(dlg.cLoginServer, " srv ");  // blanks are not trimmed
    EXPECT_EQ(dlg.cLoginUser, "sa");
    EXPECT_EQ(dlg.cLoginPwd, " pw;x ");
}

TEST_F(LoginDialogTest, FailuresCancelAndCloseLeaveItUnconnected) {
    refuse = true;
    dlg.show();
    std::string error;
    EXPECT_FALSE(dlg.ConnectDB(error));
    EXPECT_EQ(error, "[SQL Server]用户 'sa' 登录失败。");
    refuse = false;
    EXPECT_TRUE(dlg.ConnectDB(error));
    EXPECT_EQ(error, "");
    SqlLoginDialog noFactory(nullptr, nullptr);
    noFactory.show();
    EXPECT_FALSE(noFactory.ConnectDB(error));
    EXPECT_FALSE(error.empty());
    Confirm(noFactory);  // without a message dialog a failed OK still keeps the window open
    EXPECT_TRUE(noFactory.isVisible());

    QTest::mouseClick(Child<QPushButton>(&dlg, "cmdCancel"), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    const int before = created;
    dlg.show();
    emit Child<ClickLabel>(&dlg, "picExit")->clicked();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_EQ(created, before + 1);  // one fresh connection per load
    EXPECT_EQ(dlg.oConn->State(), 0);
}
