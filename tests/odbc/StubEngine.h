#pragma once
// A scripted engine for the TDS front end: answers each batch through a handler and records what it
// received, so protocol tests do not depend on the catalogue; and the server and client around it.
#include "platform/OdbcConnection.h"
#include "sqlsim/Engine.h"
#include "tds/TdsServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>

namespace qmtest {

class StubEngine : public sqlsim::Engine {
public:
    explicit StubEngine(int major = 9) : major_(major) {}

    std::function<sqlsim::BatchResult(const std::string&)> handler;
    std::map<std::string, std::string> logins{{"sa", ""}};

    std::optional<sqlsim::Message> CheckLogin(const std::string& user, const std::string& password) override {
        if (auto it = logins.find(user); it != logins.end() && it->second == password) return std::nullopt;
        return sqlsim::Message{18456, 1, 14, "用户 '" + user + "' 登录失败。"};
    }
    sqlsim::BatchResult Execute(const std::string& sql) override {
        std::unique_lock lock(mu_);
        last_ = sql;
        lock.unlock();
        return handler ? handler(sql) : sqlsim::BatchResult{};
    }
    std::string LastBatch() const {
        std::lock_guard lock(mu_);
        return last_;
    }
    std::vector<sqlsim::TranscriptEntry> Transcript() const override { return {}; }
    void ClearTranscript() override {}
    void AddFault(const sqlsim::Fault&) override {}
    std::optional<sqlsim::Message> CheckDatabase(const std::string&) override { return std::nullopt; }
    bool SetTranscriptFile(const std::string&, std::string&) override { return true; }
    std::string TranscriptJsonLines() const override { return {}; }
    bool English() const override { return false; }
    std::string Edition() const override { return "Standard Edition"; }
    std::string ProductVersion() const override {
        return major_ == 8 ? "8.00.2039" : major_ == 9 ? "9.00.4035.00" : "10.00.5500.00";
    }
    int MajorVersion() const override { return major_; }
    std::string DataDir() const override { return "/TMP"; }

private:
    int major_;
    mutable std::mutex mu_;
    std::string last_;
};

// The TDS front end on an ephemeral port of 127.0.0.1 over an engine, and the product's ODBC adapter
// reaching it with the tool's own connection text.
template <class E>
struct TdsRig {
    explicit TdsRig(std::shared_ptr<E> e, const sqlsim::tds::SessionConfig& config = {})
        : engine(std::move(e)), server(engine, config) {
        std::string error;
        EXPECT_TRUE(server.Start(0, error)) << error;
    }
    // As the tool writes it; `pwd` as it stands in the text.
    std::shared_ptr<qm::Connection> Open(const std::string& pwd = "") {
        auto c = factory.Create();
        std::string error, text = "Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(server.Port());
        EXPECT_TRUE(c->Open(text + ";Database=master;Uid=sa;Pwd=" + pwd + ";", error)) << error;
        return c;
    }
    std::shared_ptr<E> engine;
    sqlsim::tds::TdsServer server;
    qm::OdbcConnectionFactory factory;
};

// Over a StubEngine of the given release.
struct StubServer : TdsRig<StubEngine> {
    explicit StubServer(int major = 9) : TdsRig(std::make_shared<StubEngine>(major)) {}
};

} // namespace qmtest
