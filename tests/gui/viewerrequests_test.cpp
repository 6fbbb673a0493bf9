// What the viewer asks of the main window, and the print and scanner functions, with a
// stand-in viewer that records its calls.
#include "gui/convertpagefixture.h"

#include "gui/recordingviewer.h"

#include <QDialog>
#include <QStackedWidget>

namespace {

class ViewerRequestsTest : public ConvertPageTest
{
protected:
    ViewerRequestsTest()
    {
        services.viewer = &viewer;
        MakeWindow();
    }

    ~ViewerRequestsTest() override { window.reset(); }

    // As the viewer's tool bar asks: through the callback, then the window's queue.
    void Ask(const char* key, const std::string& path)
    {
        CMainWnd::ViewerCallback(static_cast<QWidget*>(window.get()), key, path.c_str());
        Drain();
    }

    RecordingViewer viewer;
};

TEST_F(ViewerRequestsTest, TheWindowPreparesPrintingAtStart)
{
    EXPECT_EQ(viewer.prepared, 1);
}

TEST_F(ViewerRequestsTest, AConversionRequestReachesItsPageMarkedAsFromTheViewer)
{
    const std::string path = MakeFile("dir/a.pdf");
    Ask("PDF2Excel", path);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::ConvertList));
    EXPECT_EQ(conversions.CurrentFunction(), "PDF2Excel");
    ASSERT_EQ(Store().GetCount("PDF2Excel"), 1);
    EXPECT_EQ(Store().GetSourcePath("PDF2Excel", 0), path);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    // Marked as the viewer's: asking again for the same file adds nothing and says nothing.
    Ask("PDF2Excel", path);
    EXPECT_EQ(Store().GetCount("PDF2Excel"), 1);
    EXPECT_TRUE(dialogs.Requests().empty());
    // Unlike the same file chosen again by the user.
    Open("PDF2Excel", {path});
    EXPECT_EQ(dialogs.Requests().size(), 1u);
}

TEST_F(ViewerRequestsTest, ARequestForNoTileIsDropped)
{
    Ask("NoSuchFunction", MakeFile("b.pdf"));
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    EXPECT_EQ(Store().GetCount("NoSuchFunction"), 0);
}

TEST_F(ViewerRequestsTest, WhileConvertingOnlyTheFourWebToolsPass)
{
    api.signedIn = true;
    account.Attach(&api, FakeDllSetService);
    AddRows(1, ConversionStatus::Uploading);
    ASSERT_TRUE(conversions.IsConverting());
    const std::string path = MakeFile("c.pdf");
    Ask("PDF2Excel", path);
    Ask(kFunction, path);
    EXPECT_EQ(Store().GetCount("PDF2Excel"), 0);
    EXPECT_EQ(Store().GetCount(kFunction), 1);
    EXPECT_EQ(conversions.CurrentFunction(), kFunction);

    Ask("PDFMerge", path);
    ASSERT_TRUE(WaitUntil([&] { return !api.OpenedUrl().empty(); }));
    EXPECT_NE(api.OpenedUrl().find("/pdf-merge?extra=PC&Device=PC"), std::string::npos);
    account.Attach(nullptr, nullptr);
}

TEST_F(ViewerRequestsTest, AFinishedBatchMakesWayForTheRequest)
{
    const auto finish = [&] {
        AddRows(2, ConversionStatus::Completed);
        Page().ContinueButton()->show();
        Page().StartButton()->hide();
        Page().AddFileButton()->setEnabled(false);
    };
    // Of the same function: the finished rows go.
    finish();
    const std::string path = MakeFile("d.pdf");
    Ask(kFunction, path);
    ASSERT_EQ(Store().GetCount(kFunction), 1);
    EXPECT_EQ(Store().GetSourcePath(kFunction, 0), path);
    EXPECT_TRUE(Page().ContinueButton()->isHidden());
    EXPECT_FALSE(Page().StartButton()->isHidden());

    // Of another function: its rows stay, and the requested function's page can start.
    Store().Clear(kFunction);
    finish();
    Ask("PDF2Excel", path);
    EXPECT_EQ(conversions.CurrentFunction(), "PDF2Excel");
    EXPECT_EQ(Store().GetCount(kFunction), 2);
    EXPECT_TRUE(Page().ContinueButton()->isHidden());
    EXPECT_FALSE(Page().StartButton()->isHidden());
    EXPECT_TRUE(Page().StartButton()->isEnabled());
    EXPECT_TRUE(Page().AddFileButton()->isEnabled());
}

