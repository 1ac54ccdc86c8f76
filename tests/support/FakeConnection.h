#pragma once
// A scripted connection for unit tests that need no simulator: answers through a handler, records what
// was sent.
#include "platform/Connection.h"

#include <functional>
#include <string>
#include <vector>

namespace qmtest {

class FakeConnection : public qm::Connection {
public:
    bool Open(const std::string& cs, std::string& error) override {
        connectionString = cs;
        if (!openError.empty()) return error = openError, false;
        return state = 1, true;
    }
    int State() const override { return state; }
    void SetCommandTimeout(int s) override { timeout = s; }
    int CommandTimeout() const override { return timeout; }
    const std::string& ConnectionString() const override { return connectionString; }
    void Cancel() override { ++cancels; }
    qm::SqlResult Execute(const std::string& sql) override {
        sent.push_back(sql);
        return handler ? handler(sql) : Fail("unexpected statement: " + sql);
    }

    static qm::SqlResult Rows(std::vector<std::string> cols, std::vector<std::vector<qm::Value>> rows) {
        qm::SqlResult r;
        r.ok = true, r.recordset = {std::move(cols), std::move(rows)};
        return r;
    }
    // One text column; a row per value.
    static qm::SqlResult Column(const std::string& name, const std::vector<std::string>& values) {
        std::vector<std::vector<qm::Value>> rows;
        for (const auto& v : values) rows.push_back({qm::Value::Text(v)});
        return Rows({name}, std::move(rows));
    }
    static qm::SqlResult Fail(std::string text, long number = 0) {
        qm::SqlResult r;
        r.error = text, r.errorNumber = number, r.messages = {{number, 16, std::move(text)}};
        return r;
    }

    int state = 0, timeout = -1, cancels = 0;
    std::string connectionString, openError;
    std::function<qm::SqlResult(const std::string&)> handler;
    std::vector<std::string> sent;
};

class FakeConnectionFactory : public qm::ConnectionFactory {
public:
    std::shared_ptr<qm::Connection> Create() override {
        auto& c = created.emplace_back(std::make_shared<FakeConnection>());
        if (prepare) prepare(*c);
        return c;
    }
    std::function<void(FakeConnection&)> prepare;
    std::vector<std::shared_ptr<FakeConnection>> created;
};

} // namespace qmtest
