// A repair run over 200 suspect databases on the in-process simulator. Prints the wall time of the run
// and the time per row spent outside the simulator (the engine's own work: texts, file checks, moves).
#include "app/AppState.h"
#include "app/Db.h"
#include "discovery/AccountGrid.h"
#include "platform/LocalFileSystem.h"
#include "platform/SystemServices.h"
#include "repair/Repair.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Times every call into the simulator.
class TimedConnection : public qm::Connection {
public:
    explicit TimedConnection(std::shared_ptr<qm::Connection> inner) : inner_(std::move(inner)) {}
    bool Open(const std::string& cs, std::string& error) override { return inner_->Open(cs, error); }
    int State() const override { return inner_->State(); }
    void SetCommandTimeout(int s) override { inner_->SetCommandTimeout(s); }
    int CommandTimeout() const override { return inner_->CommandTimeout(); }
    const std::string& ConnectionString() const override { return inner_->ConnectionString(); }
    qm::SqlResult Execute(const std::string& sql) override {
        const auto t0 = Clock::now();
        qm::SqlResult r = inner_->Execute(sql);
        inside += Clock::now() - t0;
        ++statements;
        return r;
    }
    Clock::duration inside{};
    long statements = 0;

private:
    std::shared_ptr<qm::Connection> inner_;
};

struct SystemClock : qm::Clock {
    std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::now(); }
};

std::string Name(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "UFDATA_%03d_2015", i + 1);
    return name;
}

} // namespace

int main() {
    constexpr int kRows = 200;
    // Relative to /tmp so that the whole data path is upper case, as the driver's upper-casing needs.
    std::filesystem::current_path("/tmp");
    const std::string root = "QMREP-BENCH-" + std::to_string(::getpid()), dataDir = root + "/DATA";
    std::string json = R"({"version": "9.00.4035.00", "edition": "Standard Edition", "language": "zh-CN",
        "logins": {"sa": ""}, "databases": [)";
    for (int i = 0; i < kRows; ++i) json += std::string(i ? "," : "") + R"({"name": ")" + Name(i) + R"(", "state": "SUSPECT"})";
    std::string error;
    auto engine = sqlsim::Engine::FromJson(json + "]}", dataDir, error);
    qm::LocalFileSystem files;
    SystemClock clock;
    qm::Platform platform;
    platform.files = &files;
    platform.clock = &clock;
    qm::AppState app(platform);
    auto timed = engine ? std::make_shared<TimedConnection>(sqlsim::MakeInProcessConnection(engine)) : nullptr;
    if (!timed || !timed->Open(qm::BuildConnectionString("127.0.0.1", "master", "sa", ""), error)) {
        std::fprintf(stderr, "scenario or open: %s\n", error.c_str());
        return 1;
    }
    app.oMaster = timed;
    app.cSQLVersion = "SQL Server 2005 SP3 标准版";
    app.cProduct = "U8";
    qm::MainModel m;
    m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"});
    for (int i = 0; i < kRows; ++i) m.grid.AppendRow({Name(i), "Y", "001", "演示", "2015", dataDir + "/" + Name(i) + ".MDF", ""});
    m.iAccCount = kRows;

    const auto t0 = Clock::now();
    qm::Repair(app, m, nullptr);
    using ms = std::chrono::duration<double, std::milli>;
    const double total = ms(Clock::now() - t0).count(), inside = ms(timed->inside).count();
    std::printf("rows: %d, statements: %ld, summary: %s\n", kRows, timed->statements, m.labReport.caption.c_str());
    std::printf("total: %.1f ms, inside the simulator: %.1f ms, outside per row: %.1f us\n", total, inside,
                (total - inside) * 1000 / kRows);
    std::filesystem::remove_all(root);
    return 0;
}
