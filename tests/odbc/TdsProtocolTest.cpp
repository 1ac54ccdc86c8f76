// The TDS front end at the byte level: what each server release acknowledges, how batches, refusals
// and attentions are answered, and that nothing a client sends can take the listener down.
#include "RawTdsClient.h"
#include "StubEngine.h"
#include "tds/TdsServer.h"
#include "tds/TdsTokens.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

namespace qmtest {
namespace {

using sqlsim::BatchResult;
using sqlsim::tds::TdsServer;

constexpr uint32_t kTds71 = 0x71000001, kTds72 = 0x72090002, kTds73 = 0x730B0003;

struct Server {
    explicit Server(int major = 9) : engine(std::make_shared<StubEngine>(major)), server(engine, {}) {
        std::string error;
        started = server.Start(0, error);
        EXPECT_TRUE(started) << error;
    }
    // Polls: sessions end on their own thread.
    bool WaitIdle(int timeoutMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (server.ActiveConnections() != 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::yield();
        }
        return true;
    }
    std::shared_ptr<StubEngine> engine;
    TdsServer server;
    bool started = false;
};

uint32_t AckVersion(const std::vector<Token>& tokens) {
    for (const Token& t : tokens)
        if (t.type == 0xAD && t.body.size() >= 5)
            return uint32_t(t.body[1]) << 24 | uint32_t(t.body[2]) << 16 | uint32_t(t.body[3]) << 8 | t.body[4];
    return 0;
}

TEST(TdsLogin, AcknowledgesTheVersionOfTheServerRelease) {
    struct Case { int major; uint32_t client; uint32_t ack; };
    const Case cases[] = {{8, kTds73, kTds71}, {9, kTds73, kTds72}, {10, kTds73, kTds73},
                          {10, kTds71, kTds71}, {9, 0x74000004, kTds72}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "major " << c.major << " client " << std::hex << c.client);
        Server s(c.major);
        RawTdsClient client;
        ASSERT_TRUE(client.Connect(s.server.Port()));
        Bytes reply;
        ASSERT_TRUE(client.Login(c.client, "sa", "", reply));
        // The closing DONE already has the width of the acknowledged version.
        const auto tokens = WalkTokens(reply, (c.ack >> 24) >= 0x72);
        ASSERT_FALSE(tokens.empty());
        EXPECT_EQ(AckVersion(tokens), c.ack);
        std::vector<uint8_t> types;
        for (const Token& t : tokens) types.push_back(t.type);
        EXPECT_EQ(types, (std::vector<uint8_t>{0xE3, 0xAB, 0xE3, 0xE3, 0xAB, 0xAD, 0xE3, 0xFD}));
    }
}

TEST(TdsLogin, WrongPasswordGets18456ThenErrorDoneThenClose) {
    Server s;
    s.engine->logins = {{"sa", "secret"}};
    RawTdsClient client;
    ASSERT_TRUE(client.Connect(s.server.Port()));
    Bytes reply;
    ASSERT_TRUE(client.Login(kTds73, "sa", "wrong", reply));
    const auto tokens = WalkTokens(reply, true);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].type, 0xAA);
    const Bytes& e = tokens[0].body;
    EXPECT_EQ(uint32_t(e[0] | e[1] << 8 | e[2] << 16 | e[3] << 24), 18456u);
    EXPECT_EQ(tokens[1].type, 0xFD);
    EXPECT_TRUE(DoneStatus(tokens[1]) & 0x02);
    EXPECT_TRUE(client.WaitClosed());
}

TEST(TdsBatch, TextArrivesWhole_InSmallPacketsAndWithOrWithoutHeaders) {
    for (int major : {8, 10}) {
        Server s(major);
        RawTdsClient client;
        ASSERT_TRUE(client.Connect(s.server.Port()));
        Bytes reply;
        ASSERT_TRUE(client.Login(kTds73, "sa", "", reply));
        const std::string sql = "select name from sysdatabases where name like 'UFDATA%' -- 账套 " + std::string(900, 'x');
        ASSERT_TRUE(client.SendMessage(0x01, BuildBatch(sql, major >= 9), 512));
        ASSERT_TRUE(client.ReadReply(reply));
        ASSERT_EQ(s.engine->Batches().size(), 1u);
        EXPECT_EQ(s.engine->Batches()[0], sql);
        const auto tokens = WalkTokens(reply, major >= 9);
        ASSERT_EQ(tokens.size(), 1u);
        EXPECT_EQ(DoneStatus(tokens[0]), 0u);
    }
}

TEST(TdsBatch, AttentionIsAcknowledgedWithDoneAttn) {
    Server s;
    RawTdsClient client;
    ASSERT_TRUE(client.Connect(s.server.Port()));
    Bytes reply;
    ASSERT_TRUE(client.Login(kTds72, "sa", "", reply));
    ASSERT_TRUE(client.SendMessage(0x06, {}));
    ASSERT_TRUE(client.ReadReply(reply));
    const auto tokens = WalkTokens(reply, true);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(DoneStatus(tokens[0]), 0x20);
}

