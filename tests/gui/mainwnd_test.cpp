#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "account/companion.h"
#include "gui/guitest.h"
#include "settings/clientinfo.h"
#include "support/fakeaccountapi.h"
#include "support/fakeservice.h"
#include "support/scratchdir.h"
#include "support/scripteddialogs.h"
#include "tiles/homesortlist.h"
#include "ui/convertpage.h"
#include "ui/mainwnd.h"

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr const char* kFunction = "PDF2Word";

class MainWndTest : public ::testing::Test
{
protected:
    MainWndTest()
    {
        TestApp();
        services.dialogs = &dialogs;
        services.account = &account;
        services.session = &session;
        services.database = &database;
        services.appDataDir = scratch.Path().string() + "/";
        services.homeSortList = &homeSortList;
        services.apiBase = service.BaseUrl();
        services.configPath = scratch.File("Config.ini");
        services.systemTray = true;
        services.exitProcess = [this] { ++exits; };
        MakeWindow();
    }

    ~MainWndTest() override { window.reset(); }

    void MakeWindow(bool show = true)
    {
        window = std::make_unique<CMainWnd>(services);
        window->Initialize();
        if (show)
            window->show();
        window->ConvertPage().List().SetFunctionName(kFunction);
    }

    void Post(std::uint32_t id, std::uintptr_t wParam = 0, std::string payload = {})
    {
        window->PostWindowMessage(WindowMessage{id, wParam, 0, std::move(payload)});
    }

    static void Drain()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    ConversionStore& Store() { return window->ConvertPage().List().Store(); }

    void AddRows(int count, ConversionStatus status)
    {
        for (int i = 0; i < count; ++i) {
            Store().AddFile(kFunction, scratch.File("doc" + std::to_string(i) + ".pdf"));
            Store().SetStatus(kFunction, i, status);
        }
    }

    template <typename T = QWidget> T* Find(const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    int CurrentPage() { return Find<QStackedWidget>("tab_function")->currentIndex(); }

    ScratchDir scratch;
    FakeService service;
    HomeSortList homeSortList;
    ScriptedDialogs dialogs;
    AccountLibrary account;
    AccountSession session{account, service.BaseUrl(), service.SsoUrl()};
    AccountDatabase database;
    MainWndServices services;
    int exits = 0;
    std::unique_ptr<CMainWnd> window;
};

TEST_F(MainWndTest, HasTheNamedControlsAndGeometry)
{
    for (const char* name :
         {"wnd_leftBar", "lb_leftbar_part1", "lb_leftbar_part2", "btn_leftbar_openpdf",
          "wnd_funcZone", "tab_function", "page_mainTileView", "page_fileTileView",
          "page_convertList", "page_completedList", "page_recordList", "btn_close", "btn_min",
          "btn_menu", "btn_login", "img_HeadIcon", "txt_username"})
        Find(name);
    EXPECT_EQ(window->size(), QSize(CMainWnd::kWidth, CMainWnd::kHeight));
    EXPECT_EQ(window->minimumSize(), QSize(CMainWnd::kMinWidth, CMainWnd::kMinHeight));
    EXPECT_EQ(Find<QListWidget>("lb_leftbar_part1")->count(), 4);
    EXPECT_EQ(Find<QListWidget>("lb_leftbar_part2")->count(), 2);
    EXPECT_FALSE(Find("img_HeadIcon")->isVisible());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_EQ(Find<QListWidget>("lb_leftbar_part1")->currentRow(), 0);
    EXPECT_TRUE(database.IsOpen());
    EXPECT_TRUE(std::filesystem::exists(scratch.Path() / AccountDatabase::kFileName));
}

TEST_F(MainWndTest, StartUpFetchesTheHomeSortList)
{
    EXPECT_TRUE(WaitUntil([&] { return homeSortList.Get().ok; }));
    EXPECT_TRUE(homeSortList.Get().isFree.count("PDF2Word"));
    EXPECT_TRUE(dialogs.Requests().empty());
}

TEST_F(MainWndTest, StartUpLoadsTheRecordFilesOfTheDataDirectory)
{
    const auto xml = scratch.Path() / "data" / "xml";
    std::filesystem::create_directories(xml);
    FileRecord record;
    record.path = "/docs/a.docx";
    RecordList stored(RecordKind::Completed);
    ASSERT_TRUE(stored.Load((xml / "completed_ini.xml").string()));
    stored.AddRecord(record);

    services.appDataDir = (scratch.Path() / "data").string() + "/";
    MakeWindow();
    EXPECT_EQ(window->CompletedRecords().GetCount(), 1u);
    EXPECT_EQ(window->CompletedRecords().GetRecord(0).path, "/docs/a.docx");
    EXPECT_TRUE(std::filesystem::exists(xml / "openrecord_ini.xml"));
}

TEST_F(MainWndTest, ThreeNetErrorsInARowGiveOneNotice)
{
    // The notice's modal loop delivers the messages that follow it.
    dialogs.whileShown = [] { Drain(); };
    for (int i = 0; i < 3; ++i)
        Post(WM_TASK_NET_ERROR, 0, "@string/str_msgbox_server");
    Drain();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, DialogService::kModeNotice);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_server");

    // Once the notice is gone the next error is shown again.
    Post(WM_TASK_NET_ERROR, 0, "@string/str_msgbox_net");
    Drain();
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    EXPECT_EQ(dialogs.Requests()[1].message, "@string/str_msgbox_net");
}

TEST_F(MainWndTest, CloseHidesTheWindowAndConversionGoesOn)
{
    AddRows(1, ConversionStatus::Queued);
    ASSERT_TRUE(window->DownloadThread().Start());

    Find<QPushButton>("btn_close")->click();
    EXPECT_FALSE(window->isVisible());
    window->show();
    EXPECT_FALSE(window->close()); // WM_CLOSE: refused, hidden instead
    EXPECT_FALSE(window->isVisible());
    Drain();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(window->DownloadThread().IsRunning());

    // The tray's exit still ends it.
    dialogs.Answer(DialogService::kResultOk);
    window->OnTrayCommand(CMainWnd::kCmdExit);
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_FALSE(window->DownloadThread().IsRunning());
}

TEST_F(MainWndTest, CloseWithoutATrayMinimises)
{
    services.systemTray = false;
    MakeWindow();
    Find<QPushButton>("btn_close")->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->OnTrayCommand(CMainWnd::kCmdShowMain);
    EXPECT_FALSE(window->isMinimized());
}

TEST_F(MainWndTest, ExitWithoutRowsInProgressAsksNothing)
{
    bool exiting = false;
    QObject::connect(window.get(), &CMainWnd::exiting, [&] { exiting = true; });
    AddRows(2, ConversionStatus::Completed);
    Store().SetStatus(kFunction, 1, ConversionStatus::Redownloading);
    window->Exit();
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_TRUE(exiting);
    EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }));
}

TEST_F(MainWndTest, ExitWhileConvertingAsksAndCancelKeepsEverythingRunning)
{
    bool exiting = false;
    QObject::connect(window.get(), &CMainWnd::exiting, [&] { exiting = true; });
    AddRows(2, ConversionStatus::Uploading);
    ASSERT_TRUE(window->DownloadThread().Start());
    ASSERT_TRUE(window->QueryThread().Start());

    dialogs.Answer(DialogService::kResultCancel);
    window->OnTrayCommand(CMainWnd::kCmdExit);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, DialogService::kModeQuestion);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_conving");
    EXPECT_FALSE(exiting);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->DownloadThread().IsRunning());
    EXPECT_TRUE(window->QueryThread().IsRunning());
    EXPECT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::Uploading);

    // Closing the question is no either.
    window->Exit();
    EXPECT_FALSE(exiting);
    EXPECT_TRUE(window->DownloadThread().IsRunning());

    dialogs.Answer(DialogService::kResultOk);
    window->Exit();
    EXPECT_TRUE(exiting);
    EXPECT_FALSE(window->DownloadThread().IsRunning());
    EXPECT_FALSE(window->QueryThread().IsRunning());
}

TEST_F(MainWndTest, LeftBarNavigatesByThePageMap)
{
    auto* part1 = Find<QListWidget>("lb_leftbar_part1");
    auto* part2 = Find<QListWidget>("lb_leftbar_part2");
    std::vector<int> groups;
    QObject::connect(window.get(), &CMainWnd::tileGroupSelected,
                     [&](int title) { groups.push_back(title); });

    part2->setCurrentRow(0);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::CompletedList));
    EXPECT_EQ(part1->currentRow(), -1);
    part2->setCurrentRow(1);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::RecordList));
    part1->setCurrentRow(2);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_EQ(part2->currentRow(), -1);
    part1->setCurrentRow(3);
    EXPECT_EQ(groups, (std::vector<int>{6, 10}));
    EXPECT_TRUE(dialogs.Requests().empty());
}

TEST_F(MainWndTest, LeftBarSelectionDuringARedownloadShowsTheBusyNoticeAndStays)
{
    service.Script(FakeEndpoint::kResult, FakeReply::WithFault(FakeReply::Fault::Stall));
    FakeAccountApi api;
    account.Attach(&api, FakeDllSetService);

    AddRows(1, ConversionStatus::Completed);
    Store().SetDownloadUrl(kFunction, 0, service.BaseUrl() + "/results/job-1");
    Store().SetOutputPath(kFunction, 0, scratch.File("doc0.docx"));
    CRetryDownloadThread& retry = window->ConvertPage().RetryThread();
    retry.Enqueue(0);
    ASSERT_TRUE(retry.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kResult, 1, 3s));

    auto* part1 = Find<QListWidget>("lb_leftbar_part1");
    auto* part2 = Find<QListWidget>("lb_leftbar_part2");
    part2->setCurrentRow(1);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, DialogService::kModeNotice);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_task_busy");
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_EQ(part1->currentRow(), 0);
    EXPECT_EQ(part2->currentRow(), -1);

    EXPECT_TRUE(retry.StopWait(2000));
    part2->setCurrentRow(1);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::RecordList));
    EXPECT_EQ(dialogs.Requests().size(), 1u);
}

TEST_F(MainWndTest, ItemChangedOutsideTheListDoesNothing)
{
    std::vector<int> changed;
    int resets = 0;
    QObject::connect(&window->ConvertPage(), &CConvertPage::itemChanged,
                     [&](int row) { changed.push_back(row); });
    QObject::connect(&window->ConvertPage(), &CConvertPage::dataSetChanged, [&] { ++resets; });
    AddRows(3, ConversionStatus::Waiting);

    Post(WM_CONVERT_ITEM_CHANGED, 5);
    Post(WM_CONVERT_ITEM_CHANGED, 3);
    Post(WM_CONVERT_ITEM_CHANGED, 1);
    Post(WM_CONVERT_LIST_CHANGED);
    Drain();
    EXPECT_EQ(changed, std::vector<int>{1});
    EXPECT_EQ(resets, 1);

    // Rows of another function do not count.
    window->ConvertPage().List().SetFunctionName("Word2PDF");
    Post(WM_CONVERT_ITEM_CHANGED, 0);
    Drain();
    EXPECT_EQ(changed, std::vector<int>{1});
}

TEST_F(MainWndTest, UserAreaShowsAndResetsTheSignedInUser)
{
    auto* name = Find<QLabel>("txt_username");
    auto* icon = Find<QLabel>("img_HeadIcon");
    AccountLibrary::UserBlock user{};
    std::strcpy(user.data(), "1001");
    std::strcpy(user.data() + kAccountFieldSize, "小明");
    account.SetUser(user.data());
    Post(WM_ACCOUNT_USER_NAME, 0);
    Drain();
    EXPECT_EQ(name->text(), QString::fromUtf8("小明"));

    // An icon file that is no image leaves the icon hidden.
    const std::string broken = scratch.File("HeadIcon");
    WriteFileBytes(broken, "not an image");
    Post(WM_ACCOUNT_HEAD_ICON, 0, broken);
    Drain();
    EXPECT_FALSE(icon->isVisible());

    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(broken), "PNG"));
    Post(WM_ACCOUNT_HEAD_ICON, 0, broken);
    Drain();
    EXPECT_TRUE(icon->isVisible());
    EXPECT_FALSE(Find("img_defaultHead")->isVisible());

    Post(WM_ACCOUNT_USER_NAME, 1);
    Post(WM_ACCOUNT_HEAD_ICON, 1);
    Drain();
    EXPECT_EQ(name->text(), QString::fromUtf8("请登录"));
    EXPECT_FALSE(icon->isVisible());
    EXPECT_TRUE(Find("img_defaultHead")->isVisible());
}

