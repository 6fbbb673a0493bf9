#include "datasourcemanager.h"
#include "scan/twscanbase.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <thread>

namespace {

DataSourceManager* testManager = nullptr;

TW_UINT16 TestEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                    TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data)
{
    return testManager->Entry(origin, destination, group, argument, message, data);
}

std::uint32_t Field(const std::string& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, static_cast<std::size_t>(size));
    return value;
}

// TW_ScanBase driving the manager over SANE's test backend, as the scanner window does.
class ScanBaseTest : public ::testing::Test
{
protected:
    // SANE reads its configuration directory once per process, so each configuration's tests
    // run in a process of their own (see tests/CMakeLists.txt).
    void SetUp() override
    {
        setenv("SANE_CONFIG_DIR", (std::string(DOKORA_SOURCE_DIR "/tests/data/") + config).c_str(),
               1);
        testManager = &manager;
    }
    void TearDown() override
    {
        scanner.Close();
        testManager = nullptr;
    }

    ScanSettings Settings(std::int16_t pixelMode)
    {
        EXPECT_EQ(scanner.Open(&target), 1);
        scanner.SetOutputDirectory(out.Path().string());
        ScanSettings settings;
        settings.pixelMode = pixelMode;
        settings.paperSize = 13; // A6: small and quick
        settings.sourceName = scanner.ListSourceNames().at(0);
        return settings;
    }

    // Starts the scan and polls its events as the window's timer does.
    ScanEvent ScanAndWait(const ScanSettings& settings)
    {
        EXPECT_EQ(scanner.Scan(settings), 1);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end) {
            const ScanEvent event = scanner.ProcessEvent();
            if (event != ScanEvent::None)
                return event;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return ScanEvent::None;
    }

    std::size_t FilesWritten() const
    {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(out.Path()),
                          std::filesystem::directory_iterator()));
    }

    const char* config = "sane"; // the directory below tests/data/
    DataSourceManager manager;
    TW_ScanBase scanner{[] { return &TestEntry; }};
    RecordingTarget target;
    ScratchDir out;
};

// A device that stops answering in the middle of every page.
class LostScannerTest : public ScanBaseTest
{
protected:
    LostScannerTest() { config = "sane-lost"; }
};

} // namespace

TEST_F(ScanBaseTest, ListsTheScannersAndOffersTheirPaperSizes)
{
    ASSERT_EQ(scanner.Open(&target), 1);
    EXPECT_EQ(scanner.Open(&target), 1);
    EXPECT_EQ(scanner.ListSourceNames(),
              (std::vector<std::string>{"frontend-tester (test:0)", "frontend-tester (test:1)"}));
    EXPECT_FALSE(scanner.OpenSource("no such scanner"));
    ASSERT_TRUE(scanner.OpenSource("frontend-tester (test:1)"));
    std::vector<int> sizes{29};
    EXPECT_EQ(scanner.GetSupportedSizes(sizes, 0), 1);
    EXPECT_EQ(scanner.GetSupportedSizes(sizes, 1), 1);
    EXPECT_EQ(sizes.front(), 29);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 1), 1) << "A4 once for both queries";
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 29), 1);
}

TEST_F(ScanBaseTest, WritesPagesAsBmpFilesWithTheColourTableTheirDepthNeeds)
{
    const struct
    {
        std::int16_t pixelMode;
        std::uint32_t bitCount;
        std::uint32_t colours;
    } cases[] = {{TWPT_GRAY, 8, 256}, {TWPT_RGB, 24, 0}, {TWPT_BW, 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bitCount);
        scanner.SetImageName("page" + std::to_string(c.bitCount) + ".bmp");
        ASSERT_EQ(ScanAndWait(Settings(c.pixelMode)), ScanEvent::PagesSaved);
        const std::string path = out.File("page" + std::to_string(c.bitCount) + ".bmp");
        const std::string bmp = ReadFileBytes(path);
        ASSERT_GT(bmp.size(), 54u);
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(Field(bmp, 2, 4), bmp.size());
        EXPECT_EQ(Field(bmp, 14 + 14, 2), c.bitCount);
        EXPECT_EQ(Field(bmp, 10, 4), 14 + 40 + 4 * c.colours);
    }
    const auto messages = target.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].id, WM_OPEN_IN_VIEWER);
    EXPECT_EQ(messages[0].payload, out.File("page8.bmp"));
}

TEST_F(ScanBaseTest, AFourPageScanLeavesOneFileAndAnnouncesEveryPage)
{
    ScanSettings settings = Settings(TWPT_GRAY);
    settings.transferCount = 4;
    scanner.SetImageName("scan.bmp");
    ASSERT_EQ(ScanAndWait(settings), ScanEvent::PagesSaved);
    EXPECT_EQ(target.Count(WM_OPEN_IN_VIEWER), 4u);
    EXPECT_EQ(FilesWritten(), 1u);
    EXPECT_FALSE(scanner.IsScanning());
}

TEST_F(ScanBaseTest, APaperWithoutASizeScansTheWholeArea)
{
    ScanSettings settings = Settings(TWPT_GRAY);
    settings.paperSize = 3; // US Letter: no size in the table, sent as an empty frame
    ASSERT_EQ(ScanAndWait(settings), ScanEvent::PagesSaved);
    const std::string bmp = ReadFileBytes(out.File("scannerTmpImage.bmp"));
    ASSERT_GT(bmp.size(), 54u);
    // The test device's default area, 80 by 100 mm, at 100 dpi.
    EXPECT_NEAR(static_cast<double>(Field(bmp, 18, 4)), 315, 2);
    EXPECT_NEAR(static_cast<double>(Field(bmp, 22, 4)), 394, 2);
}

TEST_F(LostScannerTest, ADeviceLostMidScanEndsTheScanWithoutAnImage)
{
    ASSERT_EQ(ScanAndWait(Settings(TWPT_GRAY)), ScanEvent::DeviceLost);
    EXPECT_EQ(FilesWritten(), 0u);
    EXPECT_EQ(target.Count(WM_OPEN_IN_VIEWER), 0u);
    EXPECT_FALSE(scanner.IsScanning());
}
