// The message dialog, the about box and the SQL login dialog, answered through their seams.
#include "UiTestSupport.h"

#include "app/Db.h"
#include "server/SqlLoginDialog.h"
#include "ui/FrmAbout.h"
#include "ui/FrmMsg.h"
#include "../support/FakeConnection.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::ui;
using qmtest::Child;

namespace {

struct Shown {
    bool warm = false, query = false, error = false, confirm = false, yes = false, no = false;
    QString text;
};

Shown Snapshot(FrmMsg& d) {
    Shown s;
    s.warm = Child<QLabel>(&d, "picWarm")->isVisible();
    s.query = Child<QLabel>(&d, "picQuery")->isVisible();
    s.error = Child<QLabel>(&d, "picError")->isVisible();
    s.confirm = Child<QPushButton>(&d, "cmdConfirm")->isVisible();
    s.yes = Child<QPushButton>(&d, "cmdYes")->isVisible();
    s.no = Child<QPushButton>(&d, "cmdNo")->isVisible();
    s.text = Child<QPlainTextEdit>(&d, "txtMessage")->toPlainText();
    return s;
}

struct MsgDialogTest : ::testing::Test {
    MsgDialogTest() { qmtest::App(); }
    ~MsgDialogTest() override { FrmMsg::shownHook = nullptr; }

    qmtest::AppHolder holder;

    // Shows the message modally, records what the window showed, then presses `control`.
    int Ask(int kind, const std::string& text, const std::string& control) {
        FrmMsg::shownHook = [this, control](FrmMsg& d) {
            seen = Snapshot(d);
            modal = QApplication::activeModalWidget() == &d;
            EXPECT_TRUE(d.Press(control)) << control;
        };
        return dlg.ShowMsg(kind, text);
    }

    FrmMsg dlg;
    Shown seen;
    bool modal = false;
};

} // namespace

TEST_F(MsgDialogTest, KindsShowTheirPictureAndButtonsAndGiveTheirResults) {
    EXPECT_EQ(Ask(4, "连接失败", "cmdConfirm"), -1);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(seen.error && seen.confirm);
    EXPECT_FALSE(seen.warm || seen.query || seen.yes || seen.no);
    EXPECT_EQ(seen.text, "连接失败");
    EXPECT_FALSE(dlg.isVisible());

    EXPECT_EQ(Ask(2, "是否继续？", "cmdYes"), 1);
    EXPECT_TRUE(seen.query && seen.yes && seen.no);
    EXPECT_FALSE(seen.confirm || seen.warm || seen.error);
    EXPECT_EQ(Ask(2, "是否继续？", "cmdNo"), 0);
    EXPECT_EQ(Ask(2, "是否继续？", "picExit"), 0);

    EXPECT_EQ(Ask(3, "确认删除？", "cmdYes"), 1);
    EXPECT_TRUE(seen.warm && seen.yes && seen.no && !seen.confirm);
    EXPECT_EQ(Ask(1, "操作完成", "cmdConfirm"), -1);
    EXPECT_TRUE(seen.warm && seen.confirm && !seen.yes);

    // An unknown kind shows neither picture nor button; only the close picture answers.
    EXPECT_EQ(Ask(7, "其他", "picExit"), 0);
    EXPECT_FALSE(seen.warm || seen.query || seen.error || seen.confirm || seen.yes || seen.no);
}

TEST_F(MsgDialogTest, KeepsKindTextFontAndColourBetweenCalls) {
    EXPECT_EQ(Ask(1, "", "cmdConfirm"), -1);
    EXPECT_EQ(seen.text, "消息为空");
    const int16_t size = dlg.State().iMsgFontSize;
    EXPECT_GT(size, 0);
    EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "txtMessage")->font().pointSize(), size);

    Ask(4, "连接失败", "cmdConfirm");
    EXPECT_EQ(Ask(0, "第二次", "cmdConfirm"), -1);  // kind 0: the error kind again
    EXPECT_TRUE(seen.error && seen.confirm);
    EXPECT_EQ(seen.text, "第二次");
    EXPECT_EQ(Ask(0, "", "cmdConfirm"), -1);        // both omitted: the last text again
    EXPECT_EQ(seen.text, "第二次");
    EXPECT_EQ(dlg.State().iMsgFontSize, size);
    EXPECT_EQ(dlg.windowTitle(), "提示");
    EXPECT_EQ(Child<QLabel>(&dlg, "labHint")->text(), "提示");
}

