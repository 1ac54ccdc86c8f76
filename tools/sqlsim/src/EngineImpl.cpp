// The engine: scenario state, faults, the batch loop and the transcript.
#include "Catalog.h"
#include "Commands.h"
#include "ErrorLog.h"
#include "HeldFiles.h"
#include "Lexer.h"
#include "Messages.h"
#include "Model.h"
#include "Text.h"
#include "Translate.h"
#include "sqlsim/Engine.h"

#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>

namespace sqlsim {

namespace {

// Splits a batch into statements: at ';' and after a SET option statement, which ends where the next
// statement keyword begins (clients send "set textsize 4096 select @@spid" as one batch).
std::vector<std::vector<Token>> SplitStatements(const std::vector<Token>& tokens) {
    std::vector<std::vector<Token>> out;
    std::vector<Token> cur;
    auto flush = [&]() {
        if (!cur.empty()) out.push_back(std::move(cur));
        cur.clear();
    };
    static const char* const kStarts[] = {"select", "set",  "use",     "alter",      "dbcc",
                                          "update", "exec", "execute", "reconfigure"};
    for (const Token& t : tokens) {
        if (t.IsSym(";")) {
            flush();
            continue;
        }
        if (!cur.empty() && cur.front().Is("set") && cur.size() >= 2) {
            bool starts = false;
            for (const char* k : kStarts) starts = starts || t.Is(k);
            if (starts) flush();
        }
        cur.push_back(t);
    }
    flush();
    return out;
}

std::string TranscriptLine(const TranscriptEntry& e) {
    std::string line = "{\"sql\": " + text::JsonQuote(e.sql) + ", \"error\": ";
    if (!e.failed) line += "null";
    else line += "{\"number\": " + std::to_string(e.number) + ", \"message\": " + text::JsonQuote(e.message) + "}";
    if (e.cancelled) line += ", \"cancelled\": true";
    if (e.dropped) line += ", \"dropped\": true";
    return line + "}";
}

class SleepingPause : public Pause {
public:
    bool Sleep(std::chrono::milliseconds d) override {
        std::this_thread::sleep_for(d);
        return true;
    }
};

class EngineImpl : public Engine {
public:
    EngineImpl(Model model, const std::string& heldFiles)
        : model_(std::move(model)),
          msgs_(model_.english, model_.major),
          catalog_(model_, msgs_),
          commands_(model_, msgs_) {
        WriteStartupLog(model_, msgs_);
        if (!heldFiles.empty()) held_.emplace(heldFiles);
    }

    // Lists the files held open now; false (and why) when the list cannot be written.
    bool PublishHeldFiles(std::string& error) {
        std::lock_guard<std::mutex> lock(mu_);
        return !held_ || held_->Publish(model_, error);
    }

    std::vector<Fault> faults;

    std::optional<Message> CheckLogin(const std::string& user, const std::string& password) override {
        std::lock_guard<std::mutex> lock(mu_);
        for (const auto& [name, pwd] : model_.logins) {
            if (qm::EqualsNoCase(name, user) && pwd == password) return std::nullopt;
        }
        return msgs_.LoginFailed(user);
    }

    std::optional<Message> CheckDatabase(const std::string& name) override {
        std::lock_guard<std::mutex> lock(mu_);
        if (name.empty() || model_.Find(name)) return std::nullopt;
        return msgs_.CannotOpenDatabase(name);
    }

    int OpenSession() override {
        std::lock_guard<std::mutex> lock(mu_);
        const int spid = nextSpid_;
        nextSpid_ = nextSpid_ >= 32000 ? 51 : nextSpid_ + 1;
        return spid;
    }

    BatchResult Execute(const std::string& sql) override {
        SleepingPause pause;
        return ExecuteWithPause(sql, pause, 51);
    }

    BatchResult ExecuteWithPause(const std::string& sql, Pause& pause, int spid) override {
        std::unique_lock<std::mutex> lock(mu_);
        BatchResult r;
        try {
            RunBatch(sql, pause, spid, lock, r);
        } catch (const std::exception& e) {
            r.messages.push_back(msgs_.Internal(e.what()));
        } catch (...) {
            r.messages.push_back(msgs_.Internal("unknown failure"));
        }
        for (const auto& m : r.messages) r.failed = r.failed || m.severity > 10;
        if (!lock.owns_lock()) lock.lock();
        Record(sql, r);
        // Before the answer, so a client that goes on to copy a file finds the list as the batch left it.
        // A list that cannot be written now is tried again after the next batch.
        if (held_ && mayHaveChanged_) {
            std::string ignored;
            mayHaveChanged_ = !held_->Publish(model_, ignored);
        }
        return r;
    }

    void RecordDropped(const std::string& sql) override {
        TranscriptEntry e;
        e.sql = sql;
        e.dropped = true;
        std::lock_guard<std::mutex> lock(mu_);
        Append(e);
    }

    std::vector<TranscriptEntry> Transcript() const override {
        std::lock_guard<std::mutex> lock(mu_);
        return transcript_;
    }

    void ClearTranscript() override {
        std::lock_guard<std::mutex> lock(mu_);
        transcript_.clear();
    }

    void AddFault(const Fault& fault) override {
        std::lock_guard<std::mutex> lock(mu_);
        faults.push_back(fault);
    }

    bool SetTranscriptFile(const std::string& path, std::string& error) override {
        std::lock_guard<std::mutex> lock(mu_);
        file_.reset();
        if (path.empty()) return true;
        auto f = std::make_unique<std::ofstream>(path, std::ios::app | std::ios::binary);
        if (!*f) {
            error = "cannot open transcript file " + path;
            return false;
        }
        file_ = std::move(f);
        return true;
    }

