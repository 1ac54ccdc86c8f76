#include "RawTdsClient.h"

#include "tds/TdsLogin.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qmtest {

using sqlsim::tds::U16;
using sqlsim::tds::Writer;

RawTdsClient::~RawTdsClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool RawTdsClient::Connect(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool RawTdsClient::SendRaw(const Bytes& b) {
    size_t sent = 0;
    while (sent < b.size()) {
        const ssize_t k = ::send(fd_, b.data() + sent, b.size() - sent, MSG_NOSIGNAL);
        if (k <= 0) return false;
        sent += size_t(k);
    }
    return true;
}

bool RawTdsClient::SendMessage(uint8_t type, const Bytes& payload, size_t packetSize) {
    const size_t chunk = packetSize - 8;
    size_t off = 0;
    uint8_t id = 1;
    do {
        const size_t n = std::min(chunk, payload.size() - off);
        const bool last = off + n == payload.size();
        Bytes pkt = {type, uint8_t(last ? 1 : 0), uint8_t((n + 8) >> 8), uint8_t(n + 8), 0, 0, id++, 0};
        pkt.insert(pkt.end(), payload.begin() + std::ptrdiff_t(off), payload.begin() + std::ptrdiff_t(off + n));
        if (!SendRaw(pkt)) return false;
        off += n;
    } while (off < payload.size());
    return true;
}

bool RawTdsClient::ReadExact(uint8_t* p, size_t n, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t got = 0;
    while (got < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, int(left.count())) <= 0) continue;
        const ssize_t k = ::recv(fd_, p + got, n - got, 0);
        if (k <= 0) return false;
        got += size_t(k);
    }
    return true;
}

bool RawTdsClient::ReadReply(Bytes& payload, int timeoutMs) {
    payload.clear();
    for (;;) {
        uint8_t h[8];
        if (!ReadExact(h, 8, timeoutMs)) return false;
        const size_t len = (size_t(h[2]) << 8) | h[3];
        if (h[0] != 0x04 || len < 8) return false;
        const size_t at = payload.size();
        payload.resize(at + len - 8);
        if (len > 8 && !ReadExact(payload.data() + at, len - 8, timeoutMs)) return false;
        if (h[1] & 1) return true;
    }
}

bool RawTdsClient::WaitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t buf[512];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, int(left.count())) <= 0) continue;
        const ssize_t k = ::recv(fd_, buf, sizeof buf, 0);
        if (k == 0 || (k < 0 && errno == ECONNRESET)) return true;
        if (k < 0) return false;
    }
}

bool RawTdsClient::Login(uint32_t tdsVersion, const std::string& user, const std::string& password, Bytes& reply,
                         const std::string& database) {
    Bytes pre;
    return SendMessage(0x12, BuildPrelogin()) && ReadReply(pre) &&
           SendMessage(0x10, BuildLogin7(tdsVersion, user, password, database)) && ReadReply(reply);
}

Bytes BuildPrelogin() {
    // VERSION and ENCRYPTION (off), as a plain client sends them.
    return {0x00, 0x00, 0x0B, 0x00, 0x06, 0x01, 0x00, 0x11, 0x00, 0x01, 0xFF,
            0x01, 0x03, 0x00, 0x11, 0x00, 0x00, 0x00};
}

Bytes BuildLogin7(uint32_t tdsVersion, const std::string& user, const std::string& password,
                  const std::string& database) {
    const bool v72 = (tdsVersion >> 24) >= 0x72;
    const size_t fixed = v72 ? 94 : 86;
    const std::u16string strings[9] = {u"testhost", U16(user), U16(password), u"rawclient", u"127.0.0.1",
                                       u"",         u"raw",    u"",            U16(database)};
    Writer data;
    Writer head;
    head.u32le(0);   // patched below
    head.u32le(tdsVersion);
    head.u32le(4096);
    head.u32le(0);
    head.u32le(1234);
    head.u32le(0);
    head.u8(0xE0);
    head.u8(0x03);
    head.u8(0);
    head.u8(0);
    head.u32le(0);
    head.u32le(0x0804);
    size_t offset = fixed;
    for (int i = 0; i < 9; ++i) {
        head.u16le(uint16_t(offset));
        head.u16le(uint16_t(strings[i].size()));
        if (i == 2) {
            data.bytes(sqlsim::tds::ScramblePassword(password));
        } else {
            data.ucs2(strings[i]);
        }
        offset += 2 * strings[i].size();
    }
    for (int i = 0; i < 6; ++i) head.u8(0);   // ClientID
    head.u16le(uint16_t(offset));   // SSPI
    head.u16le(0);
    head.u16le(uint16_t(offset));   // AtchDBFile
    head.u16le(0);
    if (v72) {
        head.u16le(uint16_t(offset));   // ChangePassword
        head.u16le(0);
        head.u32le(0);                  // cbSSPILong
    }
    Bytes out = head.take();
    out.insert(out.end(), data.data().begin(), data.data().end());
    const uint32_t len = uint32_t(out.size());
    for (int i = 0; i < 4; ++i) out[size_t(i)] = uint8_t(len >> (8 * i));
    return out;
}

Bytes BuildBatch(const std::string& sql, bool allHeaders) {
    Writer w;
    if (allHeaders) {
        w.u32le(22);
        w.u32le(18);
        w.u16le(2);
        w.u64le(0);
        w.u32le(1);
    }
    w.ucs2(U16(sql));
    return w.take();
}

std::vector<Token> WalkTokens(const Bytes& p, bool wideDone) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < p.size()) {
        Token t;
        t.type = p[i++];
        size_t len = 0;
        if (t.type == 0xFD || t.type == 0xFE || t.type == 0xFF) {
            len = wideDone ? 12 : 8;
        } else if (t.type == 0xE3 || t.type == 0xAA || t.type == 0xAB || t.type == 0xAD) {
            if (i + 2 > p.size()) break;
            len = size_t(p[i]) | (size_t(p[i + 1]) << 8);
            i += 2;
        } else {
            out.push_back(t);   // unknown to this walker: report it and stop
            break;
        }
        if (i + len > p.size()) break;
        t.body.assign(p.begin() + std::ptrdiff_t(i), p.begin() + std::ptrdiff_t(i + len));
        i += len;
        out.push_back(std::move(t));
    }
    return out;
}

uint16_t DoneStatus(const Token& done) {
    return done.body.size() >= 2 ? uint16_t(done.body[0] | (done.body[1] << 8)) : 0xFFFF;
}

} // namespace qmtest