TEST_F(MsgDialogTest, NestedCallWhileOpenAnswersZeroAndUpdatesTheWindow) {
    int nested = 99;
    FrmMsg::shownHook = [&](FrmMsg& d) {
        nested = d.ShowMsg(1, "第二条消息");
        seen = Snapshot(d);
        EXPECT_TRUE(d.isVisible());
        d.Press("cmdConfirm");
    };
    EXPECT_EQ(dlg.ShowMsg(2, "第一条消息"), -1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(seen.text, "第二条消息");
    EXPECT_TRUE(seen.warm && seen.confirm && !seen.query && !seen.yes);
}

TEST_F(MsgDialogTest, PresetAnswerIsUsedOnce) {
    dlg.PresetAnswer("cmdNo");
    EXPECT_EQ(dlg.ShowMsg(2, "问题"), 0);
    dlg.PresetAnswer("cmdYes");
    EXPECT_EQ(dlg.ShowMsg(2, "问题"), 1);
    EXPECT_FALSE(dlg.Press("cmdYes"));  // closed: nothing to press
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
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], kDefaultWebPage);

    box.cAboutName = "Quillmere";
    box.cAboutVersion = "V2.0";
    box.cAboutMaker = "http://www.example.com";
    box.Open();
    EXPECT_EQ(Child<QLabel>(&box, "LabToolText")->text(), "QuillmereV2.0");
    emit Child<ClickLabel>(&box, "imgLogo")->clicked();
    EXPECT_EQ(shell.opened.back(), "http://www.example.com");
}

TEST(AboutBox, OpenUrlFillsAnEmptyAddressAndAlwaysSucceeds) {
    qmtest::RecordingShell shell;
    std::string address;
    EXPECT_TRUE(OpenUrl(address, nullptr, &shell));
    EXPECT_EQ(address, kDefaultWebPage);
    std::string other = "not a web address";
    EXPECT_TRUE(OpenUrl(other, nullptr, &shell));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{kDefaultWebPage, "not a web address"}));
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
        qmtest::App();
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
    EXPECT_EQ(dlg.cDatabase, "master");
    EXPECT_FALSE(dlg.bConnected);
    ASSERT_NE(dlg.oConn, nullptr);
    EXPECT_EQ(dlg.oConn->State(), 0);
    EXPECT_EQ(Box("txtPwd")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Box("txtServerName")->toolTip(), "请输入服务器名称");
    EXPECT_EQ(Box("txtUser")->toolTip(), "请输入操作员");
    EXPECT_EQ(Box("txtPwd")->toolTip(), "请输入口令");
    EXPECT_EQ(Child<QLabel>(&dlg, "labHint")->text(), "服务器设置");
    EXPECT_EQ(Child<QPushButton>(&dlg, "cmdConfirm")->toolTip(), "确定");
    EXPECT_EQ(Child<QPushButton>(&dlg, "cmdCancel")->toolTip(), "取消");
    EXPECT_EQ(Child<QLabel>(&dlg, "picExit")->toolTip(), "关闭");
}

TEST_F(LoginDialogTest, PrefilledValuesAreShownAsGiven) {
    dlg.cLoginServer = "db1\\SQL2005";
    dlg.cLoginUser = "operator";
    dlg.cLoginPwd = "secret";
    dlg.show();
    EXPECT_EQ(Box("txtServerName")->text(), "db1\\SQL2005");
    EXPECT_EQ(Box("txtUser")->text(), "operator");
    EXPECT_EQ(Box("txtPwd")->text(), "secret");
}

