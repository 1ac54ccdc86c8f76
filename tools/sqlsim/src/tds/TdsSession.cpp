#include "tds/TdsSession.h"

#include "tds/TdsChannel.h"
#include "tds/TdsLogin.h"
#include "tds/TdsTokens.h"

#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace sqlsim::tds {

namespace {

bool English(const std::string& language, const Engine& engine) {
    return language.empty() ? engine.English() : language.rfind("en", 0) == 0;
}

// Spends a statement's time watching the client: an attention or the end of the connection cuts it short.
class ClientWatch : public Pause {
public:
    ClientWatch(int fd, Channel& ch) : fd_(fd), ch_(ch) {}

    bool Sleep(std::chrono::milliseconds duration) override {
        const auto deadline = std::chrono::steady_clock::now() + duration;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return true;
            pollfd p{fd_, POLLIN, 0};
            const int n = ::poll(&p, 1, int(std::min<long long>(left.count() + 1, 60000)));
            if (n < 0 && errno != EINTR) return Gone();
            if (n <= 0) continue;
            uint8_t type = 0;
            Bytes payload;
            if (ch_.Read(type, payload) != ReadStatus::Ok || type != kPktAttention) return Gone();
            attention = true;
            return false;
        }
    }

    bool attention = false; // the client cancelled the request
    bool gone = false;      // the client left, or broke the protocol mid-request

private:
    bool Gone() {
        gone = true;
        return false;
    }
    int fd_;
    Channel& ch_;
};

class Session {
public:
    Session(int fd, uint16_t spid, Engine& engine, const SessionConfig& config, const std::function<void()>& dropServer,
            const std::atomic<bool>& dropped)
        : fd_(fd),
          spid_(spid),
          ch_(fd, spid),
          engine_(engine),
          config_(config),
          dropServer_(dropServer),
          dropped_(dropped),
          server_(qm::Utf8ToUtf16(config.serverName)) {}

    void Run() {
        for (;;) {
            uint8_t type = 0;
            Bytes payload;
            const ReadStatus st = ch_.Read(type, payload);
            if (st == ReadStatus::Closed) return;
            if (st == ReadStatus::Malformed) {
                Drop("malformed packet");
                return;
            }
            if (!Handle(type, payload)) return;
        }
    }

private:
    bool Handle(uint8_t type, const Bytes& payload) {
        if (!loggedIn_) {
            if (type == kPktPrelogin && !preloginSeen_) {
                preloginSeen_ = true;
                if (!ParsePrelogin(payload)) return Drop("malformed PRELOGIN");
                return ch_.Send(kPktReply, PreloginResponse(ParseProductVersion(engine_.ProductVersion())));
            }
            if (type == kPktLogin7) return Login(payload);
            return Drop("unexpected message before login");
        }
        switch (type) {
        case kPktSqlBatch: return Batch(payload);
        case kPktAttention: return SendDone(kDoneAttn); // nothing running: acknowledged all the same
        case kPktTransaction: return SendDone(kDoneFinal);
        case kPktRpc: {
            Writer w;
            MessageToken(w, version_, Message{2812, 62, 16, "RPC requests are not supported"}, server_);
            Done(w, version_, kDoneError, 0, 0);
            return ch_.Send(kPktReply, w.take());
        }
        default: return Drop("unexpected message type " + std::to_string(type));
        }
    }

