#include "http/uploadbase.h"

#include "support/fakeservice.h"
#include "utility/stopevent.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kBoundary(CUploadBase::kBoundary);

class RecordingUpload : public CUploadBase
{
public:
    void OnProgress(int state, std::uint32_t total, std::uint32_t done, void*) override
    {
        calls.push_back({state, total, done});
        if (onProgress) {
            onProgress(done);
        }
    }

    struct Call
    {
        int state;
        std::uint32_t total;
        std::uint32_t done;
    };
    std::vector<Call> calls;
    std::function<void(std::uint32_t)> onProgress;
};

std::string RandomBytes(std::size_t size)
{
    std::mt19937 generator(42);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

// A loopback port nobody listens on.
int ClosedPort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

class HttpUploadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) /
              ("upload-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        url = service.BaseUrl() + "/v2/task/upload?plateform=pc&token=" + service.IssueToken() +
              "&taskname=pdf-to-word";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const fs::path path = dir / fs::u8path(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    static std::string Expected(const std::string& name, const std::string& type,
                                const std::string& bytes)
    {
        return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
               name + "\"\r\nContent-Type: " + type + "\r\n\r\n" + bytes + "\r\n--" + kBoundary +
               "--\r\n";
    }

    CUploadBase::Result Run(RecordingUpload& upload, const std::string& path,
                            const StopEvent* stop = nullptr)
    {
        upload.PrepareMultipart(path);
        return upload.Upload(url, path, stop, nullptr, response);
    }

    FakeService service;
    fs::path dir;
    std::string url;
    std::string response;
};

TEST_F(HttpUploadTest, ZeroByteFileIsHeaderLinesThenClosingLine)
{
    RecordingUpload upload;
    ASSERT_EQ(Run(upload, WriteFile("empty.pdf", "")), CUploadBase::Result::kDone);

    const auto requests = service.Requests(FakeEndpoint::kUpload);
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    const std::string expected = Expected("empty.pdf", "application/pdf", "");
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(expected.size()));
    EXPECT_TRUE(request.raw.starts_with("POST " + request.target + " HTTP/1.0\r\n"));
    EXPECT_EQ(request.Header("Content-Type"), "multipart/form-data; boundary=" + kBoundary);
    EXPECT_EQ(request.Header("User-Agent"), "MyAgent");
    EXPECT_NE(response.find("\"taskId\":\"task-"), std::string::npos) << response;
    ASSERT_EQ(upload.calls.size(), 1u);
    EXPECT_EQ(upload.calls[0].total, 0u);
}

TEST_F(HttpUploadTest, NonAsciiNameAndUnknownTypeGoOutUnchanged)
{
    const std::string bytes = "x\r\n--" + kBoundary + "\r\n\0y";
    RecordingUpload upload;
    ASSERT_EQ(Run(upload, WriteFile("报告 v2.xyz", bytes)), CUploadBase::Result::kDone);

    const auto request = service.Requests(FakeEndpoint::kUpload).at(0);
    const std::string expected = Expected("报告 v2.xyz", "", bytes);
    EXPECT_EQ(request.body, expected);
    EXPECT_NE(request.body.find("Content-Type: \r\n\r\n"), std::string::npos);
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(expected.size()));
    EXPECT_NE(response.find("\"fileName\":\"报告 v2.xyz\""), std::string::npos) << response;
}

TEST_F(HttpUploadTest, QuoteInFileNameCannotBreakThePartHeader)
{
    RecordingUpload upload;
    ASSERT_EQ(Run(upload, WriteFile("a\"b.pdf", "1")), CUploadBase::Result::kDone);
    EXPECT_EQ(service.Requests(FakeEndpoint::kUpload).at(0).body,
              Expected("a%22b.pdf", "application/pdf", "1"));
}

TEST_F(HttpUploadTest, StreamsInChunksWithProgressAndCookie)
{
    const std::string bytes = RandomBytes(300 * 1024 + 7);
    const std::string path = WriteFile("big.png", bytes);
    RecordingUpload upload;
    upload.SetChunkSize(65536);
    upload.SetCookie("agent=ag-1");
    upload.PrepareMultipart(path);
    // Preparing again for the next file must not pile up header text.
    ASSERT_EQ(Run(upload, path), CUploadBase::Result::kDone);

    const auto request = service.Requests(FakeEndpoint::kUpload).at(0);
    EXPECT_EQ(request.body, Expected("big.png", "image/png", bytes));
    EXPECT_EQ(request.Header("Cookie"), "agent=ag-1");
    EXPECT_EQ(upload.GetRequestHeaders(),
              "Content-Type: multipart/form-data; boundary=" + kBoundary);

    ASSERT_GE(upload.calls.size(), bytes.size() / 65536 + 1);
    EXPECT_EQ(upload.calls.front().done, 0u);
    EXPECT_EQ(upload.calls.back().done, bytes.size());
    for (std::size_t i = 1; i < upload.calls.size(); ++i) {
        EXPECT_EQ(upload.calls[i].state, 0);
        EXPECT_EQ(upload.calls[i].total, bytes.size());
        EXPECT_GE(upload.calls[i].done, upload.calls[i - 1].done);
        EXPECT_LE(upload.calls[i].done - upload.calls[i - 1].done, 65536u);
    }
}

