// The IDispatch automation factory. Creation and calls follow the late-bound caller's rules: a class that
// cannot be created is error 429, a member the object does not know is 438, an exception raised by the
// object keeps its own number and description, and any other failure is "自动化错误".
#ifdef _WIN32
#include "platform/Automation.h"
#include "platform/Text.h"

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <vector>

namespace qm {
namespace {

std::string BstrToUtf8(BSTR b) { return b ? WideToUtf8(std::wstring_view(b, SysStringLen(b))) : std::string(); }

// An HRESULT as the caller numbers it: the runtime's own errors (FACILITY_CONTROL) by their code,
// the well-known dispatch failures by their runtime numbers, anything else as the raw HRESULT.
AutoError FromHresult(HRESULT hr) {
    switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND: return AutoError::Make(autoerr::kNoMember);
    case DISP_E_TYPEMISMATCH: return AutoError::Make(autoerr::kTypeMismatch);
    case DISP_E_BADPARAMCOUNT: return AutoError::Make(autoerr::kBadArgCount);
    case DISP_E_PARAMNOTOPTIONAL: return AutoError::Make(autoerr::kParamNotOptional);
    default: break;
    }
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return AutoError::Make(HRESULT_CODE(hr));
    AutoError e;
    e.number = static_cast<long>(hr);
    e.description = autoerr::kAutomationErrorText;
    return e;
}

AutoError FromException(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    AutoError e;
    if (info.wCode != 0) {
        e = AutoError::Make(info.wCode);
    } else {
        e = FromHresult(info.scode);
    }
    std::string text = BstrToUtf8(info.bstrDescription);
    if (!text.empty()) e.description = text;
    if (e.number == 0) e.number = static_cast<long>(E_FAIL);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return e;
}

AutoValue FromVariant(const VARIANT& v);

class DispatchObject final : public AutomationObject {
public:
    explicit DispatchObject(IDispatch* d) : disp_(d) {} // takes over one reference
    ~DispatchObject() override {
        if (disp_) disp_->Release();
    }
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    IDispatch* dispatch() const { return disp_; }

    bool Call(const std::string& member, const std::vector<AutoValue>& args, AutoValue& result,
              AutoError& err) override {
        return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &result, err);
    }
    bool Get(const std::string& property, AutoValue& result, AutoError& err) override {
        return Invoke(property, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &result, err);
    }
    bool Set(const std::string& property, const AutoValue& value, AutoError& err) override {
        if (value.kind() == AutoValue::Kind::Object) {
            // An object goes by reference; a class with only a plain put accepts it that way too.
            AutoError refErr;
            if (Invoke(property, DISPATCH_PROPERTYPUTREF, {value}, nullptr, refErr)) return true;
        }
        return Invoke(property, DISPATCH_PROPERTYPUT, {value}, nullptr, err);
    }

private:
    bool Invoke(const std::string& member, WORD flags, const std::vector<AutoValue>& args, AutoValue* result,
                AutoError& err);

    IDispatch* disp_ = nullptr;
};

// Fills an argument VARIANT; false for a value that cannot cross (an object of another implementation).
bool ToVariant(const AutoValue& a, VARIANT& v) {
    VariantInit(&v);
    switch (a.kind()) {
    case AutoValue::Kind::Empty: return true;
    case AutoValue::Kind::Text: {
        std::wstring w = Utf8ToWide(a.text());
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
        return true;
    }
    case AutoValue::Kind::Number: {
        double d = a.number();
        // Whole numbers go as Long, which the product's components declare; others as Double.
        if (d >= -2147483648.0 && d <= 2147483647.0 && d == static_cast<double>(static_cast<LONG>(d))) {
            v.vt = VT_I4;
            v.lVal = static_cast<LONG>(d);
        } else {
            v.vt = VT_R8;
            v.dblVal = d;
        }
        return true;
    }
    case AutoValue::Kind::Bool:
        v.vt = VT_BOOL;
        v.boolVal = a.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    case AutoValue::Kind::Object: {
        auto* d = dynamic_cast<DispatchObject*>(a.object().get());
        if (!d) return false;
        d->dispatch()->AddRef();
        v.vt = VT_DISPATCH;
        v.pdispVal = d->dispatch();
        return true;
    }
    }
    return false;
}

