#pragma once
// An engine loaded from a scenario into a data folder of its own, and batches run as table rows: each
// row's outcome is compared as one line of text. The tool upper-cases data file paths, so the whole
// path the simulator shows must be upper case: the folder is named relative to /tmp, which the fixture
// makes the working folder for the test.
#include "sqlsim/Engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace simtest {

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Short reads of the simulator's model; the tool's own texts reach it through the product's tests.
inline std::string StateOf(const std::string& db) { return "select DATABASEPROPERTYEX('" + db + "','Status')"; }
inline std::string LogPathOf(const std::string& db) {
    return "select filename from sysaltfiles where fileid=2 and dbid=DB_ID('" + db + "')";
}

// A scenario's JSON: one database (`more` adds its members, each after a comma), and a server of
// `version` (`more`: members of the scenario) over databases joined with commas.
inline std::string Db(const std::string& name, const std::string& state, const std::string& more = "") {
    return R"({"name": ")" + name + R"(", "state": ")" + state + "\"" + more + "}";
}
inline std::string Scenario(const std::string& version, const std::string& databases, const std::string& more = "") {
    return R"({"version": ")" + version + R"(", "databases": [)" + databases + "]" + more + "}";
}

// A batch's outcome in one line: "!" and its message numbers when it failed; otherwise column `col`
// of its first result set ("NULL" for NULL), or its message numbers when it returned none.
inline std::string Line(const sqlsim::BatchResult& r, size_t col = 0) {
    std::string out;
    auto add = [&](const std::string& s) { out += (out.empty() ? "" : ",") + s; };
    if (r.failed || r.results.empty()) {
        for (const auto& m : r.messages) add(std::to_string(m.number));
        return (r.failed ? "!" : "") + out;
    }
    for (const auto& row : r.results[0].rows) {
        const auto& cell = row[col];
        add(cell.isNull                                                 ? "NULL"
            : r.results[0].columns[col].type == sqlsim::ColumnType::Int ? std::to_string(cell.i)
                                                                        : cell.s);
    }
    return out;
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path("/tmp");
        root = "QMSIM-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        dir = root + "/DATA";
    }
    void TearDown() override {
        engine.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        std::filesystem::current_path(oldCwd_, ec);
    }

    // `text` is a scenario in JSON, or the name of a shipped scenario file ending in .json; the data
    // folder starts empty.
    std::shared_ptr<sqlsim::Engine> Load(const std::string& text, const sqlsim::EngineOptions& options = {}) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::string error;
        engine = text.ends_with(".json")
                     ? sqlsim::Engine::FromFile(std::string(SQLSIM_SCENARIO_DIR) + "/" + text, dir, error, options)
                     : sqlsim::Engine::FromJson(text, dir, error, options);
        EXPECT_TRUE(engine) << error;
        return engine;
    }

    sqlsim::BatchResult Run(const std::string& sql) { return engine->Execute(sql); }
    std::string Got(const std::string& sql, size_t col = 0) { return Line(engine->Execute(sql), col); }
    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const auto& e : engine->Transcript()) out.push_back(e.sql);
        return out;
    }

    // `want` is the batch's Line; `text`, when given, the text of its first message (its last one with `last`).
    struct Step {
        std::string sql, want, text = "";
        bool last = false;
    };
    void Play(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            SCOPED_TRACE(s.sql);
            const auto r = engine->Execute(s.sql);
            EXPECT_EQ(Line(r), s.want);
            EXPECT_EQ(s.text.empty() || r.messages.empty() ? "" : (s.last ? r.messages.back() : r.messages[0]).text,
                      s.text);
        }
    }

    std::string P(const std::string& file) const { return dir + "/" + file; }

    std::string root, dir;
    std::shared_ptr<sqlsim::Engine> engine;

private:
    std::filesystem::path oldCwd_;
};

} // namespace simtest