TEST_F(LoginDialogTest, WrongCredentialsKeepTheDialogThenRetrySucceedsWithTheTypedValues) {
    refuse = true;
    dlg.show();
    Type("txtServerName", "db1\\SQL2005");
    Type("txtUser", "sa");
    Type("txtPwd", "wrong");
    QTest::mouseClick(Child<QPushButton>(&dlg, "cmdConfirm"), Qt::LeftButton);
    ASSERT_EQ(msg.shown.size(), 1u);
    EXPECT_EQ(msg.shown[0], std::make_pair(4, std::string("输入数据库用户名或密码有误, 请重新输入!")));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_EQ(Box("txtPwd")->selectedText(), "wrong");
    EXPECT_EQ(dlg.focusWidget(), Box("txtPwd"));
    EXPECT_EQ(dlg.cLoginServer, "127.0.0.1");  // nothing handed back on failure

    refuse = false;
    Type("txtPwd", "");
    QTest::mouseClick(Child<QPushButton>(&dlg, "cmdConfirm"), Qt::LeftButton);
    EXPECT_EQ(msg.shown.size(), 1u);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.bConnected);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(factory.created.back()->connectionString,
              "Provider=SQLOLEDB;Server=db1\\SQL2005;Database=master;Uid=sa;Pwd=;");
    EXPECT_EQ(dlg.cLoginServer, "db1\\SQL2005");
    EXPECT_EQ(dlg.cLoginUser, "sa");
    EXPECT_EQ(dlg.cLoginPwd, "");
}

TEST_F(LoginDialogTest, BlanksTypedByTheOperatorReachTheServerAndComeBackUntrimmed) {
    dlg.show();
    Type("txtServerName", " srv ");
    Type("txtPwd", " pw;x ");
    std::string error = "old";
    EXPECT_TRUE(dlg.ConnectDB(error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(factory.created.back()->connectionString, BuildConnectionString(" srv ", "master", "SA", " pw;x "));
    QTest::mouseClick(Child<QPushButton>(&dlg, "cmdConfirm"), Qt::LeftButton);
    EXPECT_EQ(dlg.cLoginServer, " srv ");
    EXPECT_EQ(dlg.cLoginPwd, " pw;x ");
}

TEST_F(LoginDialogTest, ConnectDbReportsTheFailure) {
    refuse = true;
    dlg.show();
    std::string error;
    EXPECT_FALSE(dlg.ConnectDB(error));
    EXPECT_EQ(error, "[SQL Server]用户 'sa' 登录失败。");
    SqlLoginDialog noFactory(nullptr, nullptr);
    noFactory.show();
    EXPECT_FALSE(noFactory.ConnectDB(error));
    EXPECT_FALSE(error.empty());
    // Without a message dialog a failed OK still keeps the window open.
    QTest::mouseClick(Child<QPushButton>(&noFactory, "cmdConfirm"), Qt::LeftButton);
    EXPECT_TRUE(noFactory.isVisible());
}

TEST_F(LoginDialogTest, CancelAndClosePictureLeaveItUnconnected) {
    dlg.show();
    QTest::mouseClick(Child<QPushButton>(&dlg, "cmdCancel"), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.bConnected);
    dlg.show();
    emit Child<ClickLabel>(&dlg, "picExit")->clicked();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_EQ(created, 2);  // one fresh connection per load
    EXPECT_EQ(dlg.oConn->State(), 0);
}

TEST_F(LoginDialogTest, ConnSqlIsModalAndReturnsWhenAccepted) {
    dlg.cLoginServer = "srv";
    bool wasModal = false;
    QTimer::singleShot(0, &dlg, [&] {
        wasModal = QApplication::activeModalWidget() == &dlg;
        Child<QPushButton>(&dlg, "cmdConfirm")->click();
    });
    dlg.ConnSql();
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(dlg.bConnected);
    EXPECT_EQ(dlg.cLoginServer, "srv");
    EXPECT_EQ(dlg.cLoginUser, "SA");
}

TEST_F(MsgDialogTest, RendersIntoAPicture) {
    FrmMsg::shownHook = [](FrmMsg& d) {
        EXPECT_TRUE(d.grab().save("/tmp/quillmere-ui-shots/frmMsg.png"));
        d.Press("cmdConfirm");
    };
    QDir().mkpath("/tmp/quillmere-ui-shots");
    EXPECT_EQ(dlg.ShowMsg(4, "输入数据库用户名或密码有误, 请重新输入!"), -1);
}

TEST_F(LoginDialogTest, RendersIntoAPicture) {
    dlg.show();
    QDir().mkpath("/tmp/quillmere-ui-shots");
    EXPECT_TRUE(dlg.grab().save("/tmp/quillmere-ui-shots/frmSQLLogin.png"));
}
