#pragma once
// The tool's Connection interface over a simulator engine, without a network: fast engine tests.
#include "platform/Connection.h"
#include "sqlsim/Engine.h"

#include <memory>

namespace sqlsim {

// Open() parses the ADO-style text (Uid/Pwd checked against the scenario's logins, Database must exist);
// Execute() runs the batch through the engine and reports errors as the ODBC adapter would.
std::shared_ptr<qm::Connection> MakeInProcessConnection(std::shared_ptr<Engine> engine);

class InProcessConnectionFactory : public qm::ConnectionFactory {
public:
    explicit InProcessConnectionFactory(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}
    std::shared_ptr<qm::Connection> Create() override { return MakeInProcessConnection(engine_); }

private:
    std::shared_ptr<Engine> engine_;
};

} // namespace sqlsim
