#include "support/pipelinefixture.h"

#include "adapter/recordfiles.h"
#include "task/catalogue.h"
#include "utility/utilitycalls.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

TokenRecord FakeTokens::GetToken(bool refresh)
{
    std::lock_guard lock(mutex);
    if (refresh) {
        ++refreshes;
        current.clear();
    }
    if (current.empty())
        current = service.IssueToken();
    TokenRecord record;
    record.ok = true;
    record.ret = 0;
    record.token = current;
    return record;
}

void FakeTokens::Override(std::string token)
{
    std::lock_guard lock(mutex);
    current = std::move(token);
}

PipelineTest::PipelineTest()
    : folder(std::filesystem::path(Utility::AppDataPath().value_or("/tmp/")) / "work")
{
    // Tests of one executable share the data directory: start each from an empty one.
    std::filesystem::remove_all(folder.parent_path());
    std::filesystem::create_directories(folder);
    list.SetFunctionName(kFunction);
    completed.Load(RecordFileLocation(RecordKind::Completed));
    pipeline.Wire(
        {&window, &list, &completed, ServiceAccess(service.BaseUrl(), &tokens), nullptr, 50});
}

PipelineTest::~PipelineTest()
{
    pipeline.StopRunning(CTC_Thread::kInfinite);
}

std::string PipelineTest::MakeSource(const std::string& relativePath, const std::string& content)
{
    const auto path = folder / relativePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

void PipelineTest::AddRows(std::initializer_list<std::string> paths)
{
    for (const auto& path : paths)
        list.Store().AddFile(kFunction, path);
}

void PipelineTest::Queue(const std::string& customDir)
{
    list.Store().SetOutputPaths(kFunction, customDir, GetResultSuffix(kFunction),
                                customDir.empty());
    list.Store().SetAllStatus(kFunction, ConversionStatus::Queued);
}

void PipelineTest::RunStages(bool runUpload, bool runQuery, bool runDownload)
{
    EXPECT_TRUE(!runUpload || upload.Start());
    EXPECT_TRUE(!runQuery || query.Start());
    EXPECT_TRUE(!runDownload || download.Start());
    ASSERT_TRUE(WaitUntilIdle(std::chrono::seconds(30)));
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool WaitForThread(const CTC_Thread& thread, std::chrono::milliseconds timeout)
{
    return WaitUntil([&thread] { return !thread.IsRunning(); }, timeout);
}

bool PipelineTest::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    return WaitUntil([this] { return !pipeline.IsRunning(); }, timeout);
}

ConversionItem PipelineTest::Row(int index) const
{
    const auto items = list.Store().GetItems(kFunction);
    return index < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(index)]
                                                  : ConversionItem{};
}

std::vector<std::string> PipelineTest::FilesIn(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PipelineTest::ResultOf(const std::string& content)
{
    return FakeService::ResultSignature(GetTaskName(kFunction)) + content;
}

std::string PipelineTest::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
