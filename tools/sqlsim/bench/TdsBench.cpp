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
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,right(a.name,4) as 年度,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a left join UFSystem..UA_Account as b "
    "on substring(a.name,8,3)=b.cacc_id where name like 'ufdata_%' and DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";

std::string Scenario(int databases) {
    nlohmann::json j = {{"version", "9.00.4035.00"}, {"edition", "Standard Edition"}, {"language", "zh-CN"},
                        {"logins", {{"sa", ""}}}};
    nlohmann::json dbs = nlohmann::json::array(), accounts = nlohmann::json::array();
    for (int i = 0; i < databases; ++i) {
        char acc[8], name[32];
        std::snprintf(acc, sizeof acc, "%03d", i % 1000);
        std::snprintf(name, sizeof name, "UFDATA_%s_%d", acc, 2000 + i / 1000);
        dbs.push_back({{"name", name}, {"state", i % 2 ? "SUSPECT" : "ONLINE"}, {"data_file", std::string(name) + ".MDF"},
                       {"log_file", std::string(name) + "_LOG.LDF"}, {"data_file_exists", false},
                       {"log_file_exists", false}});
        if (i < 1000) accounts.push_back({{"cAcc_id", acc}, {"cAcc_Name", "演示公司" + std::to_string(i)}});
    }
    j["databases"] = dbs;
    j["ua_account"] = accounts;
    return j.dump();
}

} // namespace

int main(int argc, char** argv) {
    const int batches = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int databases = argc > 2 ? std::atoi(argv[2]) : 5000;
    char tmpl[] = "/tmp/QM-BENCH-XXXXXX";
    const char* base = mkdtemp(tmpl);
    if (!base) return 1;
    const std::string dataDir = std::string(base) + "/DATA";
    std::filesystem::create_directories(dataDir);

    std::string error;
    auto load0 = Clock::now();
    auto engine = sqlsim::Engine::FromJson(Scenario(databases), dataDir, error);
    if (!engine) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return 1;
    }
    const double loadMs = Ms(Clock::now() - load0);
    sqlsim::tds::TdsServer server(engine, {});
    if (!server.Start(0, error)) {
        std::fprintf(stderr, "listen: %s\n", error.c_str());
        return 1;
    }
    qm::OdbcConnectionFactory factory;
    auto conn = factory.Create();
    const std::string text = "Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(server.Port()) +
                             ";Database=master;Uid=sa;Pwd=;";
    auto c0 = Clock::now();
    if (!conn->Open(text, error)) {
        std::fprintf(stderr, "open: %s\n", error.c_str());
        return 1;
    }
    const double connectMs = Ms(Clock::now() - c0);

    auto t0 = Clock::now();
    for (int i = 0; i < batches; ++i)
        if (!conn->Execute(kVersionQuery).ok) return 1;
    const double odbcBatches = Ms(Clock::now() - t0);
    t0 = Clock::now();
    for (int i = 0; i < batches; ++i) engine->Execute(kVersionQuery);
    const double engineBatches = Ms(Clock::now() - t0);

    size_t rows = 0;
    t0 = Clock::now();
    const int runs = 5;
    for (int i = 0; i < runs; ++i) {
        qm::SqlResult r = conn->Execute(kDiscovery);
        if (!r.ok) {
            std::fprintf(stderr, "discovery: %s\n", r.error.c_str());
            return 1;
        }
        rows = r.recordset.rows.size();
    }
    const double odbcDiscovery = Ms(Clock::now() - t0) / runs;
    t0 = Clock::now();
    for (int i = 0; i < runs; ++i) engine->Execute(kDiscovery);
    const double engineDiscovery = Ms(Clock::now() - t0) / runs;

    std::printf("scenario load (%d databases): %.1f ms; ODBC connect: %.1f ms\n", databases, loadMs, connectMs);
    std::printf("%d version queries over one ODBC connection: %.0f ms (%.3f ms/batch); engine alone %.3f ms/batch\n",
                batches, odbcBatches, odbcBatches / batches, engineBatches / batches);
    std::printf("discovery over %d databases (%zu rows): %.1f ms per run over ODBC; engine alone %.1f ms\n", databases,
                rows, odbcDiscovery, engineDiscovery);
    conn.reset();
    server.Stop();
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    return 0;
}
