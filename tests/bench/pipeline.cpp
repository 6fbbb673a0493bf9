// The three pipeline stages on ten 1 MiB files against the fake service, which runs in a
// child process so that the client's CPU time can be read on its own. The conversion is
// instant and the poll interval 50 ms. Run on demand: build/tests/bench/bench_pipeline

#include "adapter/recordlist.h"
#include "base/tokenrecord.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "task/catalogue.h"
#include "task/conversionlist.h"
#include "task/conversionpipeline.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 10;
constexpr std::size_t kFileSize = 1 << 20;

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

// Runs the fake service until the parent closes `control`; reports its port and a token on
// `report`, and its CPU seconds once done.
[[noreturn]] void ServeInChild(int report, int control)
{
    {
        FakeService service;
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

int main()
{
    int reportPipe[2];
    int controlPipe[2];
    if (pipe(reportPipe) != 0 || pipe(controlPipe) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(reportPipe[0]);
        close(controlPipe[1]);
        ServeInChild(reportPipe[1], controlPipe[0]);
    }
    close(reportPipe[1]);
    close(controlPipe[0]);
    FILE* report = fdopen(reportPipe[0], "r");
    int port = 0;
    char token[256] = {};
    if (std::fscanf(report, "%d %255s", &port, token) != 2)
        return 1;

    const fs::path folder = fs::temp_directory_path() / "dokora-bench-pipeline";
    fs::remove_all(folder);
    fs::create_directories(folder);
    ConversionList list;
    const std::string function = "PDF2Word";
    list.SetFunctionName(function);
    for (int i = 0; i < kFiles; ++i) {
        const fs::path path = folder / ("file" + std::to_string(i) + ".pdf");
        std::ofstream(path, std::ios::binary) << std::string(kFileSize, static_cast<char>('a' + i));
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

    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    pipeline.Start();
    const bool finished = WaitIdle(pipeline);
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
    fs::remove_all(folder);

    std::printf("pipeline: %d files of %zu KiB, poll interval 50 ms, %s\n", kFiles,
                kFileSize / 1024, finished ? "finished" : "TIMED OUT");
    std::printf("  completed rows         %d of %d\n", completedRows, kFiles);
    std::printf("  wall time              %.3f s (%.1f ms per file)\n", wall, wall * 1000 / kFiles);
    std::printf("  client CPU             %.3f s (%.2f ms per file; target < 20 ms)\n", clientCpu,
                clientCpu * 1000 / kFiles);
    std::printf("  fake service CPU       %.3f s\n", serviceCpu);
    std::printf("  client CPU / service CPU  %.2f\n",
                serviceCpu > 0 ? clientCpu / serviceCpu : 0.0);
    return finished && completedRows == kFiles ? 0 : 1;
}
