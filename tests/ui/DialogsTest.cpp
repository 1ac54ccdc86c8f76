// The message dialog, the SQL login dialog and what start-up shows, answered through their seams and
// driven by control id.
#include "WinTestSupport.h"

#include "app/Db.h"
#include "support/FakeConnection.h"
#include "support/Seams.h"
#include "support/TestPlatform.h"
#include "ui/FrmMsg.h"
#include "ui/FrmSQLLogin.h"
#include "ui/WinStartupWindows.h"

using namespace qm;
using namespace qm::ui;
using namespace qmtest;

namespace {

// The pictures and buttons the message window shows, in a fixed order.
std::string Shown(HWND d) {
    std::string on;
    for (const char* name : {"picWarm", "picQuery", "picError", "cmdConfirm", "cmdYes", "cmdNo"})
        if (Visible(FindControl(d, name))) on += on.empty() ? name : std::string(" ") + name;
    return on;
}

struct MsgDialogTest : ::testing::Test {
    ~MsgDialogTest() override { FrmMsg::shownHook = nullptr; }

    // Records what the window shows, then presses `control`.
    void Answer(FrmMsg& d, const char* control) {
        seen = Shown(d.Hwnd());
        message = Text(d.Hwnd(), "txtMessage");
        Click(d.Hwnd(), control);
    }
    int Ask(int kind, const std::string& text, const char* control) {
        FrmMsg::shownHook = [this, control](FrmMsg& d) { Answer(d, control); };
        return dlg.ShowMsg(kind, text);
    }

    FrmMsg dlg;
    std::string seen, message;
};

} // namespace

