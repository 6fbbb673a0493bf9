#include "support/pipelinefixture.h"

// Each failure of a stage ends in its own status and detail text; the other rows go on.

namespace {

const std::string kRejected403 = R"({"ret":403,"msg":"token invalid"})";

} // namespace

class UploadErrors : public PipelineTest
{
protected:
    // Uploads and submits one row (and a healthy second one) and returns the first row.
    ConversionItem UploadOne()
    {
        AddRows({MakeSource("a.pdf", "a"), MakeSource("b.pdf", "b")});
        Queue();
        RunStages(true, false, false);
        EXPECT_EQ(Row(1).status, ConversionStatus::Submitted) << Row(1).detailText;
        EXPECT_EQ(Row(1).progress, 45);
        return Row(0);
    }
};

TEST_F(UploadErrors, TokenThatIsNotUtf8)
{
    tokens.Override("\xff\xfe");
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    RunStages(true, false, false);
    EXPECT_EQ(Row(0).status, ConversionStatus::TokenFailed);
    EXPECT_EQ(Row(0).detailText, "异常：19100");
    EXPECT_EQ(Row(0).statusText, "处理失败");
    EXPECT_TRUE(service.Requests(FakeEndpoint::kUpload).empty());
}

TEST_F(UploadErrors, NetworkFailure)
{
    service.Script(FakeEndpoint::kUpload, FakeReply::WithFault(FakeReply::Fault::Close));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::UploadFailed);
    EXPECT_EQ(row.detailText, "网络异常");
}

TEST_F(UploadErrors, ExpiredTokenAsksForOneRefresh)
{
    service.Script(FakeEndpoint::kUpload, FakeReply::Json(kRejected403));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::UploadFailed);
    EXPECT_EQ(row.detailText, "异常：19101");
    EXPECT_EQ(tokens.refreshes.load(), 1);
}

TEST_F(UploadErrors, UnreadableReply)
{
    service.Script(FakeEndpoint::kUpload, FakeReply::Json(R"({"ret":0,"msg":"ok","data":{}})"));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::UploadFailed);
    EXPECT_EQ(row.detailText, "服务异常");
    EXPECT_EQ(tokens.refreshes.load(), 0);
}

TEST_F(UploadErrors, NonZeroRetWithEveryMemberIsSuccess)
{
    service.Script(FakeEndpoint::kUpload,
                   FakeReply::Json(R"({"ret":7,"msg":"x","data":{"fileSize":"1","filePrice":0,)"
                                   R"("taskId":"task-a","docid":"d","fileType":"pdf",)"
                                   R"("fileName":"a.pdf"}})"));
    service.Script(FakeEndpoint::kSubmit,
                   FakeReply::Json(R"({"ret":3,"msg":"","data":{"docid":"d","taskId":"task-a",)"
                                   R"("jobId":"job-a"}})"));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::Submitted);
    EXPECT_EQ(row.task, (ServerTaskInfo{"task-a", "job-a", row.sourcePath}));
    EXPECT_EQ(service.Requests(FakeEndpoint::kSubmit)[0].Param("taskId"), "task-a");
}

TEST_F(UploadErrors, TaskIdThatIsNotUtf8)
{
    service.Script(FakeEndpoint::kUpload,
                   FakeReply::Json("{\"ret\":0,\"msg\":\"x\",\"data\":{\"fileSize\":1,"
                                   "\"filePrice\":0,\"taskId\":\"\xff\",\"docid\":\"d\","
                                   "\"fileType\":\"pdf\",\"fileName\":\"a.pdf\"}}"));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "异常：19102");
}

TEST_F(UploadErrors, SubmitStatusOtherThan200)
{
    service.Script(FakeEndpoint::kSubmit, FakeReply::Json("{}", 500));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "网络异常");
}

TEST_F(UploadErrors, DroppedSubmitReplyIsNotSubmittedAgain)
{
    service.Script(FakeEndpoint::kSubmit, FakeReply::WithFault(FakeReply::Fault::Close));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "网络异常");
    // One submit for each of the two rows.
    EXPECT_EQ(service.Requests(FakeEndpoint::kSubmit).size(), 2u);
}

TEST_F(UploadErrors, SubmitWithExpiredTokenRefreshesAndNextRowUsesTheNewOne)
{
    service.Script(FakeEndpoint::kSubmit, FakeReply::Json(kRejected403));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "异常：19101");
    EXPECT_EQ(tokens.refreshes.load(), 1);
    const auto uploads = service.Requests(FakeEndpoint::kUpload);
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_NE(uploads[0].Param("token"), uploads[1].Param("token"));
}

TEST_F(UploadErrors, SubmitReplyWithoutJobId)
{
    service.Script(FakeEndpoint::kSubmit,
                   FakeReply::Json(R"({"ret":0,"msg":"x","data":{"docid":"d","taskId":"t"}})"));
    const auto row = UploadOne();
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "网络异常");
}

class QueryErrors : public PipelineTest
{
protected:
    // Uploads one row, then polls it once against the scripted query reply.
    ConversionItem QueryOne(const std::string& reply, int status = 200)
    {
        AddRows({MakeSource("a.pdf", "a")});
        Queue();
        RunStages(true, false, false);
        EXPECT_EQ(Row(0).status, ConversionStatus::Submitted);
        service.Script(FakeEndpoint::kQuery, FakeReply::Json(reply, status));
        query.SetPollInterval(20);
        service.SetConversionDelay(1000);
        EXPECT_TRUE(query.Start());
        EXPECT_TRUE(service.WaitForRequests(FakeEndpoint::kQuery, 1, std::chrono::seconds(5)));
        // A row that left Submitted ends the poller by itself; a waiting one needs a stop.
        WaitForThread(query, std::chrono::milliseconds(500));
        query.StopWait(1000);
        return Row(0);
    }

