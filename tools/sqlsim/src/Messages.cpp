#include "Messages.h"

namespace sqlsim {

Message Messages::Make(int number, int severity, const std::string& zh, const std::string& en, int state) const {
    Message m;
    m.number = number;
    m.severity = severity;
    m.state = state;
    m.text = en_ ? en : zh;
    return m;
}

Message Messages::Syntax(const std::string& t) const {
    if (major_ < 9)
        return Make(170, 15, "第 1 行: '" + t + "' 附近有语法错误。", "Line 1: Incorrect syntax near '" + t + "'.");
    return Make(102, 15, "“" + t + "”附近有语法错误。", "Incorrect syntax near '" + t + "'.");
}

Message Messages::UnclosedQuote(const std::string& r) const {
    return Make(105, 15, "字符串 '" + r + "' 后的引号不完整。",
                "Unclosed quotation mark after the character string '" + r + "'.");
}

Message Messages::InvalidObject(const std::string& n) const {
    return Make(208, 16, "对象名 '" + n + "' 无效。", "Invalid object name '" + n + "'.");
}

Message Messages::InvalidColumn(const std::string& n) const {
    return Make(207, 16, "列名 '" + n + "' 无效。", "Invalid column name '" + n + "'.");
}

Message Messages::AmbiguousColumn(const std::string& n) const {
    return Make(209, 16, "列名 '" + n + "' 不明确。", "Ambiguous column name '" + n + "'.");
}

Message Messages::UnknownFunction(const std::string& n) const {
    return Make(195, 15, "'" + n + "' 不是可以识别的 内置函数名称。",
                "'" + n + "' is not a recognized built-in function name.");
}

Message Messages::FunctionArgs(const std::string& n) const {
    return Make(174, 15, n + " 函数的参数数目不正确。", "The " + n + " function has the wrong number of arguments.");
}

Message Messages::UndeclaredVariable(const std::string& n) const {
    return Make(137, 15, "必须声明标量变量 \"" + n + "\"。", "Must declare the scalar variable \"" + n + "\".");
}

Message Messages::UnknownProcedure(const std::string& n) const {
    return Make(2812, 16, "找不到存储过程 '" + n + "'。", "Could not find stored procedure '" + n + "'.", 62);
}

Message Messages::LoginFailed(const std::string& l) const {
    return Make(18456, 14, "用户 '" + l + "' 登录失败。", "Login failed for user '" + l + "'.");
}

Message Messages::CannotOpenDatabase(const std::string& n) const {
    return Make(4060, 11, "无法打开登录所请求的数据库 \"" + n + "\"。登录失败。",
                "Cannot open database \"" + n + "\" requested by the login. The login failed.");
}

Message Messages::NoSuchDatabase(const std::string& n) const {
    return Make(
        911, 16,
        "在 sysdatabases 中找不到数据库 '" + n + "' 所对应的条目。没有找到具有该名称的条目。请确保正确地输入了该名称。",
        "Could not locate entry in sysdatabases for database '" + n +
            "'. No entry found with that name. Make sure that the name is entered correctly.");
}

Message Messages::AlterDenied(const std::string& n) const {
    return Make(5011, 14,
                "用户没有更改数据库 '" + n + "' 的权限，或者该数据库不存在，或者该数据库未处于允许访问检查的状态。",
                "User does not have permission to alter database '" + n +
                    "', the database does not exist, or the database is not in a state that allows access checks.",
                5);
}

Message Messages::AlterFailed() const {
    return Make(5069, 16, "ALTER DATABASE 语句失败。", "ALTER DATABASE statement failed.");
}

Message Messages::DbOptionNoDatabase(const std::string& n) const {
    return Make(15010, 16, "数据库 '" + n + "' 不存在。请使用 sp_helpdb 显示可用的数据库。",
                "The database '" + n + "' does not exist. Use sp_helpdb to show available databases.");
}

Message Messages::DbOptionUnknown(const std::string& o) const {
    return Make(15011, 16, "数据库选项 '" + o + "' 不存在。请指定有效的选项名称。",
                "Database option '" + o + "' does not exist. Specify a valid option name.");
}

Message Messages::DbOptionUsage() const {
    return Make(15241, 16, "用法: sp_dboption [dbname [,optname [,'true' | 'false']]]",
                "Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]");
}

Message Messages::ConfigUnknown(const std::string& o) const {
    return Make(15123, 16, "配置选项 '" + o + "' 不存在，也可能是高级选项。",
                "The configuration option '" + o + "' does not exist, or it may be an advanced option.");
}

Message Messages::ConfigBadValue(const std::string& v, const std::string& o) const {
    return Make(15129, 16, "'" + v + "' 是配置选项 '" + o + "' 的无效值。",
                "'" + v + "' is not a valid value for configuration option '" + o + "'.");
}

Message Messages::ConfigChanged(const std::string& o, long long from, long long to) const {
    return Make(15457, 10,
                "已将配置选项 '" + o + "' 从 " + std::to_string(from) + " 改为 " + std::to_string(to) +
                    "。请运行 RECONFIGURE 语句以安装。",
                "Configuration option '" + o + "' changed from " + std::to_string(from) + " to " + std::to_string(to) +
                    ". Run the RECONFIGURE statement to install.",
                0);
}

Message Messages::ReconfigureRefused() const {
    if (major_ < 9)
        return Make(5808, 16, "不建议对系统目录进行即席更新。请使用 RECONFIGURE WITH OVERRIDE 语句强制执行此配置。",
                    "Ad hoc updates to system catalogs not recommended. Use the RECONFIGURE WITH OVERRIDE statement to "
                    "force this configuration.");
    return Make(5808, 16, "不支持对系统目录进行即席更新。", "Ad hoc update to system catalogs is not supported.");
}

Message Messages::AdHocUpdates() const {
    if (major_ < 9)
        return Make(259, 16, "未启用对系统目录的即席更新。系统管理员必须重新配置 SQL Server 才能执行此操作。",
                    "Ad hoc updates to system catalogs are not enabled. The system administrator must reconfigure SQL "
                    "Server to allow this.");
    return Make(259, 16, "不允许对系统目录进行即席更新。", "Ad hoc updates to system catalogs are not allowed.");
}

Message Messages::Overflow() const {
    return Make(8115, 16, "将 expression 转换为数据类型 int 时出现算术溢出错误。",
                "Arithmetic overflow error converting expression to data type int.", 2);
}

Message Messages::RebuildNeedsState() const {
    if (major_ < 9)
        return Make(5023, 16, "必须将数据库置于旁路恢复模式才能重新生成日志。",
                    "Database must be put in bypass recovery mode to rebuild the log.");
    return Make(5023, 16, "必须将数据库置于可疑或紧急模式才能重新生成日志。",
                "The database must be suspect or in emergency mode to rebuild the log.");
}

Message Messages::RebuildFileExists(const std::string& p) const {
    const std::string en =
        "The file '" + p + "' already exists. It should be renamed or deleted so that a new log file can be created.";
    if (major_ < 9)
        return Make(5025, 16, "文件 '" + p + "' 已存在。应重命名或删除该文件，以便可以创建新的日志文件。", en);
    return Make(5025, 16, "文件 '" + p + "' 已存在。应该重命名或删除它，以便可以创建新的日志文件。", en);
}

Message Messages::RebuildSystemDb() const {
    return Make(5027, 16, "不能重新生成系统数据库 master、model 和 tempdb 的日志。",
                "System databases master, model, and tempdb cannot have their logs rebuilt.");
}

Message Messages::RebuildCannotCreate(const std::string& p) const {
    if (major_ >= 9) return CannotOpenFile(p);
    return Make(5026, 16, "无法用文件 '" + p + "' 创建新日志文件。请查看以前的错误。",
                "Could not create a new log file with file '" + p + "'. See previous errors.");
}

Message Messages::LogRebuilt(const std::string& db) const {
    if (major_ < 9)
        return Make(5029, 10,
                    "警告: 数据库 '" + db +
                        "' 的日志已重建。已失去事务的一致性。应运行 DBCC CHECKDB "
                        "以验证物理一致性。将必须重置数据库选项，并且可能需要删除多余的日志文件。",
                    "Warning: The log for database '" + db +
                        "' has been rebuilt. Transactional consistency has been lost. DBCC CHECKDB should be run to "
                        "validate physical consistency. Database options will have to be reset, and extra log files "
                        "may need to be deleted.");
    return Make(5029, 10,
                "警告: 数据库 '" + db +
                    "' 的日志已重建。已失去事务的一致性。RESTORE "
                    "链已断开，服务器不再具有以前日志文件的上下文，因此您需要了解它们是什么。应运行 DBCC CHECKDB "
                    "以验证物理一致性。数据库已置于仅限 dbo "
                    "使用模式。在准备使数据库可供使用时，需要重置数据库选项，并删除所有多余的日志文件。",
                "Warning: The log for database '" + db +
                    "' has been rebuilt. Transactional consistency has been lost. The RESTORE chain was broken, and "
                    "the server no longer has context on the previous log files, so you will need to know what they "
                    "were. You should run DBCC CHECKDB to validate physical consistency. The database has been put in "
                    "dbo-only mode. When you are ready to make the database available for use, you will need to reset "
                    "database options and delete any extra log files.");
}

Message Messages::DbccDone() const {
    return Make(2528, 10, "DBCC 执行完毕。如果 DBCC 输出了错误信息，请与系统管理员联系。",
                "DBCC execution completed. If DBCC printed error messages, contact your system administrator.");
}

Message Messages::DbccBadStatement() const {
    return Make(2526, 16, "DBCC 语句不正确。请查看文档以了解正确的 DBCC 语法和选项。",
                "Incorrect DBCC statement. Check the documentation for the correct DBCC syntax and options.", 3);
}

Message Messages::RollingBack() const {
    return Make(5060, 10, "正在回滚不符合条件的事务。估计回滚完成度: 100%。",
                "Nonqualified transactions are being rolled back. Estimated rollback completion: 100%.");
}

Message Messages::FileActivation(const std::string& p) const {
    return Make(5105, 16, "文件激活失败。物理文件名称\"" + p + "\"可能不正确。",
                "File activation failure. The physical file name \"" + p + "\" may be incorrect.");
}

Message Messages::CannotOpenFile(const std::string& p) const {
    return Make(5120, 16, "无法打开物理文件 \"" + p + "\"。操作系统错误 3: \"3(系统找不到指定的路径。)\"。",
                "Unable to open the physical file \"" + p +
                    "\". Operating system error 3: \"3(The system cannot find the path specified.)\".",
                101);
}

Message Messages::OsFileError(const std::string& p, int os) const {
    const std::string n = std::to_string(os), why = OsErrorText(os);
    return Make(5120, 16, "无法打开物理文件 \"" + p + "\"。操作系统错误 " + n + ":\"" + why + "\"。",
                "Unable to open the physical file \"" + p + "\". Operating system error " + n + ": \"" + why + "\".",
                101);
}

Message Messages::InaccessibleFiles(const std::string& db) const {
    return Make(945, 14,
                "由于文件不可访问，或者内存或磁盘空间不足，所以无法打开数据库 '" + db +
                    "'。有关详细信息，请参阅 SQL Server 错误日志。",
                "Database '" + db +
                    "' cannot be opened due to inaccessible files or insufficient memory or disk space.  See the SQL "
                    "Server errorlog for details.",
                2);
}

Message Messages::MarkedSuspect(const std::string& db) const {
    return Make(
        926, 14,
        "无法打开数据库 '" + db + "'。恢复操作已将该数据库标记为 SUSPECT。有关详细信息，请参阅 SQL Server 错误日志。",
        "Database '" + db +
            "' cannot be opened. It has been marked SUSPECT by recovery. See the SQL Server errorlog for more "
            "information.");
}

Message Messages::NotWhileRestoring(const std::string& db) const {
    return Make(5052, 16, "数据库 '" + db + "' 处于 RESTORING 状态时，不允许执行 ALTER DATABASE。",
                "ALTER DATABASE is not permitted while database '" + db + "' is in the Restoring state.");
}

Message Messages::CheckdbNoDatabase(const std::string& db) const {
    if (major_ < 9) return NoSuchDatabase(db);
    return Make(2520, 16,
                "找不到数据库 '" + db +
                    "'。该数据库不存在，或者在语句尝试使用它之前已被删除。请通过查询 sys.databases "
                    "目录视图验证该数据库是否存在。",
                "Could not find database '" + db +
                    "'. The database either does not exist, or was dropped before a statement "
                    "tried to use it. Verify if the database exists by querying the sys.databases catalog view.",
                5);
}

Message Messages::CheckdbFinding(int n) const {
    // Numbers of a plausible damaged page; each finding names its own page.
    const std::string object = std::to_string(2073058421 + n), unit = std::to_string(72057594038321152LL + 65536LL * n),
                      page = "(1:" + std::to_string(153 + n) + ")";
    return Make(8939, 16,
                "表错误: 对象 ID " + object + "，索引 ID 1，分区 ID " + unit + "，分配单元 ID " + unit +
                    " (类型为 In-row data)，页 " + page + "。测试(IS_OFF (BUF_IOERR, pBUF->bstat))失败。",
                "Table error: Object ID " + object + ", index ID 1, partition ID " + unit + ", alloc unit ID " + unit +
                    " (type In-row data), page " + page +
                    ". Test (IS_OFF (BUF_IOERR, pBUF->bstat)) failed. Values are 12716041 and -4.",
                98);
}

Message Messages::CheckdbFound(const std::string& db, long long a, long long c) const {
    const std::string as = std::to_string(a), cs = std::to_string(c);
    return Make(
        8989, 10, "CHECKDB 在数据库 '" + db + "' 中发现 " + as + " 个分配错误和 " + cs + " 个一致性错误。",
        "CHECKDB found " + as + " allocation errors and " + cs + " consistency errors in database '" + db + "'.");
}

Message Messages::CheckdbRepairLevel(const std::string& db, const std::string& level) const {
    return Make(8958, 10, level + " 是 DBCC CHECKDB (" + db + ")发现的错误的最低修复级别。",
                level + " is the minimum repair level for the errors found by DBCC CHECKDB (" + db + ").");
}

Message Messages::CheckdbRepaired() const { return Make(8911, 10, "此错误已修复。", "The error has been repaired."); }

Message Messages::CheckdbFixed(const std::string& db, long long a, long long c) const {
    const std::string as = std::to_string(a), cs = std::to_string(c);
    return Make(
        8912, 10, "CHECKDB 在数据库 '" + db + "' 中修复了 " + as + " 个分配错误和 " + cs + " 个一致性错误。",
        "CHECKDB fixed " + as + " allocation errors and " + cs + " consistency errors in database '" + db + "'.");
}

Message Messages::RepairNeedsSingleUser() const {
    return Make(7919, 16, "未处理修复语句。数据库需要处于单用户模式下。",
                "Repair statement not processed. Database needs to be in single user mode.");
}

Message Messages::RepairLevelInEmergency() const {
    return Make(7901, 16, "未处理修复语句。数据库处于紧急模式时不支持此修复级别。",
                "The repair statement was not processed. This level of repair is not supported when the database is "
                "in emergency mode.");
}

Message Messages::EmergencyRepairFailed() const {
    // The server's own text has no blank after the first sentence.
    return Make(7909, 16, "紧急模式修复失败。必须从备份还原。",
                "The emergency-mode repair failed.You must restore from a backup.");
}

Message Messages::ContextChanged(const std::string& db) const {
    return Make(5701, 0, "已将数据库上下文更改为 '" + db + "'。", "Changed database context to '" + db + "'.", 2);
}

Message Messages::TooManyArguments(const std::string& p) const {
    if (major_ < 9)
        return Make(8144, 16, "为过程 " + p + " 指定了过多的参数。",
                    "Procedure " + p + " has too many arguments specified.", 2);
    return Make(8144, 16, "为过程或函数 " + p + " 指定了过多的参数。",
                "Procedure or function " + p + " has too many arguments specified.", 2);
}

Message Messages::Internal(const std::string& what) const {
    return Make(50000, 16, "模拟服务器内部错误: " + what, "Simulator internal error: " + what);
}

} // namespace sqlsim
