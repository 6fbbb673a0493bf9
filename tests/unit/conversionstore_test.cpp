#include "task/conversionstore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string MakeFile(const std::string& name, std::size_t bytes)
{
    const auto dir = std::filesystem::temp_directory_path() / "store_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
    return path.string();
}

} // namespace

TEST(PlannedOutputPath, BaseNameSuffixAndDirectory)
{
    EXPECT_EQ(PlannedOutputPath("C:\\a\\b.c.pdf", "", ".docx", true), "C:\\a\\b.c.docx");
    EXPECT_EQ(PlannedOutputPath("C:\\a\\b.c.pdf", "D:\\out", ".docx", false), "D:\\out/b.c.docx");
    EXPECT_EQ(PlannedOutputPath("/home/u/b.c.pdf", "", ".docx", true), "/home/u/b.c.docx");
    EXPECT_EQ(PlannedOutputPath("/home/u/b.pdf", "/out", ".docx", false), "/out/b.docx");
    EXPECT_EQ(PlannedOutputPath("/home/u/b.pdf", "/out/", ".docx", false), "/out/b.docx");
    EXPECT_EQ(PlannedOutputPath("/home/u/b.pdf", "D:\\out\\", ".docx", false), "D:\\out\\b.docx");
    // A dot in a directory name is not an extension.
    EXPECT_EQ(PlannedOutputPath("/home/my.docs/report", "", ".pdf", true),
              "/home/my.docs/report.pdf");
    EXPECT_EQ(PlannedOutputPath("/home/u/b.pdf", "", "_Images.zip", true), "/home/u/b_Images.zip");
    EXPECT_EQ(PlannedOutputPath("/home/u/b.pdf", "", "docx", true), "/home/u/b.docx");
    EXPECT_EQ(PlannedOutputPath("report", "", ".pdf", true), "report.pdf");
}

TEST(ConversionStore, NewItemDefaults)
{
    ConversionStore store;
    const std::string path = MakeFile("one_and_half.pdf", 1572864);
    store.AddFile("PDF2Word", path);
    const auto items = store.GetItems("PDF2Word");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].status, ConversionStatus::Waiting);
    EXPECT_EQ(items[0].sizeText, "1.50M");
    EXPECT_EQ(items[0].statusText, "等待开始");
    EXPECT_EQ(items[0].detailText, "等待开始");
    EXPECT_EQ(items[0].sourcePath, path);
    EXPECT_TRUE(items[0].outputPath.empty());
}

TEST(ConversionStore, OutOfRangeIndexesAreIgnored)
{
    ConversionStore store;
    store.AddFile("PDF2Word", "/nowhere/a.pdf");
    for (int index : {-1, 1, 100}) {
        store.SetStatus("PDF2Word", index, ConversionStatus::Completed);
        store.SetDetailText("PDF2Word", index, "x");
        EXPECT_EQ(store.GetStatus("PDF2Word", index), ConversionStatus::Waiting);
        EXPECT_EQ(store.GetSourcePath("PDF2Word", index), "");
        EXPECT_EQ(store.GetTaskInfo("PDF2Word", index), ServerTaskInfo{});
        store.RemoveAt("PDF2Word", index);
    }
    EXPECT_EQ(store.GetCount("PDF2Word"), 1);
    EXPECT_EQ(store.GetStatus("PDF2Word", 0), ConversionStatus::Waiting);
    EXPECT_EQ(store.GetDetailText("PDF2Word", 0), "等待开始");
    // An unknown function behaves as an empty list.
    EXPECT_EQ(store.GetCount("nothing"), 0);
    EXPECT_TRUE(store.CanAddFiles("nothing"));
    EXPECT_FALSE(store.SetStatusIf("nothing", 0, IsInPipeline, ConversionStatus::Aborted));
}

TEST(ConversionStore, FilesPerFunctionAndRemoval)
{
    ConversionStore store;
    store.AddFile("PDF2Word", "/d/a.pdf");
    store.AddFile("PDF2Word", "/d/b.pdf");
    store.AddFile("PDF2Excel", "/d/a.pdf");
    EXPECT_TRUE(store.ContainsFile("PDF2Excel", "/d/a.pdf"));
    EXPECT_FALSE(store.ContainsFile("PDF2Excel", "/d/b.pdf"));
    EXPECT_FALSE(store.ContainsFile("PDF2Word", "/d/A.pdf"));

    store.RemoveAt("PDF2Word", 0);
    EXPECT_EQ(store.GetSourcePath("PDF2Word", 0), "/d/b.pdf");
    store.Clear("PDF2Word");
    EXPECT_EQ(store.GetCount("PDF2Word"), 0);
    EXPECT_EQ(store.GetCount("PDF2Excel"), 1);
}

