#pragma once

#include "adapter/recordlist.h"
#include "base/tokenrecord.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "task/conversionlist.h"
#include "task/conversionpipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Waits until `done` holds; false on time-out.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Waits until `thread` ended by itself.
bool WaitForThread(const CTC_Thread& thread, std::chrono::milliseconds timeout);

// Hands out tokens the fake service accepts and counts refreshes.
class FakeTokens : public TokenProvider
{
public:
    explicit FakeTokens(FakeService& service) : service(service) {}

    TokenRecord GetToken(bool refresh) override;
    // Every later token is `token` until the next refresh.
    void Override(std::string token);

    std::atomic<int> refreshes{0};

private:
    FakeService& service;
    std::mutex mutex;
    std::string current;
};

// The three pipeline stages wired to a fake service, a conversion list for one function and a
// completed list in the test's data directory.
class PipelineTest : public ::testing::Test
{
protected:
    static constexpr const char* kFunction = "PDF2Word";

    PipelineTest();
    ~PipelineTest() override;

    // A source file in the test's folder.
    std::string MakeSource(const std::string& relativePath, const std::string& content);
    void AddRows(std::initializer_list<std::string> paths);
    // Plans output paths beside the sources (or in `customDir`) and queues every row, as the
    // start button does.
    void Queue(const std::string& customDir = "");
    // Starts the stages whose flags are set and waits for all of them to end.
    void RunStages(bool upload, bool query, bool download);
    void RunPipeline() { RunStages(true, true, true); }
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

    ConversionItem Row(int index) const;
    static std::string ReadFile(const std::string& path);
    // Every name in `dir`, temporary files included, sorted.
    static std::vector<std::string> FilesIn(const std::filesystem::path& dir);
    // The bytes the fake service returns as the result of a source holding `content`.
    static std::string ResultOf(const std::string& content);

    std::filesystem::path folder;
    FakeService service;
    FakeTokens tokens{service};
    ConversionList list;
    RecordList completed{RecordKind::Completed};
    RecordingTarget window;
    ConversionPipeline pipeline;
    CUploadFilesThread& upload = pipeline.upload;
    CQueryConvertThread& query = pipeline.query;
    CDownloadFilesThread& download = pipeline.download;
};
