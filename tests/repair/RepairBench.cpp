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
#include <fstream>
#include <string>
#include <vector>
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

// Times every call into the file layer (the real disk).
class TimedFileSystem : public qm::FileSystem {
public:
    template <typename Fn>
    auto Timed(Fn&& fn) {
        const auto t0 = Clock::now();
        auto r = fn();
        inside += Clock::now() - t0;
        return r;
    }
    bool Exists(const std::string& p) override { return Timed([&] { return real.Exists(p); }); }
    bool Copy(const std::string& f, const std::string& t, std::string& e) override {
        return Timed([&] { return real.Copy(f, t, e); });
    }
    bool Move(const std::string& f, const std::string& t, std::string& e) override {
        return Timed([&] { return real.Move(f, t, e); });
    }
    bool Remove(const std::string& p, std::string& e) override { return Timed([&] { return real.Remove(p, e); }); }
    bool ReadLines(const std::string& p, std::vector<std::string>& l) override {
        return Timed([&] { return real.ReadLines(p, l); });
    }
    bool ReadAll(const std::string& p, std::string& b, std::string& e) override {
        return Timed([&] { return real.ReadAll(p, b, e); });
    }
    bool WriteAtomic(const std::string& p, const std::string& b, std::string& e) override {
        return Timed([&] { return real.WriteAtomic(p, b, e); });
    }
    qm::LocalFileSystem real;
    Clock::duration inside{};
};

class SystemClock : public qm::Clock {
public:
    std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::now(); }
};

} // namespace

int main() {
    constexpr int kRows = 200;
    // Relative to /tmp so that the whole data path is upper case, as the driver's upper-casing needs.
    std::filesystem::current_path("/tmp");
    const std::string root = "QMREP-BENCH-" + std::to_string(::getpid());
    const std::string dataDir = root + "/DATA";

    std::string json = R"({"version": "9.00.4035.00", "edition": "Standard Edition", "language": "zh-CN",
        "logins": {"sa": ""}, "databases": [)";
    for (int i = 0; i < kRows; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "UFDATA_%03d_2015", i + 1);
        json += std::string(i ? "," : "") + R"({"name": ")" + name + R"(", "state": "SUSPECT"})";
    }
    json += "]}";

    std::string error;
    auto engine = sqlsim::Engine::FromJson(json, dataDir, error);
    if (!engine) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return 1;
    }
    TimedFileSystem files;
    SystemClock clock;
    qm::Platform platform;
    platform.files = &files;
    platform.clock = &clock;
    qm::AppState app(platform);
    auto timed = std::make_shared<TimedConnection>(sqlsim::MakeInProcessConnection(engine));
    if (!timed->Open(qm::BuildConnectionString("127.0.0.1", "master", "sa", ""), error)) {
        std::fprintf(stderr, "open: %s\n", error.c_str());
        return 1;
    }
    app.oMaster = timed;
    app.cSQLVersion = "SQL Server 2005 SP3 标准版";
    app.cProduct = "U8";

    qm::MainModel m;
    m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"});
    for (int i = 0; i < kRows; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "UFDATA_%03d_2015", i + 1);
        m.grid.AppendRow({name, "Y", "001", "演示", "2015", dataDir + "/" + name + ".MDF", ""});
    }
    m.iAccCount = kRows;

    const auto t0 = Clock::now();
    qm::Repair(app, m, nullptr);
    const auto total = Clock::now() - t0;

    using us = std::chrono::duration<double, std::micro>;
    const double totalUs = us(total).count();
    const double insideUs = us(timed->inside).count();
    const double filesUs = us(files.inside).count();
    std::printf("rows: %d, statements: %ld, summary: %s\n", kRows, timed->statements, m.labReport.caption.c_str());
    std::printf("total: %.1f ms, inside the simulator: %.1f ms\n", totalUs / 1000, insideUs / 1000);
    std::printf("outside the simulator per row: %.1f us (of which the file layer: %.1f us)\n",
                (totalUs - insideUs) / kRows, filesUs / kRows);

    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
