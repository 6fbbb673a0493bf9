// Record files at scale: 10,000 records of each kind loaded, searched and added to, with the
// time of each step and the process's peak memory. Run on demand: build/tests/bench/bench_records

#include "adapter/recordlist.h"
#include "recordfiletext.h"
#include "support/scratchdir.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using RecordFileText::RecordPath;

constexpr std::size_t kRecords = 10000;
constexpr int kAdds = 20;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long PeakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Measure(RecordKind kind, const std::filesystem::path& dir)
{
    const std::string path = (dir / RecordFileName(kind)).string();
    WriteFileBytes(path, RecordFileText::Build(kind, kRecords));

    RecordList list(kind);
    auto start = Clock::now();
    const bool loaded = list.Load(path);
    const double loadMs = MillisecondsSince(start);

    start = Clock::now();
    const bool found = list.FindPath(RecordPath(0)).has_value();
    const double findMs = MillisecondsSince(start);

    start = Clock::now();
    for (int n = 0; n < kAdds; ++n)
        list.AddRecord(
            {1, RecordPath(kRecords + static_cast<std::size_t>(n)), "0.25M", "2024.03.08"});
    const double addMs = MillisecondsSince(start) / kAdds;

    RecordList reloaded(kind);
    const bool valid = reloaded.Load(path) && reloaded.GetCount() == kRecords + kAdds;
    std::printf("%-16s %zu records: load %.1f ms, find the oldest %.2f ms, add one %.1f ms "
                "(file written through), peak memory %ld KiB, %s\n",
                std::string(RecordFileName(kind)).c_str(), list.GetCount(), loadMs, findMs, addMs,
                PeakMemoryKiB(), loaded && found && valid ? "file valid" : "FILE INVALID");
}

} // namespace

int main()
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("dokora-bench-records-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    Measure(RecordKind::Completed, dir);
    Measure(RecordKind::OpenRecord, dir);
    std::filesystem::remove_all(dir);
    return 0;
}
