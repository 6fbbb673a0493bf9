#include "gui/guitest.h"
#include "gui/screencheck.h"
#include "plugindigests.h"
#include "scan/scanimagenames.h"
#include "scan/twainmanager.h"
#include "scan/twscanbase.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"
#include "ui/scannerwnd.h"
#include "ui/theme.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace std::chrono_literals;

// The scanner window with the manager plug-in this build made, over SANE's test backend.
class ScannerWndTest : public ::testing::Test
{
protected:
    ScannerWndTest() { TestApp(); }

    // SANE reads its configuration directory once per process, so each configuration's tests
    // run in a process of their own (see tests/CMakeLists.txt).
    void SetUp() override
    {
        setenv("SANE_CONFIG_DIR", (std::string(DOKORA_SOURCE_DIR "/tests/data/") + config).c_str(),
               1);
    }

    static TwainManagerPlugin& Manager()
    {
        static TwainManagerPlugin manager(DOKORA_PLUGIN_DIR, TwaindsmDigest());
        return manager;
    }

    std::unique_ptr<CScannerWnd> Open()
    {
        auto scanner = std::make_unique<TW_ScanBase>([] { return Manager().Entry(); });
        auto window = std::make_unique<CScannerWnd>(
            ScannerWndSetup{std::move(scanner), &names, appData.Path().string() + "/", &owner},
            nullptr);
        window->show();
        return window;
    }

    template <typename T> static T* Child(const QWidget& window, const char* name)
    {
        return window.findChild<T*>(QString::fromLatin1(name));
    }

    static QStringList Entries(const QWidget& window, const char* name)
    {
        QStringList entries;
        const auto* combo = Child<QComboBox>(window, name);
        for (int i = 0; combo && i < combo->count(); ++i)
            entries << combo->itemText(i);
        return entries;
    }

    std::filesystem::path ScanDir() const { return appData.Path() / "scan"; }

    bool ScanDirEmpty() const { return std::filesystem::is_empty(ScanDir()); }

    const char* config = "sane"; // the directory below tests/data/
    ScratchDir appData;
    RecordingTarget owner;
    ScanImageNames names;
};

// A machine without a scanner.
class NoScannerTest : public ScannerWndTest
{
protected:
    NoScannerTest() { config = "sane-none"; }
};

// A device that stops answering in the middle of every page.
class LostScannerTest : public ScannerWndTest
{
protected:
    LostScannerTest() { config = "sane-lost"; }
};

// A device so slow that a scan is still running when the user cancels it.
class SlowScannerTest : public ScannerWndTest
{
protected:
    SlowScannerTest() { config = "sane-slow"; }
};

} // namespace

TEST_F(ScannerWndTest, ListsTheTestScannersAndHandsTheScannedPageToTheViewer)
{
    const auto window = Open();
    EXPECT_EQ(Entries(*window, "cb_scanner"),
              (QStringList{"frontend-tester (test:0)", "frontend-tester (test:1)"}));
    const QStringList papers = Entries(*window, "cb_paperSize");
    ASSERT_FALSE(papers.isEmpty());
    EXPECT_EQ(papers.front(), "A4");
    EXPECT_TRUE(papers.contains(Theme::Text("@string/str_scan_paper_letter")));
    EXPECT_EQ(papers.count("B5"), 1);
    EXPECT_EQ(Entries(*window, "cb_pixelMode"), (QStringList{"黑白", "灰度", "彩色"}));
    EXPECT_EQ(Entries(*window, "cb_resolution"), QStringList{"100"});
    for (const char* name : {"btn_scan", "btn_cancel", "btn_close"})
        EXPECT_TRUE(ScreenCheck::Shown(*window, name));
    for (const char* name :
         {"cb_scanner", "cb_side", "cb_paperSize", "cb_pixelMode", "cb_resolution"}) {
        EXPECT_TRUE(ScreenCheck::Shown(*window, name));
        EXPECT_FALSE(Child<QComboBox>(*window, name)->accessibleName().isEmpty()) << name;
    }
    EXPECT_TRUE(ScreenCheck::TextsFit(*window));
    const QImage shot = window->grab().toImage();
    shot.save(ScreenCheck::OutputDir(appData.Path().string()) + "/scanner.png");

    Child<QComboBox>(*window, "cb_pixelMode")->setCurrentIndex(2);
    Child<QComboBox>(*window, "cb_paperSize")->setCurrentIndex(papers.indexOf("A6"));
    Child<QPushButton>(*window, "btn_scan")->click();
    EXPECT_FALSE(Child<QPushButton>(*window, "btn_scan")->isEnabled());
    ASSERT_TRUE(WaitUntil([this] { return owner.Count(WM_OPEN_IN_VIEWER) == 1; }, 60s));
    EXPECT_EQ(window->result(), CScannerWnd::kDelivered);
    EXPECT_FALSE(window->isVisible());

    const std::string path = owner.Messages().front().payload;
    EXPECT_EQ(path, (ScanDir() / "无标题.bmp").string());
    const QImage page(QString::fromStdString(path));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.depth(), 32) << "a 24-bit page, as Qt holds it";
    EXPECT_NEAR(page.width(), 413, 2) << "A6 at 100 dpi";
}

TEST_F(ScannerWndTest, NumbersImagesAcrossOpeningsAndEmptiesTheScanFolderEachTime)
{
    for (const char* expected : {"无标题.bmp", "无标题1.bmp"}) {
        const auto window = Open();
        EXPECT_TRUE(ScanDirEmpty());
        Child<QPushButton>(*window, "btn_scan")->click();
        ASSERT_TRUE(WaitUntil([&window] { return !window->isVisible(); }, 60s));
        const std::string path = owner.Messages().back().payload;
        EXPECT_EQ(path, (ScanDir() / expected).string());
        EXPECT_TRUE(std::filesystem::exists(path));
    }
}

TEST_F(NoScannerTest, SaysSoWhenNoScannerIsFound)
{
    const auto window = Open();
    EXPECT_FALSE(Child<QComboBox>(*window, "cb_scanner")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(*window, "cb_paperSize")->isEnabled());
    const auto* status = Child<QLabel>(*window, "txt_scan_status");
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), Theme::Text("@string/str_scan_no_scanner"));
    Child<QPushButton>(*window, "btn_scan")->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(owner.Count(WM_OPEN_IN_VIEWER), 0u);
}

TEST_F(LostScannerTest, ADeviceLostMidScanIsToldAndLeavesNoImage)
{
    const auto window = Open();
    auto* scan = Child<QPushButton>(*window, "btn_scan");
    scan->click();
    const auto* status = Child<QLabel>(*window, "txt_scan_status");
    ASSERT_TRUE(WaitUntil(
        [status] { return status->text() == Theme::Text("@string/str_scan_device_lost"); }, 60s));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(scan->isEnabled());
    EXPECT_TRUE(ScanDirEmpty());
    EXPECT_EQ(owner.Count(WM_OPEN_IN_VIEWER), 0u);
}

TEST_F(SlowScannerTest, CancelStopsAScanInProgress)
{
    auto window = Open();
    Child<QPushButton>(*window, "btn_scan")->click();
    WaitUntil([] { return false; }, 200ms);
    Child<QPushButton>(*window, "btn_cancel")->click();
    EXPECT_EQ(window->result(), CScannerWnd::kCancelled);
    EXPECT_FALSE(window->isVisible());
    window.reset();
    EXPECT_TRUE(ScanDirEmpty());
    EXPECT_EQ(owner.Count(WM_OPEN_IN_VIEWER), 0u);
}
