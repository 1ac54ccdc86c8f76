#pragma once
// What the check after a repair found, repaired: a rebuilt log left unrepaired is how damage surfaces
// months later. DBCC CHECKDB's repair may delete damaged pages (REPAIR_ALLOW_DATA_LOSS), so it runs
// only when the operator ticked 发现错误时修复 and confirmed, and for a database without a copy taken in
// this run only after a second confirmation. The same repair in emergency mode is the last resort of
// 2005 and later when a log cannot be rebuilt.
#include "app/AppState.h"
#include "app/Interfaces.h"

#include <string>

namespace qm {

struct MainModel;

inline constexpr const char* kRepairAllowDataLoss = "repair_allow_data_loss";
inline constexpr const char* kRepairRebuild = "repair_rebuild";
inline constexpr long kRepairLevelMessage = 8958; // "<level> is the minimum repair level for the errors found …"
inline constexpr long kRepairFixedMessage = 8912; // "CHECKDB fixed a allocation errors and c consistency errors …"
inline constexpr const char* kFindingsRepaired = "已修复：";
inline constexpr const char* kFindingsRepairCancelled = "修复已取消";
inline constexpr const char* kFindingsRepairFailed = "修复失败：";
inline constexpr const char* kEmergencyRepaired = "成功修复（紧急模式修复，可能丢失数据）";
inline constexpr const char* kEmergencyRepairFailed = "紧急模式修复失败：";

inline constexpr const char* kAskRepairFindings =
    "已勾选“发现错误时修复”：校验发现错误的数据库将以 DBCC CHECKDB 的 REPAIR_ALLOW_DATA_LOSS "
    "修复，被损坏的数据页可能被删除，数据可能丢失。是否继续？";
inline constexpr const char* kAskRepairUncopied =
    "未勾选“修复前备份”：修复前不会复制数据库文件，REPAIR_ALLOW_DATA_LOSS 删除的数据将无法找回。"
    "是否仍在没有备份时修复校验发现的错误？选“否”则只报告发现的错误。";

// The check found something: its summary (8989) counts are not both zero.
bool HasFindings(const SqlResult& check);
// The level message 8958 named; repair_allow_data_loss when it named none.
std::string RepairLevel(const SqlResult& check);
// "dbcc checkdb(N'<db>', <level>) with no_infomsgs"
std::string CheckdbRepairStatement(const std::string& db, const std::string& level);

// Single user, the repair at `level` with no command timeout, multi user again (always sent, as a
// guard); on 2000 through sp_dboption's 'single user'. The repair statement's outcome, or the refused
// single-user step's.
SqlResult RepairFindings(AppState& app, const std::string& db, const std::string& level);

// The repair went through: it says what it fixed (8912), though the findings it lists are errors.
bool FindingsRepaired(const SqlResult& repair);

// The verification cell once the findings were repaired and checked again: "已修复：" + the counts the
// repair gave + "；" + the second check's outcome; a repair that did not go through gives the first
// outcome and why.
std::string RepairedVerificationText(const std::string& firstOutcome, const SqlResult& repair, const SqlResult& second,
                                     bool stopped);

// 2005 and later: set emergency, single user, the repair with data loss (which rebuilds the log), multi
// user. True when the database is online after it; otherwise cMsg holds kEmergencyRepairFailed and why.
bool EmergencyRepair(AppState& app, const std::string& db);

// Asked at 确定 while 发现错误时修复 is ticked. False: the operator declined and nothing is to start.
// Sets m.bRepairUncopied to the answer of the second question, asked only while 修复前备份 is not ticked.
bool ConfirmFindingsRepair(MsgDialog& dialog, MainModel& m);

} // namespace qm