AutoValue FromVariant(const VARIANT& in) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantCopyInd(&v, const_cast<VARIANT*>(&in)))) return AutoValue();
    AutoValue out;
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR: break; // VT_ERROR is a missing optional argument
    case VT_BSTR: out = AutoValue::Text(BstrToUtf8(v.bstrVal)); break;
    case VT_BOOL: out = AutoValue::Bool(v.boolVal != VARIANT_FALSE); break;
    case VT_DISPATCH:
        if (v.pdispVal) {
            v.pdispVal->AddRef();
            out = AutoValue::Object(std::make_shared<DispatchObject>(v.pdispVal));
        }
        break;
    case VT_UNKNOWN:
        if (v.punkVal) {
            IDispatch* d = nullptr;
            if (SUCCEEDED(v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))) && d)
                out = AutoValue::Object(std::make_shared<DispatchObject>(d));
        }
        break;
    default: {
        VARIANT c;
        VariantInit(&c);
        if (SUCCEEDED(VariantChangeType(&c, &v, 0, VT_R8))) {
            out = AutoValue::Number(c.dblVal);
        } else if (SUCCEEDED(VariantChangeType(&c, &v, 0, VT_BSTR))) {
            out = AutoValue::Text(BstrToUtf8(c.bstrVal));
        }
        VariantClear(&c);
        break;
    }
    }
    VariantClear(&v);
    return out;
}

bool DispatchObject::Invoke(const std::string& member, WORD flags, const std::vector<AutoValue>& args,
                            AutoValue* result, AutoError& err) {
    if (result) *result = AutoValue();
    std::wstring name = Utf8ToWide(member);
    LPOLESTR names[1] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = disp_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        err = AutoError::Make(autoerr::kNoMember);
        return false;
    }

    // DISPPARAMS carries the arguments last to first.
    std::vector<VARIANT> vars(args.size());
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (!ToVariant(args[args.size() - 1 - i], vars[i])) ok = false;
    }
    if (!ok) {
        for (VARIANT& v : vars) VariantClear(&v);
        err = AutoError::Make(autoerr::kTypeMismatch);
        return false;
    }
    DISPPARAMS params{};
    DISPID putId = DISPID_PROPERTYPUT;
    params.rgvarg = vars.empty() ? nullptr : vars.data();
    params.cArgs = static_cast<UINT>(vars.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    VARIANT ret;
    VariantInit(&ret);
    EXCEPINFO info{};
    UINT argErr = 0;
    hr = disp_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? &ret : nullptr, &info, &argErr);
    for (VARIANT& v : vars) VariantClear(&v);
    if (hr == DISP_E_EXCEPTION) {
        err = FromException(info);
        VariantClear(&ret);
        return false;
    }
    if (FAILED(hr)) {
        err = FromHresult(hr);
        VariantClear(&ret);
        return false;
    }
    if (result) *result = FromVariant(ret);
    VariantClear(&ret);
    return true;
}

bool IsNotRegistered(HRESULT hr) {
    return hr == REGDB_E_CLASSNOTREG || hr == REGDB_E_READREGDB || hr == REGDB_E_KEYMISSING || hr == CO_E_CLASSSTRING ||
           hr == CO_E_DLLNOTFOUND || hr == CO_E_ERRORINDLL || hr == CO_E_APPNOTFOUND ||
           hr == CO_E_SERVER_EXEC_FAILURE || hr == E_NOINTERFACE || hr == CLASS_E_CLASSNOTAVAILABLE ||
           hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
}

class DispatchFactory final : public AutomationFactory {
public:
    std::shared_ptr<AutomationObject> Create(const std::string& progId, AutoError& err) override {
        EnsureCom();
        std::wstring wide = Utf8ToWide(progId);
        CLSID clsid{};
        HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
        if (FAILED(hr)) {
            err = AutoError::Make(autoerr::kCannotCreate);
            return nullptr;
        }
        IUnknown* unk = nullptr;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk));
        if (FAILED(hr) || !unk) {
            err = IsNotRegistered(hr) ? AutoError::Make(autoerr::kCannotCreate) : FromHresult(hr);
            return nullptr;
        }
        IDispatch* disp = nullptr;
        hr = unk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp));
        unk->Release();
        if (FAILED(hr) || !disp) {
            // An object that cannot be driven by name is of no use to a late-bound caller.
            err = AutoError::Make(autoerr::kCannotCreate);
            return nullptr;
        }
        return std::make_shared<DispatchObject>(disp);
    }

private:
    // Once, on the thread of the first creation (the user-interface thread). A thread that the windows
    // layer already initialised answers S_FALSE or RPC_E_CHANGED_MODE; both leave COM usable. COM is not
    // uninitialised: objects handed out may outlive this factory until the process ends.
    void EnsureCom() {
        if (comTried_) return;
        comTried_ = true;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }

    bool comTried_ = false;
};

} // namespace

std::unique_ptr<AutomationFactory> MakeAutomationFactory() { return std::make_unique<DispatchFactory>(); }

} // namespace qm
#endif
