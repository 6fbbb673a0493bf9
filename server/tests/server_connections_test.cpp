// Clients that hold connections open, send too much or too slowly, against the built
// dokora-server.
#include "rawconnection.h"
#include "requesthead.h"
#include "sharedservertest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

class ConnectionsTest : public SharedServerTest
{
protected:
    static void SetUpTestSuite()
    {
        ServerProcess::Options options;
        options.workers = 1;
        options.extraArgs = {"--read-timeout", "2", "--connections-per-address", "24"};
        StartServer("connections", options);
    }
};

TEST_F(ConnectionsTest, TwoHundredSlowClientsDoNotStopTheService)
{
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 200; ++i) {
        // Spread over ten loopback addresses, each under its cap.
        const std::string from = "127.0.0." + std::to_string(10 + i % 10);
        slow.push_back(std::make_unique<RawConnection>(server->Port(), from));
        ASSERT_TRUE(slow.back()->connected) << i;
        slow.back()->Send("GET /api/getHomeSortList HTTP/1.1\r\nHo");
    }
    for (int round = 0; round < 3; ++round) {
        for (auto& connection : slow) {
            connection->Send("s"); // a byte now and then keeps a per-byte time-out from firing
        }
        const auto started = std::chrono::steady_clock::now();
        const auto list = client.Get("/api/getHomeSortList");
        EXPECT_EQ(list.json["ret"], 0) << round;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << round;
        std::this_thread::sleep_for(300ms);
    }
}

TEST_F(ConnectionsTest, ARequestHeadMustArriveWithinTheLimitHoweverItTrickles)
{
    RawConnection slow(server->Port());
    ASSERT_TRUE(slow.connected);
    const std::string head = "GET /api/getHomeSortList HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    const auto started = std::chrono::steady_clock::now();
    bool closed = false;
    for (std::size_t i = 0; i < head.size() && !closed; ++i) {
        slow.Send(head.substr(i, 1));
        closed = slow.ClosedByServer(250);
    }
    // The limit is 2 s for the whole head; one byte every 250 ms would take 13 s.
    const std::string reply = slow.ReadAll();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);
    EXPECT_NE(reply.find("408"), std::string::npos) << reply;
}

TEST_F(ConnectionsTest, OneAddressGetsOnlyItsShareOfConnections)
{
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 24; ++i) {
        held.push_back(std::make_unique<RawConnection>(server->Port(), "127.0.0.5"));
        held.back()->Send("GET / HTTP/1.1\r\n");
    }
    RawConnection oneTooMany(server->Port(), "127.0.0.5");
    const std::string refused = oneTooMany.ReadAll();
    EXPECT_NE(refused.find("503"), std::string::npos) << refused;
    EXPECT_NE(refused.find("too many connections"), std::string::npos) << refused;
    // Other addresses are still served.
    EXPECT_EQ(client.Get("/api/getHomeSortList").json["ret"], 0);
}

TEST_F(ConnectionsTest, OnlyTheUploadTakesALargeBody)
{
    // Refused from the head alone: the body is never sent.
    RawConnection large(server->Port());
    large.Send("POST /shiro-cas/v1/tickets HTTP/1.1\r\nHost: 127.0.0.1\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\n"
               "Content-Length: 104857600\r\n\r\nusername=");
    const std::string refused = large.ReadAll();
    EXPECT_NE(refused.find("HTTP/1.1 413"), std::string::npos) << refused;
    EXPECT_NE(refused.find("larger than 64 KiB"), std::string::npos) << refused;

    RawConnection chunked(server->Port());
    chunked.Send("POST /api/getHomeSortList HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                 "Transfer-Encoding: chunked\r\n\r\n10\r\n");
    EXPECT_NE(chunked.ReadAll().find("HTTP/1.1 411"), std::string::npos);

    // A small body sent slowly but within the limit is read whole; the connection is kept.
    RawConnection small(server->Port());
    small.Send("POST /shiro-cas/v1/tickets HTTP/1.1\r\nHost: 127.0.0.1\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 31\r\n\r\n"
               "username=tester&");
    std::this_thread::sleep_for(300ms);
    small.Send("password=secret");
    EXPECT_NE(small.ReadReply().find("HTTP/1.1 201"), std::string::npos);
    small.Send("GET /api/getHomeSortList HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_NE(small.ReadReply().find("\"ret\":0"), std::string::npos);

    // The upload route still streams its body past the small limit.
    const auto upload = client.Upload("txt_2_pdf", "big.txt", std::string(1 << 20, 'a'));
    EXPECT_EQ(upload.json["ret"], 0) << upload.body;
    EXPECT_EQ(upload.json["data"]["fileSize"], 1 << 20);
}

TEST(RequestHeadTest, ARequestIsHandedOnOnlyWhenWhatItsRouteNeedsHasArrived)
{
    RequestHead::Rules rules;
    rules.streamingPaths = {"/upload"};
    const auto readiness = [&](const std::string& received) {
        return RequestHead::Examine(received, rules).readiness;
    };
    using RequestHead::Readiness;
    EXPECT_EQ(readiness("GET /list HTTP/1.1\r\nHost: x\r\n"), Readiness::Incomplete);
    EXPECT_EQ(readiness("GET /list?a=b HTTP/1.1\r\nHost: x\r\n\r\n"), Readiness::Ready);
    const std::string post = "POST /login HTTP/1.1\r\ncontent-length:  10 \r\n\r\n";
    EXPECT_EQ(readiness(post + "12345"), Readiness::Incomplete);
    EXPECT_EQ(readiness(post + "1234567890"), Readiness::Ready);
    EXPECT_EQ(readiness("POST /login HTTP/1.1\r\nContent-Length: 10\r\n"
                        "Expect: 100-continue\r\n\r\n"),
              Readiness::Ready);

    const auto streamed = RequestHead::Examine(
        "POST /upload?token=t HTTP/1.1\r\nContent-Length: 999999999\r\n\r\n", rules);
    EXPECT_EQ(streamed.readiness, Readiness::Ready);
    EXPECT_TRUE(streamed.streaming);

    const auto large =
        RequestHead::Examine("POST /login HTTP/1.1\r\nContent-Length: 65537\r\n\r\n", rules);
    EXPECT_EQ(large.readiness, Readiness::Refused);
    EXPECT_EQ(large.status, 413);
    EXPECT_EQ(
        RequestHead::Examine("POST /login HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", rules)
            .status,
        411);
    EXPECT_EQ(
        RequestHead::Examine("POST /login HTTP/1.1\r\nContent-Length: 1x\r\n\r\n", rules).status,
        400);
    EXPECT_EQ(RequestHead::Examine("GET / HTTP/1.1\r\nX: " + std::string(20000, 'a'), rules).status,
              431);
    EXPECT_EQ(RequestHead::Examine("garbage\r\n\r\n", rules).status, 400);
}

} // namespace
