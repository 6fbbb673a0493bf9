// Screenshots of the conversion page (editing, running, finished) and of both record pages.
// With DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds the committed ones),
// otherwise into the scratch folder.
#include "gui/convertpagefixture.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

#include <QImage>
#include <QListWidget>

#include <cstdlib>

namespace {

using namespace std::chrono_literals;

class PageScreensTest : public ConvertPageTest
{
protected:
    void Save(const QString& name)
    {
        Drain();
        const char* dir = std::getenv("DOKORA_SCREENSHOT_DIR");
        const QString outDir = dir && *dir ? QString::fromLocal8Bit(dir)
                                           : QString::fromStdString(scratch.Path().string());
        const QImage image = window->grab().toImage();
        EXPECT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(outDir + u'/' + name + QStringLiteral(".png")));
    }
};

TEST_F(PageScreensTest, ConversionAndRecordPages)
{
    SignIn();
    Open(kFunction, {MakeFile("年度报告.pdf", 734003), MakeFile("合同扫描件.pdf", 2516582),
                     MakeFile("meeting-notes.pdf", 88000)});
    Save(QStringLiteral("convert_editing"));

    // Long enough to catch the rows while the service converts.
    service.SetConversionDelay(20);
    Page().StartButton()->click();
    ASSERT_TRUE(WaitUntil(
        [&] { return Store().GetStatus(kFunction, 2) == ConversionStatus::Submitted; }, 10s));
    Save(QStringLiteral("convert_running"));

    ASSERT_TRUE(WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, 20s));
    Save(QStringLiteral("convert_finished"));

    for (const char* name : {"/home/user/文档/年度报告.docx", "/home/user/文档/合同扫描件.docx"}) {
        FileRecord record{0, name, "0.70M", "2026.12.08"};
        conversions.CompletedList().AddRecord(record);
        conversions.OpenRecordList().AddRecord(record);
    }
    window->CompletedPage().Adapter().Refresh();
    window->RecordPage().Adapter().Refresh();
    Find<QListWidget>("lb_leftbar_part2")->setCurrentRow(0);
    Save(QStringLiteral("completed_list"));
    Find<QListWidget>("lb_leftbar_part2")->setCurrentRow(1);
    Save(QStringLiteral("record_list"));
    Find<QListWidget>("lb_leftbar_part1")->setCurrentRow(0);
    Save(QStringLiteral("home_tiles"));
}

} // namespace