TEST(ConversionStore, ConvertingAndAddingDependOnStatuses)
{
    ConversionStore store;
    store.AddFile("F", "/d/a.pdf");
    store.AddFile("F", "/d/b.pdf");
    EXPECT_TRUE(store.CanAddFiles("F"));
    EXPECT_FALSE(store.IsConverting("F"));

    store.SetAllStatus("F", ConversionStatus::Queued);
    EXPECT_FALSE(store.CanAddFiles("F"));
    EXPECT_TRUE(store.IsConverting("F"));

    store.SetStatus("F", 0, ConversionStatus::Completed);
    store.SetStatus("F", 1, ConversionStatus::TaskFailed);
    EXPECT_FALSE(store.IsConverting("F"));
    store.SetStatus("F", 1, ConversionStatus::Converted);
    EXPECT_TRUE(store.IsConverting("F"));
    store.SetStatus("F", 1, ConversionStatus::Redownloading);
    EXPECT_FALSE(store.IsConverting("F"));
}

TEST(ConversionStore, SetStatusIfTestsAndSetsTogether)
{
    ConversionStore store;
    store.AddFile("F", "/d/a.pdf");
    store.SetStatus("F", 0, ConversionStatus::Completed);
    EXPECT_FALSE(store.SetStatusIf("F", 0, IsInPipeline, ConversionStatus::Aborted));
    EXPECT_EQ(store.GetStatus("F", 0), ConversionStatus::Completed);
    store.SetStatus("F", 0, ConversionStatus::Submitted);
    EXPECT_TRUE(store.SetStatusIf("F", 0, IsInPipeline, ConversionStatus::Aborted));
    EXPECT_EQ(store.GetStatus("F", 0), ConversionStatus::Aborted);
}

TEST(ConversionStore, OutputPathsForEveryRow)
{
    ConversionStore store;
    store.AddFile("PDF2Word", "/a/b.c.pdf");
    store.AddFile("PDF2Word", "/x.y/z");
    store.SetOutputPaths("PDF2Word", "/out", ".docx", false);
    EXPECT_EQ(store.GetOutputPath("PDF2Word", 0), "/out/b.c.docx");
    EXPECT_EQ(store.GetOutputPath("PDF2Word", 1), "/out/z.docx");
    store.SetOutputPaths("PDF2Word", "", ".docx", true);
    EXPECT_EQ(store.GetOutputPath("PDF2Word", 0), "/a/b.c.docx");
    EXPECT_EQ(store.GetOutputPath("PDF2Word", 1), "/x.y/z.docx");
}

// The UI thread adds, removes and reads while four workers write fields; run under
// ThreadSanitizer this proves every operation is one locked step.
TEST(ConversionStore, UiThreadAndFourWorkersAtOnce)
{
    ConversionStore store;
    const std::string name = "PDF2Word";
    for (int i = 0; i < 10; ++i)
        store.AddFile(name, "/d/file" + std::to_string(i) + ".pdf");

    std::atomic<bool> done{false};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int round = 0; !done.load() || round < 200; ++round) {
                const int row = (round + w) % 12;
                store.SetStatus(name, row, ConversionStatus::Uploading);
                store.SetProgress(name, row, round % 100);
                store.SetDetailText(name, row, std::to_string(round));
                store.SetTaskInfo(name, row, ServerTaskInfo{"t", "j", "s"});
                store.SetDownloadUrl(name, row, "http://x/" + std::to_string(w));
                (void)store.GetStatus(name, row);
                (void)store.IsConverting(name);
                if (round > 5000)
                    break;
            }
        });
    }
    for (int i = 0; i < 500; ++i) {
        store.AddFile(name, "/d/extra.pdf");
        const auto items = store.GetItems(name);
        ASSERT_GE(items.size(), 10u);
        store.RemoveAt(name, static_cast<int>(items.size()) - 1);
        store.SetOutputPaths(name, "/out", ".docx", false);
    }
    done.store(true);
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(store.GetCount(name), 10);
    for (const auto& item : store.GetItems(name))
        EXPECT_EQ(item.outputPath.rfind("/out/", 0), 0u);
}
