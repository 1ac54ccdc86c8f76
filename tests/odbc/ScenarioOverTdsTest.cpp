// The tool's own statements over ODBC + FreeTDS against the real simulator engine and its scenario
// files: version and discovery queries, a refused log rebuild, server messages, the transcript, and
// the quillmere-sqlsim program as the end-to-end harness starts it.
#include "platform/OdbcConnection.h"
#include "sqlsim/Engine.h"
#include "sqlsim/ToolTexts.h"
#include "tds/TdsServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace qmtest {
namespace {

namespace fs = std::filesystem;

std::string MakeDataDir() {
    char tmpl[] = "/tmp/QM-TDSTEST-XXXXXX";
    const char* made = mkdtemp(tmpl);
    const std::string dir = std::string(made ? made : "/tmp/QM-TDSTEST") + "/DATA";
    fs::create_directories(dir);
    return dir;
}

class ScenarioOverTds : public ::testing::Test {
protected:
    void TearDown() override {
        server.reset();
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(fs::path(dir).parent_path(), ec);
    }
    void Serve(const std::string& scenario) {
        dir = MakeDataDir();
        std::string error;
        engine = sqlsim::Engine::FromFile(std::string(QM_SCENARIO_DIR) + "/" + scenario, dir, error);
        ASSERT_TRUE(engine) << error;
        server = std::make_unique<sqlsim::tds::TdsServer>(engine, sqlsim::tds::SessionConfig{});
        ASSERT_TRUE(server->Start(0, error)) << error;
    }
    std::string Text(const std::string& db, const std::string& pwd) const {
        return "Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(server->Port()) + ";Database=" + db +
               ";Uid=sa;Pwd=" + pwd + ";";
    }
    std::shared_ptr<qm::Connection> Open(const std::string& pwd, const std::string& db = "master") {
        auto c = factory.Create();
        std::string error;
        EXPECT_TRUE(c->Open(Text(db, pwd), error)) << error;
        return c;
    }

    std::string dir;
    std::shared_ptr<sqlsim::Engine> engine;
    std::unique_ptr<sqlsim::tds::TdsServer> server;
    qm::OdbcConnectionFactory factory;
};

TEST_F(ScenarioOverTds, VersionQueryAtEachRelease) {
    struct Case { const char* scenario; const char* pwd; const char* version; };
    for (const Case& c : {Case{"sql2000-u8.json", "", "8.00.2039"}, Case{"sql2005-u8.json", "sa123", "9.00.4035.00"}}) {
        SCOPED_TRACE(c.scenario);
        TearDown();
        Serve(c.scenario);
        auto conn = Open(c.pwd);
        qm::SqlResult r = conn->Execute(simtest::kVersionQuery);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.recordset.rows.size(), 1u);
        EXPECT_EQ(r.recordset.columns, (std::vector<std::string>{"productversion", "version"}));
        EXPECT_EQ(r.recordset.rows[0][0], qm::Value::Text(c.version));
    }
}

