// libcurl is used where the system brings it; Windows uses WinHttpClient.
#ifndef _WIN32
#include "platform/CurlHttpClient.h"

#include <curl/curl.h>

#include <mutex>

namespace qm {
namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::string* body;
    bool tooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->body->size() + n > CurlHttpClient::kMaxBodyBytes) {
        sink->tooLarge = true;
        return 0; // makes curl stop with a write error
    }
    sink->body->append(data, n);
    return n;
}

std::string Describe(CURLcode code, const char* detail) {
    std::string reason = (detail && *detail) ? detail : curl_easy_strerror(code);
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT: return "下载地址无效：" + reason;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return "无法解析服务器名称：" + reason;
    case CURLE_COULDNT_CONNECT: return "无法连接到服务器：" + reason;
    case CURLE_OPERATION_TIMEDOUT: return "网络连接超时：" + reason;
    case CURLE_TOO_MANY_REDIRECTS: return "重定向次数过多：" + reason;
    default: return "下载失败：" + reason;
    }
}

} // namespace

CurlHttpClient::CurlHttpClient() : CurlHttpClient(10000, 30000) {}

CurlHttpClient::CurlHttpClient(long connectTimeoutMs, long totalTimeoutMs)
    : connectTimeoutMs_(connectTimeoutMs), totalTimeoutMs_(totalTimeoutMs) {}

bool CurlHttpClient::Get(const std::string& url, std::string& body, std::string& error) {
    body.clear();
    error.clear();
    if (url.empty()) {
        error = "下载地址为空";
        return false;
    }
    GlobalInitOnce();
    CURL* curl = curl_easy_init();
    if (!curl) {
        error = "下载失败：无法初始化网络组件";
        return false;
    }
    char detail[CURL_ERROR_SIZE] = {0};
    Sink sink{&body};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs_);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs_);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);        // no SIGALRM from name lookups in a threaded program
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // any encoding curl can undo
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif

    const CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    if (sink.tooLarge) {
        body.clear();
        error = "下载失败：内容过大";
        return false;
    }
    if (rc != CURLE_OK) {
        body.clear();
        error = Describe(rc, detail);
        return false;
    }
    if (status >= 400) {
        body.clear();
        error = "服务器返回错误：HTTP " + std::to_string(status);
        return false;
    }
    return true;
}

} // namespace qm
#endif
