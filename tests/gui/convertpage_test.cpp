#include "gui/convertpagefixture.h"

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

using namespace std::chrono_literals;

TEST_F(ConvertPageTest, TwelveFilesAddTheFirstTenWithOneNotice)
{
    const auto files = MakeFiles(12);
    Open(kFunction, files);

    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::ConvertList));
    EXPECT_EQ(Count(), 10);
    EXPECT_EQ(Store().GetSourcePath(kFunction, 9), files[9]);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"@string/str_msgbox_file_count"});
    EXPECT_EQ(dialogs.Requests()[0].mode, MsgBoxMode::Notice);
    EXPECT_FALSE(Page().AddFileButton()->isEnabled());
    EXPECT_EQ(Header(), QString::fromUtf8("  文件 (10)"));
    EXPECT_EQ(Page().ListView()->model()->rowCount(), 10);
    EXPECT_EQ(Page().Title()->text(), QString::fromUtf8("PDF转Word"));

    // Deleting a row makes room again.
    Page().RowButton(0, "btn_convl_delete")->click();
    EXPECT_EQ(Count(), 9);
    EXPECT_TRUE(Page().AddFileButton()->isEnabled());
    EXPECT_EQ(Header(), QString::fromUtf8("  文件 (9)"));
}

TEST_F(ConvertPageTest, FilesOf100MiBAreRefused)
{
    const std::string tooBig = MakeFile("big.pdf", 104857600);
    const std::string fits = MakeFile("fits.pdf", 104857599);
    Open(kFunction, {tooBig, fits});
    ASSERT_EQ(Count(), 1);
    EXPECT_EQ(Store().GetSourcePath(kFunction, 0), fits);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"@string/str_msgbox_file_size"});
    EXPECT_EQ(Page().ListView()->model()->index(0, 1).data().toString(),
              QString::fromUtf8("100.00M"));
}

TEST_F(ConvertPageTest, ADuplicateIsNamedUnlessItComesFromTheViewer)
{
    const std::string path = MakeFile("dir/report.pdf");
    Open(kFunction, {path});
    Open(kFunction, {path});
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"当前文件已经存在\nreport.pdf"});

    // The viewer asks for the function with its mark; the duplicate is dropped silently.
    Post(WM_VIEWER_FUNCTION, 0, std::string(kFunction) + "\n" + path + "_FromPlugin");
    Drain();
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(dialogs.Requests().size(), 1u);

    // Another function keeps its own list.
    Open("PDF2JPG", {path});
    EXPECT_EQ(Store().GetCount("PDF2JPG"), 1);
    EXPECT_EQ(Store().GetCount(kFunction), 1);
}

TEST_F(ConvertPageTest, DroppedFilesOfOtherTypesAreIgnored)
{
    const std::string pdf = MakeFile("keep.pdf");
    Open(kFunction, {MakeFile("first.pdf")});
    const auto drop = [&](const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& path : paths)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        data.setUrls(urls);
        QWidget* viewport = Page().ListView()->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::LinkAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QDropEvent event(QPointF(10, 10), Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
        return enter.isAccepted() && event.isAccepted();
    };
    EXPECT_TRUE(drop({MakeFile("a.docx"), MakeFile("b.txt")}));
    EXPECT_EQ(Count(), 1);
    EXPECT_TRUE(dialogs.Requests().empty());

    EXPECT_TRUE(drop({MakeFile("c.png"), pdf}));
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(Store().GetSourcePath(kFunction, 1), pdf);
}

