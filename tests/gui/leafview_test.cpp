// The viewer plug-in's windows driven directly: opening documents good and bad, drawing,
// zoom, navigation, selection, search, the tool bar's callback and printing.
#include "gui/guitest.h"
#include "gui/testpdf.h"
#include "support/scratchdir.h"

#include "documentsource.h"
#include "leafviewwnd.h"
#include "pageview.h"
#include "printjob.h"
#include "printwindow.h"

#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

struct Request
{
    void* window = nullptr;
    std::string key;
    std::string path;
};
std::vector<Request> requests;

void RecordRequest(void* window, const char* key, const char* path)
{
    requests.push_back({window, key, path});
}

class LeafviewTest : public ::testing::Test
{
protected:
    LeafviewTest()
    {
        requests.clear();
        TestPdf::Write(twoPages,
                       {QStringLiteral("第一章 文档查看"), QStringLiteral("第二章 打印测试")});
    }

    std::unique_ptr<CLeafviewWnd> Open(const std::string& path, const QByteArray& password = {})
    {
        return std::unique_ptr<CLeafviewWnd>(CLeafviewWnd::Open(
            QString::fromStdString(path), password, RecordRequest, static_cast<QWidget*>(&owner)));
    }

    static bool Drawn(CLeafviewWnd& window, int page)
    {
        return WaitUntil([&] { return window.Pages().HasDrawn(page); }, std::chrono::seconds(10));
    }

    std::string Protected()
    {
        const std::string path = scratch.File("protected.pdf");
        EXPECT_TRUE(TestPdf::Protect(twoPages, path, "secret"));
        return path;
    }

    QApplication& app = TestApp();
    ScratchDir scratch;
    const std::string twoPages = scratch.File("two.pdf");
    QWidget owner; // the client's window: handed back to the callback untouched
};

TEST_F(LeafviewTest, ShowsEveryPageDrawnSharpAtTheScreensScale)
{
    const auto window = Open(twoPages);
    ASSERT_NE(window, nullptr);
    window->resize(800, 900);
    PageView& pages = window->Pages();
    EXPECT_EQ(pages.PageCount(), 2);
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lbl_viewer_pagecount"))->text(),
              QStringLiteral("/ 2"));
    ASSERT_TRUE(Drawn(*window, 0));
    // Fitted to the width: the page spans the view but for its margins.
    EXPECT_NEAR(pages.Zoom() * 595, pages.viewport()->width() - 24, 2);
    const QImage shot = pages.viewport()->grab().toImage();
    int dark = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2)
            dark += qGray(shot.pixel(x, y)) < 80 ? 1 : 0;
    EXPECT_GT(dark, 50) << "the first page's text is drawn";
}

TEST_F(LeafviewTest, ZoomsByStepsFitsAndFollowsCtrlWheel)
{
    const auto window = Open(twoPages);
    ASSERT_NE(window, nullptr);
    window->resize(800, 900);
    PageView& pages = window->Pages();
    const double fitted = pages.Zoom();
    pages.ZoomIn();
    EXPECT_NEAR(pages.Zoom(), fitted * 1.25, 1e-6);
    QWheelEvent wheel(QPointF(50, 50), pages.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(pages.viewport(), &wheel);
    EXPECT_NEAR(pages.Zoom(), fitted * 1.25 * 1.25, 1e-6);
    pages.SetZoomMode(ZoomMode::FitPage);
    EXPECT_LE(pages.Zoom() * 842, pages.viewport()->height());
    EXPECT_TRUE(
        window->findChild<QLabel*>(QStringLiteral("lbl_viewer_zoom"))->text().endsWith('%'));
    // What is drawn follows the zoom.
    EXPECT_TRUE(Drawn(*window, 0));
}

TEST_F(LeafviewTest, NavigatesByPageNumber)
{
    const auto window = Open(twoPages);
    ASSERT_NE(window, nullptr);
    window->resize(800, 600);
    auto* pageBox = window->findChild<QSpinBox*>(QStringLiteral("spin_viewer_page"));
    ASSERT_NE(pageBox, nullptr);
    EXPECT_EQ(pageBox->maximum(), 2);
    pageBox->setValue(2);
    EXPECT_EQ(window->Pages().CurrentPage(), 1);
    EXPECT_TRUE(Drawn(*window, 1));
    window->findChild<QToolButton*>(QStringLiteral("btn_viewer_prevpage"))->click();
    EXPECT_EQ(window->Pages().CurrentPage(), 0);
    EXPECT_EQ(pageBox->value(), 1);
}

TEST_F(LeafviewTest, SelectsTextWithTheMouseAndCopiesIt)
{
    const auto window = Open(twoPages);
    ASSERT_NE(window, nullptr);
    window->resize(800, 900);
    QWidget* viewport = window->Pages().viewport();
    const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };
    // From the page's top left corner to below the heading, across the page.
    mouse(QEvent::MouseButtonPress, QPoint(14, 14), Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(viewport->width() - 14, 200), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(viewport->width() - 14, 200), Qt::NoButton);
    const QString selected = window->Pages().SelectedText();
    EXPECT_TRUE(TestPdf::Folded(selected).contains(QStringLiteral("第一章")))
        << selected.toStdString();
    EXPECT_FALSE(TestPdf::Folded(selected).contains(QStringLiteral("第二章")));
    QApplication::clipboard()->clear();
    window->findChild<QToolButton*>(QStringLiteral("btn_viewer_copy"))->click();
    EXPECT_EQ(QApplication::clipboard()->text(), selected);
}