TEST_F(MsgDialogTest, KindsShowTheirPictureAndButtonsGiveTheirResultsAndKindAndTextAreKept) {
    EXPECT_EQ(Ask(kMsgWarning, "", "cmdConfirm"), -1); // no text yet
    EXPECT_EQ(message, "消息为空");
    const struct {
        int kind;
        const char* press;
        int result;
        const char* visible;
    } cases[] = {{kMsgError, "cmdConfirm", -1, "picError cmdConfirm"},
                 {kMsgQuestion, "cmdYes", 1, "picQuery cmdYes cmdNo"},
                 {kMsgQuestion, "cmdNo", 0, "picQuery cmdYes cmdNo"},
                 {kMsgWarningYesNo, "cmdYes", 1, "picWarm cmdYes cmdNo"},
                 {kMsgWarning, "cmdConfirm", -1, "picWarm cmdConfirm"},
                 {7, "picExit", 0, ""}}; // unknown kind: only the close picture
    for (const auto& c : cases) {
        EXPECT_EQ(Ask(c.kind, "连接失败", c.press), c.result) << c.kind << c.press;
        EXPECT_EQ(seen, c.visible) << c.kind;
        EXPECT_EQ(dlg.Hwnd(), nullptr); // the window exists only while it is shown
    }

    // Kind and text are kept between calls, and a nested call answers zero.
    Ask(kMsgError, "连接失败", "cmdConfirm");
    EXPECT_EQ(Ask(0, "", "cmdConfirm"), -1); // both omitted: the error kind and the last text again
    EXPECT_EQ(seen + "|" + message, "picError cmdConfirm|连接失败");

    int nested = 99;
    FrmMsg::shownHook = [&](FrmMsg& d) {
        nested = d.ShowMsg(kMsgWarning, "第二条消息");
        Answer(d, "cmdConfirm");
    };
    EXPECT_EQ(dlg.ShowMsg(kMsgQuestion, "第一条消息"), -1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(seen + "|" + message, "picWarm cmdConfirm|第二条消息");
}

namespace {

// Connections whose Open waits while `hold` is set (20 s at most), refused while `refuse` is set.
struct GatedFactory : ConnectionFactory {
    struct Conn : qmtest::FakeConnection {
        explicit Conn(GatedFactory& f) : f_(f) {}
        bool Open(const std::string& cs, std::string& error) override {
            f_.waiting = true;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (f_.hold && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (f_.refuse) openError = "[SQL Server]用户 'sa' 登录失败。";
            return FakeConnection::Open(cs, error);
        }
        GatedFactory& f_;
    };
    std::shared_ptr<Connection> Create() override { return created.emplace_back(std::make_shared<Conn>(*this)); }
    std::atomic<bool> hold{false}, waiting{false}, refuse{false};
    std::vector<std::shared_ptr<Conn>> created;
};

struct LoginDialogTest : ::testing::Test {
    ~LoginDialogTest() override {
        FrmSQLLogin::shownHook = nullptr;
        factory.hold = false;
    }
    // Runs the dialog; `act` drives it once it is up.
    void Run(std::function<void(HWND)> act) {
        FrmSQLLogin::shownHook = [act](FrmSQLLogin& d) { act(d.Hwnd()); };
        dlg.ConnSql();
    }
    void Type(HWND d, const char* name, const std::string& text) { SetWindowTextOf(FindControl(d, name), text); }

    GatedFactory factory;
    RecordingDialog msg;
    FrmSQLLogin dlg{factory, msg};
};

} // namespace

TEST_F(LoginDialogTest, WrongCredentialsKeepItOpenWithThePasswordSelectedThenTheTypedValuesAreHandedBack) {
    dlg.cLoginServer = "db1\\SQL2005";
    dlg.cLoginUser = "operator";
    dlg.cLoginPwd = "secret";
    factory.refuse = true;
    Run([&](HWND d) {
        EXPECT_EQ(Text(d, "txtServerName") + "|" + Text(d, "txtPwd"), "db1\\SQL2005|secret");
        EXPECT_EQ(SendMessageW(FindControl(d, "txtPwd"), EM_GETPASSWORDCHAR, 0, 0), L'*');
        EXPECT_EQ(ControlTooltip(FindControl(d, "txtPwd")), "请输入口令");
        Type(d, "txtUser", "sa");
        Type(d, "txtPwd", "wrong");
        Click(d, "cmdConfirm");
        ASSERT_TRUE(WaitFor([&] { return !dlg.Connecting(); }));
        EXPECT_EQ(msg.shown, std::vector{RecordingDialog::Line(kMsgError, kLoginFailedMessage)});
        EXPECT_EQ(SendMessageW(FindControl(d, "txtPwd"), EM_GETSEL, 0, 0), MAKELRESULT(0, 5));
        EXPECT_EQ(GetFocus(), FindControl(d, "txtPwd"));
        EXPECT_EQ(dlg.cLoginUser, "operator"); // nothing handed back on failure

        factory.refuse = false;
        Type(d, "txtServerName", " srv ");
        Type(d, "txtPwd", " pw;x ");
        Click(d, "cmdConfirm");
    });
    EXPECT_TRUE(dlg.bConnected);
    EXPECT_EQ(msg.shown.size(), 1u);
    EXPECT_EQ(factory.created.back()->connectionString, BuildConnectionString(" srv ", "master", "sa", " pw;x "));
    EXPECT_EQ(dlg.cLoginServer + "|" + dlg.cLoginUser + "|" + dlg.cLoginPwd, " srv |sa| pw;x "); // blanks kept
    EXPECT_EQ(dlg.oConn->State(), 1);
}

TEST_F(LoginDialogTest, WhileConnectingTheDialogAnswersAndCancelAbandonsTheAttempt) {
    factory.hold = true;
    Run([&](HWND d) {
        Click(d, "cmdConfirm");
        // The window's thread is free: the dialog says that it connects and refuses a second OK.
        EXPECT_EQ(Text(d, "labStatus"), kConnectingText);
        EXPECT_FALSE(IsWindowEnabled(FindControl(d, "cmdConfirm")));
        ASSERT_TRUE(WaitFor([&] { return factory.waiting.load(); }));
        Click(d, "cmdCancel");
    });
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_EQ(dlg.Hwnd(), nullptr);
    // The abandoned attempt ends on its own thread; its success changes nothing.
    factory.hold = false;
    WaitFor([&] { return factory.created.back()->State() == 1; });
    EXPECT_FALSE(dlg.bConnected);
    EXPECT_TRUE(msg.shown.empty());
}

namespace {

// Answers this thread's standard message boxes once they are up, recording the last one's texts.
struct MessageBoxAnswerer {
    MessageBoxAnswerer() : timer(SetTimer(nullptr, 0, 10, &Tick)) {}
    ~MessageBoxAnswerer() { KillTimer(nullptr, timer); }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &Answer, 0); }
    static BOOL CALLBACK Answer(HWND w, LPARAM) {
        if (WindowTextOf(w) != "Quillmere" || !GetDlgItem(w, 0xFFFF)) return TRUE;
        seen =
            WindowTextOf(GetDlgItem(w, 0xFFFF)) + (GetDlgItem(w, IDCANCEL) || GetDlgItem(w, IDYES) ? "|more" : "|OK");
        SendMessageW(w, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static inline std::string seen;
    UINT_PTR timer;
};

} // namespace

TEST(StartupWindows, LoginValuesEndMessageBoxAndAMainWindowMadeOnceHookedBeforeItShows) {
    qmtest::FakeConnectionFactory factory;
    RecordingDialog msg;
    qmtest::TestPlatform platform;
    AppState app(platform);
    MainModel model;
    int made = 0, hooked = 0;
    WinStartupWindows windows(app, factory, msg, [&](AppState& a) {
        ++made;
        return std::make_unique<FrmMain>(a, model, EngineOps{});
    });

    LoginSettings values{"", "", "secret"}; // empty server and login: the dialog's defaults
    FrmSQLLogin::shownHook = [](FrmSQLLogin& d) { Click(d.Hwnd(), "cmdConfirm"); };
    EXPECT_TRUE(windows.ConnSql(values));
    FrmSQLLogin::shownHook = [](FrmSQLLogin& d) { Click(d.Hwnd(), "picExit"); };
    LoginSettings kept{"SRV", "sa", "pw"};
    EXPECT_FALSE(windows.ConnSql(kept));
    FrmSQLLogin::shownHook = nullptr;
    EXPECT_EQ(values.cLoginServer + "|" + values.cLoginUser + "|" + values.cLoginPwd, "127.0.0.1|SA|secret");
    EXPECT_EQ(kept.cLoginServer, "SRV");

    std::vector<std::string> ended;
    windows.endMessageShown = [&](const std::string& t) { ended.push_back(t); };
    {
        MessageBoxAnswerer answer; // a message box titled Quillmere with OK alone
        windows.ShowEndMessage(kAlreadyRunningText);
    }
    EXPECT_EQ(ended, std::vector<std::string>{kAlreadyRunningText});
    EXPECT_EQ(MessageBoxAnswerer::seen, std::string(kAlreadyRunningText) + "|OK");

    windows.beforeMainShown = [&](FrmMain& w) { hooked += IsWindowVisible(w.Hwnd()) ? 100 : 1; };
    windows.ShowMainWindow();
    windows.ShowMainWindow();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(hooked, 1); // once, before the window shows
    EXPECT_TRUE(IsWindowVisible(windows.MainWindow()->Hwnd()));
}
