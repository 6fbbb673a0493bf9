// Every endpoint the conversion pipeline calls, against every fault a service or network can
// show: each run ends (by itself, or within the stop bound when the service stalls), and the
// row ends in the state and with the text that failure is shown with. An upload answered with
// an error status is read like any reply, so its unreadable body shows as a service fault; a
// reply too large for the reply buffer is a failed exchange.
#include "support/pipelinefixture.h"

#include <chrono>
#include <string>

namespace {

using Fault = FakeReply::Fault;
using Clock = std::chrono::steady_clock;

enum class Injected
{
    Dropped,   // the connection closes without a reply
    Refused,   // nothing listens at the address
    Stall,     // headers, then silence
    Status500, // a server error
    Truncated, // the body ends early
    Malformed, // not JSON
    Missing,   // JSON without a member the client needs
    Huge,      // 16 MiB
};

struct FaultRow
{
    std::string_view endpoint;
    Injected fault;
    ConversionStatus status;
    std::string detail;
};

constexpr std::size_t kHuge = 16u << 20;
constexpr auto kStopBound = std::chrono::milliseconds(2000);

std::string Name(Injected fault)
{
    switch (fault) {
    case Injected::Dropped:
        return "Dropped";
    case Injected::Refused:
        return "Refused";
    case Injected::Stall:
        return "Stall";
    case Injected::Status500:
        return "Status500";
    case Injected::Truncated:
        return "Truncated";
    case Injected::Malformed:
        return "Malformed";
    case Injected::Missing:
        return "Missing";
    case Injected::Huge:
        return "Huge";
    }
    return "";
}

// A reply of the endpoint lacking the member the client reads last.
std::string WithoutMember(std::string_view endpoint)
{
    if (endpoint == FakeEndpoint::kUpload)
        return R"({"ret":0,"msg":"ok","data":{"fileSize":1,"filePrice":0,"docid":"d"}})";
    if (endpoint == FakeEndpoint::kSubmit)
        return R"({"ret":0,"msg":"ok","data":{"docid":"d","taskId":"task-1"}})";
    return R"({"ret":0,"msg":"ok","data":{"taskState":"FINISH","filePrice":0}})";
}

FakeReply Reply(std::string_view endpoint, Injected fault)
{
    switch (fault) {
    case Injected::Dropped:
        return FakeReply::WithFault(Fault::Close);
    case Injected::Stall:
        return FakeReply::WithFault(Fault::Stall);
    case Injected::Status500:
        return FakeReply::Json(R"({"ret":500,"msg":"busy"})", 500);
    case Injected::Truncated:
        return FakeReply::WithFault(Fault::Truncated, R"({"ret":0,"msg":"ok","data":{}})", 10);
    case Injected::Malformed:
        return FakeReply::Json(R"({"ret":0,"msg":"ok","data":{"ta)");
    case Injected::Missing:
        return FakeReply::Json(WithoutMember(endpoint));
    case Injected::Huge:
        return FakeReply::Json(std::string(kHuge, ' ') + "[");
    case Injected::Refused:
        break;
    }
    return {};
}

const std::string kNet = "网络异常";

} // namespace

class FaultMatrix : public PipelineTest, public ::testing::WithParamInterface<FaultRow>
{
};

