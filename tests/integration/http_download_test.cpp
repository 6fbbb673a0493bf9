#include "http/downloadbase.h"

#include "support/fakeservice.h"
#include "utility/stopevent.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <sstream>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class RecordingDownload : public CDownloadBase
{
public:
    struct Call
    {
        int state;
        std::uint32_t total;
        std::uint32_t done;
    };

    void OnProgress(int state, std::uint32_t total, std::uint32_t done, void*) override
    {
        calls.push_back({state, total, done});
        if (onProgress) {
            onProgress(done);
        }
    }

    std::size_t Failures() const
    {
        return static_cast<std::size_t>(
            std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.state == 1; }));
    }

    std::vector<Call> calls;
    std::function<void(std::uint32_t)> onProgress;
};

std::string RandomBytes(std::size_t size)
{
    std::mt19937 generator(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class HttpDownloadTest : public testing::Test
{
protected:
    // The files in the test's folder: the result and any temporary file left beside it.
    std::vector<std::string> FilesInDir() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) /
              ("download-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        path = (dir / "result.docx").string();
        url = service.BaseUrl() + "/results/job-1";
    }
    void TearDown() override { fs::remove_all(dir); }

    FakeService service;
    fs::path dir;
    std::string path;
    std::string url;
};

TEST_F(HttpDownloadTest, WritesTheBodyInChunksWithProgress)
{
    const std::string bytes = RandomBytes(5000);
    service.Script(FakeEndpoint::kResult, FakeReply::Text(bytes));
    std::ofstream(path) << "old content that is longer than nothing";
    RecordingDownload download;
    download.SetChunkSize(1000);
    ASSERT_EQ(download.Download(url, path, nullptr, nullptr), CDownloadBase::Result::kDone);

    EXPECT_EQ(ReadFile(path), bytes);
    ASSERT_EQ(download.calls.size(), 6u);
    for (std::size_t i = 0; i < download.calls.size(); ++i) {
        EXPECT_EQ(download.calls[i].state, 0);
        EXPECT_EQ(download.calls[i].total, 5000u);
        EXPECT_EQ(download.calls[i].done, i * 1000);
    }
    const auto request = service.Requests(FakeEndpoint::kResult).at(0);
    EXPECT_EQ(request.Header("User-Agent"), "Testing");
}

TEST_F(HttpDownloadTest, EmptyBodyWithLengthZeroGivesEmptyFile)
{
    service.Script(FakeEndpoint::kResult, FakeReply::Text(""));
    RecordingDownload download;
    ASSERT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kDone);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(HttpDownloadTest, BodyWithoutContentLengthFails)
{
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::NoContentLength, "readable body"));
    RecordingDownload download;
    EXPECT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_EQ(download.Failures(), 1u);
    EXPECT_EQ(download.calls.back().state, 1);
}

TEST_F(HttpDownloadTest, LengthThatIsNotADecimalNumberFails)
{
    // Twelve bytes, so a length read by its leading digits would seem to fit.
    FakeReply reply = FakeReply::WithFault(FakeReply::Fault::NoContentLength, "twelve bytes");
    reply.headers.emplace_back("Content-Length", "12abc");
    service.Script(FakeEndpoint::kResult, reply);
    RecordingDownload download;
    EXPECT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 1u);
}

TEST_F(HttpDownloadTest, CutBodyFailsAndLeavesNothingBehind)
{
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::Truncated, RandomBytes(4000), 1500));
    std::ofstream(path) << "kept";
    RecordingDownload download;
    EXPECT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_EQ(ReadFile(path), "kept");
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"result.docx"});
    EXPECT_EQ(download.calls.back().state, 1);
    EXPECT_EQ(download.calls.back().total, 4000u);
    EXPECT_EQ(download.calls.back().done, 1500u);
}

TEST_F(HttpDownloadTest, ErrorPageIsNotSavedAsTheResult)
{
    service.Script(FakeEndpoint::kResult, FakeReply::Text("no such result", 404));
    RecordingDownload download;
    EXPECT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(download.Failures(), 1u);
}

TEST_F(HttpDownloadTest, RedirectIsFollowed)
{
    FakeReply moved = FakeReply::Text("", 302);
    moved.headers.emplace_back("Location", service.BaseUrl() + "/results/job-2");
    service.Script(FakeEndpoint::kResult, moved);
    service.Script(FakeEndpoint::kResult, FakeReply::Text("moved body"));
    RecordingDownload download;
    ASSERT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kDone);
    EXPECT_EQ(ReadFile(path), "moved body");
}