TEST_F(HttpUploadTest, StopWhileStreamingEndsBeforeTheNextChunk)
{
    const std::string path = WriteFile("big.pdf", RandomBytes(8 << 20));
    StopEvent stop;
    RecordingUpload upload;
    upload.SetChunkSize(65536);
    std::uint32_t sentAtStop = 0;
    upload.onProgress = [&](std::uint32_t sent) {
        if (sent >= (1u << 20) && !stop.IsSet()) {
            sentAtStop = sent;
            stop.Set();
        }
    };
    EXPECT_EQ(Run(upload, path, &stop), CUploadBase::Result::kStopped);
    EXPECT_GT(sentAtStop, 0u);
    EXPECT_EQ(upload.calls.back().done, sentAtStop);
}

TEST_F(HttpUploadTest, StopWhileThePeerIsSilentEndsPromptly)
{
    FakeReply silent = FakeReply::Json("{}");
    silent.delay = 10s;
    service.Script(FakeEndpoint::kUpload, silent);
    const std::string path = WriteFile("a.pdf", "data");
    StopEvent stop;
    RecordingUpload upload;
    auto result = std::async(std::launch::async, [&] { return Run(upload, path, &stop); });
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kUpload, 1, 5s));
    std::this_thread::sleep_for(50ms);
    const auto stoppedAt = Clock::now();
    stop.Set();
    EXPECT_EQ(result.get(), CUploadBase::Result::kStopped);
    EXPECT_LT(Clock::now() - stoppedAt, 100ms);
}

TEST_F(HttpUploadTest, SilenceBeyondTheTimeoutGivesTwo)
{
    FakeReply silent = FakeReply::Json("{}");
    silent.delay = 10s;
    service.Script(FakeEndpoint::kUpload, silent);
    RecordingUpload upload;
    upload.SetTimeout(300);
    const auto start = Clock::now();
    EXPECT_EQ(Run(upload, WriteFile("a.pdf", "data")), CUploadBase::Result::kTimedOut);
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_LT(Clock::now() - start, 3s);
}

TEST_F(HttpUploadTest, TransportFailuresGiveOne)
{
    const std::string path = WriteFile("a.pdf", "data");
    RecordingUpload upload;
    upload.PrepareMultipart(path);

    url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/v2/task/upload";
    EXPECT_EQ(upload.Upload(url, path, nullptr, nullptr, response), CUploadBase::Result::kFailed);

    service.Script(FakeEndpoint::kUpload, FakeReply::WithFault(FakeReply::Fault::Close));
    url = service.BaseUrl() + "/v2/task/upload";
    EXPECT_EQ(upload.Upload(url, path, nullptr, nullptr, response), CUploadBase::Result::kFailed);

    // TLS to a plain server fails at the handshake instead of hanging.
    const auto start = Clock::now();
    url = "https://127.0.0.1:" + std::to_string(service.Port()) + "/v2/task/upload";
    EXPECT_EQ(upload.Upload(url, path, nullptr, nullptr, response), CUploadBase::Result::kFailed);
    EXPECT_LT(Clock::now() - start, 5s);

    EXPECT_EQ(upload.Upload(service.BaseUrl(), path, nullptr, nullptr, response),
              CUploadBase::Result::kFailed);
    EXPECT_EQ(upload.Upload(url, (dir / "missing.pdf").string(), nullptr, nullptr, response),
              CUploadBase::Result::kFailed);
}

TEST_F(HttpUploadTest, AnyStatusIsACompletedExchange)
{
    service.Script(FakeEndpoint::kUpload, FakeReply::Text("busy", 503));
    RecordingUpload upload;
    EXPECT_EQ(Run(upload, WriteFile("a.pdf", "data")), CUploadBase::Result::kDone);
    EXPECT_EQ(response, "busy");
}

TEST_F(HttpUploadTest, StopBeforeStartSendsNothing)
{
    StopEvent stop;
    stop.Set();
    RecordingUpload upload;
    EXPECT_EQ(Run(upload, WriteFile("a.pdf", "data"), &stop), CUploadBase::Result::kStopped);
    EXPECT_TRUE(service.AllRequests().empty());
}

TEST_F(HttpUploadTest, ReplyLongerThanAServiceReplyFails)
{
    const std::string path = WriteFile("a.pdf", "a");
    service.Script(FakeEndpoint::kUpload, FakeReply::Json(std::string(13000, ' ')));
    RecordingUpload upload;
    ASSERT_EQ(Run(upload, path), CUploadBase::Result::kDone);
    EXPECT_EQ(response.size(), 13000u);

    response.clear();
    service.Script(FakeEndpoint::kUpload, FakeReply::Json(std::string(1u << 20, ' ')));
    EXPECT_EQ(Run(upload, path), CUploadBase::Result::kFailed);
    EXPECT_LE(response.size(), 13000u);
}

} // namespace
