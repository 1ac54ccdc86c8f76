#pragma once
// Late-bound automation objects: created by ProgID and driven by member name, the way the accounting
// product's login component is reached. On Windows this is IDispatch; elsewhere no class exists and
// every creation fails with error 429.
//
// Errors are values. A failing creation or call fills an AutoError (number + description, numbered as
// the classic automation runtime numbers them) and returns false / null; nothing throws.
#include <memory>
#include <string>
#include <vector>

namespace qm {

class AutomationObject;

// The error numbers the callers test. Descriptions are the runtime's Simplified Chinese texts.
namespace autoerr {
inline constexpr long kTypeMismatch = 13;      // "类型不匹配"
inline constexpr long kNoObject = 91;          // "对象变量或 With 块变量未设置"
inline constexpr long kCannotCreate = 429;     // "ActiveX 部件不能创建对象"
inline constexpr long kNoMember = 438;         // "对象不支持该属性或方法"
inline constexpr long kParamNotOptional = 449; // "参数不可选"
inline constexpr long kBadArgCount = 450;      // "错误的参数号或无效的属性赋值"
// Description of any failure the runtime has no number of its own for (a raw HRESULT).
inline constexpr const char* kAutomationErrorText = "自动化错误";
} // namespace autoerr

struct AutoError {
    long number = 0;
    std::string description;

    bool failed() const { return number != 0 || !description.empty(); }
    void Clear() {
        number = 0;
        description.clear();
    }

    // The error with its standard description ("自动化错误" for a number without one of its own).
    static AutoError Make(long number);
};

// A late-bound value: empty, text, number, Boolean or an object reference. The database Null of an
// automation result is read as empty.
class AutoValue {
public:
    enum class Kind { Empty, Text, Number, Bool, Object };

    AutoValue() = default;
    static AutoValue Text(std::string s);
    static AutoValue Number(double d);
    static AutoValue Bool(bool b);
    static AutoValue Object(std::shared_ptr<AutomationObject> o);

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }
    const std::string& text() const { return text_; }
    double number() const { return num_; }
    bool boolean() const { return bool_; }
    const std::shared_ptr<AutomationObject>& object() const { return obj_; }

    // Conversions as a late-bound caller sees them when it assigns to a text or compares with a number:
    // empty gives "" / 0, whole numbers print without a fraction, Booleans read "True"/"False" and
    // -1/0, a text converts when it holds a number (blanks around it allowed), otherwise 0.
    // An object reads as "" / 0.
    std::string toText() const;
    double toNumber() const;

    bool operator==(const AutoValue& o) const;

private:
    Kind kind_ = Kind::Empty;
    std::string text_;
    double num_ = 0;
    bool bool_ = false;
    std::shared_ptr<AutomationObject> obj_;
};

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    // Invokes a method or reads an (indexed) property: Call("Login", {...}), Call("Item", {key}).
    virtual bool Call(const std::string& member, const std::vector<AutoValue>& args, AutoValue& result,
                      AutoError& err) = 0;
    // Reads a property without arguments.
    virtual bool Get(const std::string& property, AutoValue& result, AutoError& err) = 0;
    // Assigns a property; an object value is assigned by reference.
    virtual bool Set(const std::string& property, const AutoValue& value, AutoError& err) = 0;
};

class AutomationFactory {
public:
    virtual ~AutomationFactory() = default;
    // A new instance of the class registered under progId, or null with err filled.
    virtual std::shared_ptr<AutomationObject> Create(const std::string& progId, AutoError& err) = 0;
};

// The real factory of this operating system: IDispatch on Windows (COM is initialised apartment-threaded
// on the thread of the first creation, which must be the user-interface thread), elsewhere a factory
// whose every creation fails with error 429.
std::unique_ptr<AutomationFactory> MakeAutomationFactory();

// The calls through a possibly-null reference, as a late-bound caller makes them: a null object fails
// with error 91. On failure `result` is left empty.
bool AutoCall(const std::shared_ptr<AutomationObject>& obj, const std::string& member,
              const std::vector<AutoValue>& args, AutoValue& result, AutoError& err);
bool AutoGet(const std::shared_ptr<AutomationObject>& obj, const std::string& property, AutoValue& result,
             AutoError& err);
bool AutoSet(const std::shared_ptr<AutomationObject>& obj, const std::string& property, const AutoValue& value,
             AutoError& err);

} // namespace qm
