#include "account/tokensession.h"
#include "support/fakeaccountapi.h"
#include "support/fakeservice.h"

#include <gtest/gtest.h>

class TokenSessionTest : public ::testing::Test
{
protected:
    TokenSessionTest() { account.Attach(&api, FakeDllSetService); }

    TokenRecord Exchange(const std::string& reply, int status = 200)
    {
        service.Script(FakeEndpoint::kLogin, FakeReply::Json(reply, status));
        return session.GetToken(true);
    }

    FakeService service;
    FakeAccountApi api;
    AccountLibrary account;
    TokenSession session{account, service.BaseUrl(), service.SsoUrl()};
};

TEST_F(TokenSessionTest, AcceptedReplyIsStoredEvenWithNonZeroRet)
{
    const auto record =
        Exchange(R"({"ret":5,"msg":"note","data":{"expireTime":"7200s","token":"tok-1"}})");
    EXPECT_TRUE(record.ok);
    EXPECT_EQ(record.ret, 5);
    EXPECT_EQ(record.expireTime, 7200);
    EXPECT_EQ(record.msg, "note");
    EXPECT_EQ(record.token, "tok-1");
    EXPECT_EQ(session.GetToken(false), record);

    const auto requests = service.Requests(FakeEndpoint::kLogin);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].Param("ticket"), "ST-fake");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");
    EXPECT_EQ(LastServiceAddress(), service.SsoUrl());
}

TEST_F(TokenSessionTest, TheTicketIsSentAsOneQueryValue)
{
    api.SetTicket("ST-1&token=other+x y#z");
    ASSERT_TRUE(Exchange(R"({"ret":0,"msg":"","data":{"expireTime":1,"token":"t"}})").ok);
    const auto requests = service.Requests(FakeEndpoint::kLogin);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Param("ticket"), "ST-1&token=other+x y#z");
    EXPECT_EQ(requests[0].Param("token"), "");
    EXPECT_EQ(requests[0].query.find_first_of("&+ #"), std::string::npos) << requests[0].query;
}

TEST_F(TokenSessionTest, IncompleteOrUnreadableRepliesResetTheRecord)
{
    ASSERT_TRUE(Exchange(R"({"ret":0,"msg":"","data":{"expireTime":1,"token":"t"}})").ok);
    for (const std::string reply : {
             R"({"ret":0,"msg":"","data":{"token":"t"}})",
             R"({"ret":0,"msg":"","data":{"expireTime":1}})",
             R"({"ret":0,"data":{"expireTime":1,"token":"t"}})",
             R"({"ret":0,"msg":"","data":"x"})",
             R"({"ret":0,"msg":"","data":{"expireTime":1,"token":{"a":1}}})",
             R"({"ret":0,"msg":"","data":{"expireTime":[1],"token":"t"}})",
             R"([1,2])",
             "",
         }) {
        EXPECT_EQ(Exchange(reply), TokenRecord{}) << reply;
    }
    EXPECT_EQ(Exchange(R"({"ret":0,"msg":"","data":{"expireTime":1,"token":"t"}})", 500),
              TokenRecord{});
}

TEST_F(TokenSessionTest, NoExchangeWithoutASignedInUserOrATicket)
{
    ASSERT_TRUE(Exchange(R"({"ret":0,"msg":"","data":{"expireTime":1,"token":"t"}})").ok);
    api.signedIn = false;
    EXPECT_EQ(session.GetToken(true), TokenRecord{});

    api.signedIn = true;
    api.ticketAvailable = false;
    EXPECT_EQ(session.GetToken(true), TokenRecord{});

    api.ticketAvailable = true;
    api.SetTicket("");
    EXPECT_EQ(session.GetToken(true), TokenRecord{});
    api.SetTicket("ST-\xff");
    EXPECT_EQ(session.GetToken(true), TokenRecord{});
    EXPECT_EQ(service.Requests(FakeEndpoint::kLogin).size(), 1u);
}

TEST_F(TokenSessionTest, ResetStoresTheDefaults)
{
    ASSERT_TRUE(Exchange(R"({"ret":0,"msg":"","data":{"expireTime":1,"token":"t"}})").ok);
    session.ResetTokenRecord();
    EXPECT_EQ(session.GetToken(false), TokenRecord{});
    EXPECT_EQ(session.GetToken(false).ret, -1);
    EXPECT_EQ(session.GetToken(false).expireTime, -1);
}
