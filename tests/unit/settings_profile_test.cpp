#include "settings/atomicfile.h"
#include "settings/profilefile.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(ProfileFileTest, MatchesSectionsAndKeysWithoutRegardToCase)
{
    ScratchDir dir;
    WriteFileBytes(dir.File("a.ini"), "[SETTINGS]\nconvmsgbox=0\n");
    const ProfileFile file(dir.File("a.ini"));
    EXPECT_EQ(file.ReadString("Settings", "ConvMsgBox"), "0");

    ASSERT_TRUE(file.WriteString("settings", "CONVMSGBOX", "1"));
    EXPECT_EQ(file.ReadString("Settings", "ConvMsgBox"), "1");
    EXPECT_EQ(ReadFileBytes(dir.File("a.ini")), "[SETTINGS]\nconvmsgbox=1\n");
}

TEST(ProfileFileTest, ReadsLikeTheProfileFunctions)
{
    ScratchDir dir;
    const std::string longValue(300, 'x');
    const std::string longWide(300, '\xE5'); // never split inside a character
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "\xE5\xAE\x9A";
    WriteFileBytes(dir.File("a.ini"), "[S]\nlong=" + longValue + "\nwide=" + wide +
                                          "\nquoted=\" a b \"\nempty=\nnum=42abc\nword=abc\n"
                                          "neg=-7\n");
    const ProfileFile file(dir.File("a.ini"));

    EXPECT_EQ(file.ReadString("S", "long"), longValue.substr(0, 259));
    const std::string cut = file.ReadString("S", "wide");
    EXPECT_EQ(cut.size(), 259u * 3);
    EXPECT_EQ(file.ReadString("S", "quoted"), " a b ");
    EXPECT_EQ(file.ReadString("S", "missing", "dflt"), "dflt");
    EXPECT_EQ(file.ReadString("S", "empty", "dflt"), "");
    EXPECT_EQ(file.ReadString("Other", "long", "dflt"), "dflt");

    EXPECT_EQ(file.ReadInt("S", "num", 5), 42);
    EXPECT_EQ(file.ReadInt("S", "word", 5), 0);
    EXPECT_EQ(file.ReadInt("S", "neg", 5), -7);
    EXPECT_EQ(file.ReadInt("S", "empty", 5), 5);
    EXPECT_EQ(file.ReadInt("S", "missing", 5), 5);
}

TEST(ProfileFileTest, WriteCreatesTheFileAndKeepsOtherValues)
{
    ScratchDir dir;
    const ProfileFile file(dir.File("new.ini"));
    EXPECT_FALSE(file.Exists());
    ASSERT_TRUE(file.WriteString("Settings", "a", "1"));
    ASSERT_TRUE(file.WriteString("Other", "b", "2"));
    ASSERT_TRUE(file.WriteString("Settings", "c", "3"));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(file.ReadString("Settings", "a"), "1");
    EXPECT_EQ(file.ReadString("Other", "b"), "2");
    EXPECT_EQ(file.ReadString("Settings", "c"), "3");

    const ProfileFile inMissingFolder(dir.File("no/such/dir.ini"));
    EXPECT_FALSE(inMissingFolder.WriteString("S", "k", "v"));
}

TEST(AtomicFileTest, ReplacesTheFileOnlyOnCommit)
{
    ScratchDir dir;
    const std::string path = dir.File("data.txt");
    WriteFileBytes(path, "previous");
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.Write("new content"));
        EXPECT_EQ(ReadFileBytes(path), "previous");
        // Dropped before the rename, as a crash would.
    }
    EXPECT_EQ(ReadFileBytes(path), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    EXPECT_TRUE(WriteFileAtomically(path, "new content"));
    EXPECT_EQ(ReadFileBytes(path), "new content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(AtomicFileTest, FullDiskLeavesThePreviousFile)
{
    ScratchDir dir;
    const std::string path = dir.File("data.txt");
    WriteFileBytes(path, "previous");

    bool written = true;
    {
        const FileSizeLimit fullDisk(1024);
        written = WriteFileAtomically(path, std::string(64 * 1024, 'x'));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileBytes(path), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

} // namespace
