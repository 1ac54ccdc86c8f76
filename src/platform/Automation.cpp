// Automation values and errors, the null-safe call helpers and, off Windows, the factory that finds no
// class. The IDispatch factory is in AutomationWin.cpp.
#include "platform/Automation.h"

#include "platform/Text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qm {

AutoError AutoError::Make(long number) {
    AutoError e;
    e.number = number;
    switch (number) {
    case autoerr::kTypeMismatch: e.description = "类型不匹配"; break;
    case autoerr::kNoObject: e.description = "对象变量或 With 块变量未设置"; break;
    case autoerr::kCannotCreate: e.description = "ActiveX 部件不能创建对象"; break;
    case autoerr::kNoMember: e.description = "对象不支持该属性或方法"; break;
    case autoerr::kParamNotOptional: e.description = "参数不可选"; break;
    case autoerr::kBadArgCount: e.description = "错误的参数号或无效的属性赋值"; break;
    default: e.description = autoerr::kAutomationErrorText; break;
    }
    return e;
}

AutoValue AutoValue::Text(std::string s) {
    AutoValue v;
    v.kind_ = Kind::Text;
    v.text_ = std::move(s);
    return v;
}

AutoValue AutoValue::Number(double d) {
    AutoValue v;
    v.kind_ = Kind::Number;
    v.num_ = d;
    return v;
}

AutoValue AutoValue::Bool(bool b) {
    AutoValue v;
    v.kind_ = Kind::Bool;
    v.bool_ = b;
    return v;
}

AutoValue AutoValue::Object(std::shared_ptr<AutomationObject> o) {
    if (!o) return AutoValue();
    AutoValue v;
    v.kind_ = Kind::Object;
    v.obj_ = std::move(o);
    return v;
}

std::string AutoValue::toText() const {
    switch (kind_) {
    case Kind::Text: return text_;
    case Kind::Bool: return bool_ ? "True" : "False";
    case Kind::Number: {
        char buf[40];
        if (std::isfinite(num_) && num_ == std::trunc(num_) && std::fabs(num_) < 1e15)
            std::snprintf(buf, sizeof buf, "%.0f", num_);
        else std::snprintf(buf, sizeof buf, "%.15g", num_);
        return buf;
    }
    case Kind::Empty:
    case Kind::Object: break;
    }
    return {};
}

double AutoValue::toNumber() const {
    switch (kind_) {
    case Kind::Number: return num_;
    case Kind::Bool: return bool_ ? -1 : 0;
    case Kind::Text: {
        const std::string t = Trim(text_);
        if (t.empty()) return 0;
        char* end = nullptr;
        double d = std::strtod(t.c_str(), &end);
        return (end && *end == '\0') ? d : 0;
    }
    case Kind::Empty:
    case Kind::Object: break;
    }
    return 0;
}

bool AutoValue::operator==(const AutoValue& o) const {
    if (kind_ != o.kind_) return false;
    switch (kind_) {
    case Kind::Empty: return true;
    case Kind::Text: return text_ == o.text_;
    case Kind::Number: return num_ == o.num_;
    case Kind::Bool: return bool_ == o.bool_;
    case Kind::Object: return obj_ == o.obj_;
    }
    return false;
}

bool AutoCall(const std::shared_ptr<AutomationObject>& obj, const std::string& member,
              const std::vector<AutoValue>& args, AutoValue& result, AutoError& err) {
    result = AutoValue();
    if (!obj) {
        err = AutoError::Make(autoerr::kNoObject);
        return false;
    }
    if (!obj->Call(member, args, result, err)) {
        result = AutoValue();
        return false;
    }
    return true;
}

bool AutoGet(const std::shared_ptr<AutomationObject>& obj, const std::string& property, AutoValue& result,
             AutoError& err) {
    result = AutoValue();
    if (!obj) {
        err = AutoError::Make(autoerr::kNoObject);
        return false;
    }
    if (!obj->Get(property, result, err)) {
        result = AutoValue();
        return false;
    }
    return true;
}

bool AutoSet(const std::shared_ptr<AutomationObject>& obj, const std::string& property, const AutoValue& value,
             AutoError& err) {
    if (!obj) {
        err = AutoError::Make(autoerr::kNoObject);
        return false;
    }
    return obj->Set(property, value, err);
}

#ifndef _WIN32
namespace {

// No automation classes exist off Windows: the product's components count as not installed.
class NoAutomationFactory final : public AutomationFactory {
public:
    std::shared_ptr<AutomationObject> Create(const std::string&, AutoError& err) override {
        err = AutoError::Make(autoerr::kCannotCreate);
        return nullptr;
    }
};

} // namespace

std::unique_ptr<AutomationFactory> MakeAutomationFactory() { return std::make_unique<NoAutomationFactory>(); }
#endif

} // namespace qm
