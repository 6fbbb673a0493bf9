#include "gui/mainwndfixture.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

#include <QPushButton>
#include <QTableView>

#include <fstream>

namespace {

class RecordPagesTest : public MainWndTest
{
protected:
    static FileRecord Record(const std::string& path, const std::string& date)
    {
        FileRecord record;
        record.path = path;
        record.sizeText = "0.01M";
        record.timeText = date;
        return record;
    }

    static QStringList Names(CRecordPage& page)
    {
        QStringList names;
        const QAbstractItemModel* model = page.ListView()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.push_back(model->index(row, 0).data().toString());
        return names;
    }

    static QString Header(CRecordPage& page, int column = 0)
    {
        return page.Adapter().headerData(column, Qt::Horizontal).toString();
    }
};

TEST_F(RecordPagesTest, CompletedResultsShowNewestFirstAndSurviveARestart)
{
    for (const char* name : {"/out/A.docx", "/out/B.docx", "/out/C.docx"}) {
        conversions.CompletedList().AddRecord(Record(name, "2024.03.07"));
        Post(WM_COMPLETED_LIST_CHANGED);
    }
    Drain();
    CRecordPage& page = window->CompletedPage();
    EXPECT_EQ(Names(page), (QStringList{"C.docx", "B.docx", "A.docx"}));
    EXPECT_EQ(Header(page), QString::fromUtf8("  文件 (3)"));
    EXPECT_EQ(Header(page, 2), QString::fromUtf8("完成时间"));
    const QModelIndex first = page.ListView()->model()->index(0, 0);
    EXPECT_EQ(first.data(Qt::ToolTipRole).toString(), QStringLiteral("C.docx\n/out"));
    EXPECT_EQ(page.ListView()->model()->index(0, 1).data().toString(), QStringLiteral("0.01M"));
    EXPECT_EQ(page.ListView()->model()->index(0, 2).data().toString(),
              QStringLiteral("2024.03.07"));
    EXPECT_EQ(page.RowButton(0, "btn_comp_openDir")->toolTip(), QString::fromUtf8("打开目录"));

    MakeWindow();
    EXPECT_EQ(Names(window->CompletedPage()), (QStringList{"C.docx", "B.docx", "A.docx"}));

    // Removing the middle row keeps the others in order, also on disk.
    window->CompletedPage().RowButton(1, "btn_comp_delete")->click();
    EXPECT_EQ(Names(window->CompletedPage()), (QStringList{"C.docx", "A.docx"}));
    MakeWindow();
    EXPECT_EQ(Names(window->CompletedPage()), (QStringList{"C.docx", "A.docx"}));
    EXPECT_EQ(Header(window->CompletedPage()), QString::fromUtf8("  文件 (2)"));
}

TEST_F(RecordPagesTest, OpeningARecordedDocumentMovesItToTheTopKeepingItsDate)
{
    const std::string path = scratch.File("seen.pdf");
    std::ofstream(path) << "pdf";
    conversions.OpenRecordList().AddRecord(Record(path, "2020.01.02"));
    conversions.OpenRecordList().AddRecord(Record("/docs/other.pdf", "2021.05.06"));
    window->RecordPage().Adapter().Refresh();

    Post(WM_VIEWER_RECORD, 0, path);
    Drain();
    CRecordPage& page = window->RecordPage();
    ASSERT_EQ(Names(page), (QStringList{"seen.pdf", "other.pdf"}));
    EXPECT_EQ(page.ListView()->model()->index(0, 2).data().toString(),
              QStringLiteral("2020.01.02"));
    EXPECT_EQ(Header(page, 2), QString::fromUtf8("打开时间"));

    // A new document gets today's date and its size.
    conversions.OpenRecordList().SetClock(
        [] { return std::time_t{1709812800}; }); // 2024-03-07 12:00 UTC
    const std::string fresh = scratch.File("fresh.pdf");
    std::ofstream(fresh) << std::string(1024 * 1024, 'x');
    window->AddOpenRecord(fresh);
    EXPECT_EQ(Names(page).front(), QStringLiteral("fresh.pdf"));
    EXPECT_EQ(conversions.OpenRecordList().GetRecord(0).sizeText, "1.00M");
    EXPECT_EQ(conversions.OpenRecordList().GetRecord(0).timeText, "2024.03.07");
    EXPECT_EQ(page.ListView()->model()->index(0, 2).data().toString(),
              QStringLiteral("2024.03.07"));

    MakeWindow();
    EXPECT_EQ(Names(window->RecordPage()), (QStringList{"fresh.pdf", "seen.pdf", "other.pdf"}));
}

TEST_F(RecordPagesTest, ClearingAsksFirstAndAnEmptyListAsksNothing)
{
    QPushButton* clearRecords = window->RecordPage().ClearButton();
    EXPECT_EQ(clearRecords->objectName(), QStringLiteral("btn_clearRecord"));
    clearRecords->click();
    EXPECT_TRUE(dialogs.Requests().empty());

    conversions.CompletedList().AddRecord(Record("/out/a.docx", "2024.01.01"));
    window->CompletedPage().Adapter().Refresh();
    QPushButton* clearCompleted = window->CompletedPage().ClearButton();
    EXPECT_EQ(clearCompleted->objectName(), QStringLiteral("btn_clearComp"));
    dialogs.Answer(MsgBoxResult::Cancel);
    clearCompleted->click();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].mode, MsgBoxMode::Question);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_completed_clear_atte");
    EXPECT_EQ(conversions.CompletedList().GetCount(), 1u);

    dialogs.Answer(MsgBoxResult::Ok);
    clearCompleted->click();
    EXPECT_EQ(conversions.CompletedList().GetCount(), 0u);
    EXPECT_EQ(Header(window->CompletedPage()), QString::fromUtf8("  文件 (0)"));
    EXPECT_EQ(window->CompletedPage().ListView()->model()->rowCount(), 0);
}

