#include "gui/mainwndfixture.h"
#include "support/fakeaccountapi.h"

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
    for (const QPushButton* tile : Find("lv_homeTiles")->findChildren<QPushButton*>())
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
    retry.Enqueue(kFunction, 0);
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

} // namespace
