#pragma once
// The two messages that open a connection: PRELOGIN (answered without encryption) and LOGIN7.
#include "tds/TdsBuffer.h"
#include "tds/TdsTokens.h"

#include <string>

namespace sqlsim::tds {

// Checks the client's PRELOGIN option table; false when it is malformed.
bool ParsePrelogin(const Bytes& payload);
// VERSION, ENCRYPTION = not supported, INSTOPT, THREADID, MARS = off. MARS is always present:
// newer clients fall back to TDS 7.1 when it is missing.
Bytes PreloginResponse(const ProductVersion& pv);

struct Login7 {
    int version = 0; // 0x70 … 0x74, from the client's TDSVersion
    uint32_t packetSize = 4096;
    std::string hostName, userName, password, appName, serverName, language, database;
};

// False (with a reason for the log) when a length or offset does not fit the message.
bool ParseLogin7(const Bytes& payload, Login7& out, std::string& why);

// Client-side password scrambling (nibble swap, then XOR 0xA5), for tests and tools that log in.
Bytes ScramblePassword(std::string_view utf8);

} // namespace sqlsim::tds
