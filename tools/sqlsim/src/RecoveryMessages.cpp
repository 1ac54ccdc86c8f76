// The errors start-up recovery writes in the error log, and the log's own lines, in both languages.
#include "Messages.h"

namespace sqlsim {

std::string Messages::OsErrorText(int os) const {
    const std::string n = std::to_string(os);
    switch (os) {
    case 2: return n + Pick("(系统找不到指定的文件。)", "(The system cannot find the file specified.)");
    case 3: return n + Pick("(系统找不到指定的路径。)", "(The system cannot find the path specified.)");
    case 5: return n + Pick("(拒绝访问。)", "(Access is denied.)");
    case 32:
        return n + Pick("(另一个程序正在使用此文件，进程无法访问。)",
                        "(The process cannot access the file because it is being used by another process.)");
    default: return n;
    }
}

Message Messages::OpenLogFailed(const std::string& p, int os) const {
    const std::string why = OsErrorText(os);
    return Make(17207, 16,
                "FileMgr::StartLogFiles: 操作系统错误 " + why + "(在创建或打开文件“" + p +
                    "”时发生)。请诊断并纠正操作系统错误，然后重试此操作。",
                "FileMgr::StartLogFiles: Operating system error " + why + " occurred while creating or opening file '" +
                    p + "'. Diagnose and correct the operating system error, and retry the operation.");
}

Message Messages::OpenDataFailed(const std::string& p, int os) const {
    const std::string why = OsErrorText(os);
    return Make(17204, 16, "FCB::Open 失败: 无法打开文件 " + p + " (文件号 1)。操作系统错误: " + why + "。",
                "FCB::Open failed: Could not open file " + p + " for file number 1.  OS error: " + why + ".");
}

Message Messages::LogFull(const std::string& db) const {
    if (major_ < 9)
        return Make(9002, 17, "数据库 '" + db + "' 的日志已满。请备份该数据库的事务日志以释放一些日志空间。",
                    "The log file for database '" + db +
                        "' is full. Back up the transaction log for the database to free up some log space.",
                    2);
    return Make(9002, 17, "数据库 '" + db + "' 的事务日志已满，原因为“LOG_BACKUP”。",
                "The transaction log for database '" + db + "' is full due to 'LOG_BACKUP'.", 2);
}

Message Messages::ChecksumError(int dbid, const std::string& p) const {
    const std::string id = std::to_string(dbid);
    return Make(824, 24,
                "SQL Server 检测到基于一致性的逻辑 I/O 错误: 校验和不正确(应为: 0x5a3c1e2f，但实际为: "
                "0x1b2c3d4e)。在文件“" +
                    p + "”中、偏移量为 0x00000000132000 的位置对数据库 ID " + id +
                    " 中的页 (1:153) 执行 读取 期间，发生了该错误。SQL Server "
                    "错误日志或系统事件日志中的其他消息可能提供了更详细信息。这是一个威胁数据库完整性的严重错误条件，"
                    "必须立即纠正。",
                "SQL Server detected a logical consistency-based I/O error: incorrect checksum (expected: 0x5a3c1e2f; "
                "actual: 0x1b2c3d4e). It occurred during a read of page (1:153) in database ID " +
                    id + " at offset 0x00000000132000 in file '" + p +
                    "'.  Additional messages in the SQL Server error log or system event log may provide more detail. "
                    "This is a severe error condition that threatens database integrity and must be corrected "
                    "immediately.",
                2);
}

Message Messages::RedoFailed(const std::string& db) const {
    return Make(3313, 21,
                "在数据库 '" + db +
                    "' 中重做已记录的操作时，日志记录 ID (1234:5678:1)处出错。通常，特定错误以前已在 Windows "
                    "事件日志服务中记录为错误。请从完整备份还原数据库，或者修复数据库。",
                "During redoing of a logged operation in database '" + db +
                    "', an error occurred at log record ID (1234:5678:1). Typically, the specific failure is "
                    "previously logged as an error in the Windows Event Log service. Restore the database from a full "
                    "backup, or repair the database.",
                2);
}

Message Messages::RecoveryFailed(const std::string& db, int dbid) const {
    const std::string id = std::to_string(dbid);
    return Make(3414, 21,
                "恢复期间出错，导致数据库 '" + db + "' (数据库 ID " + id +
                    ")无法重新启动。请诊断恢复错误并修复，或者从已知的正常备份还原。如果错误未更正或不是预期的，"
                    "请与技术支持联系。",
                "An error occurred during recovery, preventing the database '" + db + "' (database ID " + id +
                    ") from restarting. Diagnose the recovery errors and fix them, or restore from a known good "
                    "backup. If errors are not corrected or expected, contact Technical Support.");
}

Message Messages::FilesMismatch() const {
    return Make(5173, 16,
                "一个或多个文件与数据库的主文件不匹配。如果是尝试附加数据库，请使用正确的文件重试该操作。"
                "如果这是现有的数据库，则文件可能已损坏，应该从备份进行还原。",
                "One or more files do not match the primary file of the database. If you are attempting to attach a "
                "database, retry the operation with the correct files.  If this is an existing database, the file "
                "may be corrupted and should be restored from a backup.");
}

Message Messages::LogMismatch(const std::string& p) const {
    return Make(5108, 10, "日志文件 '" + p + "' 与主文件不匹配。它可能来自其他数据库，或者以前可能已重新生成该日志。",
                "Log file '" + p +
                    "' does not match the primary file.  It may be from a different database or the log may have "
                    "been rebuilt previously.");
}

std::string Messages::LogErrorLine(const Message& m) const {
    const std::string n = std::to_string(m.number), s = std::to_string(m.severity), t = std::to_string(m.state);
    return Pick("错误: " + n + "，严重性: " + s + "，状态: " + t + "。",
                "Error: " + n + ", Severity: " + s + ", State: " + t + ".");
}

std::string Messages::LogStartingUp(const std::string& db) const {
    return Pick("正在启动数据库“" + db + "”。", "Starting up database '" + db + "'.");
}

std::string Messages::LogProcessId() const { return Pick("服务器进程 ID 为 1234。", "Server process ID is 1234."); }

std::string Messages::LogRecoveryDone() const {
    if (major_ < 9) return Pick("恢复完成。", "Recovery complete.");
    return Pick("恢复已完成。这只是一条信息性消息。用户不必执行任何操作。",
                "Recovery is complete. This is an informational message only. No user action is required.");
}

} // namespace sqlsim
