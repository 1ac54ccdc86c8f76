// The TDS front end at the byte level, through a bare client that sends exact bytes: that nothing a
// client sends can take the listener down, and stopping.
#include "StubEngine.h"
#include "tds/TdsBuffer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace qmtest {
namespace {

using sqlsim::tds::Bytes;

constexpr uint32_t kTds73 = 0x730B0003;

// LOGIN7 (7.2 layout) for sa with an empty password and database master.
Bytes Login7(uint32_t version) {
    const std::u16string strings[9] = {u"testhost", u"sa", u"", u"rawclient", u"127.0.0.1", u"", u"raw", u"", u"master"};
    sqlsim::tds::Writer head, data;
    for (uint32_t v : {0u, version, 4096u, 0u, 1234u, 0u}) head.u32le(v);   // the length is patched below
    for (uint8_t v : {0xE0, 0x03, 0x00, 0x00}) head.u8(v);
    head.u32le(0);
    head.u32le(0x0804);
    size_t offset = 94;
    for (const std::u16string& s : strings) {
        head.u16le(uint16_t(offset));
        head.u16le(uint16_t(s.size()));
        data.ucs2(s);
        offset += 2 * s.size();
    }
    for (int i = 0; i < 6; ++i) head.u8(0);   // ClientID
    for (int i = 0; i < 3; ++i) {   // SSPI, AtchDBFile, ChangePassword: all empty
        head.u16le(uint16_t(offset));
        head.u16le(0);
    }
    head.u32le(0);   // cbSSPILong
    Bytes out = head.take();
    out.insert(out.end(), data.data().begin(), data.data().end());
    for (int i = 0; i < 4; ++i) out[size_t(i)] = uint8_t(out.size() >> (8 * i));
    return out;
}

class RawClient {
public:
    explicit RawClient(uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const timeval wait{5, 0};   // every read gives up after 5 s of silence
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        connected = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { ::close(fd_); }
    bool SendRaw(const Bytes& b) { return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size()); }
    // One message in one packet.
    bool Send(uint8_t type, const Bytes& payload) {
        Bytes p = {type, 0x01, uint8_t((payload.size() + 8) >> 8), uint8_t(payload.size() + 8), 0, 0, 1, 0};
        p.insert(p.end(), payload.begin(), payload.end());
        return SendRaw(p);
    }
    // A whole reply (packets up to EOM); false on close or silence.
    bool ReadReply(Bytes& payload) {
        payload.clear();
        for (uint8_t h[8]; ReadExact(h, 8);) {
            const size_t len = size_t(h[2]) << 8 | h[3];
            if (h[0] != 0x04 || len < 8) return false;
            payload.resize(payload.size() + len - 8);
            if (!ReadExact(payload.data() + payload.size() - (len - 8), len - 8)) return false;
            if (h[1] & 1) return true;
        }
        return false;
    }
    // True when the server closes the connection before 5 s of silence.
    bool WaitClosed() {
        for (uint8_t buf[512];;) {
            const ssize_t k = ::recv(fd_, buf, sizeof buf, 0);
            if (k == 0 || (k < 0 && errno == ECONNRESET)) return true;
            if (k < 0) return false;
        }
    }
    // PRELOGIN (version, encryption off) then LOGIN7; `reply` is the login reply.
    bool Login(uint32_t version, Bytes& reply) {
        const Bytes prelogin = {0x00, 0x00, 0x0B, 0x00, 0x06, 0x01, 0x00, 0x11, 0x00, 0x01, 0xFF,
                                0x01, 0x03, 0x00, 0x11, 0x00, 0x00, 0x00};
        return Send(0x12, prelogin) && ReadReply(reply) && Send(0x10, Login7(version)) && ReadReply(reply);
    }
    bool connected = false;

private:
    bool ReadExact(uint8_t* p, size_t n) {
        for (size_t got = 0; got < n;) {
            const ssize_t k = ::recv(fd_, p + got, n - got, 0);
            if (k <= 0) return false;
            got += size_t(k);
        }
        return true;
    }
    int fd_;
};

// Polls: sessions end on their own thread.
bool WaitIdle(const sqlsim::tds::TdsServer& server) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (server.ActiveConnections() != 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// Each case is sent on its own connection and ends only that connection. (Attentions are met through
// the driver in ScenarioOverTdsTest.)
TEST(TdsServer, MalformedInputDropsOnlyThatConnectionAndStopClosesTheRest) {
    StubServer s;
    const Bytes login = Login7(kTds73);
    Bytes badOffset = login, cutShort(login.begin(), login.begin() + 40), longClaim = login;
    badOffset[36] = 0xF0;   // host name offset far beyond the message
    badOffset[37] = 0xFF;
    longClaim[0] = longClaim[1] = 0xFF;
    struct Case { const char* name; Bytes bytes; bool asLogin; bool closes; };
    const Case cases[] = {
        {"garbage text", Bytes{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\r', '\n'}, false, true},
        {"truncated header", Bytes{0x12, 0x01, 0x00}, false, false},
        {"length below header", Bytes{0x12, 0x01, 0x00, 0x04, 0, 0, 1, 0}, false, true},
        {"length beyond data", Bytes{0x12, 0x01, 0x10, 0x00, 0, 0, 1, 0, 0xFF}, false, false},
        {"prelogin option beyond payload", Bytes{0x12, 0x01, 0x00, 0x0E, 0, 0, 1, 0, 0x00, 0x7F, 0xFF, 0x00, 0x10, 0xFF}, false, true},
        {"batch before login", Bytes{0x01, 0x01, 0x00, 0x0A, 0, 0, 1, 0, 'x', 0}, false, true},
        {"unknown packet type", Bytes{0x7E, 0x01, 0x00, 0x08, 0, 0, 1, 0}, false, true},
        {"login7 offset beyond message", badOffset, true, true},
        {"login7 cut short", cutShort, true, true},
        {"login7 length beyond message", longClaim, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient client(s.server.Port());
        ASSERT_TRUE(client.connected);
        ASSERT_TRUE(c.asLogin ? client.Send(0x10, c.bytes) : client.SendRaw(c.bytes));
        if (c.closes) {
            EXPECT_TRUE(client.WaitClosed());
        }
    }
    // Sessions abandoned mid-packet end when their client leaves (the clients above are gone now).
    EXPECT_TRUE(WaitIdle(s.server));

    // After login: bad ALL_HEADERS lengths and odd-length text end the session, not the server.
    for (const Bytes& batch : {Bytes{0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}, Bytes{0x02, 0x00}, Bytes{0x16, 0, 0, 0}}) {
        RawClient client(s.server.Port());
        Bytes reply;
        ASSERT_TRUE(client.Login(kTds73, reply));
        ASSERT_TRUE(client.Send(0x01, batch));
        EXPECT_TRUE(client.WaitClosed());
    }

    // A proper client is still served; Stop closes it and an idle connection.
    RawClient good(s.server.Port()), idle(s.server.Port());
    Bytes reply;
    ASSERT_TRUE(good.Login(kTds73, reply));
    EXPECT_TRUE(s.engine->Batches().empty());

    ASSERT_TRUE(idle.connected);
    s.server.Stop();
    EXPECT_TRUE(good.WaitClosed());
    EXPECT_TRUE(idle.WaitClosed());
    EXPECT_EQ(s.server.ActiveConnections(), 0u);
}

} // namespace
} // namespace qmtest
