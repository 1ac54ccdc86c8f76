#include "platform/CurlHttpClient.h"
#include "LocalHttpServer.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::LocalHttpServer;

TEST(CurlHttp, WholeBodyAsBytesAndStatusErrors) {
    LocalHttpServer server;
    const std::string readme = std::string("[说明]\r\n公司=x\0y", 19);
    server.route("/files/Readme.txt", {200, "", readme, false});
    server.route("/gone", {404, "", "<html>not found</html>", false});
    server.route("/broken", {500, "", "oops", false});
    server.route("/empty", {200, "", "", false});
    server.start();

    CurlHttpClient http;
    std::string body, error;
    ASSERT_TRUE(http.Get(server.url("/files/Readme.txt"), body, error)) << error;
    EXPECT_EQ(body, readme);  // NUL bytes and all
    EXPECT_TRUE(error.empty());

    EXPECT_TRUE(http.Get(server.url("/empty"), body, error));
    EXPECT_EQ(body, "");

    EXPECT_FALSE(http.Get(server.url("/gone"), body, error));
    EXPECT_EQ(error, "服务器返回错误：HTTP 404");
    EXPECT_TRUE(body.empty());  // an error page is not content
    EXPECT_FALSE(http.Get(server.url("/broken"), body, error));
    EXPECT_EQ(error, "服务器返回错误：HTTP 500");
}

TEST(CurlHttp, RedirectsAreFollowedButNotForever) {
    LocalHttpServer server;
    server.route("/old", {302, "Location: /new\r\n", "", false});
    server.route("/new", {301, "Location: /final\r\n", "", false});
    server.route("/final", {200, "", "arrived", false});
    server.route("/loop", {302, "Location: /loop\r\n", "", false});
    server.route("/elsewhere", {302, "Location: file:///etc/passwd\r\n", "", false});
    server.start();

    CurlHttpClient http;
    std::string body, error;
    ASSERT_TRUE(http.Get(server.url("/old"), body, error)) << error;
    EXPECT_EQ(body, "arrived");

    const int before = server.requests();
    EXPECT_FALSE(http.Get(server.url("/loop"), body, error));
    EXPECT_EQ(error.rfind("重定向次数过多", 0), 0u) << error;
    EXPECT_EQ(server.requests() - before, 6);  // the first request and 5 redirects

    EXPECT_FALSE(http.Get(server.url("/elsewhere"), body, error));  // only http(s) is followed
    EXPECT_TRUE(body.empty());
}

TEST(CurlHttp, UnreachableSlowAndEmptyAddressesFailWithADescription) {
    std::string body, error;
    CurlHttpClient http(2000, 400);
    EXPECT_FALSE(http.Get("", body, error));
    EXPECT_EQ(error, "下载地址为空");
    EXPECT_FALSE(http.Get("notascheme://x", body, error));
    EXPECT_FALSE(error.empty());

    int port = 0;
    {
        LocalHttpServer closed;  // a port that nobody listens on once this server is gone
        port = std::stoi(closed.url("").substr(std::string("http://127.0.0.1:").size()));
    }
    EXPECT_FALSE(http.Get("http://127.0.0.1:" + std::to_string(port) + "/", body, error));
    EXPECT_EQ(error.rfind("无法连接到服务器", 0), 0u) << error;

    LocalHttpServer server;
    server.route("/slow", {200, "", "", true});
    server.start();
    EXPECT_FALSE(http.Get(server.url("/slow"), body, error));
    EXPECT_EQ(error.rfind("网络连接超时", 0), 0u) << error;
}
