#include "account/accountlibrary.h"
#include "adapter/recordfiles.h"
#include "support/fakeaccountapi.h"
#include "support/pipelinefixture.h"
#include "task/retrydownloadthread.h"

#include <gmock/gmock.h>

TEST_F(PipelineTest, ThreeFilesRunToCompletion)
{
    const auto a = MakeSource("a.pdf", "first");
    const auto b = MakeSource("b.pdf", "second");
    const auto c = MakeSource("c.pdf", "third");
    AddRows({a, b, c});
    Queue();
    RunPipeline();

    for (int i = 0; i < 3; ++i) {
        const auto row = Row(i);
        EXPECT_EQ(row.status, ConversionStatus::Completed) << i << " " << row.detailText;
        EXPECT_EQ(row.statusText, "已完成");
        EXPECT_EQ(row.detailText, "已完成");
    }
    EXPECT_EQ(Row(0).outputPath, (folder / "a.docx").string());
    EXPECT_EQ(ReadFile((folder / "a.docx").string()), ResultOf("first"));
    EXPECT_EQ(ReadFile((folder / "c.docx").string()), ResultOf("third"));

    EXPECT_EQ(window.Count(WM_CONVERT_FINISH), 1u);
    EXPECT_EQ(window.Count(WM_CONVERT_FILE_DONE), 3u);
    EXPECT_EQ(window.Count(WM_COMPLETED_LIST_CHANGED), 3u);
    EXPECT_EQ(window.Count(WM_CONVERT_LIST_CHANGED), 0u);
    EXPECT_EQ(window.Messages().back().id, WM_CONVERT_FINISH);

    // The record file on disk holds the three results, newest first.
    RecordList reloaded(RecordKind::Completed);
    ASSERT_TRUE(reloaded.Load(RecordFileLocation(RecordKind::Completed)));
    ASSERT_EQ(reloaded.GetCount(), 3u);
    EXPECT_EQ(reloaded.GetRecord(0).path, (folder / "c.docx").string());
    EXPECT_EQ(reloaded.GetRecord(2).path, (folder / "a.docx").string());
    EXPECT_EQ(reloaded.GetRecord(0).sizeText, "0.00M");

    // Upload, submit and query carried the token and the task name.
    const auto uploads = service.Requests(FakeEndpoint::kUpload);
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].Param("taskname"), "pdf-to-word");
    EXPECT_EQ(uploads[0].Param("plateform"), "pc");
    EXPECT_FALSE(uploads[0].Param("token").empty());
    EXPECT_EQ(service.Requests(FakeEndpoint::kSubmit).size(), 3u);
}

TEST_F(PipelineTest, ResultsNeverOverwriteExistingFiles)
{
    const auto first = MakeSource("one/name.pdf", "1");
    const auto second = MakeSource("two/name.pdf", "2");
    const auto third = MakeSource("three/name.pdf", "3");
    const std::string out = (folder / "out.dir").string();
    MakeSource("out.dir/name.docx", "kept");
    MakeSource("out.dir/name(1).docx", "kept too");
    AddRows({first, second, third});
    Queue(out);
    RunPipeline();

    EXPECT_EQ(Row(0).outputPath, out + "/name(2).docx");
    EXPECT_EQ(Row(1).outputPath, out + "/name(3).docx");
    EXPECT_EQ(Row(2).outputPath, out + "/name(4).docx");
    EXPECT_EQ(ReadFile(out + "/name.docx"), "kept");
    EXPECT_EQ(ReadFile(out + "/name(1).docx"), "kept too");
    EXPECT_EQ(ReadFile(out + "/name(3).docx"), ResultOf("2"));
}

TEST_F(PipelineTest, SameBaseNameBesideTheSourceGetsANumber)
{
    const auto pdf = MakeSource("dir.v2/report.pdf", "pdf");
    const auto doc = MakeSource("dir.v2/report.doc", "doc");
    AddRows({pdf, doc});
    Queue();
    RunPipeline();
    EXPECT_EQ(Row(0).outputPath, (folder / "dir.v2/report.docx").string());
    EXPECT_EQ(Row(1).outputPath, (folder / "dir.v2/report(1).docx").string());
}

TEST_F(PipelineTest, StoppingDuringUploadAbortsTheRows)
{
    AddRows({MakeSource("a.pdf", std::string(200000, 'a')), MakeSource("b.pdf", "b")});
    Queue();
    service.Script(FakeEndpoint::kUpload, FakeReply::WithFault(FakeReply::Fault::Stall));
    ASSERT_TRUE(upload.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kUpload, 1, std::chrono::seconds(5)));
    EXPECT_TRUE(upload.StopWait(1000));
    EXPECT_EQ(Row(0).status, ConversionStatus::Aborted);
    EXPECT_EQ(Row(0).detailText, "用户状态异常");
    EXPECT_EQ(Row(1).status, ConversionStatus::Aborted);
    EXPECT_GE(window.Count(WM_CONVERT_FINISH), 1u);
    EXPECT_GE(window.Count(WM_CONVERT_LIST_CHANGED), 1u);
}