    static std::string Reply(const std::string& ret, const std::string& state,
                             const std::string& url, const std::string& msg = "失败原因")
    {
        return R"({"ret":)" + ret + R"(,"msg":")" + msg + R"(","data":{"taskState":")" + state +
               R"(","balanceStatus":"ok","filePrice":0,"userBalance":1.5,"downloadUrl":")" + url +
               R"("}})";
    }
};

TEST_F(QueryErrors, ServiceReportsFailure)
{
    const auto row = QueryOne(Reply("0", "FAILED", ""));
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "文件转换失败");
}

TEST_F(QueryErrors, FinishWithoutResultShowsTheServiceMessage)
{
    const auto row = QueryOne(Reply("0", "FINISH", ""));
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "失败原因");
}

TEST_F(QueryErrors, ServiceMessagesAreShownAsTheyAre)
{
    // Service texts are never string keys, whatever they look like.
    const auto row = QueryOne(Reply("0", "FINISH", "", "@string/str_conv_fail"));
    EXPECT_EQ(row.detailText, "@string/str_conv_fail");
}

TEST_F(QueryErrors, RejectedReplyMessageIsShownAsItIs)
{
    const auto row = QueryOne(R"({"ret":9,"msg":"@string/str_conv_success"})");
    EXPECT_EQ(row.detailText, "@string/str_conv_success");
}

TEST_F(QueryErrors, UnknownStateWithAResultIsConverted)
{
    const auto row = QueryOne(Reply("0", "DONE?", "http://127.0.0.1:1/r"));
    EXPECT_EQ(row.status, ConversionStatus::Converted);
    EXPECT_EQ(row.progress, 70);
    EXPECT_EQ(row.detailText, "70");
    EXPECT_EQ(row.downloadUrl, "http://127.0.0.1:1/r");
}

TEST_F(QueryErrors, WaitingLeavesTheRowAsItWas)
{
    const auto row = QueryOne(Reply("0", "WAITING", ""));
    EXPECT_EQ(row.status, ConversionStatus::Aborted); // the stop request ended the wait
    EXPECT_EQ(row.progress, 45);
}

TEST_F(QueryErrors, ExpiredTokenAsksForOneRefresh)
{
    const auto row = QueryOne(kRejected403);
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "异常：19201");
    EXPECT_EQ(tokens.refreshes.load(), 1);
}

TEST_F(QueryErrors, RejectedReplyWithAnotherRetShowsItsMessage)
{
    const auto row = QueryOne(R"({"ret":9,"msg":"余额不足"})");
    EXPECT_EQ(row.detailText, "余额不足");
    EXPECT_EQ(tokens.refreshes.load(), 0);
}

TEST_F(QueryErrors, ReplyWithoutBalanceStatusIsRejected)
{
    const auto row = QueryOne(R"({"ret":0,"msg":"m","data":{"taskState":"FINISH",)"
                              R"("filePrice":0,"userBalance":1,"downloadUrl":"http://x/y"}})");
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "");
}

TEST_F(QueryErrors, NetworkFailure)
{
    const auto row = QueryOne("{}", 502);
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "网络异常");
}

TEST_F(QueryErrors, ResultLocationThatIsNotUtf8)
{
    const auto row = QueryOne(Reply("0", "FINISH", "http://x/\xff"));
    EXPECT_EQ(row.status, ConversionStatus::TaskFailed);
    EXPECT_EQ(row.detailText, "异常：19202");
}

TEST_F(PipelineTest, PollerRowsWithUnreadableIdentifiersOrToken)
{
    AddRows({MakeSource("a.pdf", "a"), MakeSource("b.pdf", "b")});
    list.Store().SetAllStatus(kFunction, ConversionStatus::Submitted);
    list.Store().SetTaskInfo(kFunction, 0, ServerTaskInfo{"t", "\xff", "a"});
    list.Store().SetTaskInfo(kFunction, 1, ServerTaskInfo{"t", "j", "b"});
    tokens.Override("ok");
    RunStages(false, true, false);
    EXPECT_EQ(Row(0).status, ConversionStatus::TaskFailed);
    EXPECT_EQ(Row(0).detailText, "异常：19202");

    list.Store().SetStatus(kFunction, 1, ConversionStatus::Submitted);
    tokens.Override("\xc3");
    RunStages(false, true, false);
    EXPECT_EQ(Row(1).status, ConversionStatus::TokenFailed);
    EXPECT_EQ(Row(1).detailText, "异常：19200");
}

TEST_F(PipelineTest, FailedDownloadLeavesNoPartialFile)
{
    AddRows({MakeSource("a.pdf", std::string(5000, 'x'))});
    Queue();
    for (int attempt = 0; attempt < 3; ++attempt)
        service.Script(FakeEndpoint::kResult, FakeReply::WithFault(FakeReply::Fault::Truncated,
                                                                   std::string(5000, 'x'), 100));
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_EQ(Row(0).detailText, "下载失败");
    EXPECT_EQ(Row(0).statusText, "处理失败");
    EXPECT_FALSE(std::filesystem::exists(Row(0).outputPath));
    EXPECT_EQ(completed.GetCount(), 0u);
    EXPECT_EQ(window.Count(WM_CONVERT_FINISH), 1u);
}