TEST_F(ScenarioOverTds, LoginIsCheckedAgainstTheScenario) {
    Serve("sql2005-u8.json");
    auto c = factory.Create();
    std::string error;
    EXPECT_FALSE(c->Open(Text("master", "wrong"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    // No UFTSystem in a U8 scenario: the login's database cannot be opened. The server sends 4060
    // (class 11) then 18456 (class 14); FreeTDS ranks its records by class, so 18456 comes first.
    auto d = factory.Create();
    EXPECT_FALSE(d->Open(Text("UFTSystem", "sa123"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(d->State(), 0);
    EXPECT_EQ(Open("sa123", "Tempdb")->State(), 1);
}

TEST_F(ScenarioOverTds, DiscoveryKeepsChineseNamesAndText) {
    for (const char* scenario : {"sql2005-u8.json", "sql2000-u8.json"}) {
        SCOPED_TRACE(scenario);
        TearDown();
        Serve(scenario);
        const bool is2000 = std::string(scenario) == "sql2000-u8.json";
        auto c = Open(is2000 ? "" : "sa123");
        qm::SqlResult r = c->Execute(is2000 ? simtest::kQ4 : simtest::kQ1);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.recordset.columns,
                  (std::vector<std::string>{"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"}));
        ASSERT_FALSE(r.recordset.rows.empty());
        const auto& first = r.recordset.rows[0];
        EXPECT_EQ(first[0].toText(), is2000 ? "UFDATA_001_2008" : "UFDATA_001_2015");
        EXPECT_EQ(first[3].toText(), "演示公司");
        EXPECT_EQ(first[5].toText(), dir + "/" + first[0].toText() + ".MDF");
    }
}

TEST_F(ScenarioOverTds, RefusedRebuildAndMessagesAndTranscript) {
    Serve("sql2005-u8.json");
    auto c = Open("sa123");
    const std::string log = dir + "/UFDATA_001_2015_LOG.LDF";
    const std::vector<std::string> sent = {
        "alter database UFDATA_001_2015 set emergency ",
        "alter database UFDATA_001_2015 Rebuild Log on (name=Ufmodel_LOG,filename='" + log + "') ",
        "sp_configure 'allow updates',1",
    };
    qm::SqlResult emergency = c->Execute(sent[0]);
    EXPECT_TRUE(emergency.ok) << emergency.error;
    qm::SqlResult rebuild = c->Execute(sent[1]);
    EXPECT_FALSE(rebuild.ok);
    EXPECT_NE(rebuild.error.find("应该重命名或删除它"), std::string::npos) << rebuild.error;
    EXPECT_EQ(rebuild.errorNumber, 5025);
    qm::SqlResult configure = c->Execute(sent[2]);
    EXPECT_TRUE(configure.ok) << configure.error;
    ASSERT_FALSE(configure.messages.empty());
    EXPECT_EQ(configure.messages.back().number, 15457);
    EXPECT_LE(configure.messages.back().severity, 10);

    const auto transcript = engine->Transcript();
    ASSERT_EQ(transcript.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(transcript[i].sql, sent[i]);
    EXPECT_FALSE(transcript[0].failed);
    EXPECT_TRUE(transcript[1].failed);
    EXPECT_EQ(transcript[1].number, 5025);
    EXPECT_EQ(transcript[1].message, rebuild.error);
}

// The program as the harness runs it: port line first, transcript file, clean stop on SIGTERM.
TEST(SqlsimProgram, ListensReportsItsPortWritesTheTranscriptAndStops) {
    const std::string dataDir = MakeDataDir();
    const std::string transcript = fs::path(dataDir).parent_path().string() + "/transcript.jsonl";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        const std::string scenario = std::string(QM_SCENARIO_DIR) + "/sql2005-u8.json";
        execl(QM_SQLSIM_BIN, QM_SQLSIM_BIN, "--scenario", scenario.c_str(), "--data-dir", dataDir.c_str(), "--port",
              "0", "--transcript", transcript.c_str(), "--language", "en", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* f = fdopen(out[0], "r");
    char line[256] = {};
    // fgets returns at the first newline, or at EOF when the program died; the test timeout bounds it.
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    const std::string portLine = line;
    const std::string prefix = "listening on 127.0.0.1:";
    ASSERT_EQ(portLine.rfind(prefix, 0), 0u) << portLine;
    const int port = std::stoi(portLine.substr(prefix.size()));
    ASSERT_GT(port, 0);

    {
        qm::OdbcConnectionFactory factory;
        auto c = factory.Create();
        std::string error;
        ASSERT_TRUE(c->Open("Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(port) +
                                ";Database=master;Uid=sa;Pwd=sa123;",
                            error))
            << error;
        EXPECT_TRUE(c->Execute(simtest::kVersionQuery).ok);
        qm::SqlResult bad = c->Execute("select name from nosuchtable");
        EXPECT_FALSE(bad.ok);
        EXPECT_EQ(bad.error, "Invalid object name 'nosuchtable'.");
    }

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    fclose(f);
    EXPECT_EQ(done, pid) << "did not stop on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::ifstream t(transcript);
    std::vector<std::string> lines;
    for (std::string l; std::getline(t, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 2u);
    const auto first = nlohmann::json::parse(lines[0], nullptr, false);
    const auto second = nlohmann::json::parse(lines[1], nullptr, false);
    EXPECT_EQ(first.value("sql", ""), simtest::kVersionQuery);
    EXPECT_TRUE(first["error"].is_null());
    EXPECT_EQ(second.value("sql", ""), "select name from nosuchtable");
    EXPECT_EQ(second["error"].value("number", 0), 208);
    std::error_code ec;
    fs::remove_all(fs::path(dataDir).parent_path(), ec);
}

} // namespace
} // namespace qmtest
