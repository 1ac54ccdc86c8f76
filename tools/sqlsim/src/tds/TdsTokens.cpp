#include "tds/TdsTokens.h"

#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace sqlsim::tds {

namespace {

constexpr uint8_t kTokColMetadata = 0x81;
constexpr uint8_t kTokRow = 0xD1;
constexpr uint8_t kTokError = 0xAA;
constexpr uint8_t kTokInfo = 0xAB;
constexpr uint8_t kTokLoginAck = 0xAD;
constexpr uint8_t kTokEnvChange = 0xE3;
constexpr uint8_t kTokDone = 0xFD;
constexpr uint8_t kTypeIntN = 0x26;
constexpr uint8_t kTypeNVarChar = 0xE7;
constexpr uint16_t kCurCmdSelect = 0xC1;
// NVARCHAR(4000) is the widest column without the 7.2-only MAX form.
constexpr size_t kMaxTextUnits = 4000;
constexpr size_t kMaxMessageUnits = 4000;

std::u16string CellText(const Cell& c) {
    std::u16string s = qm::Utf8ToUtf16(c.s);
    if (s.size() > kMaxTextUnits) {
        size_t cut = kMaxTextUnits;
        if (s[cut - 1] >= 0xD800 && s[cut - 1] <= 0xDBFF) --cut; // keep surrogate pairs whole
        s.resize(cut);
    }
    return s;
}

} // namespace

int VersionForMajor(int major) {
    if (major <= 8) return 0x71;
    if (major == 9) return 0x72;
    return 0x73;
}

uint32_t LoginAckVersion(int version) {
    switch (version) {
    case 0x70: return 0x70000000;
    case 0x71: return 0x71000001;
    case 0x72: return 0x72090002;
    default: return 0x730B0003;
    }
}

ProductVersion ParseProductVersion(const std::string& text) {
    ProductVersion pv;
    int* parts[3] = {&pv.major, &pv.minor, &pv.build};
    const char* p = text.c_str();
    for (int i = 0; i < 3 && *p; ++i) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p) break;
        *parts[i] = int(std::clamp(v, 0L, 65535L));
        p = *end == '.' ? end + 1 : end;
        if (*end != '.') break;
    }
    return pv;
}

void EnvChange(Writer& w, uint8_t type, std::u16string_view newValue, std::u16string_view oldValue) {
    newValue = newValue.substr(0, 255);
    oldValue = oldValue.substr(0, 255);
    w.u8(kTokEnvChange);
    w.u16le(uint16_t(1 + 1 + 2 * newValue.size() + 1 + 2 * oldValue.size()));
    w.u8(type);
    w.bVarchar(newValue);
    w.bVarchar(oldValue);
}

void EnvChangeCollation(Writer& w) {
    w.u8(kTokEnvChange);
    w.u16le(1 + 1 + 5 + 1);
    w.u8(7);
    w.u8(5);
    w.bytes(kCollation, 5);
    w.u8(0);
}

void MessageToken(Writer& w, int version, const Message& m, std::u16string_view serverName) {
    std::u16string text = qm::Utf8ToUtf16(m.text);
    if (text.size() > kMaxMessageUnits) text.resize(kMaxMessageUnits);
    serverName = serverName.substr(0, 255);
    w.u8(m.severity > 10 ? kTokError : kTokInfo);
    const size_t lenAt = w.size();
    w.u16le(0);
    const size_t start = w.size();
    w.u32le(uint32_t(m.number));
    w.u8(uint8_t(std::clamp(m.state, 0, 255)));
    w.u8(uint8_t(std::clamp(m.severity, 0, 25)));
    w.usVarchar(text);
    w.bVarchar(serverName);
    w.bVarchar(u"");
    if (version >= 0x72) w.u32le(1);
    else w.u16le(1);
    w.patchU16le(lenAt, uint16_t(w.size() - start));
}

void LoginAck(Writer& w, int version, const ProductVersion& pv) {
    static const std::u16string kProgName = u"Microsoft SQL Server";
    w.u8(kTokLoginAck);
    w.u16le(uint16_t(1 + 4 + 1 + 2 * kProgName.size() + 4));
    w.u8(1); // SQL_TSQL
    w.u32be(LoginAckVersion(version));
    w.bVarchar(kProgName);
    w.u8(uint8_t(pv.major));
    w.u8(uint8_t(pv.minor));
    w.u8(uint8_t(pv.build >> 8));
    w.u8(uint8_t(pv.build));
}

