#pragma once
// One client connection: PRELOGIN, LOGIN7, then SQL batches and attentions until the client leaves
// or sends something malformed (then the connection is dropped without a reply).
#include "sqlsim/Engine.h"

#include <functional>
#include <memory>
#include <string>

namespace sqlsim::tds {

struct SessionConfig {
    std::string language;                // "en…" / "zh…" for the login messages; empty: the scenario's
    std::string serverName = "QUILLMERE";
    std::function<void(const std::string& sql, const BatchResult&)> onBatch;   // after each batch
    std::function<void(const std::string&)> log;                                // why a connection was dropped
};

void RunSession(int fd, uint16_t spid, Engine& engine, const SessionConfig& config);

} // namespace sqlsim::tds
