#pragma once
// A bare TDS client for protocol tests: sends exact bytes, reads whole replies, walks tokens.
#include "tds/TdsBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmtest {

using sqlsim::tds::Bytes;

class RawTdsClient {
public:
    ~RawTdsClient();
    bool Connect(uint16_t port);
    bool SendRaw(const Bytes& bytes);
    // One message in packets of at most `packetSize` bytes (header included).
    bool SendMessage(uint8_t type, const Bytes& payload, size_t packetSize = 4096);
    // A whole reply (packets up to EOM); false on timeout or close.
    bool ReadReply(Bytes& payload, int timeoutMs = 5000);
    // True when the server closes the connection before the deadline.
    bool WaitClosed(int timeoutMs = 5000);
    // PRELOGIN + LOGIN7; returns the login reply.
    bool Login(uint32_t tdsVersion, const std::string& user, const std::string& password, Bytes& reply,
               const std::string& database = "master");

private:
    bool ReadExact(uint8_t* p, size_t n, int timeoutMs);
    int fd_ = -1;
};

Bytes BuildPrelogin();
Bytes BuildLogin7(uint32_t tdsVersion, const std::string& user, const std::string& password,
                  const std::string& database);
Bytes BuildBatch(const std::string& sql, bool allHeaders);

struct Token {
    uint8_t type = 0;
    Bytes body;            // after the length field (or the fixed DONE body)
};
// Walks ENVCHANGE, INFO, ERROR, LOGINACK and DONE tokens; stops at anything else.
std::vector<Token> WalkTokens(const Bytes& payload, bool wideDone);
uint16_t DoneStatus(const Token& done);

} // namespace qmtest
