// Time limits of a conversion run: polling a task, downloading its result.
#include "support/pipelinefixture.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST_F(PipelineTest, TaskPolledLongerThanTheLimitFails)
{
    service.SetConversionDelay(1000000);
    query.SetTimeLimit(300ms);
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    const auto start = std::chrono::steady_clock::now();
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::TaskFailed);
    EXPECT_EQ(Row(0).detailText, "处理超时");
    EXPECT_EQ(Row(0).statusText, "处理失败");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_GE(service.Requests(FakeEndpoint::kQuery).size(), 2u);
}

TEST_F(PipelineTest, TricklingResultFailsTheRow)
{
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    download.SetAttempts(1);
    download.SetMinimumSpeed(1000, 1s);
    service.Script(
        FakeEndpoint::kResult,
        FakeReply::WithFault(FakeReply::Fault::Trickle, ResultOf(std::string(1000, 'a')), 10));
    RunPipeline();
    EXPECT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"a.pdf"});
}

} // namespace
