#pragma once
// A repair engine over an in-process simulator, with the real file layer in a data folder of its own.
// The driver upper-cases data file paths, so the folder's path has to be upper case as a whole: the
// fixture works from /tmp and names the folder relative to it (QMREP-<pid>-<n>/DATA).
#include "app/AppState.h"
#include "app/Db.h"
#include "platform/OdbcConnection.h"
#include "platform/SystemServices.h"
#include "server/ServerVersion.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"
#include "support/RefusingFileSystem.h"
#include "support/TestPlatform.h"
#include "tds/TdsServer.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace qmtest {

using ::testing::ElementsAre;

struct RecordingObserver : qm::StatementObserver {
    struct Move {
        int row;
        std::string path, newPath, error;
    };
    void OnStatement(const qm::StatementEvent& e) override {
        statements.push_back(e);
        events.push_back("sql " + e.sql);
    }
    void OnFileMoved(int row, const std::string& path, const std::string& newPath, const std::string& error) override {
        moves.push_back({row, path, newPath, error});
        events.push_back("move " + path);
    }
    std::vector<qm::StatementEvent> statements;
    std::vector<Move> moves;
    std::vector<std::string> events;   // statements and moves, in the order they happened
};

inline const std::string kDb = "UFDATA_001_2015";

// One database of a scenario, in the scenario's JSON; files are named relative to the data folder.
inline std::string DbAt(const std::string& name, const std::string& state, const std::string& dataFile,
                        const std::string& logFile, bool dataExists = true, bool logExists = true,
                        const std::string& logName = "Ufmodel_LOG") {
    return R"({"name": ")" + name + R"(", "state": ")" + state + R"(", "data_file": ")" + dataFile +
           R"(", "log_file": ")" + logFile + R"(", "log_name": ")" + logName + R"(", "data_file_exists": )" +
           (dataExists ? "true" : "false") + R"(, "log_file_exists": )" + (logExists ? "true" : "false") + "}";
}
// The usual layout: <name>.MDF and, unless `logFile` names another, <name>_LOG.LDF.
inline std::string DbJson(const std::string& name, const std::string& state, bool dataExists = true,
                          bool logExists = true, const std::string& logFile = "",
                          const std::string& logName = "Ufmodel_LOG") {
    return DbAt(name, state, name + ".MDF", logFile.empty() ? name + "_LOG.LDF" : logFile, dataExists, logExists,
                logName);
}

