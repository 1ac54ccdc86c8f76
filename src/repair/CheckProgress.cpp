#include "repair/CheckProgress.h"

#include "app/Db.h"
#include "discovery/DbState.h"
#include "platform/Threads.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// A poll that does not come back in this time is not worth waiting for: the next one may.
constexpr int kPollTimeoutSeconds = 10;

} // namespace

std::string CheckProgressQuery(int spid) {
    return "select percent_complete from sys.dm_exec_requests where session_id=" + std::to_string(spid);
}

std::string CheckProgressText(const SqlResult& r) {
    if (!r.ok || r.recordset.rows.empty() || r.recordset.rows.front().empty()) return kVerifying;
    const Value& v = r.recordset.rows.front().front();
    if (v.isNull() || v.isEmpty()) return kVerifying;
    // The server gives a real number; through the driver it may come as text.
    const std::optional<double> percent = TryNullToZero(v);
    if (!percent || !std::isfinite(*percent)) return kVerifying;
    const int whole = int(std::floor(std::clamp(*percent, 0.0, 100.0)));
    return std::string(kVerifying) + " " + std::to_string(whole) + "%";
}

struct CheckProgress::Poller {
    Thread thread;
    Event stop;
    std::shared_ptr<Connection> conn;
};

CheckProgress::CheckProgress(AppState& app) : app_(app) {}

CheckProgress::~CheckProgress() { Stop(); }

int CheckProgress::SessionNumber() {
    if (spid_ >= 0) return spid_;
    spid_ = 0;
    const Value v = GetSqlValue(app_, "spid", "select @@spid as spid", app_.oMaster);
    // The lookup's failure is not the row's: the check goes on, only without a figure.
    app_.cMsg.clear();
    if (const std::optional<double> n = TryNullToZero(v); n && *n > 0) spid_ = int(*n);
    return spid_;
}

void CheckProgress::Start(Show show) {
    Stop();
    show(kVerifying);
    const VersionClass version = app_.versionClass;
    if (version == VersionClass::Sql2000 || version == VersionClass::None) return;
    const int spid = SessionNumber();
    std::shared_ptr<Connection> conn = app_.oTempdb;
    if (spid <= 0 || !conn || conn->State() == 0) return;

    auto poller = std::make_unique<Poller>();
    poller->conn = conn;
    Poller* p = poller.get();
    const std::string sql = CheckProgressQuery(spid);
    const bool started = p->thread.Start([p, sql, show = std::move(show)] {
        CommandTimeoutScope timeout(p->conn, kPollTimeoutSeconds);
        // A check that ended before the first poll is not asked about at all.
        while (!p->stop.Wait(0)) {
            const SqlResult r = p->conn->Execute(sql);
            if (p->stop.Wait(0)) return;
            show(CheckProgressText(r));
            if (!r.ok) return; // on a server without the figure, once is enough
            if (p->stop.Wait(kCheckPollMilliseconds)) return;
        }
    });
    if (started) poller_ = std::move(poller);
}

void CheckProgress::Stop() {
    if (!poller_) return;
    // No cancel for a poll in flight: the driver would write the cancel into the poll's own request
    // if that were still being sent, and a poll is answered in moments anyway.
    poller_->stop.Set();
    poller_->thread.Join();
    poller_.reset();
}

} // namespace qm
