#pragma once
// The check's sign of life: while DBCC CHECKDB runs over oMaster, its verification cell reads
// "校验中 N%", from the server's own progress figure asked for about every 2 s over oTempdb (oMaster is
// busy with the check). oMaster's session number is read once per run, at the first check. SQL Server
// 2000 has no such figure, and a figure that cannot be had is not asked for again: the cell then reads
// "校验中".
#include "app/AppState.h"

#include <functional>
#include <memory>
#include <string>

namespace qm {

inline constexpr const char* kVerifying = "校验中";
inline constexpr int kCheckPollMilliseconds = 2000;

// "select percent_complete from sys.dm_exec_requests where session_id=<spid>"
std::string CheckProgressQuery(int spid);
// The cell for what that query gave: "校验中 N%" (N the whole percent), "校验中" when it gave no figure.
std::string CheckProgressText(const SqlResult& r);

class CheckProgress {
public:
    using Show = std::function<void(const std::string& text)>;

    // One per run. Polls are sent straight over oTempdb, not as the run's statements: they change
    // nothing and would bury the row's own statements.
    explicit CheckProgress(AppState& app);
    ~CheckProgress();
    CheckProgress(const CheckProgress&) = delete;
    CheckProgress& operator=(const CheckProgress&) = delete;

    // Shows "校验中" at once, then, on 2005 and later, each figure from a thread of its own until
    // Stop. Called on the run's thread just before the check is sent; `show` is called on either thread.
    void Start(Show show);
    // Ends the polling and waits for its thread (and so for a poll in flight, which is short).
    void Stop();

private:
    struct Poller;
    int SessionNumber();

    AppState& app_;
    int spid_ = -1; // -1 not read yet, 0 not to be had
    std::unique_ptr<Poller> poller_;
};

} // namespace qm
