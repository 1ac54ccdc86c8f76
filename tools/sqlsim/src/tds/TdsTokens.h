#pragma once
// The server's token stream: login acknowledgement, environment changes, messages, result sets and
// DONE. Field widths that changed between protocol versions follow the version passed in
// (0x71 = TDS 7.1, 0x72 = 7.2, 0x73 = 7.3).
#include "sqlsim/Engine.h"
#include "tds/TdsBuffer.h"

#include <string>

namespace sqlsim::tds {

constexpr uint16_t kDoneFinal = 0x00;
constexpr uint16_t kDoneMore = 0x01;
constexpr uint16_t kDoneError = 0x02;
constexpr uint16_t kDoneCount = 0x10;
constexpr uint16_t kDoneAttn = 0x20;

// Chinese_PRC_CI_AS: LCID 0x0804, ignore case/kana/width, Windows collation.
constexpr uint8_t kCollation[5] = {0x04, 0x08, 0xD0, 0x00, 0x00};

int VersionForMajor(int major);        // 8 → 0x71, 9 → 0x72, 10 and later → 0x73
uint32_t LoginAckVersion(int version); // 0x71 → 0x71000001, 0x72 → 0x72090002, 0x73 → 0x730B0003

struct ProductVersion {
    int major = 0, minor = 0, build = 0;
};
ProductVersion ParseProductVersion(const std::string& text); // "9.00.4035.00"

void EnvChange(Writer& w, uint8_t type, std::u16string_view newValue, std::u16string_view oldValue);
void EnvChangeCollation(Writer& w);
void MessageToken(Writer& w, int version, const Message& m, std::u16string_view serverName);
void LoginAck(Writer& w, int version, const ProductVersion& pv);
void Done(Writer& w, int version, uint16_t status, uint16_t curCmd, uint64_t rows);
void ResultSetTokens(Writer& w, int version, const ResultSet& rs); // COLMETADATA, then one ROW per row

// The whole reply to a SQL batch: result sets, messages, and DONE tokens whose MORE flag is set on
// all but the last.
Bytes BatchResponse(const BatchResult& r, int version, std::u16string_view serverName);

} // namespace sqlsim::tds