TEST_F(MainWndTest, AccountStartsAtFirstShowThenTheCompanion)
{
    int starts = 0;
    services.startAccount = [&](MessageTarget*) {
        ++starts;
        return AccountStartup::Started;
    };
    services.workDir = scratch.Path().string() + "/";
    const std::string args = scratch.File("args.txt");
    WriteFileBytes(scratch.Path() / kCompanionProgram,
                   "#!/bin/sh\nprintf '%s' \"$1\" > '" + args + "'\n");
    std::filesystem::permissions(scratch.Path() / kCompanionProgram,
                                 std::filesystem::perms::owner_all);
    ClientInfoRecord info;
    ClientInfo values;
    values.ag = "ag1";
    values.version = "1.0.0.1";
    values.wua = "wua1";
    info.Set(values);
    services.clientInfo = &info;

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

TEST_F(MainWndTest, AMissingAccountComponentEndsTheProgramAfterTheNotice)
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

TEST_F(MainWndTest, SignInShowsTheUserAndSignOutResetsTheSession)
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const std::string png = scratch.File("avatar.png");
    ASSERT_TRUE(image.save(QString::fromStdString(png), "PNG"));
    service.Script(FakeEndpoint::kResult, FakeReply::Text(ReadFileBytes(png)));
    // The session's token exchanges accept the fake plug-in's ticket.
    for (int i = 0; i < 2; ++i)
        service.Script(FakeEndpoint::kLogin,
                       FakeReply::Json(R"({"ret":0,"msg":"","data":{"expireTime":7200,"token":")" +
                                       service.IssueToken() + R"("}})"));

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

TEST_F(MainWndTest, LoginButtonPromptsOrOffersTheSignOut)
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

TEST_F(MainWndTest, TrayWebPageOpensTheHomePageWithTheSession)
{
    FakeAccountApi api;
    account.Attach(&api, FakeDllSetService);
    services.webBase = "https://web.example";
    MakeWindow();
    window->OnTrayCommand(CMainWnd::kCmdWebPage);
    EXPECT_EQ(api.OpenedUrl().rfind("https://web.example/?extra=PC&Device=PC&version=", 0), 0u);
}

TEST_F(MainWndTest, ShowLoginBringsThePluginWindowForward)
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

TEST_F(MainWndTest, NoDataDirectoryEndsTheProgramAfterTheNotice)
{
    services.appDataDir.clear();
    MakeWindow();
    EXPECT_EQ(exits, 1);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_db");
}

TEST_F(MainWndTest, MessagesOfLaterPartsReleaseTheirPayload)
{
    for (std::uint32_t id : {WM_CONVERT_FILE_DONE, WM_VIEWER_RECORD, WM_OPEN_IN_VIEWER, 0x7777u})
        Post(id, 0, "/tmp/result.docx");
    Drain();
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWndTest, SettingsWindowOpensOnceAtATime)
{
    int made = 0;
    QPointer<QDialog> last;
    window->SetSettingsFactory([&](QWidget* owner) {
        ++made;
        last = new QDialog(owner);
        return last.data();
    });
    Post(WM_SHOW_SETTINGS);
    Drain();
    window->OnTrayCommand(CMainWnd::kCmdSettings);
    EXPECT_EQ(made, 1);
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->isVisible());

    last->close();
    EXPECT_TRUE(WaitUntil([&] { return last.isNull(); }));
    Post(WM_SHOW_SETTINGS);
    Drain();
    EXPECT_EQ(made, 2);
}

TEST_F(MainWndTest, FirstStartInvitesToSignInOnce)
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
