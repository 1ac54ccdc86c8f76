// A big office's server end to end, over TDS through the ODBC driver as on a real one: N suspect U8
// year databases (ZTnnn/yyyy/UFDATA.MDF) among as many healthy ones, for N = 100, 400 and 1,000 (or
// the sizes given), every listed row ticked: the list, the preview, and the run with its check and its
// record. Prints time and round trips per row at each size; both should stay flat as N grows.
// Not a test: prints figures.
#include "app/Db.h"
#include "discovery/LoadAcc.h"
#include "platform/LocalFileSystem.h"
#include "platform/OdbcConnection.h"
#include "repair/Preview.h"
#include "repair/RunRecord.h"
#include "sqlsim/Engine.h"
#include "startup/Startup.h"
#include "support/TestPlatform.h"
#include "tds/TdsServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// The scenario ../shared/gen-scale.py writes, one healthy database after each suspect one.
std::string Scenario(int suspect) {
    std::string dbs, accounts;
    char buf[512];
    for (int i = 0; i < 2 * suspect; ++i) {
        const int acc = 1 + i / 10, year = 2010 + i % 10;
        std::snprintf(buf, sizeof buf,
                      R"(%s{"name": "UFDATA_%03d_%d", "data_file": "ZT%03d/%d/UFDATA.MDF", "log_file": )"
                      R"("ZT%03d/%d/UFDATA.LDF", "log_name": "Ufmodel_LOG", "data_file_exists": true, )"
                      R"("log_file_exists": true, "state": "%s"})",
                      i ? "," : "", acc, year, acc, year, acc, year, i % 2 ? "ONLINE" : "SUSPECT");
        dbs += buf;
        if (i % 10 == 0) {
            std::snprintf(buf, sizeof buf, R"(%s{"cAcc_id": "%03d", "cAcc_Name": "公司%03d"})", i ? "," : "", acc, acc);
            accounts += buf;
        }
    }
    return R"({"version": "10.0.5500.0", "edition": "Standard Edition", "language": "zh-CN", "logins": {"sa": ""},)"
           R"( "databases": [)" +
           dbs + R"(], "ua_account": [)" + accounts + "]}";
}

struct Figures {
    int rows = 0, repaired = 0;
    double listS = 0, previewS = 0, runS = 0;
    size_t naming = 0, other = 0; // the run's batches naming a listed database, and the rest
    bool recorded = false;
};

// Batches that name one of the listed databases belong to its row; the rest are the run's own (the
// session number, the server's files, progress polls).
void CountBatches(const sqlsim::Engine& engine, size_t from, const qm::MainModel& m, Figures& f) {
    std::unordered_set<std::string> listed;
    for (int r = 1; r <= m.iAccCount; ++r) listed.insert(m.grid.Cell(r, qm::kColDb));
    const auto transcript = engine.Transcript();
    for (size_t i = from; i < transcript.size(); ++i) {
        const std::string& sql = transcript[i].sql;
        bool naming = false;
        // The scenario's names are all UFDATA_nnn_yyyy.
        for (size_t at = sql.find("UFDATA_"); at != std::string::npos && !naming; at = sql.find("UFDATA_", at + 1))
            naming = listed.count(sql.substr(at, 15)) > 0;
        ++(naming ? f.naming : f.other);
    }
}

bool RunSize(int suspect, Figures& f) {
    std::filesystem::current_path("/tmp"); // the whole data path upper case, as the driver hands it back
    const std::string root = "QM-SCALE-" + std::to_string(::getpid()) + "-" + std::to_string(suspect);
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root + "/TOOL");
    std::string error;
    auto engine = sqlsim::Engine::FromJson(Scenario(suspect), root + "/DATA", error);
    if (!engine) return std::fprintf(stderr, "scenario: %s\n", error.c_str()), false;
    sqlsim::tds::TdsServer server(engine, {});
    if (!server.Start(0, error)) return std::fprintf(stderr, "TDS server: %s\n", error.c_str()), false;

    qm::LocalFileSystem files;
    qm::OdbcConnectionFactory odbc;
    qmtest::TestPlatform platform;
    platform.files = files;
    platform.connections = odbc;
    platform.toolFolder = root + "/TOOL";
    qm::AppState app(platform);
    app.cDBServer = "127.0.0.1," + std::to_string(server.Port());
    app.cDBUser = "sa";
    qm::OpenSharedConnections(app);
    qm::MainModel m;
    m.bVerify = true;

    auto t0 = Clock::now();
    if (!qm::LoadAcc(app, m)) return std::fprintf(stderr, "list: %s\n", app.cMsg.c_str()), false;
    f.listS = Seconds(t0);
    f.rows = m.iAccCount;
    for (int r = 1; r <= m.iAccCount; ++r) m.grid.SetCell(r, qm::kColSelect, "Y");

    t0 = Clock::now();
    const auto preview = qm::PlanRepair(app, m, nullptr);
    f.previewS = Seconds(t0);

    const size_t before = engine->Transcript().size();
    t0 = Clock::now();
    qm::RepairWithRecord(app, m, nullptr);
    f.runS = Seconds(t0);
    CountBatches(*engine, before, m, f);
    for (int r = 1; r <= m.iAccCount; ++r)
        f.repaired += m.grid.Cell(r, qm::kColReport) == "成功修复" && m.grid.Cell(r, qm::kColVerify) == "校验通过";
    // Complete: every row has its section in the record.
    std::string text;
    f.recorded = !m.record.path.empty() && files.ReadAll(m.record.path, text, error);
    for (int r = 1; f.recorded && r <= m.iAccCount; ++r)
        f.recorded = text.find("[第 " + std::to_string(r) + " 行] " + m.grid.Cell(r, qm::kColDb)) != std::string::npos;

    server.Stop();
    std::filesystem::remove_all(root);
    return preview.size() == size_t(f.rows);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {100, 400, 1000};
    std::printf("%8s %6s %9s %9s %10s %12s %12s %10s %8s\n", "suspect", "rows", "list ms/r", "prev ms/r", "run ms/row",
                "trips/row", "run's own", "repaired", "record");
    double first = 0;
    for (int n : sizes) {
        Figures f;
        if (!RunSize(n, f) || f.rows == 0) return 1;
        const double perRow = 1000 * f.runS / f.rows;
        if (first == 0) first = perRow;
        std::printf("%8d %6d %9.2f %9.2f %10.2f %12.2f %12zu %10d %8s   (%.2fx the first size)\n", n, f.rows,
                    1000 * f.listS / f.rows, 1000 * f.previewS / f.rows, perRow, double(f.naming) / f.rows, f.other,
                    f.repaired, f.recorded ? "complete" : "MISSING", perRow / first);
        std::fflush(stdout);
    }
    return 0;
}
