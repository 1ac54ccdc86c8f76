// The system's HTTP client (WinHTTP on Windows, libcurl elsewhere) against a server in the test process.
#ifdef _WIN32
#include "platform/WinHttpClient.h"
using SystemHttp = qm::WinHttpClient;
#else
#include "platform/CurlHttpClient.h"
using SystemHttp = qm::CurlHttpClient;
#endif
#include "LocalHttpServer.h"

#include <gtest/gtest.h>

using qmtest::LocalHttpServer;

TEST(SystemHttp, WholeBodyRedirectsAndStatusErrors) {
    const std::string readme = std::string("[说明]\r\n公司=x\0y", 19);
    LocalHttpServer server({{"/files/Readme.txt", {200, "", readme}},
                            {"/gone", {404, "", "<html>not found</html>"}},
                            {"/old", {302, "Location: /new\r\n", ""}},
                            {"/new", {301, "Location: /final\r\n", ""}},
                            {"/final", {200, "", "arrived"}},
                            {"/loop", {302, "Location: /loop\r\n", ""}},
                            {"/elsewhere", {302, "Location: file:///etc/passwd\r\n", ""}}});
    SystemHttp http;
    std::string body, error;
    ASSERT_TRUE(http.Get(server.url("/files/Readme.txt"), body, error)) << error;
    EXPECT_EQ(body, readme); // NUL bytes and all
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(http.Get(server.url("/gone"), body, error));
    EXPECT_EQ(error, "服务器返回错误：HTTP 404");
    EXPECT_TRUE(body.empty()); // an error page is not content

    ASSERT_TRUE(http.Get(server.url("/old"), body, error)) << error;
    EXPECT_EQ(body, "arrived");
    const int before = server.requests();
    EXPECT_FALSE(http.Get(server.url("/loop"), body, error));
    EXPECT_EQ(error.rfind("重定向次数过多", 0), 0u) << error;
    EXPECT_EQ(server.requests() - before, 6);                      // the first request and 5 redirects
    EXPECT_FALSE(http.Get(server.url("/elsewhere"), body, error)); // only http(s) is followed
    EXPECT_TRUE(body.empty());
}

TEST(SystemHttp, UnreachableSlowAndEmptyAddressesFailWithADescription) {
    std::string body, error;
    SystemHttp http(2000, 400);
    EXPECT_FALSE(http.Get("", body, error));
    EXPECT_EQ(error, "下载地址为空");
    std::string closedUrl = LocalHttpServer().url("/"); // nobody listens once that server is gone
    EXPECT_FALSE(http.Get(closedUrl, body, error));
    EXPECT_EQ(error.rfind("无法连接到服务器", 0), 0u) << error;
    LocalHttpServer server({{"/slow", {200, "", "", true}}});
    EXPECT_FALSE(http.Get(server.url("/slow"), body, error));
    EXPECT_EQ(error.rfind("网络连接超时", 0), 0u) << error;
}
