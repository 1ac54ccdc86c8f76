#pragma once
// A fresh upper-case data folder per test and an engine loaded from a scenario text or file.
#include "sqlsim/Engine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace simtest {

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

class SimTest : public ::testing::Test {
protected:
    void TearDown() override {
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(std::filesystem::path(dir).parent_path(), ec);
        dir.clear();
    }

    // `text` is a scenario in JSON, or the name of a shipped scenario file ending in .json.
    std::shared_ptr<sqlsim::Engine> Load(const std::string& text, const sqlsim::EngineOptions& options = {}) {
        if (dir.empty()) {
            char tmpl[] = "/tmp/QM-SIMTEST-XXXXXX";
            dir = std::string(mkdtemp(tmpl)) + "/DATA";
            std::filesystem::create_directories(dir);
        }
        std::string error;
        engine = text.ends_with(".json")
                     ? sqlsim::Engine::FromFile(std::string(SQLSIM_SCENARIO_DIR) + "/" + text, dir, error, options)
                     : sqlsim::Engine::FromJson(text, dir, error, options);
        EXPECT_TRUE(engine) << error;
        return engine;
    }

    sqlsim::BatchResult Run(const std::string& sql) { return engine->Execute(sql); }

    // The single value of a one-row query, as text ("NULL" for NULL, "<none>" without a row).
    std::string Value(const std::string& sql) {
        auto r = engine->Execute(sql);
        if (r.failed) return "<error " + std::to_string(r.messages.empty() ? 0 : r.messages[0].number) + ">";
        if (r.results.empty() || r.results[0].rows.empty()) return "<none>";
        const auto& cell = r.results[0].rows[0][0];
        if (cell.isNull) return "NULL";
        return r.results[0].columns[0].type == sqlsim::ColumnType::Int ? std::to_string(cell.i) : cell.s;
    }

    // First error of a batch: number and text.
    static std::pair<int, std::string> FirstError(const sqlsim::BatchResult& r) {
        for (const auto& m : r.messages) {
            if (m.severity > 10) return {m.number, m.text};
        }
        return {0, ""};
    }

    // Every message number of a batch, in order.
    static std::vector<int> Numbers(const sqlsim::BatchResult& r) {
        std::vector<int> out;
        for (const auto& m : r.messages) out.push_back(m.number);
        return out;
    }

    std::string P(const std::string& file) const { return dir + "/" + file; }

    std::string dir;
    std::shared_ptr<sqlsim::Engine> engine;
};

} // namespace simtest