TEST_F(ConvertPageTest, RowsShowTheirStatus)
{
    Open(kFunction, MakeFiles(5));
    using S = ConversionStatus;
    const S statuses[] = {S::Waiting, S::Uploading, S::Completed, S::DownloadFailed, S::TaskFailed};
    for (int row = 0; row < 5; ++row) {
        Store().SetStatus(kFunction, row, statuses[row]);
        Store().SetDetailText(kFunction, row, "detail " + std::to_string(row));
        Store().SetProgress(kFunction, row, 30);
    }
    Post(WM_CONVERT_LIST_CHANGED);
    Drain();

    EXPECT_FALSE(StatusChild(0, "txt_status")->isHidden());
    EXPECT_TRUE(StatusChild(0, "prog_convert")->isHidden());
    EXPECT_EQ(static_cast<QLabel*>(StatusChild(0, "txt_status"))->text(),
              QString::fromUtf8("等待开始"));
    EXPECT_EQ(StatusChild(0, "txt_status")->toolTip(), QStringLiteral("detail 0"));
    EXPECT_TRUE(RowShows(0, "btn_convl_delete"));
    EXPECT_EQ(Page().RowButton(0, "btn_convl_delete")->toolTip(), QString::fromUtf8("删除"));

    EXPECT_TRUE(StatusChild(1, "txt_status")->isHidden());
    EXPECT_FALSE(StatusChild(1, "prog_convert")->isHidden());
    EXPECT_EQ(static_cast<QProgressBar*>(StatusChild(1, "prog_convert"))->value(), 30);
    EXPECT_FALSE(RowShows(1, "btn_convl_delete"));

    EXPECT_TRUE(RowShows(2, "btn_convl_openFile"));
    EXPECT_TRUE(RowShows(2, "btn_convl_openDir"));
    EXPECT_FALSE(RowShows(2, "btn_convl_download"));
    EXPECT_TRUE(RowShows(3, "btn_convl_download"));
    EXPECT_EQ(Page().RowButton(3, "btn_convl_download")->toolTip(), QString::fromUtf8("重新下载"));
    for (const char* button :
         {"btn_convl_delete", "btn_convl_openFile", "btn_convl_openDir", "btn_convl_download"})
        EXPECT_FALSE(RowShows(4, button)) << button;

    // One row changes on its message; a row past the end is ignored.
    Store().SetProgress(kFunction, 1, 80);
    Post(WM_CONVERT_ITEM_CHANGED, 1);
    Post(WM_CONVERT_ITEM_CHANGED, 7);
    Drain();
    EXPECT_EQ(static_cast<QProgressBar*>(StatusChild(1, "prog_convert"))->value(), 80);

    // The first column names the file, its tooltip adds the folder.
    const QModelIndex name = Page().ListView()->model()->index(0, 0);
    EXPECT_EQ(name.data().toString(), QStringLiteral("file0.pdf"));
    EXPECT_EQ(name.data(Qt::ToolTipRole).toString(),
              QStringLiteral("file0.pdf\n") + QString::fromStdString(scratch.Path().string()));
}

TEST_F(ConvertPageTest, FilesWaitForTheServiceDataAndTheUserIsToldToRetry)
{
    homeSortList.MarkFailed();
    Open(kFunction, {MakeFile("a.pdf")});
    EXPECT_EQ(Store().GetCount(kFunction), 0);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"@string/str_msgbox_server_data"});
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    // The fetch was started again.
    EXPECT_TRUE(WaitUntil([&] { return homeSortList.Get().ok; }));
}

TEST_F(ConvertPageTest, DeletingTheLastRowGoesHome)
{
    Open(kFunction, {MakeFile("only.pdf")});
    ASSERT_EQ(CurrentPage(), static_cast<int>(MainPage::ConvertList));
    Page().RowButton(0, "btn_convl_delete")->click();
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::MainTileView); }));
    EXPECT_EQ(Find<QListWidget>("lb_leftbar_part1")->currentRow(), 0);
}

TEST_F(ConvertPageTest, ATileWithoutChosenFilesStaysHome)
{
    Post(WM_TILE_CLICKED, 0, kFunction);
    Drain();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].multiSelect);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));

    // The home list's tiles open the page with the chosen files.
    dialogs.fileAnswers.push_back(std::vector<std::string>{MakeFile("x.pdf")});
    auto* tiles = Find("lv_homeTiles");
    ASSERT_GT(tiles->findChildren<QPushButton*>().size(), 10);
    auto* toWord = tiles->findChild<QPushButton*>(QLatin1String(kFunction));
    ASSERT_NE(toWord, nullptr);
    toWord->click();
    EXPECT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::ConvertList); }));
    EXPECT_EQ(Count(), 1);
}

TEST_F(ConvertPageTest, StartWithAnEmptyListDoesNothing)
{
    SignIn();
    conversions.ShowFunction(kFunction);
    Page().StartButton()->click();
    EXPECT_FALSE(conversions.Pipeline().upload.IsRunning());
    EXPECT_TRUE(Page().StartButton()->isEnabled());
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_TRUE(service.Requests(FakeEndpoint::kUpload).empty());
}

TEST_F(ConvertPageTest, StartSignedOutOffersTheLoginAndKeepsTheRows)
{
    api.signedIn = false;
    account.Attach(&api, FakeDllSetService);
    Open(kFunction, {MakeFile("a.pdf")});
    Page().StartButton()->click();
    EXPECT_EQ(api.loginWindowsShown.load(), 1);
    EXPECT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::Waiting);
    EXPECT_TRUE(Page().StartButton()->isEnabled());
}

