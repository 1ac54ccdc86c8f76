#include "startup/Startup.h"

#include "app/Db.h"
#include "platform/SystemServices.h"
#include "server/ProductDetection.h"
#include "server/ServerVersion.h"

#include <exception>

namespace qm {

namespace {

// The description of whatever a step threw; the steps report failures as values, so this only
// catches what slipped through (a throwing login component, an allocation failure).
std::string CurrentErrorText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "发生未知错误";
    }
}

// Ends start-up: the shared message, if any, in the standard message box.
bool EndPath(AppState& app, StartupWindows& windows) {
    if (!app.cMsg.empty()) windows.ShowEndMessage(app.cMsg);
    return false;
}

} // namespace

bool InitApp(AppState& app, std::string& msg) {
    try {
        app.bAdmin = true;
        return true;
    } catch (...) {
        std::string text = CurrentErrorText();
        if (!text.empty()) msg = text;
        return false;
    }
}

bool LoginByProduct(AppState& app, std::string& msg, std::string& pSubId, std::string& pAccId, std::string& pYearId,
                    std::string& pUserId, std::string& pPassword, std::string& pDate, std::string& cSrv) {
    try {
        LoginWrapper& login = app.UFLogin();
        login.SetAdmin(app.bAdmin);
        login.Regedit(pSubId, pAccId, pYearId, pUserId, pPassword, pDate, cSrv);
        if (!login.Success()) return false;
        app.cDBServer = login.Server();
        app.cDBUser = login.DBUser();
        app.cDBPwd = login.DBPwd();
        if (!app.cDBServer.empty()) return true;
        if (app.frmMsg) app.frmMsg->ShowMsg(kMsgError, kProductNoServerText);
        return false;
    } catch (...) {
        std::string text = CurrentErrorText();
        if (!text.empty()) msg = text;
        return false;
    }
}

bool LoginBySql(AppState& app, std::string& msg, StartupWindows& windows) {
    msg.clear();
    try {
        LoginSettings values; // a fresh dialog each time: nothing of an earlier one carries over
        LoadLoginSettings(app, values);
        if (!windows.ConnSql(values)) return false;
        app.cDBServer = values.cLoginServer;
        app.cDBUser = values.cLoginUser;
        app.cDBPwd = values.cLoginPwd;
        return true;
    } catch (...) {
        std::string text = CurrentErrorText();
        if (!text.empty()) msg = text;
        return false;
    }
}

void OpenSharedConnections(AppState& app) {
    app.oTempdb = OpenSqlConnection(app, "Tempdb");
    app.oMaster = OpenSqlConnection(app, "master");
    app.oConfig = OpenConfigDb(app);
    app.cSQLVersion = GetServerVersion(app, app.cMsg, app.oMaster, app.versionClass);
    app.cProduct = GetProductKind(app);
    app.cSystemDB = GetSystemDbName(app.cProduct);
    app.oSystemDB = OpenSqlConnection(app, app.cSystemDB);
}

bool Main(AppState& app, StartupWindows& windows) {
    app.cMsg.clear();
    try {
        // Keyed by the tool's folder: a second copy of the same installation is refused, while copies
        // in other folders (the end-to-end runs) may run side by side.
        if (!app.platform.instance->TryAcquire(app.platform.toolFolder)) {
            app.cMsg = kAlreadyRunningText;
            return EndPath(app, windows);
        }
        if (!InitApp(app, app.cMsg)) return EndPath(app, windows);

        std::string pSubId, pAccId, pYearId, pUserId, pPassword, pDate, cSrv;
        if (!LoginByProduct(app, app.cMsg, pSubId, pAccId, pYearId, pUserId, pPassword, pDate, cSrv)) {
            if (!LoginBySql(app, app.cMsg, windows)) return EndPath(app, windows);
        }

        OpenSharedConnections(app);
        windows.ShowMainWindow();
        return true;
    } catch (...) {
        // Nothing above should throw; if something does, the operator still gets a reason.
        std::string text = CurrentErrorText();
        if (!text.empty()) app.cMsg = text;
        return EndPath(app, windows);
    }
}

} // namespace qm