TEST_F(RecordPagesTest, OpeningAMissingResultSaysSo)
{
    conversions.CompletedList().AddRecord(Record(scratch.File("gone.docx"), "2024.01.01"));
    window->CompletedPage().Adapter().Refresh();
    window->CompletedPage().RowButton(0, "btn_comp_openFile")->click();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].message, "@string/str_msgbox_file_missing");
    EXPECT_EQ(dialogs.Requests()[0].title, "@string/str_msgbox_title_tip");
    // The record stays until removed.
    EXPECT_EQ(conversions.CompletedList().GetCount(), 1u);
}

} // namespace

// A long list builds buttons only around the rows in view; scrolling, clicking and Tab
// still reach every row.
TEST(RecordPageScaleTest, LongListsBuildButtonsForTheRowsInViewOnly)
{
    TestApp();
    const ScratchDir scratch;
    constexpr int kRows = 2000;
    std::string file = "<?xml version=\"1.0\"?>\n<ini>\n";
    for (int n = 0; n < kRows; ++n)
        file += "\t<item FilePath=\"/out/f" + std::to_string(n) +
                ".docx\" FileSize=\"0.01M\" quota=\"1\" " +
                std::string(RecordTimeAttribute(RecordKind::Completed)) + "=\"2024.03.07\" />\n";
    const std::string path = scratch.File(std::string(RecordFileName(RecordKind::Completed)));
    WriteFileBytes(path, file + "</ini>\n");
    RecordList records(RecordKind::Completed);
    ASSERT_TRUE(records.Load(path));
    CRecordPage page(RecordKind::Completed, records);
    page.resize(900, 600);
    page.show();
    QCoreApplication::processEvents();

    const auto buttons = page.findChildren<QPushButton*>().size();
    EXPECT_LT(buttons, 3u * 30u) << "buttons for rows out of view";
    EXPECT_NE(page.RowButton(0, "btn_comp_delete"), nullptr);
    EXPECT_EQ(page.RowButton(kRows - 1, "btn_comp_delete"), nullptr);

    QTableView* view = page.ListView();
    view->scrollToBottom();
    QCoreApplication::processEvents();
    QPushButton* last = page.RowButton(kRows - 1, "btn_comp_delete");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(page.RowButton(0, "btn_comp_delete"), nullptr);
    EXPECT_EQ(last->accessibleName(), last->toolTip() + QStringLiteral(" f0.docx"));
    int clickedRow = -1;
    QObject::connect(&page, &CRecordPage::rowButtonClicked,
                     [&clickedRow](const QString&, int row) { clickedRow = row; });
    last->click();
    EXPECT_EQ(clickedRow, kRows - 1);
    // The cells of rows that left the view go as the event loop deletes them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_LT(static_cast<std::size_t>(page.findChildren<QPushButton*>().size()), buttons + 6u);

    // Tab past the last row in view scrolls on and finds the next row's buttons.
    view->scrollToTop();
    QCoreApplication::processEvents();
    const int top = view->rowAt(0);
    const int below = view->rowAt(view->viewport()->height() - 1) + 1;
    ASSERT_NE(page.RowButton(below, "btn_comp_openFile"), nullptr);
    page.RowButton(below - 1, "btn_comp_delete")->setFocus();
    QCoreApplication::processEvents();
    QWidget* next = page.RowButton(below - 1, "btn_comp_delete")->nextInFocusChain();
    EXPECT_EQ(next, page.RowButton(below, "btn_comp_openFile"));
    next->setFocus();
    QCoreApplication::processEvents();
    EXPECT_GT(view->rowAt(0), top);
    EXPECT_NE(page.RowButton(below + 1, "btn_comp_openFile"), nullptr);
}
