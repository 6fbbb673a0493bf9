// Screenshots of the conversion page (editing, running, finished) and of both record pages.
// With DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds the committed ones),
// otherwise into the scratch folder.
#include "gui/convertpagefixture.h"
#include "gui/screencheck.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

#include <QImage>
#include <QListWidget>
#include <QTableView>

#include <cstdlib>
#include <initializer_list>

namespace {

using namespace std::chrono_literals;

class PageScreensTest : public ConvertPageTest
{
protected:
    // Saves the window as it is drawn and checks that every text is whole and drawn, and that
    // the named controls are shown and not blank; returns the picture.
    QImage Save(const QString& name, std::initializer_list<const char*> shown)
    {
        Drain();
        const char* dir = std::getenv("DOKORA_SCREENSHOT_DIR");
        const QString outDir = dir && *dir ? QString::fromLocal8Bit(dir)
                                           : QString::fromStdString(scratch.Path().string());
        const QImage image = window->grab().toImage();
        EXPECT_FALSE(image.isNull());
        EXPECT_TRUE(ScreenCheck::TextsFit(*window)) << name.toStdString();
        EXPECT_TRUE(ScreenCheck::TextsDrawn(*window, image)) << name.toStdString();
        for (const char* control : shown) {
            EXPECT_TRUE(ScreenCheck::Shown(*window, control)) << name.toStdString();
            if (const QWidget* widget = ScreenCheck::Find(*window, control)) {
                EXPECT_TRUE(ScreenCheck::Drawn(*window, image, *widget)) << name.toStdString();
            }
        }
        EXPECT_TRUE(image.save(outDir + u'/' + name + QStringLiteral(".png")));
        return image;
    }

    // Each row shows its name, size and status or date.
    void ExpectRowsDrawn(const QImage& image, const QTableView& list)
    {
        EXPECT_TRUE(ScreenCheck::RowsDrawn(*window, image, list, 3));
    }
};

TEST_F(PageScreensTest, ConversionAndRecordPages)
{
    SignIn();
    Open(kFunction, {MakeFile("年度报告.pdf", 734003), MakeFile("合同扫描件.pdf", 2516582),
                     MakeFile("meeting-notes.pdf", 88000)});
    const QImage editing =
        Save(QStringLiteral("convert_editing"), {"btn_back", "txt_homesort", "btn_addFile",
                                                 "mclv_convert", "btn_saveDir", "btn_startConv"});
    ExpectRowsDrawn(editing, *Page().ListView());

    // Long enough to catch the rows while the service converts.
    service.SetConversionDelay(20);
    Page().StartButton()->click();
    ASSERT_TRUE(WaitUntil(
        [&] { return Store().GetStatus(kFunction, 2) == ConversionStatus::Submitted; }, 10s));
    const QImage running =
        Save(QStringLiteral("convert_running"), {"txt_homesort", "mclv_convert", "prog_convert"});
    ExpectRowsDrawn(running, *Page().ListView());

    ASSERT_TRUE(WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, 20s));
    const QImage finished =
        Save(QStringLiteral("convert_finished"), {"mclv_convert", "btn_continue"});
    ExpectRowsDrawn(finished, *Page().ListView());

    for (const char* name : {"/home/user/文档/年度报告.docx", "/home/user/文档/合同扫描件.docx"}) {
        FileRecord record{0, name, "0.70M", "2026.12.08"};
        conversions.CompletedList().AddRecord(record);
        conversions.OpenRecordList().AddRecord(record);
    }
    window->CompletedPage().Adapter().Refresh();
    window->RecordPage().Adapter().Refresh();
    Find<QListWidget>("lb_leftbar_part2")->setCurrentRow(0);
    const QImage completed =
        Save(QStringLiteral("completed_list"), {"txt_listName", "btn_clearComp"});
    ExpectRowsDrawn(completed, *window->CompletedPage().ListView());
    Find<QListWidget>("lb_leftbar_part2")->setCurrentRow(1);
    const QImage records = Save(QStringLiteral("record_list"), {"txt_listName", "btn_clearRecord"});
    ExpectRowsDrawn(records, *window->RecordPage().ListView());
    Find<QListWidget>("lb_leftbar_part1")->setCurrentRow(0);
    Save(QStringLiteral("home_tiles"), {"wnd_homeTiles", "Word2PDF", "PDF2Word", "PDFMerge"});
}

} // namespace
