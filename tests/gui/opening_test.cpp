#include "app/singleinstance.h"
#include "app/startfiles.h"
#include "gui/convertpagefixture.h"
#include "gui/fakeopener.h"
#include "gui/recordingviewer.h"
#include "support/unreadablefile.h"
#include "utility/stringtable.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

namespace {

class OpeningTest : public ConvertPageTest
{
protected:
    OpeningTest()
    {
        services.viewer = &viewer;
        MakeWindow();
    }
    ~OpeningTest() override { window.reset(); }

    // A "document" that is really a program: running it leaves `ran.txt` behind.
    std::string ScriptDocument(const std::string& name)
    {
        const std::string path = scratch.File(name);
        std::ofstream(path) << "#!/bin/sh\ntouch '" << scratch.File("ran.txt") << "'\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    bool ScriptRan()
    {
        // A program started in the background has had time to leave its mark.
        std::this_thread::sleep_for(200ms);
        return std::filesystem::exists(scratch.File("ran.txt"));
    }
    FileRecord Record(const std::string& path)
    {
        FileRecord record;
        record.path = path;
        record.sizeText = "0.01M";
        record.timeText = "2024.03.07";
        return record;
    }
    std::vector<ScriptedDialogs::Shown> Notices() { return dialogs.Messages(); }

    RecordingViewer viewer;
};

// PDFs the user opens and open records go to the viewer; results of any type to the desktop's
// opener. Neither runs a document.
TEST_F(OpeningTest, DocumentsGoToTheViewerOrTheDesktopOpenerAndAreNeverRun)
{
    FakeOpener opener(scratch, true);
    const std::string document = ScriptDocument("report.pdf");

    dialogs.fileAnswers.push_back(std::vector<std::string>{document});
    Find<QPushButton>("btn_leftbar_openpdf")->click();
    ASSERT_EQ(viewer.shown.size(), 1u);
    EXPECT_EQ(viewer.shown[0].first, document);
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 1u);

    conversions.CompletedList().AddRecord(Record(document));
    window->CompletedPage().Adapter().Refresh();
    window->CompletedPage().RowButton(0, "btn_comp_openFile")->click();
    window->RecordPage().RowButton(0, "btn_comp_openFile")->click();
    EXPECT_TRUE(opener.WaitForOpened("1|" + document + "\n"));
    EXPECT_EQ(viewer.shown.size(), 2u);
    EXPECT_FALSE(ScriptRan());
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(OpeningTest, WithoutAnOpenerTheUserIsToldAndNothingIsRecorded)
{
    FakeOpener none(scratch, false);
    const std::string document = MakeFile("plain.pdf", 2048);
    conversions.CompletedList().AddRecord(Record(document));
    window->CompletedPage().Adapter().Refresh();
    window->CompletedPage().RowButton(0, "btn_comp_openFile")->click();
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].text, "@string/str_msgbox_open_failed");
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 0u);

    window->CompletedPage().RowButton(0, "btn_comp_openDir")->click();
    ASSERT_EQ(Notices().size(), 2u);
    EXPECT_EQ(Notices()[1].text, "@string/str_msgbox_open_failed");
}

TEST_F(OpeningTest, AnEmptyOrUnreadablePdfCannotBeOpened)
{
    FakeOpener opener(scratch, true);
    const std::string empty = MakeFile("empty.pdf", 0);
    const std::string unreadable = MakeFile("locked.pdf", 2048);
    dialogs.fileAnswers.push_back(std::vector<std::string>{empty});
    Find<QPushButton>("btn_leftbar_openpdf")->click();
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].mode, MsgBoxMode::NoticeTwoLines);
    EXPECT_EQ(Notices()[0].text, "@string/str_msgbox_file_err");

    if (MakeUnreadable(unreadable)) {
        dialogs.fileAnswers.push_back(std::vector<std::string>{unreadable});
        Find<QPushButton>("btn_leftbar_openpdf")->click();
        ASSERT_EQ(Notices().size(), 2u);
        EXPECT_EQ(Notices()[1].text, "@string/str_msgbox_file_err");
    }
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 0u);
    EXPECT_EQ(opener.Opened(), "");
}