TEST_P(FaultMatrix, EndsInTheStateAndTextOfItsFailure)
{
    const FaultRow& row = GetParam();
    AddRows({MakeSource("a.pdf", "a")});
    Queue();
    query.SetPollInterval(20);
    if (row.endpoint == FakeEndpoint::kResult && row.fault == Injected::Refused) {
        service.Script(
            FakeEndpoint::kQuery,
            FakeReply::Json(R"({"ret":0,"msg":"","data":{"taskState":"FINISH",)"
                            R"("balanceStatus":"NORMAL","filePrice":0,)"
                            R"("userBalance":1,"downloadUrl":"http://127.0.0.1:1/r"}})"));
    } else {
        // Transfers try up to three times; every attempt meets the fault.
        for (int attempt = 0; attempt < 3; ++attempt)
            service.Script(row.endpoint, Reply(row.endpoint, row.fault));
    }

    EXPECT_TRUE(upload.Start());
    EXPECT_TRUE(query.Start());
    EXPECT_TRUE(download.Start());
    if (row.fault == Injected::Stall) {
        ASSERT_TRUE(service.WaitForRequests(row.endpoint, 1, std::chrono::seconds(10)));
        const auto start = Clock::now();
        pipeline.StopRunning(static_cast<std::uint32_t>(kStopBound.count()));
        EXPECT_FALSE(pipeline.IsRunning());
        EXPECT_LT(Clock::now() - start, kStopBound + std::chrono::milliseconds(500));
    } else {
        ASSERT_TRUE(WaitUntilIdle(std::chrono::seconds(30)));
    }
    const ConversionItem item = Row(0);
    EXPECT_EQ(item.status, row.status) << item.detailText;
    EXPECT_EQ(item.detailText, row.detail);
    if (row.status != ConversionStatus::Completed) {
        EXPECT_FALSE(std::filesystem::exists(item.outputPath));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pipeline, FaultMatrix,
    ::testing::Values(
        FaultRow{FakeEndpoint::kUpload, Injected::Dropped, ConversionStatus::UploadFailed, kNet},
        FaultRow{FakeEndpoint::kUpload, Injected::Stall, ConversionStatus::Aborted, "用户状态异常"},
        FaultRow{FakeEndpoint::kUpload, Injected::Status500, ConversionStatus::UploadFailed,
                 "服务异常"},
        FaultRow{FakeEndpoint::kUpload, Injected::Truncated, ConversionStatus::UploadFailed, kNet},
        FaultRow{FakeEndpoint::kUpload, Injected::Malformed, ConversionStatus::UploadFailed,
                 "服务异常"},
        FaultRow{FakeEndpoint::kUpload, Injected::Missing, ConversionStatus::UploadFailed,
                 "服务异常"},
        FaultRow{FakeEndpoint::kUpload, Injected::Huge, ConversionStatus::UploadFailed, kNet},
        FaultRow{FakeEndpoint::kSubmit, Injected::Dropped, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kSubmit, Injected::Stall, ConversionStatus::Aborted, "用户状态异常"},
        FaultRow{FakeEndpoint::kSubmit, Injected::Status500, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kSubmit, Injected::Truncated, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kSubmit, Injected::Malformed, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kSubmit, Injected::Missing, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kSubmit, Injected::Huge, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kQuery, Injected::Dropped, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kQuery, Injected::Stall, ConversionStatus::Aborted, "用户状态异常"},
        FaultRow{FakeEndpoint::kQuery, Injected::Status500, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kQuery, Injected::Truncated, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kQuery, Injected::Malformed, ConversionStatus::TaskFailed, ""},
        FaultRow{FakeEndpoint::kQuery, Injected::Missing, ConversionStatus::TaskFailed, ""},
        FaultRow{FakeEndpoint::kQuery, Injected::Huge, ConversionStatus::TaskFailed, kNet},
        FaultRow{FakeEndpoint::kResult, Injected::Dropped, ConversionStatus::DownloadFailed,
                 "下载失败"},
        FaultRow{FakeEndpoint::kResult, Injected::Refused, ConversionStatus::DownloadFailed,
                 "下载失败"},
        FaultRow{FakeEndpoint::kResult, Injected::Stall, ConversionStatus::Aborted, "用户状态异常"},
        FaultRow{FakeEndpoint::kResult, Injected::Status500, ConversionStatus::DownloadFailed,
                 "下载失败"},
        FaultRow{FakeEndpoint::kResult, Injected::Truncated, ConversionStatus::DownloadFailed,
                 "下载失败"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) {
        std::string endpoint(info.param.endpoint.substr(info.param.endpoint.rfind('/') + 1));
        if (endpoint == "*")
            endpoint = "result";
        return endpoint + "_" + Name(info.param.fault);
    });
