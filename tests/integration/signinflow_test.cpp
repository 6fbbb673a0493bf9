#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "account/signinflow.h"
#include "settings/clientinfo.h"
#include "support/companionprobe.h"
#include "support/fakeaccountapi.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 300 && !done(); ++i)
        std::this_thread::sleep_for(10ms);
    return done();
}

// The sign-in flow on its own, without a window or an application object: what a sign-in and
// a sign-out set off, and the login button's choice.
class SignInFlowTest : public ::testing::Test
{
protected:
    SignInFlowTest()
    {
        database.Open(scratch.File(AccountDatabase::kFileName));
        account.Attach(&api, FakeDllSetService);
    }

    // Signs in as the plug-in would and lets the flow finish what that starts.
    void SignIn()
    {
        service.ScriptTokenExchanges(2);
        service.Script(FakeEndpoint::kResult, FakeReply::Text("icon bytes"));
        api.headIcon = service.BaseUrl() + "/results/head";
        AccountLibrary::UserBlock user{};
        api.IsLoggedIn(user.data());
        account.SetUser(user.data());
        flow.OnSignedIn();
        ASSERT_TRUE(WaitFor([&] { return session.userInfo.Current().ok; }));
        ASSERT_TRUE(window.WaitFor(WM_ACCOUNT_HEAD_ICON, 1, 3s));
        ASSERT_TRUE(WaitFor([&] { return !flow.LoginThread().IsRunning(); }));
    }

    // Rows of the user table, counted by removing them.
    int TakeUserRows() { return database.Execute("delete from UserSystemTable"); }

    ScratchDir scratch;
    FakeService service;
    FakeAccountApi api;
    AccountLibrary account;
    AccountSession session{account, service.BaseUrl(), service.SsoUrl()};
    AccountDatabase database;
    ClientInfoRecord clientInfo;
    RecordingTarget window;
    int conversionStops = 0;
    AccountStartup startResult = AccountStartup::Started;
    int starts = 0;
    SignInFlow flow{{account, session, database, clientInfo, window, scratch.Path().string() + "/",
                     scratch.Path().string() + "/",
                     [this](MessageTarget* target) {
                         EXPECT_EQ(target, &window);
                         ++starts;
                         return startResult;
                     },
                     [this] { ++conversionStops; }}};
};

TEST_F(SignInFlowTest, ASignInEstablishesTheSessionAndRecordsTheUser)
{
    SignIn();
    EXPECT_TRUE(session.tokens.GetToken(false).ok);
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].id, WM_ACCOUNT_USER_NAME);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[1].payload, scratch.File(CLoginThread::kHeadIconFile));
    EXPECT_EQ(ReadFileBytes(scratch.File(CLoginThread::kHeadIconFile)), "icon bytes");
    EXPECT_EQ(flow.UserName(), "tester");
    // The rows of an earlier user went first: one row, the new user's.
    EXPECT_EQ(TakeUserRows(), 1);
}

TEST_F(SignInFlowTest, ASignOutResetsTheSessionAndStopsTheUsersWork)
{
    SignIn();
    window.Clear();
    flow.OnSignedOut();
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].id, WM_ACCOUNT_USER_NAME);
    EXPECT_EQ(messages[0].wParam, 1u);
    EXPECT_EQ(messages[1].id, WM_ACCOUNT_HEAD_ICON);
    EXPECT_EQ(messages[1].wParam, 1u);
    EXPECT_FALSE(session.tokens.GetToken(false).ok);
    EXPECT_FALSE(session.userInfo.Current().ok);
    EXPECT_EQ(conversionStops, 1);
    EXPECT_EQ(TakeUserRows(), 0);
}

TEST_F(SignInFlowTest, TheLoginButtonPromptsOrRenewsTheUserForTheMenu)
{
    api.signedIn = false;
    EXPECT_EQ(flow.OnLoginButton(), SignInFlow::LoginButtonAction::LoginShown);
    EXPECT_EQ(api.loginWindowsShown, 1);

    api.signedIn = true;
    service.ScriptTokenExchanges(2);
    service.Script(FakeEndpoint::kUserInfo,
                   FakeReply::Json(R"({"ret":0,"msg":"","data":{"balanceAll":"7","vip":0,)"
                                   R"("userId":"42","userType":"vip","firstLogin":false}})"));
    EXPECT_EQ(flow.OnLoginButton(), SignInFlow::LoginButtonAction::ShowUserMenu);
    EXPECT_TRUE(WaitFor([&] { return session.userInfo.Current().userId == 42; }));
    EXPECT_EQ(api.loginWindowsShown, 1);

    flow.SignOut();
    EXPECT_FALSE(api.signedIn);
}

TEST_F(SignInFlowTest, StartingTheAccountLaunchesTheCompanionForTheSignedInUser)
{
    const std::string args = PlaceRecordingCompanion(scratch.Path());
    clientInfo.Set({.version = "1.0.0.1", .ag = "ag1", .wua = "wua1", .md = ""});

    EXPECT_EQ(flow.Start(), AccountStartup::Started);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(
        WaitFor([&] { return ReadFileBytes(args) == "101|100001|ag1|uuid|1.0.0.1|wua1|1001"; }));

    // A plug-in that did not start launches nothing.
    std::filesystem::remove(args);
    startResult = AccountStartup::ComponentMissing;
    EXPECT_EQ(flow.Start(), AccountStartup::ComponentMissing);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(std::filesystem::exists(args));
}

} // namespace