TEST_F(OpeningTest, AFolderNamedLikeADocumentIsNotAdded)
{
    Open("Word2PDF", {MakeFile("first.docx")});
    ASSERT_EQ(Count(), 1);
    std::filesystem::create_directories(scratch.File("x.docx"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(scratch.File("x.docx"))),
                  QUrl::fromLocalFile(QString::fromStdString(MakeFile("second.docx")))});
    QWidget* viewport = Page().ListView()->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(Store().GetSourcePath("Word2PDF", 1), scratch.File("second.docx"));
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(OpeningTest, AnUnreadableFileIsRefusedWhenAdded)
{
    const std::string locked = MakeFile("locked.pdf", 2048);
    if (!MakeUnreadable(locked))
        GTEST_SKIP() << "no way to make a file unreadable here";
    Open(kFunction, {MakeFile("fine.pdf"), locked});
    ASSERT_EQ(Count(), 1);
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].text,
              StringTable::Resolve("@string/str_msgbox_file_unreadable") + "\nlocked.pdf");
}

TEST_F(OpeningTest, AFileUnreadableAtUploadFailsAsAFileNotTheNetwork)
{
    const std::string locked = MakeFile("locked.pdf", 2048);
    Open(kFunction, {locked});
    if (!MakeUnreadable(locked))
        GTEST_SKIP() << "no way to make a file unreadable here";
    SignIn();
    Page().StartButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, 15s));
    EXPECT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::UploadFailed);
    EXPECT_EQ(Page().Adapter().index(0, 0).data(CConvMcListAdapterMgr::DetailTextRole).toString(),
              QString::fromUtf8("文件无法读取"));
    EXPECT_TRUE(service.Requests(FakeEndpoint::kUpload).empty());
}

// The running client shows the files of a later start: "dokora --convert" files on the
// drop page, "dokora FILE.pdf" in the viewer, and a PDF the client had
// the desktop open (the client being the desktop's viewer) only in the open records.
TEST_F(OpeningTest, ALaterStartHandsItsFilesToTheRunningClient)
{
    FakeOpener opener(scratch, true);
    const QString runtime = QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                                .filePath(QStringLiteral("handover"));
    QDir().mkpath(runtime);
    SingleInstance first(runtime);
    ASSERT_TRUE(first.Acquire());
    QObject::connect(&first, &SingleInstance::filesReceived, window.get(),
                     [this](const StartFiles& files) { OpenStartFiles(*window, files); });
    const std::string pdf = MakeFile("docs/report.pdf", 2048);
    const QString docs = QString::fromStdString(scratch.File("docs"));
    const auto laterStart = [&](QStringList arguments, bool byHandoff) {
        SingleInstance later(runtime);
        return later.Acquire(ParseStartFiles(arguments, docs, byHandoff));
    };

    EXPECT_FALSE(laterStart({QStringLiteral("--convert"), QStringLiteral("report.pdf")}, false));
    ASSERT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::FileTileView); }));
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(opener.Opened(), "");

    EXPECT_FALSE(laterStart({QString::fromStdString(pdf)}, false));
    ASSERT_TRUE(WaitUntil([&] { return viewer.shown.size() == 1; }));
    EXPECT_EQ(viewer.shown[0].first, pdf);
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 1u);

    const std::string other = MakeFile("docs/other.pdf", 2048);
    EXPECT_FALSE(laterStart({QStringLiteral("other.pdf")}, true));
    ASSERT_TRUE(WaitUntil([&] { return conversions.OpenRecordList().GetCount() == 2; }));
    EXPECT_EQ(conversions.OpenRecordList().GetRecord(0).path, other);
    EXPECT_EQ(viewer.shown.size(), 1u);
    EXPECT_EQ(opener.Opened(), "");
    EXPECT_TRUE(dialogs.Messages().empty());
}

// The client started again from a file manager, as its own process: the running client
// shows the PDF and the second start leaves at once.
TEST_F(OpeningTest, ASecondStartOfTheClientProgramShowsItsPdfInTheFirst)
{
    SingleInstance first;
    ASSERT_TRUE(first.Acquire());
    QObject::connect(&first, &SingleInstance::filesReceived, window.get(),
                     [this](const StartFiles& files) { OpenStartFiles(*window, files); });
    const std::string pdf = MakeFile("docs/second start.pdf", 2048);

    QProcess second;
    second.start(QStringLiteral(DOKORA_CLIENT_FILE), {QString::fromStdString(pdf)});
    ASSERT_TRUE(WaitUntil([&] { return second.state() == QProcess::NotRunning; }, 20s));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(WaitUntil([&] { return viewer.shown.size() == 1; }));
    EXPECT_EQ(viewer.shown[0].first, pdf);
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 1u);
}

} // namespace
