#pragma once
// frmSQLLogin: the tool's own SQL Server sign-in, used when the accounting product's login gives no
// server. It accepts the values only after a test connection with them has opened. The test runs off
// the window's thread: the dialog keeps repainting, says that it is connecting, and 取消 abandons the
// attempt (which finishes on its own thread and is thrown away).
#include "app/Interfaces.h"
#include "platform/Connection.h"
#include "ui/WinFrame.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm::ui {

inline constexpr const char* kLoginFailedMessage = "输入数据库用户名或密码有误, 请重新输入!";
inline constexpr const char* kConnectingText = "正在连接服务器，请稍候……";

class FrmSQLLogin final : public FramedWindow {
public:
    FrmSQLLogin(ConnectionFactory& connections, MsgDialog& msg);
    // Waits for attempts still under way; the driver's login timeout bounds them.
    ~FrmSQLLogin() override;

    // Input before showing, result after a successful test.
    std::string cLoginServer;
    std::string cLoginUser;
    std::string cLoginPwd;
    std::string cDatabase;
    bool bConnected = false;
    std::shared_ptr<Connection> oConn;

    // Shows the dialog modally; returns when it has closed. Read bConnected and the three values then.
    void ConnSql();
    // Copies the three values into the boxes and enables the server box.
    void InitForm();
    // A test connection is under way.
    bool Connecting() const { return current_ != nullptr; }

    // Seam so that no test or harness waits for a person: called with the dialog once it is up.
    static std::function<void(FrmSQLLogin&)> shownHook;

    // Opens `connection` with `text`: the test connection, run on the attempt's own thread.
    static bool ConnectDB(Connection& connection, const std::string& text, std::string& error);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCommand(int id, int code) override;
    void OnCloseRequest() override { Cancel(); }
    void OnShown() override;

private:
    struct Attempt;

    void Build();
    void FormLoad();
    void Confirm();
    void Cancel();
    void AttemptDone(int serial);
    void SetConnecting(bool connecting);

    ConnectionFactory& connections_;
    MsgDialog& msg_;
    std::vector<std::unique_ptr<Attempt>> attempts_;
    Attempt* current_ = nullptr;
    int serial_ = 0;
};

} // namespace qm::ui
