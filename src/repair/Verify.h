#pragma once
// The check after a repair: a rebuilt log loses transactional consistency, so a database the run
// repaired is checked with DBCC CHECKDB and the outcome goes into the grid's verification column.
#include "app/AppState.h"

#include <string>

namespace qm {

inline constexpr const char* kVerifyPassed = "校验通过";
inline constexpr const char* kVerifyCancelled = "校验已取消";
inline constexpr long kCheckdbSummary = 8989; // "CHECKDB found a allocation errors and c consistency errors …"

std::string CheckdbStatement(const std::string& db);

// Sends the check of `db` over oMaster with no command timeout (a large database takes hours), the
// timeout before it put back after. The statement and its messages reach the observer.
SqlResult RunCheckdb(AppState& app, const std::string& db);

// The two counts of the summary message: the first two numbers outside the quoted database name
// (the Chinese text names the database before them, the English one after, and names hold digits).
// False when there are not two.
bool CheckdbCounts(const std::string& text, std::string& allocation, std::string& consistency);

// The verification cell for what the check gave. `stopped`: 停止 came before the check ended, so a
// check that did not finish was cancelled rather than failed.
std::string VerificationText(const SqlResult& r, bool stopped);

} // namespace qm
