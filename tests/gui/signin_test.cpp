#include "account/loginthread.h"
#include "gui/mainwndfixture.h"
#include "settings/clientinfo.h"
#include "support/companionprobe.h"
#include "support/fakeaccountapi.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <filesystem>

namespace {

using namespace std::chrono_literals;

// The account side of the main window: plug-in start at first show, the user area and the
// account messages.
class SignInTest : public MainWndTest
{
};

TEST_F(SignInTest, AHeadIconThatIsNoImageStaysHidden)
{
    const std::string broken = scratch.File("HeadIcon");
    WriteFileBytes(broken, "not an image");
    Post(WM_ACCOUNT_HEAD_ICON, 0, broken);
    Drain();
    EXPECT_FALSE(Find("img_HeadIcon")->isVisible());
    EXPECT_TRUE(Find("img_defaultHead")->isVisible());
}

TEST_F(SignInTest, AccountStartsAtFirstShowThenTheCompanion)
{
    int starts = 0;
    services.startAccount = [&](MessageTarget*) {
        ++starts;
        return AccountStartup::Started;
    };
    services.workDir = scratch.Path().string() + "/";
    const std::string args = PlaceRecordingCompanion(scratch.Path());
    ClientInfo values;
    values.ag = "ag1";
    values.version = "1.0.0.1";
    values.wua = "wua1";
    clientInfo.Set(values);

    MakeWindow(false);
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(starts, 0);
    window->show();
    EXPECT_TRUE(WaitUntil([&] { return starts == 1; }));
    EXPECT_TRUE(
        WaitUntil([&] { return ReadFileBytes(args) == "101|100001|ag1|uuid|1.0.0.1|wua1|"; }));
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(exits, 0);
}

TEST_F(SignInTest, AMissingAccountComponentEndsTheProgramAfterTheNotice)
{
    services.startAccount = [](MessageTarget*) { return AccountStartup::ComponentMissing; };
    MakeWindow();
    ASSERT_TRUE(WaitUntil([&] { return exits == 1; }));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, DialogService::kModeNotice);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_plugin");

    // An unusable plug-in ends it silently.
    services.startAccount = [](MessageTarget*) { return AccountStartup::Failed; };
    MakeWindow();
    ASSERT_TRUE(WaitUntil([&] { return exits == 2; }));
    EXPECT_EQ(dialogs.Requests().size(), 1u);

    // A file check that failed at start-up ends it before the window runs.
    services.accountComponentMissing = true;
    MakeWindow();
    EXPECT_EQ(exits, 3);
    EXPECT_EQ(dialogs.Requests().size(), 2u);
}

TEST_F(SignInTest, SignInShowsTheUserAndSignOutResetsTheSession)
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const std::string png = scratch.File("avatar.png");
    ASSERT_TRUE(image.save(QString::fromStdString(png), "PNG"));
    service.Script(FakeEndpoint::kResult, FakeReply::Text(ReadFileBytes(png)));
    // The session's token exchanges accept the fake plug-in's ticket.
    service.ScriptTokenExchanges(2);

    FakeAccountApi api;
    api.nickname = "小红";
    api.headIcon = service.BaseUrl() + "/results/head";
    account.Attach(&api, FakeDllSetService);
    account.SetNotifyWindow(window.get());
    AccountLibrary::UserBlock user{};
    api.IsLoggedIn(user.data());
    AccountLibrary::OnLogin(user.data(), &account);

    auto* name = Find<QLabel>("txt_username");
    auto* icon = Find<QLabel>("img_HeadIcon");
    EXPECT_TRUE(WaitUntil([&] { return icon->isVisible(); }));
    EXPECT_EQ(name->text(), QString::fromUtf8("小红"));
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / CLoginThread::kHeadIconFile));
    // The user-info thread re-established the session after the sign-in.
    EXPECT_TRUE(WaitUntil([&] { return session.userInfo.Current().ok; }));
    EXPECT_TRUE(session.tokens.GetToken(false).ok);

    AddRows(1, ConversionStatus::Queued);
    ASSERT_TRUE(window->DownloadThread().Start());
    api.signedIn = false;
    AccountLibrary::OnLogout(&account);
    EXPECT_TRUE(WaitUntil([&] { return !icon->isVisible(); }));
    EXPECT_EQ(name->text(), QString::fromUtf8("请登录"));
    EXPECT_FALSE(session.tokens.GetToken(false).ok);
    EXPECT_FALSE(session.userInfo.Current().ok);
    EXPECT_FALSE(window->DownloadThread().IsRunning());
}

TEST_F(SignInTest, LoginButtonPromptsOrOffersTheSignOut)
{
    FakeAccountApi api;
    api.signedIn = false;
    account.Attach(&api, FakeDllSetService);
    account.SetNotifyWindow(window.get());
    auto* login = Find<QPushButton>("btn_login");
    login->click();
    EXPECT_EQ(api.loginWindowsShown, 1);

    api.signedIn = true;
    login->click();
    auto* menu = window->findChild<QMenu*>(QStringLiteral("rc_menu_user"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    auto* logout = menu->findChild<QAction*>(QStringLiteral("menuItem_logout"));
    ASSERT_NE(logout, nullptr);
    EXPECT_EQ(logout->text(), QString::fromUtf8("退出登录"));
    logout->trigger();
    EXPECT_FALSE(api.signedIn);
    EXPECT_EQ(api.loginWindowsShown, 1);
}

TEST_F(SignInTest, TrayWebPageOpensTheHomePageWithTheSession)
{
    FakeAccountApi api;
    account.Attach(&api, FakeDllSetService);
    services.webBase = "https://web.example";
    MakeWindow();
    window->OnTrayCommand(CMainWnd::kCmdWebPage);
    // The page is opened off the UI thread.
    EXPECT_TRUE(WaitUntil([&] {
        return api.OpenedUrl().rfind("https://web.example/?extra=PC&Device=PC&version=", 0) == 0;
    }));
    window->WebPageThread().Stop();
}

TEST_F(SignInTest, ShowLoginBringsThePluginWindowForward)
{
    struct WindowedApi : FakeAccountApi
    {
        void* GetLoginWindow() override { return &login; }
        QWidget login;
    } api;
    account.Attach(&api, FakeDllSetService);
    api.login.showMinimized();
    Post(WM_ACCOUNT_SHOW_LOGIN);
    Drain();
    EXPECT_TRUE(api.login.isVisible());
    EXPECT_FALSE(api.login.isMinimized());
}

TEST_F(SignInTest, NoDataDirectoryEndsTheProgramAfterTheNotice)
{
    services.appDataDir.clear();
    MakeWindow();
    EXPECT_EQ(exits, 1);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_db");
}

TEST_F(SignInTest, FirstStartInvitesToSignInOnce)
{
    WriteFileBytes(services.configPath, "[Settings]\nfirststart=0\n");
    Post(WM_FIRST_START_CHECK);
    Drain();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, DialogService::kModeLogin);
    Post(WM_FIRST_START_CHECK);
    Drain();
    EXPECT_EQ(dialogs.Requests().size(), 1u);
}

} // namespace
