#pragma once
// Why a database went bad, as the server wrote it in its current error log: the newest entry naming the
// database that says what happened (a file missing, held or refused, the log full, a disk read failing,
// recovery failing, a log from elsewhere). Read per row when the row is to be repaired or previewed,
// never at load. 2005 and later filter the log themselves; SQL Server 2000 cannot, so its whole log is
// read once per run and filtered here.
#include "app/AppState.h"

#include <string>
#include <vector>

namespace qm {

inline constexpr const char* kCauseMissing = "文件不存在";
inline constexpr const char* kCauseHeld = "文件被占用";
inline constexpr const char* kCauseDenied = "拒绝访问";
inline constexpr const char* kCauseLogFull = "日志已满";
inline constexpr const char* kCauseIo = "磁盘读写错误";
inline constexpr const char* kCauseRecovery = "恢复失败";
inline constexpr const char* kCauseMismatch = "日志不匹配";
inline constexpr const char* kCauseUnknown = "未知";

// What the operator is told instead of a rebuild, which would not help.
inline constexpr const char* kHeldReport = "数据库文件被其他程序占用（如杀毒软件），请关闭后重试";
inline constexpr const char* kDeniedReport = "SQL Server 服务账户无权访问数据库文件";

struct Cause {
    std::string kind = kCauseUnknown;
    std::string line;   // the log entry it was read from ("" when none)
    bool asked = false; // the log was asked (the row was to be repaired)
};

// 2005 and later: "exec master..xp_readerrorlog 0, 1, N'<db>'"; 2000: "exec master..xp_readerrorlog".
std::string ErrorLogQuery(VersionClass version, const std::string& db);

// The class one entry's text names, kCauseUnknown when it names none.
std::string ClassifyLogText(const std::string& text);

// The log entries of a reply, oldest first: 2005 and later "<LogDate> <Text>"; 2000 its rows with the
// continuation rows joined to the row before.
std::vector<std::string> LogEntries(const SqlResult& r, VersionClass version);

// The cause among `entries` (oldest first) that name `db` or `dataPath` (letter case ignored): the newest
// one with a class. "Recovery failed" is what follows most other causes, so an entry of another class
// shortly before it is taken instead.
Cause CauseOf(const std::vector<std::string>& entries, const std::string& db, const std::string& dataPath);

// Reads the cause over oMaster as one of the row's statements. A failed read gives kCauseUnknown and
// leaves cMsg as it was.
Cause ReadCause(AppState& app, const std::string& db, const std::string& dataPath);

// Whether the cause concerns the file at `path` (its entry names it).
bool CauseNamesFile(const Cause& cause, const std::string& path);

} // namespace qm
