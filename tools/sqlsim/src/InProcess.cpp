// The tool's Connection over an engine in the same process: ADO-style text parsed, login and database
// checked, batches mapped to SqlResult as the ODBC adapter reports them.
#include "sqlsim/InProcess.h"

#include "Text.h"

#include <condition_variable>
#include <mutex>

namespace sqlsim {

namespace {

class InProcessConnection : public qm::Connection {
public:
    explicit InProcessConnection(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

    bool Open(const std::string& cs, std::string& error) override {
        state_ = 0;
        connectionString_ = cs;
        try {
            // Read as the ODBC adapter reads it.
            const std::vector<qm::ConnectionItem> kv = qm::ParseConnectionText(cs);
            std::string provider = qm::AsciiLower(qm::FirstConnectionItem(kv, {"provider"}));
            if (provider.find("jet") != std::string::npos || provider.find("ace.oledb") != std::string::npos) {
                error = "未找到提供程序。该程序可能未正确安装。";
                return false;
            }
            if (!engine_) {
                error = "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server 不存在或拒绝访问。";
                return false;
            }
            std::string user = qm::FirstConnectionItem(kv, {"uid", "user id"});
            std::string password = qm::FirstConnectionItem(kv, {"pwd", "password"});
            if (auto m = engine_->CheckLogin(user, password)) {
                error = m->text;
                return false;
            }
            std::string database = qm::FirstConnectionItem(kv, {"database", "initial catalog"});
            if (auto m = engine_->CheckDatabase(database)) {
                error = m->text;
                return false;
            }
            spid_ = engine_->OpenSession();
            state_ = 1;
            return true;
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
    }

    int State() const override { return state_; }
    void SetCommandTimeout(int seconds) override { timeout_ = seconds; }
    int CommandTimeout() const override { return timeout_; }
    const std::string& ConnectionString() const override { return connectionString_; }

    qm::SqlResult Execute(const std::string& sql) override {
        qm::SqlResult r;
        if (state_ != 1) {
            r.error = "对象关闭时，不允许操作。";
            r.errorNumber = 3704;
            return r;
        }
        try {
            {
                std::lock_guard<std::mutex> lock(m_);
                cancelled_ = false;
            }
            BatchResult b = engine_->ExecuteWithPause(sql, pause_, spid_);
            if (b.cancelled) {
                r.error = kCancelledText;
                return r;
            }
            r.ok = !b.failed;
            for (const auto& m : b.messages) {
                r.messages.push_back({m.number, m.severity, m.text});
                if (m.severity > 10 && r.error.empty()) {
                    r.error = m.text;
                    r.errorNumber = m.number;
                }
            }
            if (!b.results.empty()) {
                const ResultSet& rs = b.results.front();
                for (const auto& c : rs.columns) r.recordset.columns.push_back(c.name);
                for (const auto& row : rs.rows) {
                    std::vector<qm::Value> values;
                    for (size_t i = 0; i < row.size(); ++i) {
                        const Cell& cell = row[i];
                        if (cell.isNull) values.push_back(qm::Value::Null());
                        else if (rs.columns[i].type == ColumnType::Int)
                            values.push_back(qm::Value::Number(static_cast<double>(cell.i)));
                        else values.push_back(qm::Value::Text(cell.s));
                    }
                    r.recordset.rows.push_back(std::move(values));
                }
            }
        } catch (const std::exception& e) {
            r.ok = false;
            r.error = e.what();
        }
        return r;
    }

    void Cancel() override {
        {
            std::lock_guard<std::mutex> lock(m_);
            cancelled_ = true;
        }
        cv_.notify_all();
    }

private:
    // What the driver reports for a cancelled statement.
    static constexpr const char* kCancelledText = "操作已取消。";

    // A statement's time, spent until Cancel.
    class CancellablePause final : public Pause {
    public:
        explicit CancellablePause(InProcessConnection& c) : c_(c) {}
        bool Sleep(std::chrono::milliseconds duration) override {
            std::unique_lock<std::mutex> lock(c_.m_);
            return !c_.cv_.wait_for(lock, duration, [this] { return c_.cancelled_; });
        }

    private:
        InProcessConnection& c_;
    };

    std::shared_ptr<Engine> engine_;
    std::string connectionString_;
    int state_ = 0;
    int timeout_ = 30;
    int spid_ = 51;
    std::mutex m_;
    std::condition_variable cv_;
    bool cancelled_ = false;
    CancellablePause pause_{*this};
};

} // namespace

std::shared_ptr<qm::Connection> MakeInProcessConnection(std::shared_ptr<Engine> engine) {
    return std::make_shared<InProcessConnection>(std::move(engine));
}

} // namespace sqlsim