// File names in expectations: '@' stands for kDb, '~' for the ".<stamp>.bak" of a file moved aside.
inline std::string X(const std::string& s) {
    std::string out;
    for (char c : s) out += c == '@' ? kDb : c == '~' ? std::string(".") + kStamp + ".bak" : std::string(1, c);
    return out;
}
inline std::vector<std::string> X(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const auto& n : names) out.push_back(X(n));
    return out;
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
        std::filesystem::remove_all(root);
        platform.files = files;   // the stand-in clock stamps moved files kStamp: the fixture runs in UTC
        app = std::make_unique<qm::AppState>(platform);
        app->observer = &observer;
    }
    void TearDown() override {
        app.reset();
        tds.reset();
        engine.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        std::filesystem::current_path(oldCwd_, ec);
    }

    // Loads a scenario for the server `major` (8, 9, 10; 12 for 2014) into an empty data folder and opens
    // master on it.
    void Load(int major, const std::vector<std::string>& dbs, const std::string& product = "U8",
              const std::string& language = "zh-CN") {
        const char* version = major == 8 ? "8.00.2039" : major == 9 ? "9.00.4035.00" : major == 10 ? "10.00.5500.00"
                              : "12.0.2000.8";
        std::string json = R"({"version": ")" + std::string(version) + R"(", "edition": "Standard Edition", "language": ")" +
                           language + R"(", "logins": {"sa": ""}, "databases": [)";
        for (size_t i = 0; i < dbs.size(); ++i) json += (i ? ", " : "") + dbs[i];
        std::string error;
        std::filesystem::remove_all(dataDir);
        Open(sqlsim::Engine::FromJson(json + "]}", dataDir, error), product, error);
    }
    // Loads one of the simulator's shipped scenario files.
    void LoadFile(const std::string& file, const std::string& product) {
        std::string error;
        std::filesystem::remove_all(dataDir);
        Open(sqlsim::Engine::FromFile(std::string(QM_SCENARIO_DIR) + "/" + file, dataDir, error), product, error);
    }
    void Open(std::shared_ptr<sqlsim::Engine> loaded, const std::string& product, const std::string& error) {
        engine = std::move(loaded);
        ASSERT_TRUE(engine) << error;
        app->oMaster = sqlsim::MakeInProcessConnection(engine);
        std::string openError;
        ASSERT_TRUE(app->oMaster->Open(qm::BuildConnectionString("127.0.0.1", "master", "sa", ""), openError)) << openError;
        // The version text and class as the version detection makes them of the scenario's version.
        std::string version = engine->ProductVersion(), ignored;
        app->cSQLVersion = qm::GetVersionName(version, app->versionClass, ignored) + " 标准版";
        app->cProduct = product;
        engine->ClearTranscript();
    }
    // From now on master is reached over TDS through the ODBC driver, as on a real server.
    void OverTds() {
        tds = std::make_unique<sqlsim::tds::TdsServer>(engine, sqlsim::tds::SessionConfig{});
        std::string error;
        ASSERT_TRUE(tds->Start(0, error)) << error;
        app->oMaster = odbc.Create();
        ASSERT_TRUE(app->oMaster->Open(qm::BuildConnectionString("127.0.0.1," + std::to_string(tds->Port()), "master",
                                                                 "sa", ""), error)) << error;
    }

    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const auto& e : engine->Transcript()) out.push_back(e.sql);
        return out;
    }
    // One character per statement sent: 'X' failed, '.' succeeded.
    std::string Failures() const {
        std::string out;
        for (const auto& e : engine->Transcript()) out += e.failed ? 'X' : '.';
        return out;
    }
    std::string MessageOf(size_t i) const { return engine->Transcript().at(i).message; }
    std::string PathOf(const std::string& file) const { return dataDir + "/" + file; }

    // Files in the data folder and its folders, relative to it, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dataDir))
            if (e.is_regular_file()) out.push_back(e.path().lexically_relative(dataDir).string());
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string LookupPath(const std::string& db) {
        return "select b.filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid"
               " where b.fileid=2 and a.name='" + db + "'";
    }
    // The statements of the repair sequences on `db` by short name, so that a transcript reads as a line:
    // "L F E S R M O" is the 2005 rebuild, "L F T A1 C E2 R2 D A0 C" the 2000 one, "W P" the state query of
    // 2012 and later and the normal recovery, "I" the session number read before the first check, "K" the check. "R=<file>" and
    // "R2=<file>" rebuild at another file of the data folder, "B=<n>" writes the status word n back.
    std::vector<std::string> Seq(const std::string& names, const std::string& db = kDb) const {
        const std::string alter = "alter database " + db;
        const std::string byName = " from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid where ";
        const std::map<std::string, std::string> fixed = {
            {"L", LookupPath(db)}, {"N", "select b.name as filename" + byName + "b.fileid=2 and a.name='" + db + "'"},
            {"F", "select b.filename" + byName + "a.name<>'" + db + "'"},
            {"T", "select status from master..sysdatabases where name='" + db + "'"},
            {"E", alter + " set emergency "}, {"S", alter + " set single_user with rollback immediate "},
            {"M", alter + " set multi_user"}, {"O", alter + " set ONLINE"}, {"P", alter + " set online"},
            {"W", "--password \r\nSELECT case state when 0 then '在线' when 1 then '还原' when 2 then '恢复' when 3 then "
                  "'恢复挂起' when 4 then '置疑' when 5 then '紧急只读状态' when 6 then '脱机' else '正常' end as cValue from "
                  "master.sys.databases where name=N'" + db + "'"},
            {"K", "dbcc checkdb(N'" + db + "') with no_infomsgs"}, {"I", "select @@spid as spid"},
            {"A1", "sp_configure 'allow updates',1"}, {"A0", "sp_configure 'allow updates',0"},
            {"C", "reconfigure with override"},
            {"E2", "update sysdatabases set status=-32768 where dbid=DB_ID('" + db + "') "},
            {"U2", "update sysdatabases set status=4194328 where dbid=DB_ID('" + db + "')"},
            {"D", "sp_dboption '" + db + " ','dbo use only','false'"}};
        std::vector<std::string> out;
        std::istringstream in(names);
        for (std::string n; in >> n;) {
            const auto eq = n.find('=');
            const std::string name = n.substr(0, eq), arg = eq == std::string::npos ? "" : n.substr(eq + 1);
            if (name == "R")
                out.push_back(alter + " Rebuild Log on (name=Ufmodel_LOG,filename='" +
                              PathOf(arg.empty() ? db + "_LOG.LDF" : arg) + "') ");
            else if (name == "R2")
                out.push_back("dbcc rebuild_log('" + db + " ','" + PathOf(arg.empty() ? db + ".LDF" : arg) + "')");
            else if (name == "B")
                out.push_back("update sysdatabases set status=" + arg + " where dbid=DB_ID('" + db + "')");
            else
                out.push_back(fixed.at(name));
        }
        return out;
    }

    std::string root, dataDir;
    RefusingFileSystem files;
    RecordingObserver observer;
    TestPlatform platform;
    std::unique_ptr<qm::AppState> app;
    std::shared_ptr<sqlsim::Engine> engine;
    std::unique_ptr<sqlsim::tds::TdsServer> tds;
    qm::OdbcConnectionFactory odbc;

private:
    std::filesystem::path oldCwd_;
};

} // namespace qmtest
