// The TDS front end at the byte level: bytes no driver would send end only the connection they came on,
// and stopping closes every connection. (What a driver sends, attentions included, is met through
// FreeTDS in the other files here.)
#include "StubEngine.h"

#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace qmtest {
namespace {

using Bytes = std::vector<uint8_t>;

struct RawClient {
    explicit RawClient(uint16_t port) : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const timeval wait{5, 0}; // every read gives up after 5 s of silence
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { ::close(fd); }
    bool Send(const Bytes& b) { return ::send(fd, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size()); }
    // True when the server closes the connection before 5 s of silence.
    bool Closed() {
        for (uint8_t buf[512];;) {
            const ssize_t k = ::recv(fd, buf, sizeof buf, 0);
            if (k == 0 || (k < 0 && errno == ECONNRESET)) return true;
            if (k < 0) return false;
        }
    }
    int fd;
    bool connected = false;
};

TEST(TdsServer, MalformedInputDropsOnlyThatConnectionAndStopClosesTheRest) {
    StubServer s;
    // Each on a connection of its own; true: the server can tell it is wrong and closes the connection.
    // clang-format off
    const std::pair<Bytes, bool> cases[] = {
        {{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\r', '\n'}, true},
        {{0x12, 0x01, 0x00}, false},                       // a header cut short
        {{0x12, 0x01, 0x00, 0x04, 0, 0, 1, 0}, true},      // a length below the header's
        {{0x12, 0x01, 0x10, 0x00, 0, 0, 1, 0, 0xFF}, false},   // a length beyond the data
        {{0x12, 0x01, 0x00, 0x0E, 0, 0, 1, 0, 0x00, 0x7F, 0xFF, 0x00, 0x10, 0xFF}, true},   // an option beyond it
        {{0x01, 0x01, 0x00, 0x0A, 0, 0, 1, 0, 'x', 0}, true},   // a batch before the login
        {{0x7E, 0x01, 0x00, 0x08, 0, 0, 1, 0}, true},           // an unknown packet type
        {{0x10, 0x01, 0x00, 0x10, 0, 0, 1, 0, 0xFF, 0xFF, 0, 0, 0x03, 0, 0x0B, 0x73}, true},   // a login longer than sent
    };
    // clang-format on
    for (const auto& [bytes, closes] : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        RawClient client(s.server.Port());
        ASSERT_TRUE(client.connected && client.Send(bytes));
        EXPECT_TRUE(!closes || client.Closed());
    }
    // A driver is still served; Stop closes its connection and an idle one.
    auto good = s.Open();
    RawClient idle(s.server.Port());
    EXPECT_TRUE(good->Execute("select 1").ok);
    ASSERT_TRUE(idle.connected);
    s.server.Stop();
    EXPECT_TRUE(idle.Closed());
    EXPECT_FALSE(good->Execute("select 1").ok);
    EXPECT_EQ(s.server.ActiveConnections(), 0u);
}

} // namespace
} // namespace qmtest
