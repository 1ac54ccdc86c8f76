#ifdef _WIN32
#include "platform/WinHttpClient.h"

#include "platform/Text.h"

#include <windows.h>
#include <winhttp.h>

namespace qm {
namespace {

struct Handle {
    HINTERNET h = nullptr;
    explicit Handle(HINTERNET x) : h(x) {}
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

std::string Reason(DWORD code) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<LPWSTR>(&text), 0,
                             nullptr);
    if (n == 0) {
        n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    }
    std::string out = (n > 0 && text) ? WideToUtf8(std::wstring_view(text, n)) : std::string();
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    if (out.empty()) out = "错误代码 " + std::to_string(code);
    return out;
}

std::string Describe(DWORD code) {
    const std::string reason = Reason(code);
    switch (code) {
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        return "下载地址无效：" + reason;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "无法解析服务器名称：" + reason;
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case 10061:  // WSAECONNREFUSED: Wine's WinHTTP passes the socket's own code on
        return "无法连接到服务器：" + reason;
    case ERROR_WINHTTP_TIMEOUT:
    case 10060:  // WSAETIMEDOUT, likewise
        return "网络连接超时：" + reason;
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return "重定向次数过多：" + reason;
    default:
        return "下载失败：" + reason;
    }
}

bool Fail(std::string& body, std::string& error, const std::string& text) {
    body.clear();
    error = text;
    return false;
}

} // namespace

WinHttpClient::WinHttpClient() : WinHttpClient(10000, 30000) {}

WinHttpClient::WinHttpClient(long connectTimeoutMs, long totalTimeoutMs)
    : connectTimeoutMs_(connectTimeoutMs), totalTimeoutMs_(totalTimeoutMs) {}

bool WinHttpClient::Get(const std::string& url, std::string& body, std::string& error) {
    body.clear();
    error.clear();
    if (url.empty()) return Fail(body, error, "下载地址为空");
    // GetTickCount (XP has no 64-bit count): the unsigned difference stays right across its wrap.
    const DWORD started = GetTickCount();

    const std::wstring wurl = Utf8ToWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wurl.c_str(), static_cast<DWORD>(wurl.size()), 0, &parts))
        return Fail(body, error, Describe(GetLastError()));
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return Fail(body, error, Describe(ERROR_WINHTTP_UNRECOGNIZED_SCHEME));
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Handle session(WinHttpOpen(L"Quillmere", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.h) return Fail(body, error, Describe(GetLastError()));
    const int connectMs = static_cast<int>(connectTimeoutMs_);
    const int totalMs = static_cast<int>(totalTimeoutMs_);
    WinHttpSetTimeouts(session.h, connectMs, connectMs, totalMs, totalMs);

    Handle connection(WinHttpConnect(session.h, host.c_str(), parts.nPort, 0));
    if (!connection.h) return Fail(body, error, Describe(GetLastError()));
    Handle request(WinHttpOpenRequest(connection.h, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request.h) return Fail(body, error, Describe(GetLastError()));
    // The wait for the response's headers has a timeout of its own, which the session's does not set
    // everywhere (Wine leaves it unbounded): a server that accepts and never answers must not hang.
    DWORD responseMs = static_cast<DWORD>(totalMs);
    WinHttpSetOption(request.h, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs, sizeof responseMs);
    DWORD maxRedirects = 5;
    WinHttpSetOption(request.h, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &maxRedirects, sizeof maxRedirects);

    if (!WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.h, nullptr))
        return Fail(body, error, Describe(GetLastError()));

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Fail(body, error, Describe(GetLastError()));
    if (status >= 400) return Fail(body, error, "服务器返回错误：HTTP " + std::to_string(status));
    if (status >= 300) return Fail(body, error, Describe(ERROR_WINHTTP_REDIRECT_FAILED));  // not followed

    char buf[16384];
    for (;;) {
        if (GetTickCount() - started > static_cast<DWORD>(totalTimeoutMs_)) return Fail(body, error, Describe(ERROR_WINHTTP_TIMEOUT));
        DWORD got = 0;
        if (!WinHttpReadData(request.h, buf, sizeof buf, &got)) return Fail(body, error, Describe(GetLastError()));
        if (got == 0) break;
        if (body.size() + got > kMaxBodyBytes) return Fail(body, error, "下载失败：内容过大");
        body.append(buf, got);
    }
    return true;
}

} // namespace qm
#endif