void Done(Writer& w, int version, uint16_t status, uint16_t curCmd, uint64_t rows) {
    w.u8(kTokDone);
    w.u16le(status);
    w.u16le(curCmd);
    if (version >= 0x72) w.u64le(rows);
    else w.u32le(uint32_t(std::min<uint64_t>(rows, UINT32_MAX)));
}

void ResultSetTokens(Writer& w, int version, const ResultSet& rs) {
    const size_t ncols = std::min<size_t>(rs.columns.size(), 4096);
    // Column widths come from the data: INT unless a value needs BIGINT, NVARCHAR as wide as the longest.
    std::vector<uint8_t> intWidth(ncols, 4);
    std::vector<uint16_t> textBytes(ncols, 2);
    for (const auto& row : rs.rows)
        for (size_t c = 0; c < ncols && c < row.size(); ++c) {
            const Cell& cell = row[c];
            if (cell.isNull) continue;
            if (rs.columns[c].type == ColumnType::Int) {
                if (cell.i < INT_MIN || cell.i > INT_MAX) intWidth[c] = 8;
            } else {
                const size_t bytes = 2 * CellText(cell).size();
                textBytes[c] = uint16_t(std::max<size_t>(textBytes[c], bytes));
            }
        }

    w.u8(kTokColMetadata);
    w.u16le(uint16_t(ncols));
    for (size_t c = 0; c < ncols; ++c) {
        if (version >= 0x72) w.u32le(0);
        else w.u16le(0);
        w.u16le(0x0001); // nullable
        if (rs.columns[c].type == ColumnType::Int) {
            w.u8(kTypeIntN);
            w.u8(intWidth[c]);
        } else {
            w.u8(kTypeNVarChar);
            w.u16le(textBytes[c]);
            w.bytes(kCollation, 5);
        }
        w.bVarchar(qm::Utf8ToUtf16(rs.columns[c].name));
    }
    for (const auto& row : rs.rows) {
        w.u8(kTokRow);
        for (size_t c = 0; c < ncols; ++c) {
            const Cell null;
            const Cell& cell = c < row.size() ? row[c] : null;
            if (rs.columns[c].type == ColumnType::Int) {
                if (cell.isNull) {
                    w.u8(0);
                } else if (intWidth[c] == 8) {
                    w.u8(8);
                    w.u64le(uint64_t(cell.i));
                } else {
                    w.u8(4);
                    w.u32le(uint32_t(int32_t(cell.i)));
                }
            } else if (cell.isNull) {
                w.u16le(0xFFFF);
            } else {
                const std::u16string s = CellText(cell);
                w.u16le(uint16_t(2 * s.size()));
                w.ucs2(s);
            }
        }
    }
}

Bytes BatchResponse(const BatchResult& r, int version, std::u16string_view serverName) {
    Writer w;
    std::vector<const ResultSet*> sets;
    for (const ResultSet& rs : r.results)
        if (!rs.columns.empty()) sets.push_back(&rs);

    const bool trailingDone = sets.empty() || !r.messages.empty() || r.rowsAffected >= 0;
    for (size_t i = 0; i < sets.size(); ++i) {
        ResultSetTokens(w, version, *sets[i]);
        const bool last = !trailingDone && i + 1 == sets.size();
        uint16_t status = kDoneCount | (last ? kDoneFinal : kDoneMore);
        if (last && r.failed) status |= kDoneError;
        Done(w, version, status, kCurCmdSelect, sets[i]->rows.size());
    }
    if (trailingDone) {
        for (const Message& m : r.messages) MessageToken(w, version, m, serverName);
        uint16_t status = kDoneFinal;
        if (r.failed) status |= kDoneError;
        if (r.rowsAffected >= 0 && !r.failed) status |= kDoneCount;
        Done(w, version, status, 0, r.rowsAffected >= 0 ? uint64_t(r.rowsAffected) : 0);
    }
    return w.take();
}

} // namespace sqlsim::tds
