// Throughput of the transfer classes against the curl command line over loopback, both
// talking to the same in-process fake service, and the memory our process needs meanwhile.
// Run on demand: build/tests/bench/bench_transfer

#include "http/downloadbase.h"
#include "http/uploadbase.h"
#include "support/fakeservice.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kFileSize = 100ull << 20;
constexpr int kRounds = 5;
constexpr std::int32_t kChunkSize = 65536; // what the upload stage uses

// A /proc/self/status field in KiB.
long StatusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// Lets the next VmHWM reading show the peak from now on.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double MBps(double seconds)
{
    return static_cast<double>(kFileSize) / 1e6 / seconds;
}

// Wall time of one transfer and the CPU time the client spent on it.
struct Measure
{
    double seconds = -1;
    double cpu = 0;
};

double CpuSeconds(const rusage& usage)
{
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs curl without a shell; its time is curl's own transfer time (-w %{time_total}).
Measure RunCurl(const std::vector<std::string>& arguments)
{
    std::vector<std::string> all = {"curl", "-sS", "-w", "%{time_total}"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    int output[2];
    if (pipe(output) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "curl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(output[0], buffer, sizeof(buffer))) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(output[0]);
    int status = 0;
    rusage usage = {};
    if (spawned != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return {};
    }
    return {std::stod(text.substr(text.find_last_of('\n') + 1)), CpuSeconds(usage)};
}

// Runs one of our transfers on this thread; a failed transfer gives a negative time.
template <typename Transfer> Measure RunOurs(Transfer transfer)
{
    rusage before = {};
    getrusage(RUSAGE_THREAD, &before);
    const auto start = Clock::now();
    const bool ok = transfer();
    const double seconds = Seconds(Clock::now() - start);
    rusage after = {};
    getrusage(RUSAGE_THREAD, &after);
    return {ok ? seconds : -1, CpuSeconds(after) - CpuSeconds(before)};
}

void WriteSource(const fs::path& path)
{
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    for (std::uint64_t written = 0; written < kFileSize; written += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

struct Best
{
    Measure ours{1e9, 1e9};
    Measure curl{1e9, 1e9};
    bool ok = true;

    void Add(const Measure& oursRun, const Measure& curlRun)
    {
        ok = ok && oursRun.seconds > 0 && curlRun.seconds > 0;
        ours = {std::min(ours.seconds, oursRun.seconds), std::min(ours.cpu, oursRun.cpu)};
        curl = {std::min(curl.seconds, curlRun.seconds), std::min(curl.cpu, curlRun.cpu)};
    }
    double Ratio() const { return curl.seconds / ours.seconds; }
    void Print(const char* direction) const
    {
        std::printf("%-9s ours %7.1f MB/s (client CPU %.3f s)   curl %7.1f MB/s (client CPU "
                    "%.3f s)   ratio %.2f\n",
                    direction, MBps(ours.seconds), ours.cpu, MBps(curl.seconds), curl.cpu, Ratio());
    }
};

// Runs both in the order given, each starting with no dirty pages left to flush, so none
// pays for another's writes.
void Compare(Best& best, bool oursFirst, const std::function<Measure()>& ours,
             const std::function<Measure()>& curl)
{
    sync();
    Measure first = oursFirst ? ours() : curl();
    sync();
    Measure second = oursFirst ? curl() : ours();
    sync();
    best.Add(oursFirst ? first : second, oursFirst ? second : first);
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("dokora-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path source = dir / "source.pdf";
    const fs::path target = dir / "target.pdf";
    WriteSource(source);

    FakeService service;
    service.SetRecordLimit(64 * 1024);
    const std::string uploadUrl = service.BaseUrl() +
                                  "/v2/task/upload?plateform=pc&token=" + service.IssueToken() +
                                  "&taskname=bench";
    const std::string resultUrl = service.BaseUrl() + "/results/bench";
    FakeReply file;
    file.bodyFile = source.string();
    file.contentType = "application/octet-stream";

    Best upload;
    Best download;
    long uploadGrowthKiB = 0;
    long peakKiB = 0;
    for (int round = 0; round < kRounds && upload.ok && download.ok; ++round) {
        const bool oursFirst = round % 2 == 0;
        Compare(
            upload, oursFirst,
            [&] {
                CUploadBase uploader;
                uploader.SetChunkSize(kChunkSize);
                uploader.PrepareMultipart(source.string());
                std::string response;
                const long before = StatusKiB("VmRSS");
                peakKiB = std::max(peakKiB, StatusKiB("VmHWM"));
                ResetPeak();
                const Measure measure = RunOurs([&] {
                    return uploader.Upload(uploadUrl, source.string(), nullptr, nullptr,
                                           response) == CUploadBase::Result::kDone;
                });
                uploadGrowthKiB = std::max(uploadGrowthKiB, StatusKiB("VmHWM") - before);
                return measure;
            },
            [&] {
                return RunCurl({"-o", "/dev/null", "-H", "Expect:", "-F",
                                "file=@" + source.string() + ";type=application/pdf", uploadUrl});
            });

        service.Script(FakeEndpoint::kResult, file);
        service.Script(FakeEndpoint::kResult, file);
        Compare(
            download, oursFirst,
            [&] {
                CDownloadBase downloader;
                downloader.SetChunkSize(kChunkSize);
                return RunOurs([&] {
                    return downloader.DownloadToFile(resultUrl, target.string(), nullptr,
                                                     nullptr) == CDownloadBase::Result::kDone &&
                           fs::file_size(target) == kFileSize;
                });
            },
            [&] {
                return RunCurl({"-o", target.string(), resultUrl});
            });
    }
    peakKiB = std::max(peakKiB, StatusKiB("VmHWM"));
    fs::remove_all(dir);
    if (!upload.ok || !download.ok) {
        std::cerr << "a transfer failed\n";
        return 2;
    }

    const double growthMiB = static_cast<double>(uploadGrowthKiB) / 1024.0;
    std::printf("100 MiB over loopback, best of %d, chunk size %d\n", kRounds, kChunkSize);
    upload.Print("upload:");
    download.Print("download:");
    std::printf("peak resident memory %.1f MiB, growth during the upload %.1f MiB\n",
                static_cast<double>(peakKiB) / 1024.0, growthMiB);
    const bool met = upload.Ratio() >= 0.9 && download.Ratio() >= 0.9 && growthMiB < 16.0;
    std::printf("targets (ratio >= 0.90 both ways, growth < 16 MiB): %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;
}
