#pragma once
// Seams between the engine and the windows / the accounting product's login. The windows implement
// them; tests put in stand-ins that answer at once.
#include "platform/Connection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Kinds of the tool's own message dialog. Any other value shows no picture and no button.
enum MsgKind : int {
    kMsgWarning = 1,      // warning picture, OK
    kMsgQuestion = 2,     // question picture, Yes and No
    kMsgWarningYesNo = 3, // warning picture, Yes and No
    kMsgError = 4,        // error picture, OK
};

// The tool's own modal message dialog, shown with one of the kinds above. Results: -1 OK, 1 Yes, 0 No
// or closed.
class MsgDialog {
public:
    virtual ~MsgDialog() = default;
    virtual int ShowMsg(int inValue, const std::string& message) = 0;
};

// The accounting product's login wrapper as start-up and product detection see it.
class LoginWrapper {
public:
    virtual ~LoginWrapper() = default;
    virtual void SetAdmin(bool admin) = 0;
    virtual bool Regedit(std::string& pSubId, std::string& pAccId, std::string& pYearId, std::string& pUserId,
                         std::string& pPassword, std::string& pDate, std::string& cSrv) = 0;
    virtual bool Success() const = 0;
    virtual std::string Version() const = 0; // "U8", "T6", "T3" or ""
    virtual std::string Server() const = 0;
    virtual std::string DBUser() const = 0;
    virtual std::string DBPwd() = 0; // reading turns a stored "''" into ""
};

// A wrapper that finds no component: what start-up uses where no product login exists.
class NoProductLogin final : public LoginWrapper {
public:
    void SetAdmin(bool) override {}
    bool Regedit(std::string& pSubId, std::string&, std::string&, std::string&, std::string&, std::string&,
                 std::string&) override {
        if (pSubId.empty()) pSubId = "DP";
        return false;
    }
    bool Success() const override { return false; }
    std::string Version() const override { return {}; }
    std::string Server() const override { return {}; }
    std::string DBUser() const override { return {}; }
    std::string DBPwd() override { return {}; }
};

// Every statement or query the engine sends, with its outcome. `row` is the grid row it belongs to
// (0 when it belongs to none).
struct StatementEvent {
    int row = 0;
    std::string sql;
    bool ok = true;
    long errorNumber = 0;
    std::string error;
    std::string messages;                     // all server messages, one per line
    std::vector<ServerMessage> diagnostics{}; // the same, each with its number
    double seconds = 0;                       // from sending to the answer
};

// A file the engine copied before changing a database, or failed to copy.
struct FileCopyEvent {
    int row = 0;
    std::string from, to;
    std::uint64_t bytes = 0;
    std::uint64_t freeBytes = 0; // the room on the disk the copy was planned against
    double seconds = 0;
    std::string error; // "" when the copy is whole
};

class StatementObserver {
public:
    virtual ~StatementObserver() = default;
    virtual void OnFileCopied(const FileCopyEvent&) {}
    virtual void OnStatement(const StatementEvent& e) = 0;
    // A file the engine moved aside or failed to move: path, new path ("" on failure), error.
    virtual void OnFileMoved(int row, const std::string& path, const std::string& newPath,
                             const std::string& error) = 0;
};

} // namespace qm
