#ifdef _WIN32
#include "platform/WinHttpClient.h"

#include "platform/Text.h"

#include <windows.h>
#include <winhttp.h>

#include <utility>

namespace qm {

// The WinHTTP functions the fetch uses, looked up by name in the loaded DLL.
struct WinHttpClient::Api {
    HMODULE module = nullptr;
    decltype(&::WinHttpCrackUrl) CrackUrl = nullptr;
    decltype(&::WinHttpOpen) Open = nullptr;
    decltype(&::WinHttpSetTimeouts) SetTimeouts = nullptr;
    decltype(&::WinHttpConnect) Connect = nullptr;
    decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&::WinHttpSetOption) SetOption = nullptr;
    decltype(&::WinHttpSendRequest) SendRequest = nullptr;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&::WinHttpReadData) ReadData = nullptr;
    decltype(&::WinHttpCloseHandle) CloseHandle = nullptr;
};

namespace {

template <class F>
bool Bind(HMODULE module, const char* name, F& fn) {
    // Through void*: a cast between unrelated function pointer types is what -Wcast-function-type warns of.
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

struct Handle {
    HINTERNET h = nullptr;
    decltype(&::WinHttpCloseHandle) close;
    Handle(HINTERNET x, decltype(&::WinHttpCloseHandle) c) : h(x), close(c) {}
    ~Handle() {
        if (h) close(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

std::string Reason(DWORD code, HMODULE module) {
    wchar_t* text = nullptr;
    DWORD n = module ? FormatMessageW(
                           FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                           module, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr)
                     : 0;
    if (n == 0) {
        n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    }
    std::string out = (n > 0 && text) ? WideToUtf8(std::wstring_view(text, n)) : std::string();
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    if (out.empty()) out = "错误代码 " + std::to_string(code);
    return out;
}

std::string Describe(DWORD code, HMODULE module) {
    const std::string reason = Reason(code, module);
    switch (code) {
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return "下载地址无效：" + reason;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "无法解析服务器名称：" + reason;
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case 10061: // WSAECONNREFUSED: Wine's WinHTTP passes the socket's own code on
        return "无法连接到服务器：" + reason;
    case ERROR_WINHTTP_TIMEOUT:
    case 10060: // WSAETIMEDOUT, likewise
        return "网络连接超时：" + reason;
    case ERROR_WINHTTP_REDIRECT_FAILED: return "重定向次数过多：" + reason;
    default: return "下载失败：" + reason;
    }
}

bool Fail(std::string& body, std::string& error, const std::string& text) {
    body.clear();
    error = text;
    return false;
}

} // namespace

WinHttpClient::WinHttpClient(long connectTimeoutMs, long totalTimeoutMs, std::string library)
    : connectTimeoutMs_(connectTimeoutMs), totalTimeoutMs_(totalTimeoutMs), library_(std::move(library)) {}

WinHttpClient::~WinHttpClient() {
    if (api_) FreeLibrary(api_->module);
}

const WinHttpClient::Api* WinHttpClient::LoadApi(std::string& error) {
    LockGuard hold(loading_);
    if (api_) return api_.get();
    const std::wstring name = Utf8ToWide(library_);
    HMODULE module = LoadLibraryW(name.c_str());
    if (!module) {
        error = "下载失败：无法加载 " + library_ + "：" + Reason(GetLastError(), nullptr);
        return nullptr;
    }
    auto api = std::make_unique<Api>();
    api->module = module;
    const char* missing = nullptr;
    auto bind = [&](const char* name, auto& fn) {
        if (!Bind(module, name, fn) && !missing) missing = name;
    };
    bind("WinHttpCrackUrl", api->CrackUrl);
    bind("WinHttpOpen", api->Open);
    bind("WinHttpSetTimeouts", api->SetTimeouts);
    bind("WinHttpConnect", api->Connect);
    bind("WinHttpOpenRequest", api->OpenRequest);
    bind("WinHttpSetOption", api->SetOption);
    bind("WinHttpSendRequest", api->SendRequest);
    bind("WinHttpReceiveResponse", api->ReceiveResponse);
    bind("WinHttpQueryHeaders", api->QueryHeaders);
    bind("WinHttpReadData", api->ReadData);
    bind("WinHttpCloseHandle", api->CloseHandle);
    if (missing) {
        FreeLibrary(module);
        error = "下载失败：" + library_ + " 中没有 " + missing;
        return nullptr;
    }
    api_ = std::move(api);
    return api_.get();
}

bool WinHttpClient::Get(const std::string& url, std::string& body, std::string& error) {
    body.clear();
    error.clear();
    if (url.empty()) return Fail(body, error, "下载地址为空");
    std::string loadError;
    const Api* api = LoadApi(loadError);
    if (!api) return Fail(body, error, loadError);
    const Api& w = *api;
    auto describe = [&](DWORD code) { return Describe(code, w.module); };
    // GetTickCount (XP has no 64-bit count): the unsigned difference stays right across its wrap.
    const DWORD started = GetTickCount();

    const std::wstring wurl = Utf8ToWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (!w.CrackUrl(wurl.c_str(), static_cast<DWORD>(wurl.size()), 0, &parts))
        return Fail(body, error, describe(GetLastError()));
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return Fail(body, error, describe(ERROR_WINHTTP_UNRECOGNIZED_SCHEME));
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Handle session(
        w.Open(L"Quillmere", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0),
        w.CloseHandle);
    if (!session.h) return Fail(body, error, describe(GetLastError()));
    const int connectMs = static_cast<int>(connectTimeoutMs_);
    const int totalMs = static_cast<int>(totalTimeoutMs_);
    w.SetTimeouts(session.h, connectMs, connectMs, totalMs, totalMs);

    Handle connection(w.Connect(session.h, host.c_str(), parts.nPort, 0), w.CloseHandle);
    if (!connection.h) return Fail(body, error, describe(GetLastError()));
    Handle request(
        w.OpenRequest(connection.h, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0),
        w.CloseHandle);
    if (!request.h) return Fail(body, error, describe(GetLastError()));
    // The wait for the response's headers has a timeout of its own, which the session's does not set
    // everywhere (Wine leaves it unbounded): a server that accepts and never answers must not hang.
    DWORD responseMs = static_cast<DWORD>(totalMs);
    w.SetOption(request.h, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs, sizeof responseMs);
    DWORD maxRedirects = 5;
    w.SetOption(request.h, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &maxRedirects, sizeof maxRedirects);

    if (!w.SendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !w.ReceiveResponse(request.h, nullptr))
        return Fail(body, error, describe(GetLastError()));

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!w.QueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Fail(body, error, describe(GetLastError()));
    if (status >= 400) return Fail(body, error, "服务器返回错误：HTTP " + std::to_string(status));
    if (status >= 300) return Fail(body, error, describe(ERROR_WINHTTP_REDIRECT_FAILED)); // not followed

    char buf[16384];
    for (;;) {
        if (GetTickCount() - started > static_cast<DWORD>(totalTimeoutMs_))
            return Fail(body, error, describe(ERROR_WINHTTP_TIMEOUT));
        DWORD got = 0;
        if (!w.ReadData(request.h, buf, sizeof buf, &got)) return Fail(body, error, describe(GetLastError()));
        if (got == 0) break;
        if (body.size() + got > kMaxBodyBytes) return Fail(body, error, "下载失败：内容过大");
        body.append(buf, got);
    }
    return true;
}

} // namespace qm
#endif
