// The three pipeline stages on ten 1 MiB files against the fake service, which runs in a
// child process so that the client's CPU time and memory can be read on their own. The
// conversion is instant and the poll interval 50 ms. With --large the files are ten sparse
// ones just under the 100 MiB limit, and so are their results: the client's memory must stay
// flat. Run on demand: build/tests/bench/bench_pipeline [--large]

#include "adapter/recordlist.h"
#include "base/tokenrecord.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "task/catalogue.h"
#include "task/conversionlist.h"
#include "task/conversionpipeline.h"
#include "task/fileadmission.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 10;
constexpr std::uint64_t kSmallFile = 1 << 20;
constexpr std::uint64_t kLargeFile = kMaxFileSize - 1;
constexpr long kFlatKiB = 32 * 1024;

class FixedToken : public TokenProvider
{
public:
    explicit FixedToken(std::string token) : token(std::move(token)) {}
    TokenRecord GetToken(bool) override { return TokenRecord{true, 0, 7200, "", token}; }

private:
    std::string token;
};

double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A file of `size` bytes that are mostly a hole, starting with `head`.
void WriteSparse(const fs::path& path, std::string_view head, std::uint64_t size)
{
    std::ofstream(path, std::ios::binary) << head;
    fs::resize_file(path, size);
}

long StatusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// Runs the fake service until the parent closes `control`; reports its port and a token on
// `report`, and its CPU seconds once done. Results of `resultSize` bytes come from a file in
// `folder`; 0 leaves them to the service (the upload's first bytes).
[[noreturn]] void ServeInChild(int report, int control, const fs::path& folder,
                               std::uint64_t resultSize, const std::string& taskName)
{
    {
        FakeService service;
        if (resultSize > 0) {
            const fs::path result = folder / "result.bin";
            WriteSparse(result, FakeService::ResultSignature(taskName), resultSize);
            for (int i = 0; i < kFiles; ++i) {
                FakeReply reply;
                reply.contentType = "application/octet-stream";
                reply.bodyFile = result.string();
                service.Script(FakeEndpoint::kResult, reply);
            }
        }
        const std::string hello =
            std::to_string(service.Port()) + " " + service.IssueToken() + "\n";
        if (write(report, hello.data(), hello.size()) < 0)
            _exit(1);
        char byte = 0;
        while (read(control, &byte, 1) > 0) {
        }
    }
    const std::string cpu = std::to_string(CpuSeconds(RUSAGE_SELF)) + "\n";
    if (write(report, cpu.data(), cpu.size()) < 0)
        _exit(1);
    _exit(0);
}

bool WaitIdle(const ConversionPipeline& pipeline)
{
    const auto deadline = Clock::now() + std::chrono::minutes(2);
    while (pipeline.IsRunning()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const bool large = argc > 1 && std::string_view(argv[1]) == "--large";
    const std::uint64_t fileSize = large ? kLargeFile : kSmallFile;
    const fs::path folder = fs::temp_directory_path() / "dokora-bench-pipeline";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string function = "PDF2Word";
    int reportPipe[2];
    int controlPipe[2];
    if (pipe(reportPipe) != 0 || pipe(controlPipe) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(reportPipe[0]);
        close(controlPipe[1]);
        ServeInChild(reportPipe[1], controlPipe[0], folder, large ? fileSize : 0,
                     GetTaskName(function));
    }
    close(reportPipe[1]);
    close(controlPipe[0]);
    FILE* report = fdopen(reportPipe[0], "r");
    int port = 0;
    char token[256] = {};
    if (std::fscanf(report, "%d %255s", &port, token) != 2)
        return 1;

    ConversionList list;
    list.SetFunctionName(function);
    for (int i = 0; i < kFiles; ++i) {
        const fs::path path = folder / ("file" + std::to_string(i) + ".pdf");
        if (large)
            WriteSparse(path, "%PDF-1.4\n", fileSize);
        else
            std::ofstream(path, std::ios::binary)
                << std::string(fileSize, static_cast<char>('a' + i));
        list.Store().AddFile(function, path.string());
    }
    list.Store().SetOutputPaths(function, "", GetResultSuffix(function), true);
    list.Store().SetAllStatus(function, ConversionStatus::Queued);

    FixedToken tokens(token);
    RecordList completed(RecordKind::Completed);
    completed.Load((folder / "completed_ini.xml").string());
    RecordingTarget window;
    ConversionPipeline pipeline;
    pipeline.Wire({&window, &list, &completed,
                   ServiceAccess("http://127.0.0.1:" + std::to_string(port), &tokens), nullptr,
                   50});

    const long residentBefore = StatusKiB("VmRSS");
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    pipeline.Start();
    const bool finished = WaitIdle(pipeline);
    const long peakGrowth = StatusKiB("VmHWM") - residentBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double clientCpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;

    close(controlPipe[1]);
    double serviceCpu = 0;
    if (std::fscanf(report, "%lf", &serviceCpu) != 1)
        serviceCpu = -1;
    waitpid(child, nullptr, 0);

    int completedRows = 0;
    for (const auto& item : list.Store().GetItems(function))
        completedRows += item.status == ConversionStatus::Completed ? 1 : 0;
    std::uintmax_t resultBytes = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() != ".pdf" && entry.path().extension() != ".xml" &&
            entry.path().filename() != "result.bin")
            resultBytes += entry.file_size();
    fs::remove_all(folder);

    std::printf("pipeline: %d files of %llu KiB, poll interval 50 ms, %s\n", kFiles,
                static_cast<unsigned long long>(fileSize / 1024),
                finished ? "finished" : "TIMED OUT");
    std::printf("  completed rows         %d of %d\n", completedRows, kFiles);
    std::printf("  results written        %.1f MiB\n",
                static_cast<double>(resultBytes) / 1048576.0);
    std::printf("  wall time              %.3f s (%.1f ms per file)\n", wall, wall * 1000 / kFiles);
    std::printf("  client CPU             %.3f s (%.2f ms per file; target < 20 ms)\n", clientCpu,
                clientCpu * 1000 / kFiles);
    std::printf("  fake service CPU       %.3f s\n", serviceCpu);
    std::printf("  client CPU / service CPU  %.2f\n",
                serviceCpu > 0 ? clientCpu / serviceCpu : 0.0);
    std::printf("  client memory          %.1f MiB resident before, peak %.1f MiB above it "
                "(flat within %ld MiB: %s)\n",
                static_cast<double>(residentBefore) / 1024.0,
                static_cast<double>(peakGrowth) / 1024.0, kFlatKiB / 1024,
                peakGrowth <= kFlatKiB ? "yes" : "NO");
    return finished && completedRows == kFiles && peakGrowth <= kFlatKiB ? 0 : 1;
}
