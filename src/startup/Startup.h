#pragma once
// The start-up sequence: refuse a second copy, sign in (product login first, then the SQL login
// dialog), open the shared connections, detect version and product, show the main window. What it
// shows goes through StartupWindows so that the sequence runs without widgets in tests.
#include "app/AppState.h"
#include "app/LocalConfig.h"

#include <string>

namespace qm {

inline constexpr const char* kAlreadyRunningText = "您的计算机上已经运行了此程序";
inline constexpr const char* kProductNoServerText = "您当前登录账套年度可能是以前版本等原因不能正常登录，请重新选择！";
inline constexpr const char* kToolTitle = "Quillmere";

class StartupWindows {
public:
    virtual ~StartupWindows() = default;
    // Shows a fresh SQL login dialog modally, pre-filled with `values`. Returns its bConnected; on true
    // `values` hold exactly what the dialog accepted.
    virtual bool ConnSql(LoginSettings& values) = 0;
    // The end path's standard message box: exclamation icon, one OK button, caption "Quillmere".
    virtual void ShowEndMessage(const std::string& text) = 0;
    // Creates the main window on first use and shows it modeless.
    virtual void ShowMainWindow() = 0;
};

// Runs the whole sequence once. True when the main window was shown; false when the process is to end
// (the end path has already shown app.cMsg when it was not empty).
bool Main(AppState& app, StartupWindows& windows);

// Sets bAdmin. False (with the description in msg) only if preparing failed.
bool InitApp(AppState& app, std::string& msg);

// Signs in through the shared login wrapper. True when the wrapper succeeded with a server name; then
// cDBServer, cDBUser and cDBPwd hold what it gave. The seven texts go to the wrapper's Regedit as they are.
bool LoginByProduct(AppState& app, std::string& msg, std::string& pSubId, std::string& pAccId, std::string& pYearId,
                    std::string& pUserId, std::string& pPassword, std::string& pDate, std::string& cSrv);

// Signs in through the SQL login dialog, pre-filled from Config.ini. Clears msg first. True when the
// dialog's test connection succeeded; then cDBServer, cDBUser and cDBPwd hold the dialog's values.
bool LoginBySql(AppState& app, std::string& msg, StartupWindows& windows);

// Opens Tempdb, master, Config.mdb and the system database and detects version and product, in that
// order, without looking at any result in between: a failure leaves its connection unopened and its
// description in cMsg, and start-up goes on.
void OpenSharedConnections(AppState& app);

} // namespace qm
