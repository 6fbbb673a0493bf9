// Where results land: reserved free names, temporary files, the result's type, re-download.
#include "account/accountlibrary.h"
#include "support/fakeaccountapi.h"
#include "support/pipelinefixture.h"
#include "task/retrydownloadthread.h"

#include <gmock/gmock.h>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ResultDownloadTest : public PipelineTest
{
protected:
    ResultDownloadTest()
    {
        account.Attach(&api, FakeDllSetService);
        retry.SetMainWnd(&window);
        retry.SetConvList(&list);
        retry.SetCompletedList(&completed);
        retry.SetAccount(&account);
    }

    // Runs the rows into a fresh folder "out", the first row's download refused; the folder.
    std::string RunWithTheFirstDownloadRefused()
    {
        const std::string out = (folder / "out").string();
        fs::create_directories(out);
        Queue(out);
        for (int attempt = 0; attempt < 3; ++attempt)
            service.Script(FakeEndpoint::kResult, FakeReply::Text("gone", 404));
        RunPipeline();
        return out;
    }

    void Redownload(const std::string& function, int index)
    {
        retry.Enqueue(function, index);
        ASSERT_TRUE(retry.Start());
        ASSERT_TRUE(WaitForThread(retry, 10s));
    }

    FakeAccountApi api;
    AccountLibrary account;
    OwnedThread<CRetryDownloadThread> retry;
};

TEST_F(ResultDownloadTest, FailedDownloadLeavesNoFileAndRedownloadTakesTheName)
{
    AddRows({MakeSource("in/a.pdf", "content")});
    const std::string out = RunWithTheFirstDownloadRefused();
    ASSERT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_EQ(Row(0).detailText, "下载失败");
    const std::string path = Row(0).outputPath;
    EXPECT_EQ(path, out + "/a.docx");
    EXPECT_TRUE(FilesIn(out).empty());

    window.Clear();
    Redownload(kFunction, 0);
    EXPECT_EQ(Row(0).status, ConversionStatus::RedownloadCompleted);
    EXPECT_EQ(Row(0).statusText, "已完成");
    EXPECT_EQ(Row(0).outputPath, path);
    EXPECT_EQ(ReadFile(path), ResultOf("content"));
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"a.docx"});
    ASSERT_EQ(completed.GetCount(), 1u);
    EXPECT_EQ(completed.GetRecord(0).path, path);
    EXPECT_EQ(window.Count(WM_COMPLETED_LIST_CHANGED), 1u);
    EXPECT_EQ(window.Count(WM_CONVERT_FINISH), 0u);
    EXPECT_EQ(window.Count(WM_CONVERT_FILE_DONE), 0u);
}

TEST_F(ResultDownloadTest, RedownloadNeverReplacesAnotherRowsResult)
{
    // Both results want out/name.docx; the first download is refused.
    AddRows({MakeSource("one/name.pdf", "first"), MakeSource("two/name.pdf", "second")});
    const std::string out = RunWithTheFirstDownloadRefused();
    ASSERT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    ASSERT_EQ(Row(1).status, ConversionStatus::Completed);
    const std::string second = Row(1).outputPath;
    ASSERT_EQ(ReadFile(second), ResultOf("second"));

    Redownload(kFunction, 0);
    EXPECT_EQ(Row(0).status, ConversionStatus::RedownloadCompleted);
    EXPECT_EQ(ReadFile(second), ResultOf("second"));
    EXPECT_NE(Row(0).outputPath, second);
    EXPECT_EQ(ReadFile(Row(0).outputPath), ResultOf("first"));
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"name(1).docx", "name.docx"}));
    EXPECT_EQ(completed.GetRecord(0).path, Row(0).outputPath);
}

