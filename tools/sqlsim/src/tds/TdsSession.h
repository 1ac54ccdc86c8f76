#pragma once
// One client connection: PRELOGIN, LOGIN7, then SQL batches and attentions until the client leaves
// or sends something malformed (then the connection is dropped without a reply). While a statement
// takes its time the session keeps reading, so an attention cancels it at once.
#include "sqlsim/Engine.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace sqlsim::tds {

struct SessionConfig {
    std::string language; // "en…" / "zh…" for the login messages; empty: the scenario's
    std::string serverName = "QUILLMERE";
    std::function<void(const std::string& sql, const BatchResult&)> onBatch; // after each batch
    std::function<void(const std::string&)> log;                             // why a connection was dropped
    // A batch containing this text (letter case ignored) is recorded and never answered: the server
    // goes away instead. Empty: never.
    std::string dropAt;
    // A batch containing this text (letter case ignored) is recorded and answered with a reply the
    // driver cannot read (a token no server sends); the connection stays up. Empty: never.
    std::string garbleAt;
};

// `dropServer` closes every connection and stops the listener; `dropped` says it happened. A session
// runs no batch after the drop, even one that reached its socket before it saw the connection end.
void RunSession(int fd, uint16_t spid, Engine& engine, const SessionConfig& config,
                const std::function<void()>& dropServer, const std::atomic<bool>& dropped);

} // namespace sqlsim::tds
