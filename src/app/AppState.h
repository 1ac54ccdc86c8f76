#pragma once
// The process-wide values of one run: who is signed in where, the server version and product, the shared
// connections and the shared message text cMsg. One object, passed to whatever needs it.
#include "app/Interfaces.h"
#include "app/StopToken.h"
#include "app/VersionClass.h"
#include "platform/Connection.h"
#include "platform/Platform.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class ServerFiles;

struct AppState {
    explicit AppState(const Platform& p) : platform(p) {}

    Platform platform;

    std::string cMsg;
    bool bAdmin = false;
    std::string cDBServer;
    std::string cDBUser;
    std::string cDBPwd;

    std::shared_ptr<Connection> oTempdb;
    std::shared_ptr<Connection> oMaster;
    std::shared_ptr<Connection> oConfig;
    std::shared_ptr<Connection> oSystemDB;

    std::string cSQLVersion;                        // display text only
    VersionClass versionClass = VersionClass::None; // what every version decision reads
    std::string cProduct;
    std::string cSystemDB;

    // The shared message dialog (frmMsg); set by the windows layer.
    MsgDialog* frmMsg = nullptr;

    // The one login wrapper, created on first use by makeLoginWrapper (a NoProductLogin when unset).
    std::function<std::unique_ptr<LoginWrapper>()> makeLoginWrapper;
    LoginWrapper& UFLogin();

    // Set when a statement on oMaster found the link to the server broken; from then on nothing more is
    // sent over oMaster until ReopenMasterIfLost has opened it again.
    std::atomic<bool> masterLost{false};

    // 停止: set by the window, read by the repair run, the check and the statement in flight.
    StopToken stop;

    // Receives every statement the engine sends; may be null.
    StatementObserver* observer = nullptr;
    int observerRow = 0; // grid row that the statements sent now belong to

    // While a repair run goes: the files the server records, read once for the whole run.
    std::shared_ptr<ServerFiles> runFiles;
    // While a repair run goes on SQL Server 2000, which cannot filter its error log: the log's entries,
    // read at the first row that asks for its cause.
    struct ErrorLogEntries {
        bool read = false;
        std::vector<std::string> entries;
    };
    std::shared_ptr<ErrorLogEntries> runErrorLog;

private:
    std::unique_ptr<LoginWrapper> oUFLogin_;
};

} // namespace qm