TEST_F(ViewerRequestsTest, MergeOpensItsWebPageAndNoDialog)
{
    account.Attach(&api, FakeDllSetService);
    CMainWnd::FunctionSource click;
    click.tile = CMainWnd::FunctionSource::kBigTile;
    window->OpenFunction("PDFMerge", click);
    ASSERT_TRUE(WaitUntil([&] { return !api.OpenedUrl().empty(); }));
    EXPECT_NE(api.OpenedUrl().find("/pdf-merge?extra=PC&Device=PC"), std::string::npos);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    account.Attach(nullptr, nullptr);
}

TEST_F(ViewerRequestsTest, PrintAsksForOnePdfOrTakesTheGivenOne)
{
    const std::string given = MakeFile("given.pdf");
    Open("PDFPrint", {given});
    const std::string chosen = MakeFile("chosen.pdf");
    dialogs.fileAnswers.push_back(std::vector<std::string>{chosen});
    CMainWnd::FunctionSource click;
    click.tile = CMainWnd::FunctionSource::kBigTile;
    window->OpenFunction("PDFPrint", click);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_FALSE(dialogs.fileRequests[0].multiSelect);
    EXPECT_NE(dialogs.fileRequests[0].filter.find("*.pdf"), std::string::npos);
    EXPECT_EQ(viewer.printed, (std::vector<std::string>{given, chosen}));

    // Cancelled, or a file that cannot be read: nothing is printed.
    EXPECT_FALSE(window->PrintDocument(std::nullopt));
    EXPECT_FALSE(window->PrintDocument(MakeFile("empty.pdf", 0)));
    EXPECT_EQ(viewer.printed.size(), 2u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"@string/str_msgbox_file_err"});
}

TEST_F(ViewerRequestsTest, TheScannerFunctionOpensTheScannerWindow)
{
    QPointer<QDialog> scanner;
    window->SetScannerFactory([&](QWidget* owner) {
        scanner = new QDialog(owner);
        return scanner.data();
    });
    CMainWnd::FunctionSource files;
    files.files = {MakeFile("ignored.pdf")};
    window->OpenFunction("PDFScanner", files);
    ASSERT_TRUE(scanner);
    EXPECT_TRUE(scanner->isVisible());
    EXPECT_TRUE(scanner->isModal() || scanner->windowModality() != Qt::NonModal);
    scanner->close();
}

TEST_F(ViewerRequestsTest, TheViewersScannerRequestAddsAnOpenRecord)
{
    const std::string scanned = MakeFile("scan/page.pdf");
    Ask("PDFScanner", scanned);
    ASSERT_EQ(window->RecordPage().Adapter().GetCount(), 1);
    EXPECT_EQ(window->RecordPage().Adapter().Record(0).path, scanned);
}

TEST_F(ViewerRequestsTest, TheOpenPdfButtonViewsAndRecords)
{
    const std::string path = MakeFile("open.pdf");
    dialogs.fileAnswers.push_back(std::vector<std::string>{path});
    Find<QPushButton>("btn_leftbar_openpdf")->click();
    ASSERT_EQ(viewer.shown.size(), 1u);
    EXPECT_EQ(viewer.shown[0], std::make_pair(path, false));
    EXPECT_EQ(window->RecordPage().Adapter().GetCount(), 1);

    Post(WM_OPEN_IN_VIEWER, 0, path);
    Drain();
    ASSERT_EQ(viewer.shown.size(), 2u);
    EXPECT_TRUE(viewer.shown[1].second) << "a scanned document";
}

} // namespace
