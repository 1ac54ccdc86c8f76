#pragma once
// A product login wrapper whose answers a test sets; it records what it was given.
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

} // namespace qmtest
