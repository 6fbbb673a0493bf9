#include "adapter/recordfiles.h"
#include "adapter/recordlist.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

FileRecord Record(const std::string& name, std::uint32_t cost = 1)
{
    return {cost, "/home/user/" + name, "0.25M", "2024.03.07"};
}

std::vector<std::string> PathsInFile(const std::string& path)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    std::vector<std::string> paths;
    for (const pugi::xml_node item : doc.child("ini").children())
        paths.push_back(item.attribute("FilePath").value());
    return paths;
}

TEST(RecordFileLocationTest, FirstStartCreatesBothEmptyFiles)
{
    ScratchDir dir;
    const std::string appData = dir.Path().string() + "/";
    const std::string completed = RecordFileLocation(RecordKind::Completed, appData);
    const std::string opened = RecordFileLocation(RecordKind::OpenRecord, appData);
    EXPECT_EQ(completed, appData + "xml/completed_ini.xml");
    EXPECT_EQ(opened, appData + "xml/openrecord_ini.xml");

    RecordList completedList(RecordKind::Completed);
    RecordList openList(RecordKind::OpenRecord);
    EXPECT_TRUE(completedList.Load(completed));
    EXPECT_TRUE(openList.Load(opened));
    const std::string empty = "<?xml version=\"1.0\"?>\n<ini />\n";
    EXPECT_EQ(ReadFileBytes(completed), empty);
    EXPECT_EQ(ReadFileBytes(opened), empty);
    EXPECT_EQ(completedList.GetCount(), 0u);
}

TEST(RecordFileLocationTest, LivesInTheApplicationDataDirectory)
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    ASSERT_NE(dataHome, nullptr);
    EXPECT_EQ(RecordFileLocation(RecordKind::OpenRecord),
              std::string(dataHome) + "/Dokora/xml/openrecord_ini.xml");
    EXPECT_TRUE(std::filesystem::is_directory(std::string(dataHome) + "/Dokora/xml"));
}

TEST(RecordFileLocationTest, UnusableFolderKeepsRecordsInMemory)
{
    ScratchDir dir;
    WriteFileBytes(dir.Path() / "xml", "a file where the folder should be");
    const std::string appData = dir.Path().string() + "/";
    EXPECT_EQ(RecordFileLocation(RecordKind::Completed, appData), "");
    EXPECT_EQ(RecordFileLocation(RecordKind::Completed, std::nullopt), "");

    RecordList list(RecordKind::Completed);
    EXPECT_TRUE(list.Load(""));
    list.AddRecord(Record("a"));
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(RecordListTest, NewestFirstInMemoryOldestFirstInTheFile)
{
    ScratchDir dir;
    const std::string path = dir.File("completed_ini.xml");
    RecordList list(RecordKind::Completed);
    ASSERT_TRUE(list.Load(path));
    list.AddRecord(Record("A", 3));
    list.AddRecord(Record("B"));
    list.AddRecord(Record("C"));

    EXPECT_EQ(list.GetRecord(0).path, "/home/user/C");
    EXPECT_EQ(list.GetRecord(2).path, "/home/user/A");
    EXPECT_EQ(PathsInFile(path),
              (std::vector<std::string>{"/home/user/A", "/home/user/B", "/home/user/C"}));
    EXPECT_NE(ReadFileBytes(path).find("\t<item FilePath=\"/home/user/A\" FileSize=\"0.25M\" "
                                       "quota=\"3\" FinishTime=\"2024.03.07\" />\n"),
              std::string::npos);

    RecordList restarted(RecordKind::Completed);
    ASSERT_TRUE(restarted.Load(path));
    ASSERT_EQ(restarted.GetCount(), 3u);
    EXPECT_EQ(restarted.GetRecord(0), Record("C"));
    EXPECT_EQ(restarted.GetRecord(1), Record("B"));
    EXPECT_EQ(restarted.GetRecord(2), Record("A", 3));
}

TEST(RecordListTest, ReadsEveryElementChildAndDefaultsMissingAttributes)
{
    ScratchDir dir;
    const std::string path = dir.File("openrecord_ini.xml");
    WriteFileBytes(path,
                   "<?xml version=\"1.0\"?>\n<ini>\n\t<!-- example -->\n"
                   "\t<item FilePath=\"C:\\docs\\old.pdf\" quota=\"x\" OpenTime=\"2023.01.02\"/>\n"
                   "\t<other FilePath=\"/b.pdf\" FileSize=\"1.00M\" FinishTime=\"ignored\"/>\n"
                   "</ini>\n");
    RecordList list(RecordKind::OpenRecord);
    ASSERT_TRUE(list.Load(path));
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetRecord(0), (FileRecord{0, "/b.pdf", "1.00M", ""}));
    EXPECT_EQ(list.GetRecord(1), (FileRecord{0, "C:\\docs\\old.pdf", "", "2023.01.02"}));
    EXPECT_EQ(list.GetRecord(2), FileRecord{});
    EXPECT_EQ(PathFileName(list.GetRecord(1).path), "old.pdf");
    EXPECT_EQ(PathDirectory(list.GetRecord(1).path), "C:\\docs");
}

