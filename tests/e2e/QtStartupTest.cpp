// The Qt side of start-up: the login dialog it shows and reads back, the end-path message box, and a
// main window made once and shown modeless.
#include "ui/QtStartup.h"

#include "server/SqlLoginDialog.h"
#include "support/FakeConnection.h"
#include "../ui/UiTestSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace qm;
using qmtest::App;

namespace {

// Runs `act` on the first visible top-level widget of type T once one is up (polled, not slept).
template <class T>
void WhenShown(std::function<void(T&)> act) {
    auto* timer = new QTimer(&App());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(*t);
                return;
            }
    });
    timer->start();
}

struct QtStartupTest : ::testing::Test {
    qmtest::FakeConnectionFactory factory;
    Platform platform;
    std::unique_ptr<AppState> app;

    void SetUp() override {
        App();
        platform.connections = &factory;
        app = std::make_unique<AppState>(platform);
    }
};

} // namespace

TEST_F(QtStartupTest, LoginDialogStartsFromTheGivenValuesAndHandsBackWhatItAccepted) {
    QtStartupWindows windows(*app, nullptr);
    LoginSettings values{"", "", "secret"};  // empty server and login: the dialog's defaults
    bool modal = false;
    WhenShown<SqlLoginDialog>([&](SqlLoginDialog& d) {
        modal = QApplication::activeModalWidget() == &d;
        d.findChild<QPushButton*>("cmdConfirm")->click();
    });
    EXPECT_TRUE(windows.ConnSql(values));
    EXPECT_TRUE(modal);
    EXPECT_EQ(values.cLoginServer, "127.0.0.1");
    EXPECT_EQ(values.cLoginUser, "SA");
    EXPECT_EQ(values.cLoginPwd, "secret");
    ASSERT_NE(windows.LoginDialog(), nullptr);
    EXPECT_TRUE(windows.LoginDialog()->bConnected);
}

TEST_F(QtStartupTest, CancelledLoginDialogLeavesTheValuesAlone) {
    QtStartupWindows windows(*app, nullptr);
    LoginSettings values{"SRV", "sa", "pw"};
    WhenShown<SqlLoginDialog>([](SqlLoginDialog& d) { d.findChild<QPushButton*>("cmdCancel")->click(); });
    EXPECT_FALSE(windows.ConnSql(values));
    EXPECT_EQ(values.cLoginServer, "SRV");
    EXPECT_TRUE(factory.created.empty() || factory.created.back()->connectionString.empty());
    ASSERT_NE(windows.LoginDialog(), nullptr);
    EXPECT_FALSE(windows.LoginDialog()->bConnected);
}

TEST_F(QtStartupTest, EndMessageIsAWarningBoxCaptionedWithTheToolTitle) {
    QtStartupWindows windows(*app, nullptr);
    std::vector<std::string> seen;
    windows.endMessageShown = [&](const std::string& t) { seen.push_back(t); };
    bool shown = false;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        shown = true;
        EXPECT_EQ(box.windowTitle(), QString("Quillmere"));
        EXPECT_EQ(box.text(), QString::fromUtf8(kAlreadyRunningText));
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        box.button(QMessageBox::Ok)->click();
    });
    windows.ShowEndMessage(kAlreadyRunningText);
    EXPECT_TRUE(shown);
    EXPECT_EQ(seen, std::vector<std::string>{kAlreadyRunningText});
}

TEST_F(QtStartupTest, MainWindowIsMadeOnceHookedBeforeShowingAndShownModeless) {
    int made = 0, hooked = 0;
    bool visibleWhenHooked = true;
    QtStartupWindows windows(*app, [&](AppState&) { ++made; return std::make_unique<QWidget>(); });
    windows.beforeMainShown = [&](QWidget& w) { ++hooked; visibleWhenHooked = w.isVisible(); };
    windows.ShowMainWindow();
    windows.ShowMainWindow();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(hooked, 1);
    EXPECT_FALSE(visibleWhenHooked);
    ASSERT_NE(windows.MainWindow(), nullptr);
    EXPECT_TRUE(windows.MainWindow()->isVisible());
    EXPECT_FALSE(windows.MainWindow()->isModal());
}
