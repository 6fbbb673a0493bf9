#include "support/scratchdir.h"
#include "update/oldfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class OldFolderTest : public testing::Test
{
protected:
    std::string Dir(const fs::path& path) { return path.string() + "/"; }
    void MakeData(const fs::path& dir)
    {
        fs::create_directories(dir / "xml");
        WriteFileBytes(dir / "Settings.ini", "[Settings]\nUpdateCheck=1\n");
        WriteFileBytes(dir / "xml" / "completed_ini.xml", "<records/>");
    }

    ScratchDir scratch;
};

TEST_F(OldFolderTest, TheLiveDataDirectoryIsNeverTheOldFolder)
{
    const fs::path live = scratch.Path() / "share" / "Dokora";
    MakeData(live);
    EXPECT_FALSE(OldFolderToRemove(Dir(live)));
    EXPECT_FALSE(OldFolderToRemove(live.string()));
    EXPECT_FALSE(OldFolderToRemove(Dir(live) + "//"));
    EXPECT_FALSE(OldFolderToRemove(Dir(live / "xml" / "..")));
    EXPECT_FALSE(RemoveOldFolder(Dir(live)));
    EXPECT_EQ(ReadFileBytes(live / "Settings.ini"), "[Settings]\nUpdateCheck=1\n");
    EXPECT_TRUE(fs::exists(live / "xml" / "completed_ini.xml"));
}

TEST_F(OldFolderTest, NeitherAParentNorAFolderInsideIsRemoved)
{
    // Live data inside the candidate: ".../Dokora/data/" would yield ".../Dokora".
    const fs::path live = scratch.Path() / "Dokora" / "data";
    MakeData(live);
    EXPECT_FALSE(RemoveOldFolder(Dir(live)));
    EXPECT_TRUE(fs::exists(live / "Settings.ini"));

    // A link named like the old folder that leads into the live data.
    const fs::path other = scratch.Path() / "links" / "current";
    fs::create_directories(other.parent_path());
    fs::create_directory_symlink(live, scratch.Path() / "links" / "Dokora");
    fs::create_directory_symlink(live, other);
    EXPECT_FALSE(RemoveOldFolder(Dir(other)));
    EXPECT_TRUE(fs::exists(live / "Settings.ini"));
}

TEST_F(OldFolderTest, AFolderBesideTheLiveDirectoryIsRemoved)
{
    const fs::path live = scratch.Path() / "Dokora2";
    const fs::path old = scratch.Path() / "Dokora";
    MakeData(live);
    MakeData(old);
    ASSERT_EQ(OldFolderToRemove(Dir(live)), old);
    EXPECT_TRUE(RemoveOldFolder(Dir(live)));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(live / "Settings.ini"));
    EXPECT_FALSE(RemoveOldFolder(Dir(live)));
    EXPECT_FALSE(OldFolderToRemove(""));
}

} // namespace