    bool Login(const Bytes& payload) {
        Login7 login;
        std::string why;
        if (!ParseLogin7(payload, login, why)) return Drop(why);
        // Tokens before LOGINACK are read at the version the client asked for; after it, at the
        // version acknowledged, which is what this server's release speaks at most.
        const int clientVersion = std::min(login.version, 0x74);
        version_ = std::min(std::min(login.version, 0x73), VersionForMajor(engine_.MajorVersion()));
        if (login.packetSize >= 512 && login.packetSize <= Channel::kMaxPacket) ch_.SetPacketSize(login.packetSize);

        Writer w;
        if (auto refused = engine_.CheckLogin(login.userName, login.password)) {
            MessageToken(w, clientVersion, *refused, server_);
            Done(w, clientVersion, kDoneError, 0, 0);
            ch_.Send(kPktReply, w.take());
            return false;
        }
        const bool en = English(config_.language, engine_);
        const std::string db = login.database.empty() ? "master" : login.database;
        if (auto missing = engine_.CheckDatabase(db)) {
            // The login asked for its database to be fatal (as FreeTDS does): 4060, then the login failure.
            MessageToken(w, clientVersion, *missing, server_);
            MessageToken(w, clientVersion,
                         Message{18456, 1, 14,
                                 en ? "Login failed for user '" + login.userName + "'."
                                    : "用户 '" + login.userName + "' 登录失败。"},
                         server_);
            Done(w, clientVersion, kDoneError, 0, 0);
            ch_.Send(kPktReply, w.take());
            return false;
        }
        const std::string lang = en ? "us_english" : "简体中文";
        EnvChange(w, 1, qm::Utf8ToUtf16(db), u"master");
        MessageToken(
            w, clientVersion,
            Message{5701, 2, 0,
                    en ? "Changed database context to '" + db + "'." : "已将数据库上下文更改为 '" + db + "'。"},
            server_);
        EnvChangeCollation(w);
        EnvChange(w, 2, qm::Utf8ToUtf16(lang), u"");
        MessageToken(
            w, clientVersion,
            Message{5703, 1, 0, en ? "Changed language setting to " + lang + "." : "已将语言设置更改为 " + lang + "。"},
            server_);
        LoginAck(w, version_, ParseProductVersion(engine_.ProductVersion()));
        const std::string size = std::to_string(ch_.PacketSize());
        EnvChange(w, 4, qm::Utf8ToUtf16(size), qm::Utf8ToUtf16(size));
        Done(w, version_, kDoneFinal, 0, 0);
        loggedIn_ = true;
        return ch_.Send(kPktReply, w.take());
    }

    bool Batch(const Bytes& payload) {
        size_t start = 0;
        if (version_ >= 0x72) {
            Reader r(payload);
            uint32_t total = 0;
            if (!r.u32le(total) || total < 4 || total > payload.size()) return Drop("bad ALL_HEADERS length");
            start = total;
        }
        if ((payload.size() - start) % 2 != 0) return Drop("batch text of odd length");
        const std::string sql = qm::Utf16BytesToUtf8(
            std::string_view(reinterpret_cast<const char*>(payload.data()) + start, payload.size() - start), false);
        if (dropped_) return false;
        if (!config_.dropAt.empty() && text::ContainsCI(sql, config_.dropAt)) {
            engine_.RecordDropped(sql);
            if (config_.log) config_.log("server dropped on a batch containing \"" + config_.dropAt + "\"");
            dropServer_();
            return false;
        }
        if (!config_.garbleAt.empty() && text::ContainsCI(sql, config_.garbleAt)) {
            engine_.RecordDropped(sql);
            if (config_.log) config_.log("garbled the reply to a batch containing \"" + config_.garbleAt + "\"");
            return ch_.Send(kPktReply, Bytes{0x01, 0x00, 0x00, 0x00});
        }
        ClientWatch watch(fd_, ch_);
        const BatchResult result = engine_.ExecuteWithPause(sql, watch, spid_);
        if (config_.onBatch) config_.onBatch(sql, result);
        if (watch.gone) return Drop("client left during a batch");
        if (watch.attention) return SendDone(kDoneAttn); // what ran is discarded, as the client expects
        return ch_.Send(kPktReply, BatchResponse(result, version_, server_));
    }

    bool SendDone(uint16_t status) {
        Writer w;
        Done(w, version_, status, 0, 0);
        return ch_.Send(kPktReply, w.take());
    }

    bool Drop(const std::string& why) {
        if (config_.log) config_.log("connection dropped: " + why);
        return false;
    }

    int fd_;
    int spid_;
    Channel ch_;
    Engine& engine_;
    const SessionConfig& config_;
    const std::function<void()>& dropServer_;
    const std::atomic<bool>& dropped_;
    std::u16string server_;
    bool preloginSeen_ = false;
    bool loggedIn_ = false;
    int version_ = 0x71;
};

} // namespace

void RunSession(int fd, uint16_t spid, Engine& engine, const SessionConfig& config,
                const std::function<void()>& dropServer, const std::atomic<bool>& dropped) {
    Session(fd, spid, engine, config, dropServer, dropped).Run();
}

} // namespace sqlsim::tds
