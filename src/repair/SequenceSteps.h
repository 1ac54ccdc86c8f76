#pragma once
// Building blocks the repair sequences share: the pending error of continuing mode, statement
// execution over oMaster, moving stale logs aside, and the guards that undo a change on the way out.
#include "app/AppState.h"

#include <exception>
#include <string>
#include <vector>

namespace qm {

inline constexpr const char* kDataFileMissing = "错误：未找到数据文件";
inline constexpr const char* kNoLogPath = "未修复：无法确定日志文件路径";
inline constexpr const char* kAllowUpdatesOn = "sp_configure 'allow updates',1";
inline constexpr const char* kAllowUpdatesOff = "sp_configure 'allow updates',0";
inline constexpr const char* kReconfigure = "reconfigure with override";

struct LogFilePlan;

// Continuing mode: a failing step records its description (replacing any earlier one) and the sequence
// goes on. `failed` is kept apart from the text so that a failure the driver described with an empty
// text is still a failure.
struct PendingError {
    bool failed = false;
    std::string text;
    long number = 0; // the server's message number, 0 for a refusal of the file layer

    void Set(const std::string& description, long messageNumber = 0) {
        failed = true;
        text = description;
        number = messageNumber;
    }
    void Clear() { *this = PendingError{}; }
};

// A name as it stands where T-SQL expects an identifier; the empty name stays empty so the server
// rejects the statement with its own message.
std::string IdentOrEmpty(const std::string& name);

// SQL Server 2000's switch of a database option: "sp_dboption '<db>','<option>','true'" (or 'false').
std::string DbOptionStatement(const std::string& db, const std::string& option, bool on);

// The data-file test of the sequences: the path names a file that is not there. The empty path passes
// (the read-only fallback knows no data file).
bool DataFileMissing(AppState& app, const std::string& path);

// Sends one statement over oMaster; a failure goes into `pending`. Gives whether it was accepted.
bool ExecStep(AppState& app, const std::string& sql, PendingError& pending);

// Trapping mode: sends one statement; a failure puts its description (when not empty) into cMsg.
bool ExecTrapped(AppState& app, const std::string& sql);

// Moves the stale log at `path` aside when it exists and the plan allows it (a path the plan protects
// is skipped as if no file were there); a refusal goes into `pending`.
void MoveStaleLog(AppState& app, const LogFilePlan& plan, const std::string& path, PendingError& pending);

// The end of a sequence at its failure exit: the pending text (when there is one) becomes cMsg.
bool FailureExit(AppState& app, const PendingError& pending);

// Runs a sequence so that nothing it meets leaves it: an exception ends it at its failure exit with
// the exception's description in cMsg.
template <typename Fn>
bool RunTrapped(AppState& app, Fn&& fn) {
    try {
        return fn();
    } catch (const std::exception& e) {
        app.cMsg = e.what();
        return false;
    } catch (...) {
        app.cMsg.clear();
        return false;
    }
}

// How long one guard statement may take: a frozen server must not hold the run for ever, and 停止
// does not cut a guard short.
inline constexpr int kGuardTimeoutSeconds = 30;

// The one way guard statements reach the server: in order, each whatever the one before it did, each
// with kGuardTimeoutSeconds (oMaster's own timeout is put back after), none cancelled by 停止.
// Outcomes are not examined (the transcript and the observer have them). Leaves cMsg alone.
void SendGuardStatements(AppState& app, const std::vector<std::string>& statements);

// Undoes a server-wide or database-wide change on every way out of a sequence that does not undo it
// itself — a failure exit, an early return, an exception. Armed when the change is about to be made,
// disarmed once the sequence's own statements have undone it. Guards of one sequence leave in the
// reverse order of their declaration, so a guard declared later undoes its change first.
class UndoGuard {
public:
    UndoGuard(AppState& app, std::vector<std::string> statements) : app_(app), statements_(std::move(statements)) {}
    ~UndoGuard();
    UndoGuard(const UndoGuard&) = delete;
    UndoGuard& operator=(const UndoGuard&) = delete;

    void Arm() { armed_ = true; }
    void Disarm() { armed_ = false; }

private:
    AppState& app_;
    std::vector<std::string> statements_;
    bool armed_ = false;
};

// SQL Server 2000's 'allow updates' is server-wide and must never be left on.
inline UndoGuard AllowUpdatesOffGuard(AppState& app) { return UndoGuard(app, {kAllowUpdatesOff, kReconfigure}); }

} // namespace qm
