#include "gui/mainwndfixture.h"
#include "support/fakeaccountapi.h"

#include <QMenu>
#include <QPushButton>

namespace {

using namespace std::chrono_literals;

// The user menu renews the user's record in the background; a failure there is no reason to
// sign the user out or to interrupt with a notice.
class UserMenuTest : public MainWndTest
{
protected:
    void SignIn()
    {
        account.Attach(&api, FakeDllSetService);
        account.SetNotifyWindow(window.get());
        service.ScriptTokenExchanges(2);
        AccountLibrary::UserBlock user{};
        api.IsLoggedIn(user.data());
        AccountLibrary::OnLogin(user.data(), &account);
        ASSERT_TRUE(WaitUntil([&] { return session.userInfo.Current().ok; }));
    }

    FakeAccountApi api;
};

TEST_F(UserMenuTest, FailedRefreshResetsTheRecordSilently)
{
    SignIn();
    service.ScriptTokenExchanges(2);
    service.Script(FakeEndpoint::kUserInfo, FakeReply::Json("{}", 502));
    Find<QPushButton>("btn_login")->click();
    auto* menu = window->findChild<QMenu*>(QStringLiteral("rc_menu_user"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());

    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kUserInfo, 2, 5s));
    EXPECT_TRUE(WaitUntil([&] { return !session.userInfo.Current().ok; }));
    // Whatever the failed refresh would set off has had its time.
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(session.userInfo.Current(), UserInfoRecord{});
    EXPECT_TRUE(api.signedIn);
    EXPECT_TRUE(dialogs.Requests().empty());
}

TEST_F(UserMenuTest, SuccessfulRefreshRenewsTheRecord)
{
    SignIn();
    service.ScriptTokenExchanges(2);
    service.Script(FakeEndpoint::kUserInfo,
                   FakeReply::Json(R"({"ret":0,"msg":"","data":{"balanceAll":"7","vip":0,)"
                                   R"("userId":"42","userType":"vip","firstLogin":false}})"));
    Find<QPushButton>("btn_login")->click();
    EXPECT_TRUE(WaitUntil([&] { return session.userInfo.Current().userId == 42; }));
    EXPECT_TRUE(session.userInfo.Current().ok);
    EXPECT_TRUE(api.signedIn);
}

} // namespace
