#pragma once
// A repair engine signed in to an in-process simulator, with the real file layer (refusing the moves a
// test names) in the data folder, and the statements of the repair sequences by short name.
#include "discovery/SimHarness.h"
#include "platform/OdbcConnection.h"
#include "support/RefusingFileSystem.h"
#include "tds/TdsServer.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
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
    std::vector<std::string> events; // statements and moves, in the order they happened
};

inline const std::string kDb = "UFDATA_001_2015";

// One database of a scenario with its files named relative to the data folder.
inline std::string DbAt(const std::string& name, const std::string& state, const std::string& dataFile,
                        const std::string& logFile) {
    return Db(name, state, R"(, "data_file": ")" + dataFile + R"(", "log_file": ")" + logFile + "\"");
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

class RepairFixture : public SignedIn {
protected:
    void SetUp() override {
        SignedIn::SetUp();
        ::setenv("TZ", "UTC", 1); // the stand-in clock stamps moved files kStamp in UTC
        ::tzset();
        app->platform.files = files;
        app->observer = &observer;
    }
    void TearDown() override {
        app.reset();
        tds.reset();
        SignedIn::TearDown();
    }

    // Loads a scenario for the server `major` (8, 9, 10; 12 for 2014) and signs in as `product`.
    void Load(int major, const std::vector<std::string>& dbs, const std::string& product = "U8",
              const std::string& language = "zh-CN") {
        const char* version = major == 8    ? "8.00.2039"
                              : major == 9  ? "9.00.4035.00"
                              : major == 10 ? "10.00.5500.00"
                                            : "12.0.2000.8";
        std::string all;
        for (const auto& db : dbs) all += (all.empty() ? "" : ",") + db;
        LoadFile(Scenario(version, all, R"(, "language": ")" + language + "\""), product);
    }
    // Loads a scenario (JSON text or a shipped file) and signs in as `product`; nothing is refused or
    // recorded yet.
    void LoadFile(const std::string& scenario, const std::string& product) {
        app->cDBPwd.clear();
        ASSERT_TRUE(Start(scenario));
        app->cProduct = product;
        observer = {};
        files.refusals.clear();
        files.changed.clear();
    }
    // From now on master and tempdb are reached over TDS through the ODBC driver, as on a real server.
    void OverTds(const sqlsim::tds::SessionConfig& config = {}) {
        tds = std::make_unique<sqlsim::tds::TdsServer>(engine, config);
        std::string error;
        ASSERT_TRUE(tds->Start(0, error)) << error;
        const std::string server = "127.0.0.1," + std::to_string(tds->Port());
        for (auto [conn, db] : {std::pair{&app->oMaster, "master"}, {&app->oTempdb, "tempdb"}}) {
            *conn = odbc.Create();
            ASSERT_TRUE((*conn)->Open(qm::BuildConnectionString(server, db, "sa", ""), error)) << error;
        }
    }

    // One character per statement sent: 'X' failed, '.' succeeded.
    std::string Failures() const {
        std::string out;
        for (const auto& e : engine->Transcript()) out += e.failed ? 'X' : '.';
        return out;
    }
    // Files in the data folder and its folders, relative to it, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.is_regular_file()) out.push_back(e.path().lexically_relative(dir).string());
        std::sort(out.begin(), out.end());
        return out;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    // The statements of the repair sequences on `db` by short name, so that a transcript reads as a line:
    // "L F E S R M O" is the 2005 rebuild, "L F T A1 C E2 R2 D A0 C" the 2000 one, "W P" the state query of
    // 2012 and later and the normal recovery, "I" the session number read before the first check, "K" the
    // check, "G" the error log read for the cause ("G0" on 2000). "R=<file>" and "R2=<file>" rebuild at another file of the data folder, "B=<n>" writes the
    // status word n back.
    std::vector<std::string> Seq(const std::string& names, const std::string& db = kDb) const {
        const std::string alter = "alter database " + db;
        const std::string byName = " from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid where ";
        const std::string logOf = byName + "b.fileid=2 and a.name='" + db + "'";
        const std::map<std::string, std::string> fixed = {
            {"L", "select b.filename" + logOf},
            {"N", "select b.name as filename" + logOf},
            {"F",
             "select a.name,b.fileid,b.filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid"},
            {"T", "select status from master..sysdatabases where name='" + db + "'"},
            {"E", alter + " set emergency "},
            {"S", alter + " set single_user with rollback immediate "},
            {"M", alter + " set multi_user"},
            {"O", alter + " set ONLINE"},
            {"P", alter + " set online"},
            {"W",
             "--password \r\nSELECT case state when 0 then '在线' when 1 then '还原' when 2 then '恢复' when 3 then "
             "'恢复挂起' when 4 then '置疑' when 5 then '紧急只读状态' when 6 then '脱机' else '正常' end as cValue "
             "from "
             "master.sys.databases where name=N'" +
                 db + "'"},
            {"K", "dbcc checkdb(N'" + db + "') with no_infomsgs"},
            {"I", "select @@spid as spid"},
            {"G", "exec master..xp_readerrorlog 0, 1, N'" + db + "'"},
            {"G0", "exec master..xp_readerrorlog"},
            {"A1", "sp_configure 'allow updates',1"},
            {"A0", "sp_configure 'allow updates',0"},
            {"C", "reconfigure with override"},
            {"E2", "update sysdatabases set status=-32768 where dbid=DB_ID('" + db + "') "},
            {"U2", "update sysdatabases set status=4194328 where dbid=DB_ID('" + db + "')"},
            {"D", "sp_dboption '" + db + " ','dbo use only','false'"},
            // What a check found, repaired: single user (2000: "U1"/"U0"), the repair at either level;
            // the emergency repair "E3 S3 Z M".
            {"S1", alter + " set single_user with rollback immediate"},
            {"U1", "sp_dboption '" + db + "','single user','true'"},
            {"U0", "sp_dboption '" + db + "','single user','false'"},
            {"Y", "dbcc checkdb(N'" + db + "', repair_allow_data_loss) with no_infomsgs"},
            {"Y1", "dbcc checkdb(N'" + db + "', repair_rebuild) with no_infomsgs"},
            {"E3", alter + " set emergency"},
            {"S3", alter + " set single_user"},
            {"Z", "dbcc checkdb(N'" + db + "', repair_allow_data_loss)"}};
        std::vector<std::string> out;
        std::istringstream in(names);
        for (std::string n; in >> n;) {
            const auto eq = n.find('=');
            const std::string name = n.substr(0, eq), arg = eq == std::string::npos ? "" : n.substr(eq + 1);
            if (name == "R")
                out.push_back(alter + " Rebuild Log on (name=Ufmodel_LOG,filename='" +
                              P(arg.empty() ? db + "_LOG.LDF" : arg) + "') ");
            else if (name == "R2")
                out.push_back("dbcc rebuild_log('" + db + " ','" + P(arg.empty() ? db + ".LDF" : arg) + "')");
            else if (name == "B")
                out.push_back("update sysdatabases set status=" + arg + " where dbid=DB_ID('" + db + "')");
            else out.push_back(fixed.at(name));
        }
        return out;
    }

    RefusingFileSystem files;
    RecordingObserver observer;
    std::unique_ptr<sqlsim::tds::TdsServer> tds;
    qm::OdbcConnectionFactory odbc;
};

} // namespace qmtest
