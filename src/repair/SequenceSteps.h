#pragma once
// Building blocks the repair sequences share: the pending error of continuing mode, statement
// execution over oMaster, moving stale logs aside, and the guard that turns 'allow updates' off again.
#include "app/AppState.h"

#include <exception>
#include <string>

namespace qm {

inline constexpr const char* kDataFileMissing = "错误：未找到数据文件";

// Upper-cases ASCII letters only; other bytes (Chinese folder names) stay as they are.
inline std::string AsciiUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

// Continuing mode: a failing step records its description (replacing any earlier one) and the sequence
// goes on. `failed` is kept apart from the text so that a failure the driver described with an empty
// text is still a failure.
struct PendingError {
    bool failed = false;
    std::string text;

    void Set(const std::string& description) { failed = true; text = description; }
    void Clear() { failed = false; text.clear(); }
};

// A name as it stands where T-SQL expects an identifier; the empty name stays empty so the server
// rejects the statement with its own message.
std::string IdentOrEmpty(const std::string& name);

// Sends one statement over oMaster; a failure goes into `pending`. Gives whether it was accepted.
bool ExecStep(AppState& app, const std::string& sql, PendingError& pending);

// Trapping mode: sends one statement; a failure puts its description (when not empty) into cMsg.
bool ExecTrapped(AppState& app, const std::string& sql);

// Moves the stale log at `path` aside when it exists; a refusal goes into `pending`.
void MoveAsideIfExists(AppState& app, const std::string& path, PendingError& pending);

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

// SQL Server 2000's 'allow updates' is server-wide: once a sequence has asked for it, every way out that
// does not send the closing statements itself sends "sp_configure 'allow updates',0" and
// "reconfigure with override". Leaves cMsg alone, so the row keeps the failure that ended it.
class AllowUpdatesGuard {
public:
    explicit AllowUpdatesGuard(AppState& app) : app_(app) {}
    ~AllowUpdatesGuard();
    AllowUpdatesGuard(const AllowUpdatesGuard&) = delete;
    AllowUpdatesGuard& operator=(const AllowUpdatesGuard&) = delete;

    void Arm() { armed_ = true; }
    void Disarm() { armed_ = false; }

private:
    AppState& app_;
    bool armed_ = false;
};

} // namespace qm
