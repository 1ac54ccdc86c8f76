#pragma once
// The server's messages in the scenario's language (Simplified Chinese by default, English on request).
#include "sqlsim/Engine.h"

#include <string>

namespace sqlsim {

class Messages {
public:
    Messages(bool english, int major) : en_(english), major_(major) {}

    Message Syntax(const std::string& token) const;                                       // 102 (2005+) / 170 (2000)
    Message UnclosedQuote(const std::string& rest) const;                                 // 105
    Message InvalidObject(const std::string& name) const;                                 // 208
    Message InvalidColumn(const std::string& name) const;                                 // 207
    Message AmbiguousColumn(const std::string& name) const;                               // 209
    Message UnknownFunction(const std::string& name) const;                               // 195
    Message FunctionArgs(const std::string& name) const;                                  // 174
    Message UndeclaredVariable(const std::string& name) const;                            // 137
    Message UnknownProcedure(const std::string& name) const;                              // 2812
    Message LoginFailed(const std::string& login) const;                                  // 18456
    Message CannotOpenDatabase(const std::string& name) const;                            // 4060
    Message NoSuchDatabase(const std::string& name) const;                                // 911
    Message AlterDenied(const std::string& name) const;                                   // 5011
    Message AlterFailed() const;                                                          // 5069
    Message DbOptionNoDatabase(const std::string& name) const;                            // 15010
    Message DbOptionUnknown(const std::string& option) const;                             // 15011
    Message DbOptionUsage() const;                                                        // 15241
    Message ConfigUnknown(const std::string& option) const;                               // 15123
    Message ConfigBadValue(const std::string& value, const std::string& option) const;    // 15129
    Message ConfigChanged(const std::string& option, long long from, long long to) const; // 15457
    Message ReconfigureRefused() const;                                                   // 5808
    Message AdHocUpdates() const;                                                         // 259
    Message Overflow() const;                                                             // 8115
    Message RebuildNeedsState() const;                                                    // 5023
    Message RebuildFileExists(const std::string& path) const;                             // 5025
    Message RebuildSystemDb() const;                                                      // 5027
    Message RebuildCannotCreate(const std::string& path) const;                           // 5026 (2000) / 5120 (2005+)
    Message LogRebuilt(const std::string& db) const;                                      // 5029
    Message DbccDone() const;                                                             // 2528
    Message DbccBadStatement() const;                                                     // 2526
    Message RollingBack() const;                                                          // 5060
    Message FileActivation(const std::string& path) const;                                // 5105
    Message CannotOpenFile(const std::string& path) const;                                // 5120, the folder is missing
    Message OsFileError(const std::string& path, int os) const;                           // 5120, OS error 2, 5 or 32
    Message InaccessibleFiles(const std::string& db) const;                               // 945
    Message MarkedSuspect(const std::string& db) const;                                   // 926
    Message NotWhileRestoring(const std::string& db) const;                               // 5052
    Message CheckdbNoDatabase(const std::string& db) const;                               // 2520 (2005+) / 911 (2000)
    Message CheckdbFinding(int n) const; // 8939, the n-th finding (0-based)
    Message CheckdbFound(const std::string& db, long long allocation, long long consistency) const; // 8989
    Message CheckdbRepairLevel(const std::string& db, const std::string& level) const;              // 8958
    Message CheckdbRepaired() const;                                                                // 8911
    Message CheckdbFixed(const std::string& db, long long allocation, long long consistency) const; // 8912
    Message RepairNeedsSingleUser() const;                                                          // 7919
    Message RepairLevelInEmergency() const;                                                         // 7901
    Message EmergencyRepairFailed() const;                                                          // 7909
    Message ContextChanged(const std::string& db) const;                                            // 5701
    Message Internal(const std::string& what) const;                                                // 50000
    Message TooManyArguments(const std::string& procedure) const;                                   // 8144

    // The errors start-up recovery writes in the error log (RecoveryMessages.cpp). `os` is 2, 5 or 32.
    Message OpenLogFailed(const std::string& path, int os) const;       // 17207
    Message OpenDataFailed(const std::string& path, int os) const;      // 17204
    Message LogFull(const std::string& db) const;                       // 9002
    Message ChecksumError(int dbid, const std::string& dataPath) const; // 824
    Message RedoFailed(const std::string& db) const;                    // 3313
    Message RecoveryFailed(const std::string& db, int dbid) const;      // 3414
    Message FilesMismatch() const;                                      // 5173
    Message LogMismatch(const std::string& logPath) const;              // 5108
    // The error log's own lines.
    std::string LogErrorLine(const Message& m) const; // "Error: n, Severity: s, State: t."
    std::string LogStartingUp(const std::string& db) const;
    std::string LogProcessId() const;
    std::string LogRecoveryDone() const;

private:
    std::string OsErrorText(int os) const; // "2(The system cannot find the file specified.)"
    std::string Pick(const std::string& zh, const std::string& en) const { return en_ ? en : zh; }
    Message Make(int number, int severity, const std::string& zh, const std::string& en, int state = 1) const;
    bool en_;
    int major_;
};

} // namespace sqlsim
