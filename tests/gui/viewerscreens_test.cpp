// Screenshots of the viewer plug-in's windows: a two-page Chinese document, search hits, and
// the print dialog. With DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds the
// committed ones), otherwise into a scratch directory.
#include "gui/guitest.h"
#include "gui/screencheck.h"
#include "gui/testpdf.h"
#include "support/scratchdir.h"
#include "ui/qttranslations.h"

#include "leafviewwnd.h"
#include "pageview.h"
#include "printwindow.h"

#include <QImage>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ViewerScreensTest : public ::testing::Test
{
protected:
    ViewerScreensTest()
    {
        // The dialogs as the program shows them, in Chinese.
        static const bool translated = InstallQtTranslations(TestApp());
        EXPECT_TRUE(translated);
        outDir = ScreenCheck::OutputDir(scratch.Path().string());
        TestPdf::Write(document, {QStringLiteral("第一章 文档查看与转换"),
                                  QStringLiteral("第二章 打印与查找")});
    }

    std::unique_ptr<CLeafviewWnd> OpenViewer()
    {
        std::unique_ptr<CLeafviewWnd> window(
            CLeafviewWnd::Open(QString::fromStdString(document), {}, nullptr, nullptr));
        EXPECT_NE(window, nullptr);
        if (window)
            window->resize(1280, 860);
        return window;
    }

    // Saves what `widget` draws, checked as a user would look at it: texts whole and drawn.
    QImage Save(QWidget& widget, const QString& name)
    {
        QCoreApplication::processEvents();
        const QImage image = widget.grab().toImage();
        EXPECT_TRUE(ScreenCheck::TextsFit(widget)) << name.toStdString();
        EXPECT_TRUE(ScreenCheck::TextsDrawn(widget, image)) << name.toStdString();
        EXPECT_TRUE(image.save(outDir + u'/' + name + QStringLiteral(".png")));
        return image;
    }

    ScratchDir scratch;
    const std::string document = scratch.File("chapters.pdf");
    QString outDir;
};

TEST_F(ViewerScreensTest, ViewerWithATwoPageChineseDocument)
{
    const auto window = OpenViewer();
    ASSERT_NE(window, nullptr);
    window->Pages().SetZoomMode(ZoomMode::FitPage);
    ASSERT_TRUE(WaitUntil([&] { return window->Pages().HasDrawn(0); }, std::chrono::seconds(10)));
    const QImage image = Save(*window, QStringLiteral("viewer_document"));
    for (const char* name :
         {"toolbar_viewer", "btn_viewer_PDF2Word", "btn_viewer_print", "toolbar_view",
          "spin_viewer_page", "edit_viewer_search", "btn_viewer_nexthit", "view_pages"}) {
        ASSERT_TRUE(ScreenCheck::Shown(*window, name));
        EXPECT_TRUE(ScreenCheck::Drawn(*window, image, *ScreenCheck::Find(*window, name)));
    }
}

TEST_F(ViewerScreensTest, SearchHitsHighlighted)
{
    const auto window = OpenViewer();
    ASSERT_NE(window, nullptr);
    int found = -1;
    QObject::connect(window.get(), &CLeafviewWnd::searchFinished,
                     [&](int count) { found = count; });
    window->findChild<QLineEdit*>(QStringLiteral("edit_viewer_search"))
        ->setText(QStringLiteral("文档转换"));
    window->Search(QStringLiteral("文档转换"));
    ASSERT_TRUE(WaitUntil([&] { return found >= 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(found, 12); // six lines on each page
    ASSERT_TRUE(WaitUntil([&] { return window->Pages().HasDrawn(window->Pages().CurrentPage()); },
                          std::chrono::seconds(10)));
    const QImage image = Save(*window, QStringLiteral("viewer_search"));
    // The highlight is drawn: the view holds the hit colour somewhere.
    const QImage view = window->Pages().viewport()->grab().toImage();
    bool highlighted = false;
    for (int y = 0; y < view.height() && !highlighted; y += 2)
        for (int x = 0; x < view.width() && !highlighted; x += 2) {
            const QColor colour = view.pixelColor(x, y);
            highlighted = colour.red() > 200 && colour.green() > 100 && colour.blue() < 120;
        }
    EXPECT_TRUE(highlighted);
}

TEST_F(ViewerScreensTest, PrintDialog)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(QStringLiteral("/home/user/chapters-printed.pdf"));
    std::unique_ptr<QPrintDialog> dialog(MakePrintDialog(printer, 2, nullptr));
    dialog->open();
    ASSERT_TRUE(WaitUntil([&] { return dialog->isVisible(); }));
    // With its options open, as a user sets page range and copies there.
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text().contains(QLatin1String(">>")) ||
            button->text().contains(QStringLiteral("选项")))
            button->click();
    QCoreApplication::processEvents();
    auto* copies = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
    ASSERT_NE(copies, nullptr);
    EXPECT_TRUE(copies->isVisibleTo(dialog.get()));
    auto* from = dialog->findChild<QSpinBox*>(QStringLiteral("from"));
    ASSERT_NE(from, nullptr);
    EXPECT_EQ(from->maximum(), 2);
    Save(*dialog, QStringLiteral("viewer_print_dialog"));
    dialog->reject();
}

} // namespace
