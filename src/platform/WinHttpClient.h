#pragma once
// HTTP on Windows through WinHTTP, which every Windows carries (no libcurl to ship): the whole body as
// bytes, up to 5 redirects followed, bounded connect and total times, status 400 or above a failure.
#ifdef _WIN32
#include "platform/HttpClient.h"

#include <string>

namespace qm {

class WinHttpClient final : public HttpClient {
public:
    WinHttpClient();
    WinHttpClient(long connectTimeoutMs, long totalTimeoutMs);

    // On failure `body` is empty and `error` a Chinese description.
    bool Get(const std::string& url, std::string& body, std::string& error) override;

    static constexpr size_t kMaxBodyBytes = 32u * 1024u * 1024u;

private:
    long connectTimeoutMs_;
    long totalTimeoutMs_;
};

} // namespace qm
#endif
