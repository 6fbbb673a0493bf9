#include "utility/tc_http.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// An in-process service on 127.0.0.1 with an ephemeral port.
class UtilityHttp : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { TC_HTTP::Init("DokoraTest/1.0"); }
    static void TearDownTestSuite() { TC_HTTP::Release(); }

    void SetUp() override
    {
        server.Get("/echo", [this](const httplib::Request& request, httplib::Response& response) {
            ++hits;
            response.set_content("GET " + request.get_header_value("X-Token") + " " +
                                     request.get_header_value("User-Agent"),
                                 "text/plain");
        });
        server.Post("/echo", [this](const httplib::Request& request, httplib::Response& response) {
            ++hits;
            response.set_content("POST " + request.get_header_value("Content-Type") + " " +
                                     request.body,
                                 "text/plain");
        });
        server.Get("/sized", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(std::string(std::stoul(request.get_param_value("n")), 'j'),
                                 "application/json");
        });
        server.Get("/fail", [this](const httplib::Request&, httplib::Response& response) {
            ++hits;
            response.status = 500;
            response.set_content("{}", "application/json");
        });
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::yield();
    }

    void TearDown() override
    {
        server.stop();
        thread.join();
    }

    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<int> hits = 0;
};

TEST_F(UtilityHttp, GetAndPostCarryHeadersAndBody)
{
    const auto get = Utility::Request("GET", Url("/echo"), "X-Token: t0k\r\nAccept: */*", "");
    EXPECT_EQ(get.status, 200);
    EXPECT_EQ(get.body, "GET t0k DokoraTest/1.0");

    const std::string json = R"({"name":"文档.pdf","size":12})";
    const auto post =
        Utility::Request("POST", Url("/echo"), "Content-Type: application/json", json);
    EXPECT_EQ(post.status, 200);
    EXPECT_EQ(post.body, "POST application/json " + json);
}

TEST_F(UtilityHttp, StatusOtherThanOkIsReportedWithoutRetry)
{
    const auto reply = Utility::Request("GET", Url("/fail"), "", "");
    EXPECT_EQ(reply.status, 500);
    EXPECT_EQ(hits, 1);
}

TEST_F(UtilityHttp, ReplyLargerThanTheBufferIsNotCut)
{
    const auto fits = Utility::Request("GET", Url("/sized?n=12999"), "", "");
    EXPECT_EQ(fits.status, 200);
    EXPECT_EQ(fits.body.size(), 12999u);

    const auto tooLarge = Utility::Request("GET", Url("/sized?n=13000"), "", "");
    EXPECT_EQ(tooLarge.status, 0);
    EXPECT_EQ(tooLarge.body, "");

    char buffer[16] = {};
    std::uint32_t needed = 0;
    TC_HTTP::TC_HttpParam param;
    param.method = "GET";
    param.url = Url("/sized?n=100");
    param.response = buffer;
    param.capacity = sizeof buffer;
    param.needed = &needed;
    EXPECT_EQ(TC_HTTP::Request(param), 200);
    EXPECT_EQ(needed, 101u);
    EXPECT_EQ(buffer[0], '\0');
}

// A port nothing listens on: bound for a moment, then released.
int UnusedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

TEST(UtilityHttpFailure, RefusedConnectionIsNoExchange)
{
    const std::string url = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/";
    EXPECT_EQ(Utility::Request("GET", url, "", "", 2000, 2).status, 0);
}

TEST(UtilityHttpFailure, OnlyHttpSchemesAreFetched)
{
    EXPECT_EQ(Utility::Request("GET", "file:///etc/passwd", "", "").status, 0);
}

// The peer may have acted on a request whose reply it dropped: sending it again could submit
// a task twice, so only a connection that was never made is tried again.
TEST(UtilityHttpFailure, DroppedReplyIsReportedWithoutRetry)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 8), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    std::atomic<int> accepted = 0;
    std::thread closer([&] {
        for (int fd; (fd = accept(listener, nullptr, nullptr)) >= 0;) {
            ++accepted;
            close(fd);
        }
    });
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    EXPECT_EQ(Utility::Request("POST", url, "", "{}", 2000, 3).status, 0);
    EXPECT_EQ(accepted, 1);

    shutdown(listener, SHUT_RDWR);
    close(listener);
    closer.join();
}

} // namespace