TEST_F(HttpDownloadTest, AttemptsAreCountedUntilSuccess)
{
    service.Script(FakeEndpoint::kResult, FakeReply::WithFault(FakeReply::Fault::Close));
    service.Script(FakeEndpoint::kResult, FakeReply::Text("", 500));
    service.Script(FakeEndpoint::kResult, FakeReply::Text("third time"));
    RecordingDownload download;
    ASSERT_EQ(download.Download(url, path, nullptr, nullptr), CDownloadBase::Result::kDone);
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 3u);
    EXPECT_EQ(download.Failures(), 2u);
    EXPECT_EQ(ReadFile(path), "third time");

    for (int i = 0; i < 3; ++i) {
        service.Script(FakeEndpoint::kResult, FakeReply::WithFault(FakeReply::Fault::Close));
    }
    download.SetAttempts(2);
    EXPECT_EQ(download.Download(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 5u);

    download.SetAttempts(0);
    EXPECT_EQ(download.Download(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 5u);
}

TEST_F(HttpDownloadTest, StopWhileStreamingEndsAfterTheCurrentChunk)
{
    service.Script(FakeEndpoint::kResult, FakeReply::Text(RandomBytes(256 * 1024)));
    StopEvent stop;
    RecordingDownload download;
    download.onProgress = [&](std::uint32_t done) {
        if (done >= 10 * 1024) {
            stop.Set();
        }
    };
    EXPECT_EQ(download.Download(url, path, &stop, nullptr), CDownloadBase::Result::kStopped);
    ASSERT_GE(download.calls.size(), 2u);
    const auto last = download.calls.back();
    EXPECT_EQ(last.state, 1);
    EXPECT_EQ(last.done, 10u * 1024);
    EXPECT_EQ(download.calls[download.calls.size() - 2].done, 10u * 1024);
    EXPECT_TRUE(FilesInDir().empty());
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 1u);
}

TEST_F(HttpDownloadTest, StopWhileThePeerStallsEndsPromptly)
{
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::Stall, RandomBytes(10000), 3000));
    StopEvent stop;
    RecordingDownload download;
    std::promise<void> started;
    download.onProgress = [&, once = false](std::uint32_t done) mutable {
        if (done >= 3000 && !once) {
            once = true;
            started.set_value();
        }
    };
    auto result = std::async(std::launch::async,
                             [&] { return download.DownloadToFile(url, path, &stop, nullptr); });
    ASSERT_EQ(started.get_future().wait_for(5s), std::future_status::ready);
    std::this_thread::sleep_for(50ms);
    const auto stoppedAt = Clock::now();
    stop.Set();
    EXPECT_EQ(result.get(), CDownloadBase::Result::kStopped);
    EXPECT_LT(Clock::now() - stoppedAt, 100ms);
    EXPECT_EQ(download.calls.back().state, 1);
    EXPECT_EQ(download.calls.back().done, 3000u);
    EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(HttpDownloadTest, PlantedLinkIsReplacedNeverWrittenThrough)
{
    const fs::path elsewhere = dir / "elsewhere.txt";
    fs::create_symlink(elsewhere, path);
    service.Script(FakeEndpoint::kResult, FakeReply::Text("body"));
    RecordingDownload download;
    ASSERT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kDone);
    EXPECT_FALSE(fs::exists(elsewhere));
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(path), "body");
}

// Refuses bodies that do not start with "%PDF-" and targets named "taken".
class CheckingDownload : public RecordingDownload
{
public:
    bool AcceptContent(std::string_view head) override { return head.starts_with("%PDF-"); }
    bool MayReplace(std::string_view target) override { return !target.ends_with("taken"); }
};

TEST_F(HttpDownloadTest, RejectedContentOrTargetLeavesNothingAndIsNotRetried)
{
    service.Script(FakeEndpoint::kResult, FakeReply::Text("<html>sign in first</html>"));
    CheckingDownload download;
    EXPECT_EQ(download.Download(url, path, nullptr, nullptr), CDownloadBase::Result::kRejected);
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 1u);
    EXPECT_EQ(download.calls.back().state, 1);
    EXPECT_TRUE(FilesInDir().empty());

    service.Script(FakeEndpoint::kResult, FakeReply::Text("%PDF-1.7"));
    const std::string taken = (dir / "taken").string();
    EXPECT_EQ(download.DownloadToFile(url, taken, nullptr, nullptr),
              CDownloadBase::Result::kFailed);
    EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(HttpDownloadTest, TransferBelowTheMinimumSpeedFails)
{
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::Trickle, RandomBytes(100000), 10));
    RecordingDownload download;
    download.SetMinimumSpeed(1000, 1s);
    const auto start = Clock::now();
    EXPECT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(HttpDownloadTest, TransferLimitEndsASlowButSteadyBody)
{
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::Trickle, RandomBytes(100000), 10));
    RecordingDownload download;
    download.SetTransferLimit(500ms);
    const auto start = Clock::now();
    EXPECT_EQ(download.DownloadToFile(url, path, nullptr, nullptr), CDownloadBase::Result::kFailed);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(HttpDownloadTest, UnreachableOrWrongSchemeFailsWithOne)
{
    RecordingDownload download;
    download.SetAttempts(1);
    const auto start = Clock::now();
    EXPECT_EQ(
        download.Download("https://127.0.0.1:" + std::to_string(service.Port()) + "/results/job-1",
                          path, nullptr, nullptr),
        CDownloadBase::Result::kFailed);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(download.Download("file:///etc/hostname", path, nullptr, nullptr),
              CDownloadBase::Result::kFailed);
    EXPECT_EQ(download.Failures(), 2u);
    EXPECT_FALSE(fs::exists(path));
}

} // namespace
