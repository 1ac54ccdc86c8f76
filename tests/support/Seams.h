#pragma once
// Stand-ins for the engine's seams (app/Interfaces.h) that answer as a test sets and record what they were
// given: the product login wrapper, the message dialog and the statement observer.
#include "app/Interfaces.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace qmtest {

struct FakeLogin : qm::LoginWrapper {
    void SetAdmin(bool a) override { admin = a; }
    bool Regedit(std::string& a, std::string& b, std::string& c, std::string& d, std::string& e, std::string& f,
                 std::string& g) override {
        received = {a, b, c, d, e, f, g};
        if (throwText) throw std::runtime_error(throwText);
        return success;
    }
    bool Success() const override { return success; }
    std::string Version() const override { return version; }
    std::string Server() const override { return server; }
    std::string DBUser() const override { return "productUser"; }
    std::string DBPwd() override { return "productPwd"; }

    bool admin = false, success = false;
    const char* throwText = nullptr;
    std::string version, server;
    std::vector<std::string> received;
};

// The administrator sign-in as start-up asks for it: every text empty.
inline bool SignIn(qm::LoginWrapper& login) {
    std::string a[7];
    return login.Regedit(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
}

// Each message as "kind text"; answers as if closed.
struct RecordingDialog : qm::MsgDialog {
    int ShowMsg(int kind, const std::string& text) override { return shown.push_back(Line(kind, text)), -1; }
    static std::string Line(int kind, const std::string& text) { return std::to_string(kind) + " " + text; }
    std::vector<std::string> shown;
};

// The statements reported, and how many file moves.
struct StatementLog : qm::StatementObserver {
    void OnStatement(const qm::StatementEvent& e) override { statements.push_back(e); }
    void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override { ++moves; }
    std::vector<qm::StatementEvent> statements;
    int moves = 0;
};

} // namespace qmtest
