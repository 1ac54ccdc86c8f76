// sqlsim-tds-bench [batches] [databases]: times small batches over one ODBC connection and the
// discovery query over a large catalogue, both through FreeTDS to the TDS front end on 127.0.0.1,
// next to the same work done by the engine directly.
#include "platform/OdbcConnection.h"
#include "sqlsim/Engine.h"
#include "tds/TdsServer.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

const std::string kVersionQuery =
    "SELECT  SERVERPROPERTY('productversion') as productversion,SERVERPROPERTY ('edition') as version";
const std::string kDiscovery =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,right(a.name,4) "
    "as 年度,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a left join "
    "UFSystem..UA_Account as b "
    "on substring(a.name,8,3)=b.cacc_id where name like 'ufdata_%' and DATABASEPROPERTYEX(name,'Status') in "
    "('EMERGENCY','SUSPECT')";

std::string Scenario(int databases) {
    nlohmann::json j = {
        {"version", "9.00.4035.00"}, {"edition", "Standard Edition"}, {"language", "zh-CN"}, {"logins", {{"sa", ""}}}};
    nlohmann::json dbs = nlohmann::json::array(), accounts = nlohmann::json::array();
    for (int i = 0; i < databases; ++i) {
        char acc[8], name[32];
        std::snprintf(acc, sizeof acc, "%03d", i % 1000);
        std::snprintf(name, sizeof name, "UFDATA_%s_%d", acc, 2000 + i / 1000);
        dbs.push_back({{"name", name},
                       {"state", i % 2 ? "SUSPECT" : "ONLINE"},
                       {"data_file", std::string(name) + ".MDF"},
                       {"log_file", std::string(name) + "_LOG.LDF"},
                       {"data_file_exists", false},
                       {"log_file_exists", false}});
        if (i < 1000) accounts.push_back({{"cAcc_id", acc}, {"cAcc_Name", "演示公司" + std::to_string(i)}});
    }
    j["databases"] = dbs;
    j["ua_account"] = accounts;
    return j.dump();
}

// One engine behind the TDS listener, reached through one ODBC connection.
struct Rig {
    std::shared_ptr<sqlsim::Engine> engine;
    std::unique_ptr<sqlsim::tds::TdsServer> server;
    std::shared_ptr<qm::Connection> conn;
    double loadMs = 0, connectMs = 0;

    bool Start(const std::string& scenario, const std::string& dataDir, std::string& error) {
        std::filesystem::create_directories(dataDir);
        auto t0 = Clock::now();
        engine = sqlsim::Engine::FromJson(scenario, dataDir, error);
        if (!engine) return false;
        loadMs = Ms(Clock::now() - t0);
        server = std::make_unique<sqlsim::tds::TdsServer>(engine, sqlsim::tds::SessionConfig{});
        if (!server->Start(0, error)) return false;
        static qm::OdbcConnectionFactory factory;
        conn = factory.Create();
        t0 = Clock::now();
        if (!conn->Open("Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(server->Port()) +
                            ";Database=master;Uid=sa;Pwd=;",
                        error))
            return false;
        connectMs = Ms(Clock::now() - t0);
        return true;
    }
};

} // namespace

int main(int argc, char** argv) {
    const int batches = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int databases = argc > 2 ? std::atoi(argv[2]) : 5000;
    char tmpl[] = "/tmp/QM-BENCH-XXXXXX";
    const char* base = mkdtemp(tmpl);
    if (!base) return 1;
    std::string error;

    // Small batches: a four-database catalogue, so the figure is the round trip, not the catalogue.
    Rig small;
    if (!small.Start(Scenario(4), std::string(base) + "/SMALL/DATA", error)) {
        std::fprintf(stderr, "small scenario: %s\n", error.c_str());
        return 1;
    }
    auto t0 = Clock::now();
    for (int i = 0; i < batches; ++i)
        if (!small.conn->Execute(kVersionQuery).ok) return 1;
    const double odbcBatches = Ms(Clock::now() - t0);
    t0 = Clock::now();
    for (int i = 0; i < batches; ++i) small.engine->Execute(kVersionQuery);
    const double engineBatches = Ms(Clock::now() - t0);
    std::printf(
        "%d version queries over one ODBC connection: %.0f ms (%.3f ms/batch); engine alone %.3f ms/batch;"
        " connect %.1f ms\n",
        batches, odbcBatches, odbcBatches / batches, engineBatches / batches, small.connectMs);
    std::fflush(stdout);

    Rig large;
    if (!large.Start(Scenario(databases), std::string(base) + "/LARGE/DATA", error)) {
        std::fprintf(stderr, "large scenario: %s\n", error.c_str());
        return 1;
    }
    size_t rows = 0;
    const int runs = 3;
    t0 = Clock::now();
    for (int i = 0; i < runs; ++i) {
        qm::SqlResult r = large.conn->Execute(kDiscovery);
        if (!r.ok) {
            std::fprintf(stderr, "discovery: %s\n", r.error.c_str());
            return 1;
        }
        rows = r.recordset.rows.size();
    }
    const double odbcDiscovery = Ms(Clock::now() - t0) / runs;
    t0 = Clock::now();
    for (int i = 0; i < runs; ++i) large.engine->Execute(kDiscovery);
    const double engineDiscovery = Ms(Clock::now() - t0) / runs;
    std::printf(
        "discovery over %d databases (%zu rows): %.1f ms per run over ODBC; engine alone %.1f ms;"
        " scenario load %.0f ms\n",
        databases, rows, odbcDiscovery, engineDiscovery, large.loadMs);

    // The same small query against the large catalogue shows what the catalogue's size costs per batch.
    t0 = Clock::now();
    for (int i = 0; i < 20; ++i) large.engine->Execute(kVersionQuery);
    std::printf("version query, engine alone, %d-database catalogue: %.2f ms/batch\n", databases,
                Ms(Clock::now() - t0) / 20);

    small.conn.reset();
    large.conn.reset();
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    return 0;
}
