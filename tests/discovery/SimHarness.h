#pragma once
// An application signed in to an in-process simulator as start-up signs in: the master connection
// opened by its connection text, the version and the product detected. The application lives as long
// as the test; each Start loads a new scenario into it.
#include "app/Db.h"
#include "discovery/AccountGrid.h"
#include "server/ProductDetection.h"
#include "server/ServerVersion.h"
#include "sqlsim/InProcess.h"
#include "sqlsim/SimFixture.h"
#include "support/TestPlatform.h"

namespace qmtest {

using simtest::Db;
using simtest::Scenario;

class SignedIn : public simtest::SimTest {
protected:
    // Loads the scenario (JSON text or a shipped file) and signs in; false (with a test failure) when
    // either fails.
    bool Start(const std::string& scenario) {
        if (!Load(scenario)) return false;
        factory = std::make_shared<sqlsim::InProcessConnectionFactory>(engine);
        app->platform.connections = *factory;
        app->cDBServer = "127.0.0.1";
        app->cDBUser = "sa";
        app->cMsg.clear();
        app->masterLost = false;
        app->oMaster = qm::OpenSqlConnection(*app, "master");
        if (!app->oMaster || app->oMaster->State() != 1) return ADD_FAILURE() << app->cMsg, false;
        app->cSQLVersion = qm::GetServerVersion(*app, app->cMsg, app->oMaster, app->versionClass);
        app->cProduct = qm::GetProductKind(*app);
        engine->ClearTranscript();
        return true;
    }
    bool AnyFailure() const {
        for (const auto& e : engine->Transcript())
            if (e.failed) return true;
        return false;
    }

    std::shared_ptr<sqlsim::InProcessConnectionFactory> factory;
    TestPlatform platform;
    std::unique_ptr<qm::AppState> app = std::make_unique<qm::AppState>(platform);
};

inline std::vector<std::string> RowOf(const qm::AccountGrid& g, int row) {
    std::vector<std::string> out;
    for (int c = 0; c < qm::kGridColumns; ++c) out.push_back(g.Cell(row, c));
    return out;
}

} // namespace qmtest