TEST_F(LeafviewTest, SearchFindsAndHighlightsHitsOnEveryPage)
{
    const auto window = Open(twoPages);
    ASSERT_NE(window, nullptr);
    auto* hits = window->findChild<QLabel*>(QStringLiteral("lbl_viewer_hits"));
    int found = -1;
    QObject::connect(window.get(), &CLeafviewWnd::searchFinished,
                     [&](int count) { found = count; });
    window->Search(QStringLiteral("打印测试"));
    ASSERT_TRUE(WaitUntil([&] { return found >= 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(hits->text(), QStringLiteral("1 / 1"));
    EXPECT_EQ(window->Pages().CurrentPage(), 1) << "the hit is brought into sight";

    found = -1;
    window->Search(QStringLiteral("文档转换"));
    ASSERT_TRUE(WaitUntil([&] { return found >= 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(found, 12) << "six lines on each of the two pages";

    found = -1;
    window->Search(QStringLiteral("不存在的词"));
    ASSERT_TRUE(WaitUntil([&] { return found >= 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(found, 0);
    EXPECT_EQ(hits->text(), QStringLiteral("未找到"));
}

TEST_F(LeafviewTest, TheToolBarHandsTheFunctionAndFileToTheClient)
{
    const auto window = Open(twoPages);
    ASSERT_NE(window, nullptr);
    auto* excel = window->findChild<QToolButton*>(QStringLiteral("btn_viewer_PDF2Excel"));
    ASSERT_NE(excel, nullptr);
    EXPECT_EQ(excel->text(), QStringLiteral("PDF转Excel"));
    excel->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].window, static_cast<QWidget*>(&owner));
    EXPECT_EQ(requests[0].key, "PDF2Excel");
    EXPECT_EQ(requests[0].path, twoPages);
    // Every control a user can reach is named.
    for (QToolBar* bar : {&window->ToolBar(), &window->ViewBar()}) {
        for (auto* control : bar->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (control->focusPolicy() != Qt::NoFocus) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->metaObject()->className() << " "
                    << control->objectName().toStdString();
            }
        }
    }
}

TEST_F(LeafviewTest, BadFilesOpenNothingAndDamagedOnesWhatCanBeRead)
{
    const auto write = [&](const std::string& name, const std::string& bytes) {
        const std::string path = scratch.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    EXPECT_EQ(Open(write("empty.pdf", "")), nullptr);
    EXPECT_EQ(Open(write("junk.pdf", "%PDF-1.7\nnothing a reader can use\n")), nullptr);
    EXPECT_EQ(Open(write("words.txt", "not a document")), nullptr);
    EXPECT_EQ(Open(scratch.File("missing.pdf")), nullptr);

    // Cut in the middle: poppler rebuilds what it can; a window only with pages to show.
    std::ifstream in(twoPages, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto cut = Open(write("cut.pdf", whole.substr(0, whole.size() * 2 / 3)));
    if (cut) {
        EXPECT_GE(cut->Pages().PageCount(), 1);
        EXPECT_TRUE(Drawn(*cut, 0));
    }
}

TEST_F(LeafviewTest, ShowsAScannedImageAsOnePageWithoutFunctions)
{
    const std::string bmp = scratch.File("scan.bmp");
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
    const auto window = Open(bmp);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Pages().PageCount(), 1);
    EXPECT_EQ(window->findChild<QToolButton*>(QStringLiteral("btn_viewer_PDF2Word")), nullptr);
    EXPECT_TRUE(Drawn(*window, 0));
}

TEST_F(LeafviewTest, AProtectedDocumentOpensWithItsPasswordOnly)
{
    const std::string path = Protected();
    const QString file = QString::fromStdString(path);
    EXPECT_FALSE(PdfOpensWith(file, QByteArray()));
    EXPECT_FALSE(PdfOpensWith(file, "wrong"));
    EXPECT_TRUE(PdfOpensWith(file, "secret"));
    EXPECT_TRUE(PdfOpensWith(QString::fromStdString(twoPages), "anything"));
    EXPECT_EQ(Open(path), nullptr);
    EXPECT_EQ(Open(path, "wrong"), nullptr);
    const auto window = Open(path, "secret");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Drawn(*window, 1) || Drawn(*window, 0));
}

class PrintTest : public LeafviewTest
{
protected:
    // Prints through a PDF printer; the printed file's path.
    std::string PrintToFile(const std::string& source, const QByteArray& password, int from = 0,
                            int to = 0, int copies = 1)
    {
        const std::string out = scratch.File("printed" + std::to_string(++prints) + ".pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(out));
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        printer.setCopyCount(copies);
        EXPECT_EQ(PrintPdf(QString::fromStdString(source), password, printer),
                  PrintResult::Printed);
        return out;
    }

    int prints = 0;
};

TEST_F(PrintTest, PrintsTheDocumentsPagesAsText)
{
    const std::string printed = PrintToFile(twoPages, {});
    EXPECT_EQ(TestPdf::PageCount(printed), 2);
    const QString text = TestPdf::Text(printed);
    EXPECT_TRUE(text.contains(QStringLiteral("第一章"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第二章")));
}

TEST_F(PrintTest, KeepsToThePageRangeAndCopies)
{
    const std::string second = PrintToFile(twoPages, {}, 2, 2, 3);
    EXPECT_EQ(TestPdf::PageCount(second), 3);
    const QString text = TestPdf::Text(second);
    EXPECT_FALSE(text.contains(QStringLiteral("第一章")));
    EXPECT_EQ(text.count(QStringLiteral("第二章")), 3);
}

TEST_F(PrintTest, PrintsAProtectedDocumentWithItsPassword)
{
    const std::string path = Protected();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(scratch.File("refused.pdf")));
    EXPECT_EQ(PrintPdf(QString::fromStdString(path), "wrong", printer), PrintResult::Unreadable);
    const QString text = TestPdf::Text(PrintToFile(path, "secret"));
    EXPECT_TRUE(text.contains(QStringLiteral("第二章")));
}

TEST_F(PrintTest, ThePrintWarmUpShowsNothing)
{
    // Would block in the dialog's loop if it showed one.
    EXPECT_TRUE(ShowPrintWindow(QString::fromStdString(scratch.File("print.tmp")), {}, nullptr));
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
}

TEST_F(PrintTest, ThePrintWindowShowsWithoutBlockingAndOnlyForADocument)
{
    const auto dialogs = [] {
        std::vector<QPrintDialog*> shown;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QPrintDialog*>(widget); dialog && dialog->isVisible())
                shown.push_back(dialog);
        return shown;
    };
    EXPECT_FALSE(ShowPrintWindow(QString::fromStdString(Protected()), "wrong", nullptr));
    EXPECT_TRUE(dialogs().empty());
    ASSERT_TRUE(ShowPrintWindow(QString::fromStdString(twoPages), {}, nullptr));
    ASSERT_EQ(dialogs().size(), 1u);
    EXPECT_EQ(dialogs()[0]->maxPage(), 2);
    dialogs()[0]->reject();
    EXPECT_TRUE(WaitUntil([&] { return dialogs().empty(); }));
}

TEST_F(PrintTest, TheDialogOffersPageRangeAndCopies)
{
    QPrinter printer;
    std::unique_ptr<QPrintDialog> dialog(MakePrintDialog(printer, 2, nullptr));
    EXPECT_EQ(dialog->minPage(), 1);
    EXPECT_EQ(dialog->maxPage(), 2);
    EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("打印文档"));
}

} // namespace
