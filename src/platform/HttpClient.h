#pragma once
#include <string>

namespace qm {

// Fetches a whole resource as bytes (redirects followed, bounded timeouts).
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual bool Get(const std::string& url, std::string& body, std::string& error) = 0;
};

} // namespace qm
