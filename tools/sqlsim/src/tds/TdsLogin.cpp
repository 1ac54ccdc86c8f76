#include "tds/TdsLogin.h"

#include "platform/Text.h"

#include <cstddef>

namespace sqlsim::tds {

namespace {

constexpr size_t kLogin7FixedMin = 86; // TDS 7.1 fixed part; 7.2 adds 8 more bytes

int NormalizeVersion(uint32_t le) {
    const uint32_t hi = le >> 24;
    if (hi >= 0x70 && hi <= 0x74) return int(hi);
    const uint32_t lo = le & 0xFF; // a byte-swapped value from an old client
    if (lo >= 0x70 && lo <= 0x74) return int(lo);
    if (le == 0x00000070 || hi == 0x07) return 0x71; // 0x07010000: SQL Server 2000 RTM clients
    return 0;
}

} // namespace

bool ParsePrelogin(const Bytes& payload) {
    Reader r(payload);
    for (int i = 0; i < 64; ++i) {
        uint8_t token = 0;
        if (!r.u8(token)) return false;
        if (token == 0xFF) return true;
        uint16_t offset = 0, length = 0;
        if (!r.u16be(offset) || !r.u16be(length)) return false;
        if (size_t(offset) + length > payload.size()) return false;
    }
    return false;
}

Bytes PreloginResponse(const ProductVersion& pv) {
    // Five options of 5 bytes each plus the terminator: data starts at 26.
    constexpr uint16_t kData = 26;
    Writer w;
    const uint8_t tokens[5] = {0x00, 0x01, 0x02, 0x03, 0x04};
    const uint16_t lengths[5] = {6, 1, 1, 0, 1};
    uint16_t offset = kData;
    for (int i = 0; i < 5; ++i) {
        w.u8(tokens[i]);
        w.u16be(offset);
        w.u16be(lengths[i]);
        offset = uint16_t(offset + lengths[i]);
    }
    w.u8(0xFF);
    w.u8(uint8_t(pv.major));
    w.u8(uint8_t(pv.minor));
    w.u16be(uint16_t(pv.build));
    w.u16be(0);
    w.u8(0x02); // ENCRYPT_NOT_SUP
    w.u8(0x00); // INSTOPT: the instance matched
    w.u8(0x00); // MARS off
    return w.take();
}

bool ParseLogin7(const Bytes& payload, Login7& out, std::string& why) {
    Reader r(payload);
    uint32_t length = 0, version = 0, packetSize = 0;
    if (!r.u32le(length) || !r.u32le(version) || !r.u32le(packetSize)) {
        why = "LOGIN7 shorter than its header";
        return false;
    }
    if (length < kLogin7FixedMin || length > payload.size()) {
        why = "LOGIN7 length out of range";
        return false;
    }
    out.version = NormalizeVersion(version);
    if (out.version == 0) {
        why = "unknown TDS version in LOGIN7";
        return false;
    }
    out.packetSize = packetSize;
    if (!r.seek(36)) {
        why = "LOGIN7 truncated";
        return false;
    }
    std::string* fields[9] = {&out.hostName, &out.userName, &out.password, &out.appName, &out.serverName,
                              nullptr,       nullptr,       &out.language, &out.database};
    for (int i = 0; i < 9; ++i) {
        uint16_t ib = 0, cch = 0;
        if (!r.u16le(ib) || !r.u16le(cch)) {
            why = "LOGIN7 offset table truncated";
            return false;
        }
        if (!fields[i]) continue; // extension block and client library name are not needed
        const size_t end = size_t(ib) + 2 * size_t(cch);
        if (end > length) {
            why = "LOGIN7 string beyond the message";
            return false;
        }
        std::u16string text(cch, u'\0');
        for (size_t k = 0; k < cch; ++k) {
            uint8_t lo = payload[ib + 2 * k], hi = payload[ib + 2 * k + 1];
            if (i == 2) { // password: XOR 0xA5, then swap the nibbles back
                lo = uint8_t(lo ^ 0xA5);
                hi = uint8_t(hi ^ 0xA5);
                lo = uint8_t((lo << 4) | (lo >> 4));
                hi = uint8_t((hi << 4) | (hi >> 4));
            }
            text[k] = char16_t(lo | (hi << 8));
        }
        *fields[i] = qm::Utf16ToUtf8(text);
    }
    return true;
}

Bytes ScramblePassword(std::string_view utf8) {
    Writer w;
    w.ucs2(qm::Utf8ToUtf16(utf8));
    Bytes b = w.take();
    for (uint8_t& x : b) x = uint8_t(((x << 4) | (x >> 4)) ^ 0xA5);
    return b;
}

} // namespace sqlsim::tds