TEST_F(ResultDownloadTest, RowQueuedFromAnotherFunctionIsServedAgainstItsOwnRows)
{
    const std::string other = "Word2PDF";
    AddRows({MakeSource("a.pdf", "word result")});
    list.Store().AddFile(other, MakeSource("b.docx", "pdf result"));
    const auto failed = [&](const std::string& function, const char* name) {
        list.Store().SetStatus(function, 0, ConversionStatus::DownloadFailed);
        list.Store().SetOutputPath(function, 0, (folder / name).string());
        list.Store().SetDownloadUrl(function, 0, service.BaseUrl() + "/results/job-1");
    };
    failed(kFunction, "a.docx");
    failed(other, "b.pdf");
    FakeReply slow = FakeReply::Text("PK\x03\x04word");
    slow.delay = 300ms;
    service.Script(FakeEndpoint::kResult, slow);
    service.Script(FakeEndpoint::kResult, FakeReply::Text("%PDF-1.7 pdf"));

    retry.Enqueue(kFunction, 0);
    ASSERT_TRUE(retry.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kResult, 1, 5s));
    // The page now shows the other function, whose row is queued while the thread runs.
    list.SetFunctionName(other);
    retry.Enqueue(other, 0);
    ASSERT_TRUE(WaitForThread(retry, 10s));

    EXPECT_EQ(list.Store().GetStatus(kFunction, 0), ConversionStatus::RedownloadCompleted);
    EXPECT_EQ(list.Store().GetStatus(other, 0), ConversionStatus::RedownloadCompleted)
        << list.Store().GetDetailText(other, 0);
    EXPECT_EQ(ReadFile((folder / "a.docx").string()), "PK\x03\x04word");
    EXPECT_EQ(ReadFile((folder / "b.pdf").string()), "%PDF-1.7 pdf");
    EXPECT_EQ(list.Store().GetOutputPath(kFunction, 0), (folder / "a.docx").string());
}

TEST_F(ResultDownloadTest, ResultOfTheWrongTypeFailsTheRow)
{
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    service.Script(FakeEndpoint::kResult, FakeReply::Text("<html>please sign in</html>"));
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_EQ(Row(0).detailText, "下载的结果不是该功能生成的文件类型");
    EXPECT_EQ(Row(0).statusText, "处理失败");
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 1u);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"a.pdf"});
    EXPECT_EQ(completed.GetCount(), 0u);
}

TEST_F(ResultDownloadTest, CutShortOrStoppedDownloadLeavesNothing)
{
    AddRows({MakeSource("a.pdf", std::string(100000, 'a')), MakeSource("b.pdf", "b")});
    Queue();
    const std::string body = ResultOf(std::string(100000, 'a'));
    for (int attempt = 0; attempt < 3; ++attempt)
        service.Script(FakeEndpoint::kResult,
                       FakeReply::WithFault(FakeReply::Fault::Truncated, body, 5000));
    service.Script(FakeEndpoint::kResult, FakeReply::WithFault(FakeReply::Fault::Stall, body, 10));
    ASSERT_TRUE(pipeline.Start());
    ASSERT_TRUE(
        WaitUntil([&] { return service.Requests(FakeEndpoint::kResult).size() == 4; }, 10s));
    EXPECT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    std::this_thread::sleep_for(100ms);
    pipeline.StopRunning(2000);
    EXPECT_EQ(Row(1).status, ConversionStatus::Aborted);
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"a.pdf", "b.pdf"}));
}

TEST_F(ResultDownloadTest, PlantedLinkAtTheResultNameIsNeverFollowed)
{
    AddRows({MakeSource("a.pdf", "a")});
    const fs::path elsewhere = folder / "elsewhere" / "target.docx";
    fs::create_directories(elsewhere.parent_path());
    fs::create_symlink(elsewhere, folder / "a.docx");
    Queue();
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::Completed);
    EXPECT_EQ(Row(0).outputPath, (folder / "a(1).docx").string());
    EXPECT_EQ(ReadFile(Row(0).outputPath), ResultOf("a"));
    EXPECT_FALSE(fs::exists(elsewhere));
    EXPECT_TRUE(fs::is_symlink(folder / "a.docx"));
}

TEST_F(ResultDownloadTest, FolderThatTakesNoFileFailsTheRowWithAClearText)
{
    AddRows({MakeSource("a.pdf", "a")});
    Queue((folder / "missing").string());
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_EQ(Row(0).detailText, "无法在输出目录中保存结果");
}

} // namespace