TEST(RecordListTest, RemoveAtTakesTheMatchingItemOfTheFile)
{
    ScratchDir dir;
    const std::string path = dir.File("completed_ini.xml");
    RecordList list(RecordKind::Completed);
    ASSERT_TRUE(list.Load(path));
    for (const char* name : {"A", "B", "C", "D"})
        list.AddRecord(Record(name));

    list.RemoveAt(1); // C
    EXPECT_EQ(PathsInFile(path),
              (std::vector<std::string>{"/home/user/A", "/home/user/B", "/home/user/D"}));
    list.RemoveAt(0); // D
    list.RemoveAt(7); // beyond the list: nothing
    EXPECT_EQ(PathsInFile(path), (std::vector<std::string>{"/home/user/A", "/home/user/B"}));
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.FindPath("/home/user/A"), 1u);
    EXPECT_EQ(list.FindPath("/home/user/a"), std::nullopt);

    list.Clear();
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_TRUE(PathsInFile(path).empty());
}

TEST(RecordListTest, FindPathGivesTheTopmostMatch)
{
    RecordList list(RecordKind::OpenRecord);
    ASSERT_TRUE(list.Load(""));
    list.AddRecord(Record("same", 1));
    list.AddRecord(Record("other"));
    list.AddRecord(Record("same", 2));
    EXPECT_EQ(list.FindPath("/home/user/same"), 0u);
    EXPECT_EQ(list.FindPath("/home/user/none"), std::nullopt);
}

TEST(RecordListTest, UnreadableFileIsLeftIntactAtLoadAndSetAsideOnChange)
{
    ScratchDir dir;
    const std::string path = dir.File("completed_ini.xml");
    for (const std::string broken : {"<ini><item FilePath=\"/a\"", "<other/>", ""}) {
        WriteFileBytes(path, broken);
        std::filesystem::remove(path + ".unreadable");
        RecordList list(RecordKind::Completed);
        EXPECT_FALSE(list.Load(path)) << broken;
        EXPECT_EQ(list.GetCount(), 0u);
        EXPECT_EQ(ReadFileBytes(path), broken);

        list.AddRecord(Record("new"));
        EXPECT_EQ(ReadFileBytes(path + ".unreadable"), broken);
        EXPECT_EQ(PathsInFile(path), (std::vector<std::string>{"/home/user/new"}));
    }
}

TEST(RecordListTest, SaveOnAFullDiskLeavesThePreviousFile)
{
    ScratchDir dir;
    const std::string path = dir.File("completed_ini.xml");
    RecordList list(RecordKind::Completed);
    ASSERT_TRUE(list.Load(path));
    list.AddRecord(Record("A"));
    const std::string before = ReadFileBytes(path);
    {
        const FileSizeLimit fullDisk(before.size() + 16);
        list.AddRecord(Record(std::string(4096, 'B')));
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // The next save that fits writes everything held.
    list.AddRecord(Record("C"));
    EXPECT_EQ(PathsInFile(path),
              (std::vector<std::string>{"/home/user/A", "/home/user/" + std::string(4096, 'B'),
                                        "/home/user/C"}));
}

TEST(RecordListTest, ConcurrentAddsAreAllKept)
{
    ScratchDir dir;
    const std::string path = dir.File("completed_ini.xml");
    RecordList list(RecordKind::Completed);
    ASSERT_TRUE(list.Load(path));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&list, t] {
            for (int i = 0; i < 25; ++i)
                list.AddRecord(Record(std::to_string(t) + "-" + std::to_string(i)));
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(list.GetCount(), 100u);
    EXPECT_EQ(PathsInFile(path).size(), 100u);
}

TEST(FileRecordTest, FormatsSizeAndDate)
{
    EXPECT_EQ(FormatSizeText(0), "0.00M");
    EXPECT_EQ(FormatSizeText(1048576 + 524288), "1.50M");
    EXPECT_EQ(FormatSizeText(5000), "0.00M");
    EXPECT_EQ(FormatDateText(1709769600), "2024.03.07"); // midnight UTC, TZ=UTC in tests
    EXPECT_EQ(PathFileName("/a/b.pdf"), "b.pdf");
    EXPECT_EQ(PathFileName("plain.pdf"), "plain.pdf");
    EXPECT_EQ(PathDirectory("/a/b.pdf"), "/a");
    EXPECT_EQ(PathDirectory("plain.pdf"), "");
}

} // namespace
