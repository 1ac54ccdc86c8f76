#include "repair/Verify.h"

#include "app/Db.h"
#include "server/SqlText.h"

namespace qm {

std::string CheckdbStatement(const std::string& db) {
    return "dbcc checkdb(N'" + SqlLiteralBody(db) + "') with no_infomsgs";
}

SqlResult RunCheckdb(AppState& app, const std::string& db) {
    CommandTimeoutScope noLimit(app.oMaster, 0);
    return ExecuteSql(app, app.oMaster, CheckdbStatement(db));
}

bool CheckdbCounts(const std::string& text, std::string& allocation, std::string& consistency) {
    // The name is the only quoted part of the message; an apostrophe inside it still lies between the
    // first apostrophe and the last.
    std::string outside = text;
    const size_t open = text.find('\''), close = text.rfind('\'');
    if (open != std::string::npos && close > open) outside.replace(open, close - open + 1, " ");
    std::string* counts[] = {&allocation, &consistency};
    size_t found = 0;
    for (size_t i = 0; i < outside.size() && found < 2;) {
        if (outside[i] < '0' || outside[i] > '9') {
            ++i;
            continue;
        }
        const size_t end = outside.find_first_not_of("0123456789", i);
        *counts[found++] = outside.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? outside.size() : end;
    }
    return found == 2;
}

std::string VerificationText(const SqlResult& r, bool stopped) {
    if (!r.ok && stopped) return kVerifyCancelled;
    std::string a, c;
    for (const ServerMessage& m : r.messages)
        if (m.number == kCheckdbSummary && CheckdbCounts(m.text, a, c))
            return "发现" + a + "个分配错误、" + c + "个一致性错误";
    if (r.connectionLost)
        return std::string("校验失败：") + kConnectionLostText; // the driver's words are in the tooltip
    if (!r.ok || !r.error.empty()) return "校验失败：" + (r.error.empty() ? std::string("未知错误") : r.error);
    return kVerifyPassed;
}

} // namespace qm
