#include "account/sessioncheck.h"
#include "account/tokensession.h"
#include "account/tokenthread.h"
#include "account/userinfosession.h"
#include "account/userinfothread.h"
#include "support/fakeaccountapi.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace std::chrono_literals;

namespace {

std::string UserReply(const std::string& data)
{
    return R"({"ret":0,"msg":"success","data":)" + data + "}";
}

constexpr const char* kCompleteData =
    R"({"balanceAll":"12.5 yuan","vip":0,"userId":"1001","userType":"normal","firstLogin":false,"isVip":true})";

// A thread that only counts its runs, to see whether the session check started it.
class ProbeThread : public CTaskBaseThread
{
public:
    std::atomic<int> runs{0};

protected:
    int Run() override
    {
        ++runs;
        return 0;
    }
};

} // namespace

class UserSessionTest : public ::testing::Test
{
protected:
    UserSessionTest() { account.Attach(&api, FakeDllSetService); }

    // The next ticket exchange succeeds with a token the fake service accepts.
    void ScriptGoodExchange()
    {
        service.Script(FakeEndpoint::kLogin,
                       FakeReply::Json(R"({"ret":0,"msg":"","data":{"expireTime":7200,"token":")" +
                                       service.IssueToken() + R"("}})"));
    }
    void ScriptFailedExchange() { service.Script(FakeEndpoint::kLogin, FakeReply::Json("", 500)); }

    UserInfoRecord Fetch(const std::string& reply)
    {
        ScriptGoodExchange();
        service.Script(FakeEndpoint::kUserInfo, FakeReply::Json(reply));
        return userInfo.GetUserInfo(true);
    }

    FakeService service;
    FakeAccountApi api;
    AccountLibrary account;
    TokenSession tokens{account, service.BaseUrl(), service.SsoUrl()};
    UserInfoSession userInfo{tokens, service.BaseUrl()};
    RecordingTarget window;
    ScriptedDialogs dialogs;
};

TEST_F(UserSessionTest, ReadsTheUserRecordByTheReplyRules)
{
    const auto record = Fetch(UserReply(kCompleteData));
    EXPECT_TRUE(record.ok);
    EXPECT_EQ(record.ret, 0);
    EXPECT_EQ(record.userId, 1001);
    EXPECT_FLOAT_EQ(record.balance, 12.5f);
    EXPECT_EQ(record.userType, "normal");
    EXPECT_FALSE(record.firstLogin);
    EXPECT_TRUE(record.isVip);
    EXPECT_EQ(userInfo.GetUserInfo(false), record);
    const auto requests = service.Requests(FakeEndpoint::kUserInfo);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Param("plateform"), "pc");
    EXPECT_FALSE(requests[0].Param("token").empty());
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");

    // Loose values the rules still accept.
    const auto loose = Fetch(UserReply(
        R"({"balanceAll":"abc","vip":null,"userId":"abc","userType":7,"firstLogin":"no"})"));
    EXPECT_TRUE(loose.ok);
    EXPECT_EQ(loose.userId, 0);
    EXPECT_EQ(loose.balance, 0.0f);
    EXPECT_EQ(loose.userType, "7");
    EXPECT_TRUE(loose.firstLogin);
    EXPECT_FALSE(loose.isVip);

    // Leading blanks and a plus sign, and an id past 32 bits.
    const auto padded = Fetch(UserReply(
        R"({"balanceAll":" +12.5","vip":0,"userId":" +99999999999","userType":"n","firstLogin":0})"));
    EXPECT_TRUE(padded.ok);
    EXPECT_FLOAT_EQ(padded.balance, 12.5f);
    EXPECT_EQ(padded.userId, 2147483647);
}

TEST_F(UserSessionTest, IncompleteOrUnreadableUserRepliesLeaveTheDefaults)
{
    for (const std::string& reply : {
             UserReply(R"({"balanceAll":"1","vip":0,"userId":"1","userType":"n"})"),
             UserReply(R"({"balanceAll":"1","userId":"1","userType":"n","firstLogin":true})"),
             UserReply(
                 R"({"balanceAll":"1","vip":0,"userId":"1","userType":{"a":1},"firstLogin":true})"),
             UserReply(
                 R"({"balanceAll":[1],"vip":0,"userId":"1","userType":"n","firstLogin":true})"),
             UserReply(R"("data")"),
             std::string(R"({"ret":0,"data":)") + kCompleteData + "}",
             std::string("not json"),
         }) {
        EXPECT_EQ(Fetch(reply), UserInfoRecord{}) << reply;
    }
    ScriptGoodExchange();
    service.Script(FakeEndpoint::kUserInfo, FakeReply::Json(UserReply(kCompleteData), 502));
    EXPECT_EQ(userInfo.GetUserInfo(true), UserInfoRecord{});
}

TEST_F(UserSessionTest, GivesUpAfterTwoFailedTokenExchanges)
{
    ASSERT_TRUE(Fetch(UserReply(kCompleteData)).ok);
    const std::size_t before = service.Requests(FakeEndpoint::kLogin).size();
    ScriptFailedExchange();
    ScriptFailedExchange();
    EXPECT_EQ(userInfo.GetUserInfo(true), UserInfoRecord{});
    EXPECT_EQ(service.Requests(FakeEndpoint::kLogin).size(), before + 2);
    EXPECT_EQ(service.Requests(FakeEndpoint::kUserInfo).size(), 1u);

    // One failure is retried.
    ScriptFailedExchange();
    ScriptGoodExchange();
    EXPECT_TRUE(userInfo.GetUserInfo(true).ok);
}