TEST_F(ConvertPageTest, AFullRunFinishesAndBackEmptiesTheList)
{
    SignIn();
    Open(kFunction, MakeFiles(3));
    Page().StartButton()->click();
    EXPECT_FALSE(Page().StartButton()->isEnabled());
    EXPECT_FALSE(Page().AddFileButton()->isEnabled());
    EXPECT_FALSE(Page().BackButton()->isEnabled());
    EXPECT_FALSE(Find("lb_leftbar_part1")->isEnabled());
    EXPECT_FALSE(Page().SaveDirButton()->isEnabled());

    ASSERT_TRUE(WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, 15s));
    EXPECT_EQ(Page().ContinueButton()->text(), QString::fromUtf8("继续处理"));
    EXPECT_TRUE(Page().StartButton()->isHidden());
    EXPECT_TRUE(Page().BackButton()->isEnabled());
    EXPECT_TRUE(Find("lb_leftbar_part2")->isEnabled());
    EXPECT_FALSE(Page().AddFileButton()->isEnabled());
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Store().GetStatus(kFunction, row), ConversionStatus::Completed);
        EXPECT_TRUE(std::filesystem::exists(Store().GetOutputPath(kFunction, row)));
        EXPECT_TRUE(RowShows(row, "btn_convl_openFile"));
    }
    EXPECT_EQ(Store().GetOutputPath(kFunction, 0), scratch.File("file0.docx"));
    EXPECT_TRUE(WaitUntil([&] { return window->CompletedPage().Adapter().GetCount() == 3; }));

    Page().BackButton()->click();
    EXPECT_EQ(Store().GetCount(kFunction), 0);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_TRUE(Page().StartButton()->isVisibleTo(&Page()));
    EXPECT_TRUE(Page().ContinueButton()->isHidden());
    EXPECT_TRUE(Page().AddFileButton()->isEnabled());
}

TEST_F(ConvertPageTest, LeavingAWaitingListKeepsIt)
{
    Open(kFunction, MakeFiles(2));
    Page().BackButton()->click();
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_EQ(Store().GetCount(kFunction), 2);

    // Its tile brings the pending batch back without asking for files.
    Post(WM_TILE_CLICKED, 0, kFunction);
    Drain();
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::ConvertList));
    EXPECT_EQ(Page().ListView()->model()->rowCount(), 2);
}

TEST_F(ConvertPageTest, AFailedDownloadIsDownloadedAgain)
{
    SignIn();
    for (int attempt = 0; attempt < 3; ++attempt)
        service.Script(FakeEndpoint::kResult, FakeReply::Text("gone", 404));
    Open(kFunction, {MakeFile("a.pdf")});
    Page().StartButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, 15s));
    ASSERT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::DownloadFailed);
    ASSERT_TRUE(RowShows(0, "btn_convl_download"));

    Page().RowButton(0, "btn_convl_download")->click();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Store().GetStatus(kFunction, 0) == ConversionStatus::RedownloadCompleted &&
                   !conversions.IsRedownloading();
        },
        10s));
    Drain();
    EXPECT_TRUE(RowShows(0, "btn_convl_openFile"));
    EXPECT_FALSE(RowShows(0, "btn_convl_download"));
    EXPECT_TRUE(std::filesystem::exists(Store().GetOutputPath(kFunction, 0)));
}

TEST_F(ConvertPageTest, ReDownloadSignedOutOffersTheLoginAndKeepsTheRow)
{
    api.signedIn = false;
    account.Attach(&api, FakeDllSetService);
    Open(kFunction, {MakeFile("a.pdf")});
    Store().SetStatus(kFunction, 0, ConversionStatus::DownloadFailed);
    Post(WM_CONVERT_ITEM_CHANGED, 0);
    Drain();
    Page().RowButton(0, "btn_convl_download")->click();
    EXPECT_EQ(api.loginWindowsShown.load(), 1);
    EXPECT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::DownloadFailed);
    EXPECT_FALSE(conversions.IsRedownloading());
}

TEST_F(ConvertPageTest, ResultsGoToTheChosenFolder)
{
    SignIn();
    const std::string folder = scratch.File("results");
    std::filesystem::create_directories(folder);
    dialogs.folderAnswers.push_back(scratch.File("no such folder"));
    dialogs.folderAnswers.push_back(folder);
    Open(kFunction, {MakeFile("in/a.pdf")});
    QMenu* menu = Page().SaveDirMenu();
    const auto command = [&](const char* name) {
        menu->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    };
    command("menuItem_312");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"@string/str_msgbox_savedir_invalid"});
    EXPECT_TRUE(Page().SaveDirText()->isHidden());
    command("menuItem_312");
    EXPECT_EQ(dialogs.folderTitles.back(), "选择文件保存路径:");
    EXPECT_FALSE(Page().SaveDirText()->isHidden());
    EXPECT_EQ(Page().SaveDirTip()->text(), QString::fromUtf8("自定义路径"));

    Page().StartButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, 15s));
    EXPECT_EQ(Store().GetOutputPath(kFunction, 0), folder + "/a.docx");
    EXPECT_TRUE(std::filesystem::exists(folder + "/a.docx"));

    command("menuItem_311");
    EXPECT_TRUE(Page().SaveDirText()->isHidden());
    EXPECT_EQ(Page().SaveDirTip()->text(), QString::fromUtf8("与原文件相同目录"));
}

} // namespace
