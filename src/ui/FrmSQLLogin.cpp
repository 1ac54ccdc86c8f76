#include "ui/FrmSQLLogin.h"

#include "app/Db.h"
#include "platform/Threads.h"

#include <algorithm>
#include <atomic>

namespace qm::ui {

std::function<void(FrmSQLLogin&)> FrmSQLLogin::shownHook;

namespace {

constexpr int kWidth = 340;
constexpr int kHeight = 240;

} // namespace

// One press of OK: the values it was made with, and its connection, opened on its own thread.
struct FrmSQLLogin::Attempt {
    int serial = 0;
    std::string server, user, pwd, text;
    std::shared_ptr<Connection> connection;
    bool ok = false;
    std::string error;
    std::atomic<bool> abandoned{false};
    HWND target = nullptr;
    Thread thread; // last: destroyed (waited for) before the values it uses
};

FrmSQLLogin::FrmSQLLogin(ConnectionFactory& connections, MsgDialog& msg) : connections_(connections), msg_(msg) {}

FrmSQLLogin::~FrmSQLLogin() {
    for (auto& a : attempts_) a->abandoned = true;
    DestroyFramed();
    attempts_.clear();
}

bool FrmSQLLogin::ConnectDB(Connection& connection, const std::string& text, std::string& error) {
    std::string openError;
    connection.Open(text, openError);
    if (connection.State() == 1) {
        error.clear();
        return true;
    }
    error = openError.empty() ? std::string("无法连接到数据库服务器") : openError;
    return false;
}

void FrmSQLLogin::Build() {
    const int w = ScaledPixels(kWidth), h = ScaledPixels(kHeight), band = TitleBandHeight();
    if (!CreateFramed("服务器设置", w, h, GetActiveWindow())) return;
    AddTitleBand("服务器设置", w);
    const auto px = ScaledPixels;
    const struct {
        Ctl label, box;
        const char *caption, *tip;
        bool required;
    } rows[] = {{Ctl::labServer, Ctl::txtServerName, "服务器", "请输入服务器名称", true},
                {Ctl::labUser, Ctl::txtUser, "操作员", "请输入操作员", true},
                {Ctl::labPwd, Ctl::txtPwd, "口令", "请输入口令", false}};
    int top = band + px(24);
    for (const auto& r : rows) {
        AddLabel(r.label, r.caption, px(36), top, px(60), px(24), SS_RIGHT | SS_CENTERIMAGE);
        if (r.required) {
            HWND mark = AddLabel(Ctl::kFirst, "*", px(98), top, px(10), px(24), SS_LEFT | SS_CENTERIMAGE);
            SetColors(mark, RGB(255, 0, 0), kBackColor);
        }
        const DWORD style = WS_TABSTOP | ES_AUTOHSCROLL | (r.box == Ctl::txtPwd ? ES_PASSWORD : 0);
        HWND box = AddControl(WC_EDITW, r.box, "", style, px(110), top, px(190), px(24), GuiFont(), WS_EX_CLIENTEDGE);
        SetTooltip(box, r.tip);
        top += px(36);
    }
    // Every character of the password shows as "*" (common controls 6 would use a dot).
    SendMessageW(Control(Ctl::txtPwd), EM_SETPASSWORDCHAR, WPARAM(L'*'), 0);
    AddLabel(Ctl::labStatus, "", px(36), band + px(130), px(264), px(20));
    SetTooltip(AddButton(Ctl::cmdConfirm, "确定", px(110), h - px(48), px(80), px(28)), "确定");
    SetTooltip(AddButton(Ctl::cmdCancel, "取消", px(220), h - px(48), px(80), px(28)), "取消");
}

void FrmSQLLogin::FormLoad() {
    if (cLoginUser.empty()) cLoginUser = "SA";
    if (cLoginServer.empty()) cLoginServer = "127.0.0.1";
    InitForm();
    bConnected = false;
    if (cDatabase.empty()) cDatabase = "master";
    oConn = connections_.Create();
}

void FrmSQLLogin::InitForm() {
    SetWindowTextOf(Control(Ctl::txtServerName), cLoginServer);
    SetWindowTextOf(Control(Ctl::txtUser), cLoginUser);
    SetWindowTextOf(Control(Ctl::txtPwd), cLoginPwd);
    EnableWindow(Control(Ctl::txtServerName), TRUE);
}

void FrmSQLLogin::ConnSql() {
    if (!Hwnd()) Build();
    if (!Hwnd()) return;
    FormLoad();
    RunModal();
    if (current_) current_->abandoned = true;
    current_ = nullptr;
    DestroyFramed();
}

void FrmSQLLogin::OnShown() {
    SetFocus(Control(Ctl::txtServerName));
    if (shownHook) shownHook(*this);
}

void FrmSQLLogin::SetConnecting(bool connecting) {
    SetWindowTextOf(Control(Ctl::labStatus), connecting ? kConnectingText : "");
    EnableWindow(Control(Ctl::cmdConfirm), !connecting);
    for (Ctl box : {Ctl::txtServerName, Ctl::txtUser, Ctl::txtPwd})
        SendMessageW(Control(box), EM_SETREADONLY, connecting, 0);
}

void FrmSQLLogin::Confirm() {
    if (current_) return;
    auto a = std::make_unique<Attempt>();
    a->serial = ++serial_;
    a->server = WindowTextOf(Control(Ctl::txtServerName));
    a->user = WindowTextOf(Control(Ctl::txtUser));
    a->pwd = WindowTextOf(Control(Ctl::txtPwd));
    a->text = BuildConnectionString(a->server, cDatabase, a->user, a->pwd);
    a->connection = connections_.Create();
    a->target = Hwnd();
    Attempt* attempt = a.get();
    attempts_.push_back(std::move(a));
    current_ = attempt;
    SetConnecting(true);
    const bool started = attempt->connection && attempt->thread.Start([attempt] {
        attempt->ok = ConnectDB(*attempt->connection, attempt->text, attempt->error);
        if (!attempt->abandoned) PostMessageW(attempt->target, kMsgLoginDone, WPARAM(attempt->serial), 0);
    });
    if (!started) {
        // No thread to be had: the test runs here, as a plain dialog would run it.
        if (attempt->connection) attempt->ok = ConnectDB(*attempt->connection, attempt->text, attempt->error);
        AttemptDone(attempt->serial);
    }
}

void FrmSQLLogin::AttemptDone(int serial) {
    auto it = std::find_if(attempts_.begin(), attempts_.end(), [serial](auto& a) { return a->serial == serial; });
    if (it == attempts_.end()) return;
    std::unique_ptr<Attempt> done = std::move(*it);
    attempts_.erase(it);
    done->thread.Join();
    if (done.get() != current_) return; // abandoned: thrown away
    current_ = nullptr;
    SetConnecting(false);
    if (done->ok) {
        cLoginServer = done->server;
        cLoginUser = done->user;
        cLoginPwd = done->pwd;
        oConn = done->connection;
        bConnected = true;
        EndModal();
        return;
    }
    oConn = done->connection;
    msg_.ShowMsg(kMsgError, kLoginFailedMessage);
    HWND pwd = Control(Ctl::txtPwd);
    SendMessageW(pwd, EM_SETSEL, 0, -1);
    SetFocus(pwd);
}

void FrmSQLLogin::Cancel() {
    if (current_) current_->abandoned = true;
    current_ = nullptr;
    EndModal();
}

LRESULT FrmSQLLogin::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgLoginDone) {
        AttemptDone(int(wp));
        return 0;
    }
    return FramedWindow::OnMessage(msg, wp, lp);
}

void FrmSQLLogin::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == Id(Ctl::cmdConfirm) || id == IDOK) Confirm();
    if (id == Id(Ctl::cmdCancel) || id == Id(Ctl::picExit) || id == IDCANCEL) Cancel();
}

} // namespace qm::ui
