// Discovery of a server with 5,000 account databases: sign-in, then LoadAcc timed for the U8-family
// query and for the every-database query, through the in-process simulator and, when the TDS front end
// is built, through ODBC over 127.0.0.1. Not a test: prints figures.
#include "app/Db.h"
#include "discovery/LoadAcc.h"
#include "server/ServerVersion.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"
#include "support/TestPlatform.h"
#ifdef QM_BENCH_TDS
#include "platform/OdbcConnection.h"
#include "tds/TdsServer.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qm;

namespace {

constexpr int kDatabases = 5000, kRuns = 5;

std::string BigScenario() {
    std::string dbs, accounts;
    char name[64];
    for (int i = 0; i < kDatabases; ++i) {
        std::snprintf(name, sizeof name, "UFDATA_%03d_%04d", i % 999 + 1, 2000 + i / 999);
        const char* state = i % 3 == 0 ? "ONLINE" : (i % 3 == 1 ? "SUSPECT" : "EMERGENCY");
        dbs += std::string(i ? "," : "") + R"({"name": ")" + name + R"(", "state": ")" + state + R"("})";
    }
    for (int a = 1; a <= 999; ++a) {
        std::snprintf(name, sizeof name, "%03d", a);
        accounts +=
            std::string(a > 1 ? "," : "") + R"({"cAcc_id": ")" + name + R"(", "cAcc_Name": "公司)" + name + R"("})";
    }
    return R"({"version": "9.00.4035.00", "edition": "Standard Edition", "logins": {"sa": ""}, "databases": [)" + dbs +
           R"(], "ua_account": [)" + accounts + "]}";
}

// Signs in to `server`, then times LoadAcc for the U8 family ("T") and for every database ("").
bool SignInAndTime(const char* road, ConnectionFactory& factory, const std::string& server) {
    qmtest::TestPlatform platform;
    platform.connections = factory;
    AppState app(platform);
    app.cDBServer = server;
    app.cDBUser = "sa";
    app.oMaster = OpenSqlConnection(app, "master");
    if (!app.oMaster || app.oMaster->State() != 1) {
        std::fprintf(stderr, "sign-in failed: %s\n", app.cMsg.c_str());
        return false;
    }
    app.cSQLVersion = GetServerVersion(app, app.cMsg, app.oMaster, app.versionClass);
    for (const char* product : {"T", ""}) {
        app.cProduct = product;
        std::vector<double> ms, cpu;
        MainModel m;
        for (int r = 0; r < kRuns; ++r) {
            auto t0 = std::chrono::steady_clock::now();
            std::clock_t c0 = std::clock();
            LoadAcc(app, m);
            cpu.push_back(1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        std::sort(cpu.begin(), cpu.end());
        // Process CPU time as well: on a shared machine the wall clock mostly measures the neighbours.
        std::printf("%-10s product=%-2s rows=%5d  wall min %8.1f / median %8.1f ms  cpu median %8.1f ms  (%s)\n", road,
                    product, int(m.iAccCount), ms.front(), ms[kRuns / 2], cpu[kRuns / 2], m.labReport.caption.c_str());
    }
    return true;
}

} // namespace

int main() {
    const std::string dataDir = "/tmp/QM-BENCH-" + std::to_string(::getpid());
    std::string error;
    auto engine = sqlsim::Engine::FromJson(BigScenario(), dataDir, error);
    if (!engine) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return 1;
    }
    sqlsim::InProcessConnectionFactory inProcess(engine);
    bool ok = SignInAndTime("in-process", inProcess, "127.0.0.1");
#ifdef QM_BENCH_TDS
    sqlsim::tds::TdsServer server(engine, {});
    if (!server.Start(0, error)) {
        std::fprintf(stderr, "TDS server: %s\n", error.c_str());
        ok = false;
    } else {
        OdbcConnectionFactory odbc;
        ok = SignInAndTime("odbc", odbc, "127.0.0.1," + std::to_string(server.Port())) && ok;
        server.Stop();
    }
#endif
    std::error_code ec;
    std::filesystem::remove_all(dataDir, ec);
    return ok ? 0 : 1;
}