TEST(TdsTokens, DoneFlagsMarkMoreOnAllButTheLast) {
    BatchResult r;
    sqlsim::ResultSet rs;
    rs.columns = {{"n", sqlsim::ColumnType::Int}};
    rs.rows = {{sqlsim::Cell::Int(1)}};
    r.results = {rs, rs};
    auto statuses = [](const BatchResult& br) {
        std::vector<uint16_t> out;
        const Bytes b = sqlsim::tds::BatchResponse(br, 0x72, u"S");
        // One INTN column "n": COLMETADATA is 14 bytes, each ROW 6, DONE 13 at TDS 7.2.
        for (size_t i = 0; i < b.size();) {
            if (b[i] == 0x81) i += 14;
            else if (b[i] == 0xD1) i += 6;
            else if (b[i] == 0xAA || b[i] == 0xAB) i += 3 + size_t(b[i + 1] | b[i + 2] << 8);
            else if (b[i] == 0xFD) { out.push_back(uint16_t(b[i + 1] | b[i + 2] << 8)); i += 13; }
            else { ADD_FAILURE() << "unexpected token " << int(b[i]); break; }
        }
        return out;
    };
    EXPECT_EQ(statuses(r), (std::vector<uint16_t>{0x11, 0x10}));
    r.failed = true;
    r.messages = {{5025, 1, 16, "x"}};
    EXPECT_EQ(statuses(r), (std::vector<uint16_t>{0x11, 0x11, 0x02}));
}

// Each case is sent on its own connection; afterwards a proper client must still be served.
TEST(TdsRobustness, MalformedInputDropsOnlyThatConnection) {
    Server s;
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"garbage text", Bytes{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\r', '\n'}},
        {"truncated header", Bytes{0x12, 0x01, 0x00}},
        {"length below header", Bytes{0x12, 0x01, 0x00, 0x04, 0, 0, 1, 0}},
        {"length beyond data", Bytes{0x12, 0x01, 0x10, 0x00, 0, 0, 1, 0, 0xFF}},
        {"prelogin option beyond payload", Bytes{0x12, 0x01, 0x00, 0x0E, 0, 0, 1, 0, 0x00, 0x7F, 0xFF, 0x00, 0x10, 0xFF}},
        {"batch before login", Bytes{0x01, 0x01, 0x00, 0x0A, 0, 0, 1, 0, 'x', 0}},
        {"unknown packet type", Bytes{0x7E, 0x01, 0x00, 0x08, 0, 0, 1, 0}},
    };
    Bytes login = BuildLogin7(kTds73, "sa", "", "master");
    Bytes bad = login;
    bad[36] = 0xF0;   // host name offset far beyond the message
    bad[37] = 0xFF;
    cases.push_back({"login7 offset beyond message", bad});
    Bytes shortLogin(login.begin(), login.begin() + 40);
    cases.push_back({"login7 cut short", shortLogin});
    Bytes longClaim = login;
    longClaim[0] = 0xFF;
    longClaim[1] = 0xFF;
    cases.push_back({"login7 length beyond message", longClaim});

    for (auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        RawTdsClient c;
        ASSERT_TRUE(c.Connect(s.server.Port()));
        if (name.rfind("login7", 0) == 0) {
            ASSERT_TRUE(c.SendMessage(0x10, bytes));
        } else {
            ASSERT_TRUE(c.SendRaw(bytes));
        }
        if (name != "truncated header" && name != "length beyond data") {
            EXPECT_TRUE(c.WaitClosed());
        }
    }
    // Sessions abandoned mid-packet end when their client leaves (the clients above are gone now).
    EXPECT_TRUE(s.WaitIdle());

    std::mt19937 rng(20240601);
    for (int i = 0; i < 200; ++i) {
        Bytes noise(1 + rng() % 300);
        for (uint8_t& b : noise) b = uint8_t(rng());
        if (i % 2 == 0 && noise.size() >= 8) {   // a plausible header over random content
            noise[0] = uint8_t(i % 4 == 0 ? 0x12 : 0x10);
            noise[1] = 0x01;
            noise[2] = uint8_t(noise.size() >> 8);
            noise[3] = uint8_t(noise.size());
        }
        RawTdsClient c;
        ASSERT_TRUE(c.Connect(s.server.Port()));
        c.SendRaw(noise);
    }
    EXPECT_TRUE(s.WaitIdle());

    // After login: bad ALL_HEADERS lengths and odd-length text end the session, not the server.
    for (const Bytes& batch : {Bytes{0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}, Bytes{0x02, 0x00}, Bytes{0x16, 0, 0, 0}}) {
        RawTdsClient c;
        ASSERT_TRUE(c.Connect(s.server.Port()));
        Bytes reply;
        ASSERT_TRUE(c.Login(kTds73, "sa", "", reply));
        ASSERT_TRUE(c.SendMessage(0x01, batch));
        EXPECT_TRUE(c.WaitClosed());
    }

    RawTdsClient good;
    ASSERT_TRUE(good.Connect(s.server.Port()));
    Bytes reply;
    ASSERT_TRUE(good.Login(kTds73, "sa", "", reply));
    EXPECT_EQ(AckVersion(WalkTokens(reply, true)), kTds72);
    EXPECT_TRUE(s.engine->Batches().empty());
}

TEST(TdsServerLifecycle, StopClosesIdleConnectionsAndJoins) {
    auto s = std::make_unique<Server>();
    RawTdsClient a, b;
    ASSERT_TRUE(a.Connect(s->server.Port()));
    ASSERT_TRUE(b.Connect(s->server.Port()));
    Bytes reply;
    ASSERT_TRUE(a.Login(kTds73, "sa", "", reply));
    s->server.Stop();
    EXPECT_TRUE(a.WaitClosed());
    EXPECT_TRUE(b.WaitClosed());
    EXPECT_EQ(s->server.ActiveConnections(), 0u);
}

} // namespace
} // namespace qmtest
