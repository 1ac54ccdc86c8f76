// A stand-in for the accounting product's login component: an in-process COM server (a DLL registered
// by the tests under the product's ProgIDs) whose objects are driven through IDispatch by member name.
// The test scripts it through this process's environment, which the objects read at each call:
//   QM_COM_<member>   the value a property of the login object reads (LogState as a number);
//                     QM_COM_cAccName is a list "a|b|…": each login object created takes the first entry
//   QM_COM_REFUSE=1   the direct administrator sign-in (Login with 7 texts, LoginAs) raises an error
//   QM_COM_LOG        every call is appended as "ProgID.Member(arg,arg)\n" (property puts "Member=v")
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace {

// {5D1C6A10-3B2E-4C51-9A7E-0000000000xx}: one class per ProgID, told apart by the last byte.
const GUID kClassBase = {0x5d1c6a10, 0x3b2e, 0x4c51, {0x9a, 0x7e, 0, 0, 0, 0, 0, 0}};
enum Kind { kFrontEnd = 1, kU8Login, kT3Login, kUfDatabase, kSystemDb, kInnerLogin };
const wchar_t* const kNames[] = {L"",
                                 L"UFSoft.U8.Framework.Login.UI.clsLogin",
                                 L"U8Login.clsLogin",
                                 L"UFLoginSQL.Login",
                                 L"USDbKit.UfDatabase",
                                 L"UfSystemDb",
                                 L"Login()"};
LONG g_objects = 0;

std::wstring Env(const std::wstring& name) {
    wchar_t buf[4096];
    const DWORD n = GetEnvironmentVariableW(name.c_str(), buf, 4096);
    return n > 0 && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

void Log(const std::wstring& line) {
    SetEnvironmentVariableW(L"QM_COM_LOG", (Env(L"QM_COM_LOG") + line + L"\n").c_str());
}

std::wstring Text(const VARIANT& v) {
    VARIANT c;
    VariantInit(&c);
    std::wstring out;
    if (SUCCEEDED(VariantChangeType(&c, const_cast<VARIANT*>(&v), 0, VT_BSTR)) && c.bstrVal)
        out.assign(c.bstrVal, SysStringLen(c.bstrVal));
    VariantClear(&c);
    return out;
}

HRESULT ReturnText(VARIANT* r, const std::wstring& s) {
    if (r) r->vt = VT_BSTR, r->bstrVal = SysAllocStringLen(s.data(), UINT(s.size()));
    return S_OK;
}

// Reference counting and QueryInterface for an object with the one interface I.
template <class I, const IID& kIid>
class Unknown : public I {
public:
    virtual ~Unknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == kIid ? static_cast<I*>(this) : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return ULONG(n);
    }

private:
    LONG refs_ = 1;
};

class Object final : public Unknown<IDispatch, IID_IDispatch> {
public:
    Object(Kind kind, std::wstring accName) : kind_(kind), accName_(std::move(accName)) {
        InterlockedIncrement(&g_objects);
    }
    ~Object() override {
        if (inner_) inner_->Release();
        if (systemDb_) systemDb_->Release();
        InterlockedDecrement(&g_objects);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    // Any name is a member; its id is its place in the list of names asked for, in any letter case.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; i < count; ++i) {
            size_t k = 0;
            while (k < members_.size() && lstrcmpiW(members_[k].c_str(), names[i]) != 0) ++k;
            if (k == members_.size()) members_.push_back(names[i]);
            ids[i] = DISPID(k + 1);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        if (id < 1 || size_t(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
        const std::wstring member = members_[size_t(id - 1)];
        std::vector<std::wstring> args; // arrive last to first
        for (UINT i = params->cArgs; i > 0; --i) args.push_back(Text(params->rgvarg[i - 1]));
        if (result) VariantInit(result);
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            Log(std::wstring(kNames[kind_]) + L"." + member + L"=" + (args.empty() ? L"" : args[0]));
            return S_OK;
        }
        std::wstring line = std::wstring(kNames[kind_]) + L"." + member + L"(";
        for (size_t i = 0; i < args.size(); ++i) line += (i ? L"," : L"") + args[i];
        const bool isCall = (flags & DISPATCH_METHOD) && (params->cArgs > 0 || IsMethod(member));
        if (isCall) Log(line + L")");

        if (kind_ == kSystemDb) return ReturnText(result, Env(L"QM_COM_DbConnect"));
        if (kind_ != kU8Login && kind_ != kT3Login) return S_OK;
        const bool signIn = (lstrcmpiW(member.c_str(), L"Login") == 0 && args.size() == 7) ||
                            lstrcmpiW(member.c_str(), L"LoginAs") == 0;
        if (signIn && Env(L"QM_COM_REFUSE") == L"1") {
            ZeroMemory(info, sizeof *info);
            info->scode = E_FAIL;
            info->bstrDescription = SysAllocString(L"用户不能登录");
            return DISP_E_EXCEPTION;
        }
        if (lstrcmpiW(member.c_str(), L"Login") == 0 && args.empty()) return ReturnObject(result, kInnerLogin);
        if (lstrcmpiW(member.c_str(), L"UfSystemDb") == 0) return ReturnObject(result, kSystemDb);
        if (lstrcmpiW(member.c_str(), L"LogState") == 0) {
            if (result) result->vt = VT_I4, result->lVal = _wtoi(Env(L"QM_COM_LogState").c_str());
            return S_OK;
        }
        if (lstrcmpiW(member.c_str(), L"cAccName") == 0) return ReturnText(result, accName_);
        if (isCall) return S_OK;
        return ReturnText(result, Env(L"QM_COM_" + member));
    }

private:
    static bool IsMethod(const std::wstring& m) {
        for (const wchar_t* name : {L"Login", L"ClearError", L"ShutDown"})
            if (lstrcmpiW(m.c_str(), name) == 0) return true;
        return false;
    }
    HRESULT ReturnObject(VARIANT* r, Kind kind) {
        // The same inner object each time, as a component hands out its own members.
        Object*& slot = kind == kInnerLogin ? inner_ : systemDb_;
        if (!slot) (slot = new Object(kind, L""))->AddRef();
        if (r) slot->AddRef(), r->vt = VT_DISPATCH, r->pdispVal = slot;
        return S_OK;
    }

    Kind kind_;
    std::wstring accName_;
    std::vector<std::wstring> members_;
    Object* inner_ = nullptr;
    Object* systemDb_ = nullptr;
};

class Factory final : public Unknown<IClassFactory, IID_IClassFactory> {
public:
    explicit Factory(Kind kind) : kind_(kind) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        std::wstring accName;
        if (kind_ == kU8Login || kind_ == kT3Login) {
            const std::wstring list = Env(L"QM_COM_cAccName");
            const size_t bar = list.find(L'|');
            accName = list.substr(0, bar);
            SetEnvironmentVariableW(L"QM_COM_cAccName",
                                    bar == std::wstring::npos ? nullptr : list.substr(bar + 1).c_str());
        }
        Log(std::wstring(L"new ") + kNames[kind_]);
        Object* o = new Object(kind_, accName);
        const HRESULT hr = o->QueryInterface(iid, out);
        o->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Kind kind_;
};

} // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    GUID base = clsid;
    const unsigned char kind = base.Data4[7];
    base.Data4[7] = 0;
    if (base != kClassBase || kind < kFrontEnd || kind > kUfDatabase) return CLASS_E_CLASSNOTAVAILABLE;
    Factory* f = new Factory(Kind(kind));
    const HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }
