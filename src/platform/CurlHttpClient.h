#pragma once
// HTTP through libcurl (every system but Windows, which uses WinHttpClient): the whole body as bytes,
// up to 5 redirects followed, bounded connect and total times. A status of 400 or above is a failure.
#ifndef _WIN32
#include "platform/HttpClient.h"

#include <string>

namespace qm {

class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient();
    // Timeouts in milliseconds (tests use short ones).
    CurlHttpClient(long connectTimeoutMs, long totalTimeoutMs);

    // On failure `body` is empty and `error` a Chinese description.
    bool Get(const std::string& url, std::string& body, std::string& error) override;

    // Bodies larger than this are refused rather than held in memory.
    static constexpr size_t kMaxBodyBytes = 32u * 1024u * 1024u;

private:
    long connectTimeoutMs_;
    long totalTimeoutMs_;
};

} // namespace qm
#endif
