#include "adapter/filerecord.h"
#include "adapter/recordlist.h"
#include "gui/mainwndfixture.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// The folder clean-up runs five seconds after a start; it must leave the live data alone.
TEST_F(MainWndTest, AStartLeavesTheDataDirectoryInPlace)
{
    const auto appData = Utility::AppDataPath();
    ASSERT_TRUE(appData);
    const fs::path dir = *appData;
    fs::create_directories(dir / "xml");
    FileRecord record;
    record.path = "/docs/a.docx";
    RecordList stored(RecordKind::Completed);
    ASSERT_TRUE(stored.Load((dir / "xml" / "completed_ini.xml").string()));
    stored.AddRecord(record);
    WriteFileBytes(dir / "Settings.ini", "[Settings]\nUpdateCheck=0\n");
    WriteFileBytes(dir / "Kovault.session", "http://sso/tickets/TGT-1\ndemo\n");

    {
        AccountDatabase kept;
        ASSERT_EQ(OpenAccountDatabase(kept, *appData), AccountDatabaseOpen::Open);
    }
    ASSERT_TRUE(fs::exists(dir / AccountDatabase::kFileName));

    services.appDataDir = *appData;
    MakeWindow();
    WaitUntil([] { return false; }, std::chrono::milliseconds(5600));
    window.reset();

    EXPECT_EQ(ReadFileBytes(dir / "Settings.ini"), "[Settings]\nUpdateCheck=0\n");
    EXPECT_EQ(ReadFileBytes(dir / "Kovault.session"), "http://sso/tickets/TGT-1\ndemo\n");
    EXPECT_TRUE(fs::exists(dir / AccountDatabase::kFileName));
    RecordList reread(RecordKind::Completed);
    ASSERT_TRUE(reread.Load((dir / "xml" / "completed_ini.xml").string()));
    ASSERT_EQ(reread.GetCount(), 1u);
    EXPECT_EQ(reread.GetRecord(0).path, "/docs/a.docx");
}

} // namespace