TEST_F(UserSessionTest, UserInfoThreadEstablishesTheSession)
{
    OwnedThread<CUserInfoThread> thread(tokens, userInfo, account);
    thread.SetMainWnd(&window);
    thread.SetLogoutOnFailure(1);
    ScriptGoodExchange(); // the thread's own exchange
    ScriptGoodExchange(); // the one inside GetUserInfo
    service.Script(FakeEndpoint::kUserInfo, FakeReply::Json(UserReply(kCompleteData)));
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_TRUE(userInfo.GetUserInfo(false).ok);
    EXPECT_TRUE(tokens.GetToken(false).ok);
    EXPECT_TRUE(api.signedIn);
    EXPECT_EQ(thread.GetLogoutOnFailure(), 1);
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(UserSessionTest, FailedUserInfoRunKeepsTheUserOnlyWithoutLogoutOnFailure)
{
    ASSERT_TRUE(Fetch(UserReply(kCompleteData)).ok);
    OwnedThread<CUserInfoThread> thread(tokens, userInfo, account);
    thread.SetMainWnd(&window);

    ScriptFailedExchange();
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    auto record = userInfo.GetUserInfo(false);
    EXPECT_FALSE(record.ok);
    EXPECT_EQ(record.userType, "normal"); // kept from the earlier answer
    EXPECT_TRUE(api.signedIn);
    EXPECT_EQ(window.Count(WM_TASK_NET_ERROR), 1u);

    thread.SetLogoutOnFailure(1);
    ScriptFailedExchange();
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_FALSE(api.signedIn);
    EXPECT_EQ(thread.GetLogoutOnFailure(), 0);
    EXPECT_EQ(window.Count(WM_TASK_NET_ERROR), 2u);
}

TEST_F(UserSessionTest, TokenThreadSignsOutOnlyWhenAsked)
{
    OwnedThread<CTokenThread> thread(tokens, account);
    thread.SetMainWnd(&window);
    ScriptGoodExchange();
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_TRUE(tokens.GetToken(false).ok);
    EXPECT_TRUE(window.Messages().empty());

    ScriptFailedExchange();
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_FALSE(tokens.GetToken(false).ok);
    EXPECT_TRUE(api.signedIn);
    EXPECT_EQ(window.Count(WM_TASK_NET_ERROR), 1u);

    thread.SetLogoutOnFailure(1);
    ScriptFailedExchange();
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_FALSE(api.signedIn);
    EXPECT_EQ(thread.GetLogoutOnFailure(), 0);
    EXPECT_EQ(window.Count(WM_TASK_NET_ERROR), 2u);
}

class SessionCheckTest : public UserSessionTest
{
protected:
    SessionCheckTest() { account.SetNotifyWindow(&window); }

    SessionCheck Check()
    {
        return CheckSessionBeforeConversion(
            {account, tokens, userInfo, tokenThread, userInfoThread, &window, dialogs});
    }
    void WaitForRun(ProbeThread& thread, int runs)
    {
        for (int i = 0; i < 200 && thread.runs < runs; ++i)
            std::this_thread::sleep_for(5ms);
        EXPECT_EQ(thread.runs, runs);
    }

    OwnedThread<ProbeThread> tokenThread;
    OwnedThread<ProbeThread> userInfoThread;
};

TEST_F(SessionCheckTest, SignedOutUserIsOfferedTheLoginWindow)
{
    api.signedIn = false;
    EXPECT_EQ(Check(), SessionCheck::NotSignedIn);
    EXPECT_EQ(api.loginWindowsShown, 1);
    EXPECT_EQ(window.Count(WM_ACCOUNT_SHOW_LOGIN), 1u);
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_TRUE(service.Requests(FakeEndpoint::kLogin).empty());
}

TEST_F(SessionCheckTest, MissingTokenStartsTheTokenThreadWithANotice)
{
    EXPECT_EQ(Check(), SessionCheck::TokenPending);
    WaitForRun(tokenThread, 1);
    EXPECT_EQ(tokenThread.GetMainWnd(), &window);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].mode, DialogService::kModeNotice);
    EXPECT_EQ(dialogs.Messages()[0].text, "@string/str_msgbox_server_data");
    EXPECT_EQ(userInfoThread.runs, 0);
    EXPECT_TRUE(service.Requests(FakeEndpoint::kLogin).empty()); // the record is only read
}

TEST_F(SessionCheckTest, EmptyTokenSignsTheUserOut)
{
    service.Script(FakeEndpoint::kLogin,
                   FakeReply::Json(R"({"ret":0,"msg":"","data":{"expireTime":1,"token":""}})"));
    ASSERT_TRUE(tokens.GetToken(true).ok);
    EXPECT_EQ(Check(), SessionCheck::TokenEmpty);
    EXPECT_FALSE(api.signedIn);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "@string/str_msgbox_server_data_login");
    EXPECT_EQ(tokenThread.runs, 0);
}

TEST_F(SessionCheckTest, FailedUserInfoStartsTheUserInfoThread)
{
    ScriptGoodExchange();
    ASSERT_TRUE(tokens.GetToken(true).ok);
    ScriptFailedExchange();
    ScriptFailedExchange();
    EXPECT_EQ(Check(), SessionCheck::UserInfoPending);
    WaitForRun(userInfoThread, 1);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "@string/str_msgbox_server_data");
    EXPECT_TRUE(api.signedIn);
}

TEST_F(SessionCheckTest, EstablishedSessionIsReady)
{
    ScriptGoodExchange();
    ASSERT_TRUE(tokens.GetToken(true).ok);
    ScriptGoodExchange();
    EXPECT_EQ(Check(), SessionCheck::Ready);
    EXPECT_TRUE(userInfo.GetUserInfo(false).ok);
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_EQ(tokenThread.runs + userInfoThread.runs, 0);
}
