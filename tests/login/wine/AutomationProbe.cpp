// Drives the IDispatch automation factory against a real COM class ("Scripting.Dictionary") under
// Windows or wine. Built and run by scripts/cross-check --run; prints one line per check.
#include <cstdio>
#include <string>

#include "platform/Automation.h"

using namespace qm;

namespace {

int failures = 0;

void Check(bool ok, const char* what, const std::string& detail = {}) {
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what, detail.empty() ? "" : ": ", detail.c_str());
    if (!ok) ++failures;
}

std::string Describe(const AutoError& e) { return std::to_string(e.number) + " " + e.description; }

}  // namespace

int main() {
    auto factory = MakeAutomationFactory();
    AutoError err;
    bool ok = false;

    auto missing = factory->Create("Quillmere.NoSuchClass", err);
    ok = !missing && err.number == autoerr::kCannotCreate;
    Check(ok, "unknown ProgID fails with 429", Describe(err));

    err.Clear();
    auto dict = factory->Create("Scripting.Dictionary", err);
    ok = dict != nullptr && !err.failed();
    Check(ok, "Scripting.Dictionary created", Describe(err));
    if (!dict) return 1;

    AutoValue v;
    ok = dict->Set("CompareMode", AutoValue::Number(1), err);
    Check(ok, "property put", Describe(err));
    ok = dict->Get("CompareMode", v, err) && v.toNumber() == 1;
    Check(ok, "property get", v.toText());

    ok = dict->Call("Add", {AutoValue::Text("用友"), AutoValue::Text("账套 001")}, v, err);
    Check(ok, "method with text", Describe(err));
    ok = dict->Call("Item", {AutoValue::Text("用友")}, v, err) && v.kind() == AutoValue::Kind::Text &&
         v.text() == "账套 001";
    Check(ok, "UTF-8 text survives the BSTR round trip", v.toText());
    ok = dict->Call("Exists", {AutoValue::Text("用友")}, v, err) && v.kind() == AutoValue::Kind::Bool && v.boolean();
    Check(ok, "Boolean result", v.toText());
    ok = dict->Get("Count", v, err) && v.kind() == AutoValue::Kind::Number && v.number() == 1;
    Check(ok, "number result", v.toText());

    err.Clear();
    ok = !dict->Call("Add", {AutoValue::Text("用友"), AutoValue::Number(2)}, v, err) && err.failed();
    Check(ok, "exception raised by the object is reported", Describe(err));

    err.Clear();
    ok = !dict->Call("NoSuchMember", {}, v, err) && err.number == autoerr::kNoMember;
    Check(ok, "unknown member is 438", Describe(err));

    err.Clear();
    auto inner = factory->Create("Scripting.Dictionary", err);
    AutoValue ignored;
    ok = inner && dict->Call("Add", {AutoValue::Text("inner"), AutoValue::Object(inner)}, ignored, err);
    Check(ok, "object passed as argument", Describe(err));
    ok = dict->Call("Item", {AutoValue::Text("inner")}, v, err) && v.kind() == AutoValue::Kind::Object;
    Check(ok, "object returned", v.toText());
    AutoValue count;
    ok = AutoGet(v.object(), "Count", count, err) && count.toNumber() == 0;
    Check(ok, "call on returned object", count.toText());

    std::printf("%s: %d failure(s)\n", failures ? "FAILED" : "PASSED", failures);
    return failures ? 1 : 0;
}
