#pragma once
// A scriptable stand-in for the accounting product's automation components: objects answer by member
// name (any letter case, as IDispatch does), record every call, and classes can refuse creation with
// any error.
#include "app/Interfaces.h"
#include "platform/Automation.h"
#include "platform/SystemServices.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qmtest {

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
    }
};

class FakeObject : public qm::AutomationObject {
public:
    using Method = std::function<bool(const std::vector<qm::AutoValue>&, qm::AutoValue&, qm::AutoError&)>;
    struct Invocation {
        char how;  // 'C' call, 'G' get, 'S' set
        std::string member;
        std::vector<std::string> args;  // argument texts (the value for a set)
    };

    explicit FakeObject(std::string id = {}) : progId(std::move(id)) {}

    bool Call(const std::string& member, const std::vector<qm::AutoValue>& args, qm::AutoValue& result,
              qm::AutoError& err) override {
        Record('C', member, args);
        return Dispatch(member, args, result, err);
    }
    bool Get(const std::string& property, qm::AutoValue& result, qm::AutoError& err) override {
        Record('G', property, {});
        return Dispatch(property, {}, result, err);
    }
    bool Set(const std::string& property, const qm::AutoValue& value, qm::AutoError&) override {
        Record('S', property, {value});
        props[property] = value;
        return true;
    }

    // Calls of one member, in order, each with its argument texts.
    std::vector<std::vector<std::string>> CallsOf(const std::string& member) const {
        std::vector<std::vector<std::string>> out;
        for (const auto& i : log)
            if (i.how == 'C' && !CaseLess()(i.member, member) && !CaseLess()(member, i.member)) out.push_back(i.args);
        return out;
    }

    std::string progId;
    std::map<std::string, qm::AutoValue, CaseLess> props;
    std::map<std::string, Method, CaseLess> methods;
    std::map<std::string, qm::AutoError, CaseLess> failing;  // member → error it raises
    std::vector<Invocation> log;

private:
    void Record(char how, const std::string& member, const std::vector<qm::AutoValue>& args) {
        Invocation i{how, member, {}};
        for (const auto& a : args) i.args.push_back(a.toText());
        log.push_back(std::move(i));
    }
    bool Dispatch(const std::string& member, const std::vector<qm::AutoValue>& args, qm::AutoValue& result,
                  qm::AutoError& err) {
        auto f = failing.find(member);
        if (f != failing.end()) {
            err = f->second;
            return false;
        }
        auto m = methods.find(member);
        if (m != methods.end()) return m->second(args, result, err);
        auto p = props.find(member);
        if (p != props.end() && args.empty()) {
            result = p->second;
            return true;
        }
        err = qm::AutoError::Make(qm::autoerr::kNoMember);
        return false;
    }
};

class FakeAutomationFactory : public qm::AutomationFactory {
public:
    using Maker = std::function<std::shared_ptr<FakeObject>()>;

    std::shared_ptr<qm::AutomationObject> Create(const std::string& progId, qm::AutoError& err) override {
        creations.push_back(progId);
        auto fail = failures.find(progId);
        if (fail != failures.end()) {
            err = fail->second;
            return nullptr;
        }
        auto c = classes.find(progId);
        if (c == classes.end()) {
            err = qm::AutoError::Make(qm::autoerr::kCannotCreate);
            return nullptr;
        }
        auto obj = c->second();
        created.push_back(obj);
        return obj;
    }

    void Install(const std::string& progId, Maker make) { classes[progId] = std::move(make); }
    void Fail(const std::string& progId, qm::AutoError e) { failures[progId] = std::move(e); }
    static qm::AutoError Error(long number, std::string description) {
        qm::AutoError e;
        e.number = number;
        e.description = std::move(description);
        return e;
    }

    int CreationsOf(const std::string& progId) const {
        int n = 0;
        for (const auto& c : creations) n += c == progId;
        return n;
    }
    std::vector<std::shared_ptr<FakeObject>> CreatedOf(const std::string& progId) const {
        std::vector<std::shared_ptr<FakeObject>> out;
        for (const auto& o : created)
            if (o->progId == progId) out.push_back(o);
        return out;
    }

    std::map<std::string, Maker> classes;
    std::map<std::string, qm::AutoError> failures;
    std::vector<std::string> creations;
    std::vector<std::shared_ptr<FakeObject>> created;
};

class FakeRegistry : public qm::Registry {
public:
    bool CanOpenLocalMachineKey(const std::string& subKeyUtf8) override {
        asked.push_back(subKeyUtf8);
        return keys.count(subKeyUtf8) > 0;
    }
    std::set<std::string> keys;
    std::vector<std::string> asked;
};

class FakeSystemInfo : public qm::SystemInfo {
public:
    std::string ComputerName() override { return name; }
    std::string name = "WS-ACCT01";
};

class RecordingDialog : public qm::MsgDialog {
public:
    struct Shown {
        int kind;
        std::string message;
    };
    int ShowMsg(int inValue, const std::string& message) override {
        shown.push_back({inValue, message});
        return -1;
    }
    std::vector<Shown> shown;
};

} // namespace qmtest