TEST_F(PipelineTest, StoppingThePollerAbortsSubmittedRows)
{
    service.SetConversionDelay(1000);
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    ASSERT_TRUE(upload.Start());
    ASSERT_TRUE(query.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kQuery, 1, std::chrono::seconds(5)));
    EXPECT_TRUE(query.StopWait(1000));
    EXPECT_EQ(Row(0).status, ConversionStatus::Aborted);
    EXPECT_EQ(window.Count(WM_CONVERT_FINISH), 1u);
}

// A stop ends a service request in flight as it ends transfers, so no stage is left behind
// in a call the window would have to wait for.
TEST_F(PipelineTest, StopEndsAStalledSubmit)
{
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    service.Script(FakeEndpoint::kSubmit, FakeReply::WithFault(FakeReply::Fault::Stall));
    ASSERT_TRUE(upload.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kSubmit, 1, std::chrono::seconds(5)));
    EXPECT_TRUE(upload.StopWait(1000));
    EXPECT_EQ(Row(0).status, ConversionStatus::Aborted);
    EXPECT_EQ(Row(0).detailText, "用户状态异常");
    EXPECT_EQ(service.Requests(FakeEndpoint::kSubmit).size(), 1u);
}

TEST_F(PipelineTest, StopEndsAStalledQuery)
{
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    service.Script(FakeEndpoint::kQuery, FakeReply::WithFault(FakeReply::Fault::Stall));
    ASSERT_TRUE(upload.Start());
    ASSERT_TRUE(query.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kQuery, 1, std::chrono::seconds(5)));
    EXPECT_TRUE(query.StopWait(1000));
    EXPECT_EQ(Row(0).status, ConversionStatus::Aborted);
    EXPECT_EQ(Row(0).detailText, "用户状态异常");
}

TEST_F(PipelineTest, StoppingDuringDownloadAbortsAndFinishes)
{
    AddRows({MakeSource("a.pdf", std::string(100000, 'a')), MakeSource("b.pdf", "b")});
    Queue();
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::Stall, std::string(100000, 'a'), 10));
    ASSERT_TRUE(upload.Start());
    ASSERT_TRUE(query.Start());
    ASSERT_TRUE(download.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kResult, 1, std::chrono::seconds(10)));
    EXPECT_TRUE(download.StopWait(1000));
    upload.Stop();
    query.Stop();
    EXPECT_EQ(Row(0).status, ConversionStatus::Aborted);
    EXPECT_GE(window.Count(WM_CONVERT_FINISH), 1u);
    EXPECT_TRUE(completed.GetCount() == 0);
}

TEST_F(PipelineTest, PollerEndsWhenNoRowCanReachSubmitted)
{
    AddRows({MakeSource("a.pdf", "a"), MakeSource("b.pdf", "b")});
    list.Store().SetStatus(kFunction, 0, ConversionStatus::Completed);
    list.Store().SetStatus(kFunction, 1, ConversionStatus::UploadFailed);
    query.SetPollInterval(60000);
    ASSERT_TRUE(query.Start());
    EXPECT_TRUE(WaitUntilIdle(std::chrono::seconds(2)));
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(service.Requests(FakeEndpoint::kQuery).empty());
}

TEST_F(PipelineTest, FinishIsPostedEvenWhenEveryRowFailedEarly)
{
    AddRows({folder.string() + "/missing.pdf"});
    Queue();
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::UploadFailed);
    EXPECT_EQ(Row(0).detailText, "文件不存在");
    EXPECT_EQ(window.Count(WM_CONVERT_FINISH), 1u);
}

TEST_F(PipelineTest, RedownloadWhileSignedOutShowsTheLogin)
{
    FakeAccountApi api;
    api.signedIn = false;
    AccountLibrary account;
    account.Attach(&api, FakeDllSetService);
    account.SetNotifyWindow(&window);
    OwnedThread<CRetryDownloadThread> retry;
    retry.SetConvList(&list);
    retry.SetAccount(&account);
    retry.Enqueue(kFunction, 0);
    ASSERT_TRUE(retry.Start());
    ASSERT_TRUE(WaitForThread(retry, std::chrono::seconds(10)));
    EXPECT_EQ(api.loginWindowsShown.load(), 1);
    EXPECT_EQ(window.Count(WM_ACCOUNT_SHOW_LOGIN), 1u);
}