    std::string TranscriptJsonLines() const override {
        std::lock_guard<std::mutex> lock(mu_);
        std::string out;
        for (const auto& e : transcript_) out += TranscriptLine(e) + "\n";
        return out;
    }

    bool English() const override { return model_.english; }
    std::string Edition() const override { return model_.edition; }
    std::string ProductVersion() const override { return model_.version; }
    int MajorVersion() const override { return model_.major; }
    std::string DataDir() const override { return model_.dataDir; }

private:
    bool FireFault(const std::string& sql, BatchResult& r) {
        for (auto& f : faults) {
            if (f.count <= 0 || !text::ContainsCI(sql, f.match)) continue;
            --f.count;
            Message m;
            m.number = f.number;
            m.severity = f.severity;
            m.text = f.message;
            r.messages.push_back(m);
            return true;
        }
        return false;
    }

    // The batch runs under the lock, so batches are recorded in the order they ran; only the time a
    // statement takes is spent without it.
    void RunBatch(const std::string& sql, Pause& pause, int spid, std::unique_lock<std::mutex>& lock, BatchResult& r) {
        if (FireFault(sql, r)) return;
        LexResult lex = Lex(sql);
        if (!lex.ok) {
            r.messages.push_back(msgs_.UnclosedQuote(lex.unclosed));
            r.messages.push_back(msgs_.Syntax(lex.unclosed));
            return;
        }
        for (const auto& stmt : SplitStatements(lex.tokens)) {
            BatchResult one;
            const bool ok = RunStatement(stmt, sql, spid, one);
            if (const auto busy = commands_.TakeBusyTime(); busy.count() > 0) {
                // Only DBCC CHECKDB takes time; the real server names its main phase so.
                model_.requests.push_back({spid, "DBCC TABLE CHECK", std::chrono::steady_clock::now(),
                                           std::chrono::duration<double>(busy).count()});
                lock.unlock();
                const bool finished = pause.Sleep(busy);
                lock.lock();
                std::erase_if(model_.requests, [spid](const Request& q) { return q.sessionId == spid; });
                if (!finished) {
                    r = BatchResult{};
                    r.cancelled = true;
                    return;
                }
            }
            for (auto& rs : one.results) r.results.push_back(std::move(rs));
            for (auto& m : one.messages) r.messages.push_back(std::move(m));
            if (one.rowsAffected >= 0) r.rowsAffected = one.rowsAffected;
            if (!ok) return; // the first failing statement ends the batch
        }
    }

    bool RunStatement(const std::vector<Token>& stmt, const std::string& sql, int spid, BatchResult& one) {
        if (!stmt.front().Is("select")) {
            mayHaveChanged_ = true;
            return commands_.Run(stmt, one, spid);
        }
        Translation t = TranslateSelect(stmt, model_, msgs_, spid);
        if (!t.error) return catalog_.Query(t.sql, sql, one);
        one.messages.push_back(*t.error);
        return false;
    }

    void Record(const std::string& sql, const BatchResult& r) {
        TranscriptEntry e;
        e.sql = sql;
        e.failed = r.failed;
        e.cancelled = r.cancelled;
        for (const auto& m : r.messages) {
            if (m.severity > 10) {
                e.number = m.number;
                e.message = m.text;
                break;
            }
        }
        Append(e);
    }

    void Append(const TranscriptEntry& e) {
        transcript_.push_back(e);
        if (file_) {
            *file_ << TranscriptLine(e) << "\n";
            file_->flush();
        }
    }

    mutable std::mutex mu_;
    Model model_;
    Messages msgs_;
    Catalog catalog_;
    Commands commands_;
    std::vector<TranscriptEntry> transcript_;
    std::unique_ptr<std::ofstream> file_;
    int nextSpid_ = 51;
    std::optional<HeldFiles> held_;
    bool mayHaveChanged_ = false; // a statement other than SELECT ran since the held files were last listed
};

std::vector<Fault> ParseFaults(const std::string& json) {
    std::vector<Fault> out;
    auto j = nlohmann::json::parse(json, nullptr, false);
    if (!j.is_object()) return out;
    for (const auto& f : j.value("faults", nlohmann::json::array())) {
        Fault fault;
        fault.match = f.value("match", "");
        fault.count = f.value("count", 1);
        fault.number = f.value("number", 50000);
        fault.message = f.value("message", "");
        fault.severity = f.value("severity", 16);
        out.push_back(fault);
    }
    return out;
}

} // namespace

std::shared_ptr<Engine> Engine::FromJson(const std::string& json, const std::string& dataDir, std::string& error,
                                         const EngineOptions& options) {
    try {
        Model model;
        if (!LoadScenario(json, dataDir, model, error) || !LoadCheckdbOutcomes(json, model, error)) return nullptr;
        model.paths.windows = options.windowsPaths;
        auto engine = std::make_shared<EngineImpl>(std::move(model), options.heldFiles);
        engine->faults = ParseFaults(json);
        if (!engine->PublishHeldFiles(error)) return nullptr;
        return engine;
    } catch (const std::exception& e) {
        error = std::string("scenario is malformed: ") + e.what();
        return nullptr;
    }
}

std::shared_ptr<Engine> Engine::FromFile(const std::string& path, const std::string& dataDir, std::string& error,
                                         const EngineOptions& options) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot read scenario " + path;
        return nullptr;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    return FromJson(ss.str(), dataDir, error, options);
}

} // namespace sqlsim
