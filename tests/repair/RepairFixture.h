#pragma once
// A repair engine over an in-process simulator, with the real file layer in a data folder of its own.
// The driver upper-cases data file paths, so the folder's path has to be upper case as a whole: the
// fixture works from /tmp and names the folder relative to it (QMREP-<pid>-<n>/DATA).
#include "app/AppState.h"
#include "app/Db.h"
#include "platform/FileSystem.h"
#include "platform/LocalFileSystem.h"
#include "platform/SystemServices.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace qmtest {

// 2015-01-02 03:04:05 UTC; the fixture runs in UTC so the .bak stamp is 20150102030405.
inline constexpr std::time_t kFixedTime = 1420167845;
inline constexpr const char* kStamp = "20150102030405";

class FixedClock : public qm::Clock {
public:
    std::chrono::system_clock::time_point Now() override {
        return std::chrono::system_clock::from_time_t(kFixedTime);
    }
};

// The real file layer, except that moves and deletions of chosen paths are refused with a chosen
// description — a log file the server holds open. `refuseTimes` < 0 refuses for ever.
class RefusingFileSystem : public qm::FileSystem {
public:
    struct Refusal {
        std::string description;
        int times = -1;
    };

    bool Exists(const std::string& path) override {
        ++existsCalls;
        if (path.empty()) ++emptyPathCalls;
        return real.Exists(path);
    }
    bool Copy(const std::string& from, const std::string& to, std::string& error) override {
        changed.push_back(to);
        return real.Copy(from, to, error);
    }
    bool Move(const std::string& from, const std::string& to, std::string& error) override {
        if (from.empty()) ++emptyPathCalls;
        if (Refused(from, error)) return false;
        changed.push_back(from);
        changed.push_back(to);
        return real.Move(from, to, error);
    }
    bool Remove(const std::string& path, std::string& error) override {
        ++removeCalls;
        if (Refused(path, error)) return false;
        changed.push_back(path);
        return real.Remove(path, error);
    }
    bool ReadLines(const std::string& path, std::vector<std::string>& lines) override {
        return real.ReadLines(path, lines);
    }
    bool ReadAll(const std::string& path, std::string& bytes, std::string& error) override {
        return real.ReadAll(path, bytes, error);
    }
    bool WriteAtomic(const std::string& path, const std::string& bytes, std::string& error) override {
        changed.push_back(path);
        return real.WriteAtomic(path, bytes, error);
    }

    void Refuse(const std::string& path, const std::string& description, int times = -1) {
        refusals[path] = {description, times};
    }

    qm::LocalFileSystem real;
    std::map<std::string, Refusal> refusals;
    std::vector<std::string> changed;   // every path a successful change touched
    int existsCalls = 0;
    int emptyPathCalls = 0;
    int removeCalls = 0;

private:
    bool Refused(const std::string& path, std::string& error) {
        auto it = refusals.find(path);
        if (it == refusals.end() || it->second.times == 0) return false;
        if (it->second.times > 0) --it->second.times;
        error = it->second.description;
        return true;
    }
};

struct RecordingObserver : qm::StatementObserver {
    struct Move {
        int row;
        std::string path, newPath, error;
    };
    void OnStatement(const qm::StatementEvent& e) override {
        statements.push_back(e);
        events.push_back("sql " + e.sql);
    }
    void OnFileMoved(int row, const std::string& path, const std::string& newPath,
                     const std::string& error) override {
        moves.push_back({row, path, newPath, error});
        events.push_back("move " + path);
    }
    std::vector<qm::StatementEvent> statements;
    std::vector<Move> moves;
    std::vector<std::string> events;   // statements and moves, in the order they happened
};

// Version texts as the version detection writes them.
inline const std::string k2000 = "SQL Server 2000 SP4 标准版";
inline const std::string k2005 = "SQL Server 2005 SP3 标准版";
inline const std::string k2008 = "SQL Server 2008 SP3 标准版";

// One database of a scenario, in the scenario's JSON.
inline std::string DbJson(const std::string& name, const std::string& state, bool dataExists = true,
                          bool logExists = true, const std::string& logFile = "",
                          const std::string& logName = "Ufmodel_LOG", const std::string& flags = "") {
    std::string j = R"({"name": ")" + name + R"(", "state": ")" + state + R"(", "data_file": ")" + name +
                    R"(.MDF", "log_file": ")" + (logFile.empty() ? name + "_LOG.LDF" : logFile) +
                    R"(", "log_name": ")" + logName + R"(", "data_file_exists": )" +
                    (dataExists ? "true" : "false") + R"(, "log_file_exists": )" + (logExists ? "true" : "false");
    if (!flags.empty()) j += R"(, "flags": [)" + flags + "]";
    return j + "}";
}

// A scenario for the server `major` (8, 9, 10) with the given databases.
inline std::string ScenarioJson(int major, const std::vector<std::string>& dbs) {
    const char* version = major == 8 ? "8.00.2039" : major == 9 ? "9.00.4035.00" : "10.00.5500.00";
    std::string j = R"({"version": ")" + std::string(version) +
                    R"(", "edition": "Standard Edition", "language": "zh-CN", "logins": {"sa": ""}, "databases": [)";
    for (size_t i = 0; i < dbs.size(); ++i) j += (i ? ", " : "") + dbs[i];
    return j + "]}";
}

class RepairFixture : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path("/tmp");
        root = "QMREP-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        dataDir = root + "/DATA";
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        platform.files = &files;
        platform.clock = &clock;
        app = std::make_unique<qm::AppState>(platform);
        app->observer = &observer;
    }

    void TearDown() override {
        app.reset();
        engine.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        std::filesystem::current_path(oldCwd_, ec);
    }

    // Loads the scenario and opens master on it; cSQLVersion and cProduct are the caller's.
    void Load(const std::string& json, const std::string& version, const std::string& product = "U8") {
        std::string error;
        engine = sqlsim::Engine::FromJson(json, dataDir, error);
        ASSERT_TRUE(engine) << error;
        app->oMaster = sqlsim::MakeInProcessConnection(engine);
        ASSERT_TRUE(app->oMaster->Open(qm::BuildConnectionString("127.0.0.1", "master", "sa", ""), error)) << error;
        app->cSQLVersion = version;
        app->cProduct = product;
        engine->ClearTranscript();
    }

    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const auto& e : engine->Transcript()) out.push_back(e.sql);
        return out;
    }
    std::vector<bool> Failed() const {
        std::vector<bool> out;
        for (const auto& e : engine->Transcript()) out.push_back(e.failed);
        return out;
    }
    std::string MessageOf(size_t i) const {
        auto t = engine->Transcript();
        return i < t.size() ? t[i].message : std::string();
    }

    std::string PathOf(const std::string& file) const { return dataDir + "/" + file; }

    // Names in the data folder, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dataDir, ec))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream f(path, std::ios::binary);
        f << text;
    }

    static std::string LookupPath(const std::string& db) {
        return "select b.filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid"
               " where b.fileid=2 and a.name='" + db + "'";
    }
    static std::string LookupName(const std::string& db) {
        return "select b.name as filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid"
               " where b.fileid=2 and a.name='" + db + "'";
    }

    std::string root;
    std::string dataDir;
    RefusingFileSystem files;
    FixedClock clock;
    RecordingObserver observer;
    qm::Platform platform;
    std::unique_ptr<qm::AppState> app;
    std::shared_ptr<sqlsim::Engine> engine;

private:
    std::filesystem::path oldCwd_;
};

} // namespace qmtest
