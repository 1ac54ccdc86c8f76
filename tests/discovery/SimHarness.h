#pragma once
// A signed-in application over an in-process simulator: a scenario, a data folder of its own, the
// master connection opened the way start-up opens it, the version and product detected.
#include "app/Db.h"
#include "discovery/AccountGrid.h"
#include "server/ProductDetection.h"
#include "server/ServerVersion.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace qmtest {

// One database of a scenario; `flags` as JSON strings, for SQL Server 2000.
inline std::string Db(const std::string& name, const std::string& state, const std::string& flags = "") {
    return R"({"name": ")" + name + R"(", "state": ")" + state + R"(", "data_file": ")" + name +
           R"(.MDF", "log_file": ")" + name + R"(_LOG.LDF")" + (flags.empty() ? "" : R"(, "flags": [)" + flags + "]") +
           "}";
}

inline std::string Scenario(const std::string& version, const std::string& databases, const std::string& extra = "") {
    return R"({"version": ")" + version + R"(", "edition": "Standard Edition", "logins": {"sa": ""},
              "databases": [)" + databases + "]" + extra + "}";
}

class SimHarness {
public:
    ~SimHarness() {
        app.reset();
        factory.reset();
        engine.reset();
        std::error_code ec;
        if (!dataDir.empty()) std::filesystem::remove_all(dataDir, ec);
    }

    // Loads the scenario and signs in; false (with a test failure) when either fails.
    bool Start(const std::string& json) {
        static std::atomic<int> counter{0};
        // Upper case: the repair side upper-cases data paths, and the simulator asks for it.
        dataDir = "/tmp/QM-DISC-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        std::string error;
        engine = sqlsim::Engine::FromJson(json, dataDir, error);
        EXPECT_TRUE(engine) << error;
        if (!engine) return false;
        factory = std::make_unique<sqlsim::InProcessConnectionFactory>(engine);
        platform.connections = *factory;
        app = std::make_unique<qm::AppState>(platform);
        app->cDBServer = "127.0.0.1";
        app->cDBUser = "sa";
        app->oMaster = qm::OpenSqlConnection(*app, "master");
        EXPECT_TRUE(app->oMaster && app->oMaster->State() == 1) << app->cMsg;
        if (!app->oMaster || app->oMaster->State() != 1) return false;
        app->cSQLVersion = qm::GetServerVersion(*app, app->cMsg, app->oMaster, app->versionClass);
        app->cProduct = qm::GetProductKind(*app);
        engine->ClearTranscript();
        return true;
    }

    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const auto& e : engine->Transcript()) out.push_back(e.sql);
        return out;
    }
    bool AnyFailure() const {
        for (const auto& e : engine->Transcript())
            if (e.failed) return true;
        return false;
    }

    std::string dataDir;
    std::shared_ptr<sqlsim::Engine> engine;
    std::unique_ptr<sqlsim::InProcessConnectionFactory> factory;
    qmtest::TestPlatform platform;
    std::unique_ptr<qm::AppState> app;
};

inline std::vector<std::string> RowOf(const qm::AccountGrid& g, int row) {
    std::vector<std::string> out;
    for (int c = 0; c < qm::kGridColumns; ++c) out.push_back(g.Cell(row, c));
    return out;
}

} // namespace qmtest
