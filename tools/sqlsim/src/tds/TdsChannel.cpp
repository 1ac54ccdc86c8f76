#include "tds/TdsChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <sys/socket.h>
#include <sys/types.h>

namespace sqlsim::tds {

bool Channel::ReadExact(uint8_t* p, size_t n, bool& closedCleanly) {
    size_t got = 0;
    closedCleanly = false;
    while (got < n) {
        const ssize_t k = ::recv(fd_, p + got, n - got, 0);
        if (k > 0) {
            got += size_t(k);
            continue;
        }
        if (k < 0 && errno == EINTR) continue;
        closedCleanly = (k == 0 && got == 0);
        return false;
    }
    return true;
}

namespace {

// Anything else is not a TDS client (an HTTP probe, noise): refuse it at the first header.
bool KnownClientType(uint8_t t) {
    return t == kPktSqlBatch || t == kPktRpc || t == kPktAttention || t == kPktTransaction || t == kPktLogin7 ||
           t == kPktPrelogin || t == 0x02 /* TDS 4.2 login */ || t == 0x07 /* bulk load */ || t == 0x11 /* SSPI */;
}

} // namespace

ReadStatus Channel::Read(uint8_t& type, Bytes& payload) {
    payload.clear();
    bool first = true;
    for (;;) {
        uint8_t header[8];
        bool clean = false;
        if (!ReadExact(header, sizeof header, clean))
            return (clean && first) ? ReadStatus::Closed : ReadStatus::Malformed;
        const uint8_t ptype = header[0];
        const uint8_t status = header[1];
        const size_t length = (size_t(header[2]) << 8) | header[3];
        if (length < 8 || length > kMaxPacket || !KnownClientType(ptype)) return ReadStatus::Malformed;
        const size_t body = length - 8;
        if (!first && ptype != type) {
            if (ptype != kPktAttention) return ReadStatus::Malformed;
            payload.clear(); // the client gave up on the message it was sending
        }
        type = ptype;
        first = false;
        if (payload.size() + body > kMaxMessage) return ReadStatus::Malformed;
        const size_t at = payload.size();
        payload.resize(at + body);
        if (body > 0 && !ReadExact(payload.data() + at, body, clean)) return ReadStatus::Malformed;
        if (status & 0x01) return ReadStatus::Ok;
    }
}

bool Channel::Send(uint8_t type, const Bytes& payload) {
    const size_t chunk = (packetSize_ >= 512 && packetSize_ <= kMaxPacket ? packetSize_ : 4096) - 8;
    size_t off = 0;
    do {
        const size_t n = std::min(chunk, payload.size() - off);
        const bool last = off + n == payload.size();
        Bytes pkt;
        pkt.reserve(n + 8);
        const size_t len = n + 8;
        const uint8_t header[8] = {type,
                                   uint8_t(last ? 0x01 : 0x00),
                                   uint8_t(len >> 8),
                                   uint8_t(len),
                                   uint8_t(spid_ >> 8),
                                   uint8_t(spid_),
                                   packetId_++,
                                   0};
        pkt.insert(pkt.end(), header, header + 8);
        pkt.insert(pkt.end(), payload.begin() + std::ptrdiff_t(off), payload.begin() + std::ptrdiff_t(off + n));
        size_t sent = 0;
        while (sent < pkt.size()) {
            const ssize_t k = ::send(fd_, pkt.data() + sent, pkt.size() - sent, MSG_NOSIGNAL);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) return false;
            sent += size_t(k);
        }
        off += n;
    } while (off < payload.size());
    return true;
}

} // namespace sqlsim::tds
