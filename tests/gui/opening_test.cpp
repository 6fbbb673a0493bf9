#include "gui/convertpagefixture.h"
#include "support/unreadablefile.h"
#include "utility/stringtable.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The desktop's opener replaced, while it lives, by a script that writes down each target
// it is given; or, made with `installed` false, no opener at all.
class FakeOpener
{
public:
    FakeOpener(const ScratchDir& scratch, bool installed)
        : bin(scratch.Path() / "bin"), log(scratch.Path() / "opened.txt"),
          savedPath(std::getenv("PATH"))
    {
        std::filesystem::create_directories(bin);
        if (installed) {
            std::ofstream(bin / "xdg-open")
                << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" << log.string() << "'\n";
            std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        }
        // Without the opener, the system's directories stay out of reach too.
        setenv("PATH", installed ? (bin.string() + ":" + savedPath).c_str() : bin.c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", savedPath.c_str(), 1); }

    // One "<argument count>|<first argument>" line per call.
    std::string Opened() const { return ReadFileBytes(log); }
    bool WaitForOpened(const std::string& expected) const
    {
        return WaitUntil([&] { return Opened() == expected; });
    }

private:
    std::filesystem::path bin;
    std::filesystem::path log;
    std::string savedPath;
};

class OpeningTest : public ConvertPageTest
{
protected:
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
};

TEST_F(OpeningTest, DocumentsGoToTheDesktopOpenerAndAreNeverRun)
{
    FakeOpener opener(scratch, true);
    const std::string document = ScriptDocument("report.pdf");

    dialogs.fileAnswers.push_back(std::vector<std::string>{document});
    Find<QPushButton>("btn_leftbar_openpdf")->click();
    ASSERT_TRUE(opener.WaitForOpened("1|" + document + "\n"));
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 1u);

    conversions.CompletedList().AddRecord(Record(document));
    window->CompletedPage().Adapter().Refresh();
    window->CompletedPage().RowButton(0, "btn_comp_openFile")->click();
    window->RecordPage().RowButton(0, "btn_comp_openFile")->click();
    EXPECT_TRUE(
        opener.WaitForOpened("1|" + document + "\n1|" + document + "\n1|" + document + "\n"));
    EXPECT_FALSE(ScriptRan());
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(OpeningTest, WithoutAnOpenerTheUserIsToldAndNothingIsRecorded)
{
    FakeOpener none(scratch, false);
    const std::string document = MakeFile("plain.pdf", 2048);
    dialogs.fileAnswers.push_back(std::vector<std::string>{document});
    Find<QPushButton>("btn_leftbar_openpdf")->click();
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].text, "@string/str_msgbox_open_failed");
    EXPECT_EQ(conversions.OpenRecordList().GetCount(), 0u);

    conversions.CompletedList().AddRecord(Record(document));
    window->CompletedPage().Adapter().Refresh();
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

} // namespace
