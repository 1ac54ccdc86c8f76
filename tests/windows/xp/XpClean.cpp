// The real start-up sequence over the real adapters, with windows that only answer: linking it pulls
// in everything of the engine the shipped program imports.
#include "login/ClsUFLogin.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "repair/Repair.h"
#include "startup/Startup.h"

namespace {
struct NoWindows : qm::StartupWindows {
    bool ConnSql(qm::LoginSettings&) override { return false; }
    void ShowEndMessage(const std::string&) override {}
    void ShowMainWindow() override {}
};
} // namespace

int wmain() {
    qm::DefaultPlatform real = qm::MakeDefaultPlatform(qm::ExecutableFolder());
    qm::AppState app(real.platform);
    app.makeLoginWrapper = [&] { return qm::MakeProductLogin(app, nullptr); };
    NoWindows windows;
    qm::MainModel m;
    qm::Thread worker;
    worker.Start([&] { qm::Repair(app, m, nullptr); });
    worker.Join();
    return qm::Main(app, windows) ? 0 : 1;
}
