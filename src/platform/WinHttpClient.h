#pragma once
// HTTP on Windows through WinHTTP, which every Windows carries (no libcurl to ship): the whole body as
// bytes, up to 5 redirects followed, bounded connect and total times, status 400 or above a failure.
// The DLL is loaded on first use, never imported: where it cannot be loaded (Windows Server 2003 keeps it
// as a side-by-side assembly) only the fetch fails, and the program still starts.
#ifdef _WIN32
#include "platform/HttpClient.h"
#include "platform/Threads.h"

#include <memory>
#include <string>

namespace qm {

class WinHttpClient final : public HttpClient {
public:
    // `library` is the DLL WinHTTP is loaded from (tests name one that does not exist).
    explicit WinHttpClient(long connectTimeoutMs = 10000, long totalTimeoutMs = 30000,
                           std::string library = "winhttp.dll");
    ~WinHttpClient() override;

    // On failure `body` is empty and `error` a Chinese description.
    bool Get(const std::string& url, std::string& body, std::string& error) override;

    static constexpr size_t kMaxBodyBytes = 32u * 1024u * 1024u;

private:
    struct Api;
    // The functions once loaded; null with `error` set when the DLL or one of them is missing.
    const Api* LoadApi(std::string& error);

    long connectTimeoutMs_;
    long totalTimeoutMs_;
    std::string library_;
    Mutex loading_;
    std::unique_ptr<Api> api_;
};

} // namespace qm
#endif
