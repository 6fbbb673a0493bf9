#include "gui/mainwndfixture.h"
#include "support/fakeaccountapi.h"
#include "ui/settingwnd.h"
#include "ui/tilepanel.h"

#include <QDialog>
#include <QListWidget>
#include <QPushButton>

#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;

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

TEST_F(MainWndTest, TheHomePageShowsTheTilesOfTheWindowsOwnConfiguration)
{
    TileConfig own(
        [] {},
        R"(<ini iniVersion="1"><tileview_topdf>)"
        R"(<Word2PDF initialList="tileview_topdf" text="@string/str_tileview_item_word2pdf"/>)"
        R"(<TXT2PDF initialList="tileview_topdf" text="@string/str_tileview_item_txt2PDF"/>)"
        R"(</tileview_topdf></ini>)");
    ASSERT_TRUE(own.Load(""));
    services.tiles = &own;
    MakeWindow();
    QStringList shown;
    for (const CTilePanel* tile : Find("scrollv_tileviewlist")->findChildren<CTilePanel*>())
        shown << tile->objectName();
    EXPECT_EQ(shown, QStringList({QStringLiteral("Word2PDF"), QStringLiteral("TXT2PDF")}));
    window.reset();
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
    EXPECT_EQ(conversions.CompletedList().GetCount(), 1u);
    EXPECT_EQ(conversions.CompletedList().GetRecord(0).path, "/docs/a.docx");
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
    EXPECT_EQ(dialogs.Requests()[0].mode, MsgBoxMode::Notice);
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
    ASSERT_TRUE(conversions.Pipeline().download.Start());

    Find<QPushButton>("btn_close")->click();
    EXPECT_FALSE(window->isVisible());
    window->show();
    EXPECT_FALSE(window->close()); // WM_CLOSE: refused, hidden instead
    EXPECT_FALSE(window->isVisible());
    Drain();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(conversions.Pipeline().download.IsRunning());

    // The tray's exit still ends it.
    dialogs.Answer(MsgBoxResult::Ok);
    window->OnTrayCommand(CMainWnd::kCmdExit);
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_FALSE(conversions.Pipeline().download.IsRunning());
}

TEST_F(MainWndTest, CloseWithoutATrayMinimises)
{
    services.tray = nullptr;
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
    ASSERT_TRUE(conversions.Pipeline().download.Start());
    ASSERT_TRUE(conversions.Pipeline().query.Start());

    dialogs.Answer(MsgBoxResult::Cancel);
    window->OnTrayCommand(CMainWnd::kCmdExit);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, MsgBoxMode::Question);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_conving");
    EXPECT_FALSE(exiting);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(conversions.Pipeline().download.IsRunning());
    EXPECT_TRUE(conversions.Pipeline().query.IsRunning());
    EXPECT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::Uploading);

    // Closing the question is no either.
    window->Exit();
    EXPECT_FALSE(exiting);
    EXPECT_TRUE(conversions.Pipeline().download.IsRunning());

    dialogs.Answer(MsgBoxResult::Ok);
    window->Exit();
    EXPECT_TRUE(exiting);
    EXPECT_FALSE(conversions.Pipeline().download.IsRunning());
    EXPECT_FALSE(conversions.Pipeline().query.IsRunning());
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
    CRetryDownloadThread& retry = conversions.RetryThread();
    retry.Enqueue(kFunction, 0);
    ASSERT_TRUE(retry.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kResult, 1, 3s));

    auto* part1 = Find<QListWidget>("lb_leftbar_part1");
    auto* part2 = Find<QListWidget>("lb_leftbar_part2");
    part2->setCurrentRow(1);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, MsgBoxMode::Notice);
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
    conversions.List().SetFunctionName("Word2PDF");
    Post(WM_CONVERT_ITEM_CHANGED, 0);
    Drain();
    EXPECT_EQ(changed, std::vector<int>{1});
}

TEST_F(MainWndTest, MessagesOfLaterPartsReleaseTheirPayload)
{
    for (std::uint32_t id : {WM_CONVERT_FILE_DONE, WM_VIEWER_RECORD, 0x7777u})
        Post(id, 0, "/tmp/result.docx");
    Drain();
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWndTest, SettingsWindowOpensOnceAtATime)
{
    const auto settingWindows = [&] {
        return window->findChildren<CSettingWnd*>(QString(), Qt::FindDirectChildrenOnly).size();
    };
    Post(WM_SHOW_SETTINGS);
    Drain();
    QPointer<CSettingWnd> first = window->SettingWindow();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    // From the tray, the information menu and the notice again: still the one window.
    window->OnTrayCommand(CMainWnd::kCmdSettings);
    window->OnInfoCommand(MenuCommand::kInfoSettings);
    Post(WM_SHOW_SETTINGS);
    Drain();
    EXPECT_EQ(window->SettingWindow(), first.data());
    EXPECT_EQ(settingWindows(), 1);

    first->findChild<QPushButton*>(QStringLiteral("btn_close"))->click();
    EXPECT_TRUE(WaitUntil([&] { return first.isNull(); }));
    Post(WM_SHOW_SETTINGS);
    Drain();
    ASSERT_NE(window->SettingWindow(), nullptr);
    EXPECT_TRUE(window->SettingWindow()->isVisible());
    EXPECT_EQ(settingWindows(), 1);
}

} // namespace
