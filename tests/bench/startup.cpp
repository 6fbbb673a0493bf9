// The desktop client as a user starts it: the time from exec to the main window's first
// paint, its memory then, and its CPU use while it sits idle, with an empty profile and with
// 10,000 records of each kind. The client runs from a copy of its program folder (with the
// log marker, whose log says when the window first painted) on the offscreen platform, with
// a fresh home for every run. Run on demand: build/tests/bench/bench_startup [idle seconds]

#include "adapter/recordkind.h"
#include "recordfiletext.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

constexpr int kRuns = 5;
constexpr std::size_t kRecords = 10000;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The program folder's files, copied, with the log marker added.
fs::path CopyProgram(const fs::path& base)
{
    const fs::path program = base / "program";
    fs::create_directories(program);
    for (const auto& entry : fs::directory_iterator(fs::path(DOKORA_CLIENT_FILE).parent_path()))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), program / entry.path().filename());
    std::ofstream(program / "log.dll");
    return program;
}

// The wall-clock time of the first "first paint" line of the client's log.
std::optional<Clock::time_point> FirstPaint(const fs::path& program)
{
    const std::string log = ReadAll(program / "log" / "Dokora-0.log");
    const auto line = log.find("first paint");
    if (line == std::string::npos)
        return std::nullopt;
    const auto lineStart = log.rfind('\n', line);
    const std::size_t start = lineStart == std::string::npos ? 0 : lineStart + 1;
    std::tm parts{};
    int milliseconds = 0;
    if (std::sscanf(log.c_str() + start, "[%d-%d-%d %d:%d:%d.%d]", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec,
                    &milliseconds) != 7)
        return std::nullopt;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return Clock::from_time_t(timegm(&parts)) + std::chrono::milliseconds(milliseconds);
}

// Ticks of CPU time of the process and all its threads.
long CpuTicks(pid_t pid)
{
    const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n == 14 || n == 15)
            ticks += std::stol(field);
    return ticks;
}

long StatusKiB(pid_t pid, const std::string& key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    return -1;
}

struct Run
{
    double firstPaintMs = -1;
    long residentKiB = -1;
    double startCpuMs = -1; // up to one second after the first paint
    double idleCpuPercent = -1;
};

Run StartOnce(const fs::path& program, const fs::path& home, bool withRecords, int idleSeconds)
{
    fs::remove_all(home);
    for (const char* dir : {"home", "data", "config", "cache", "runtime"})
        fs::create_directories(home / dir);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    if (withRecords) {
        const fs::path xml = home / "data" / "Dokora" / "xml";
        fs::create_directories(xml);
        for (const RecordKind kind : {RecordKind::Completed, RecordKind::OpenRecord})
            std::ofstream(xml / RecordFileName(kind)) << RecordFileText::Build(kind, kRecords);
    }
    fs::remove_all(program / "log");

    const Clock::time_point started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("HOME", (home / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("TZ", "UTC", 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        const std::string binary = (program / fs::path(DOKORA_CLIENT_FILE).filename()).string();
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    Run run;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    std::optional<Clock::time_point> painted;
    while (!(painted = FirstPaint(program)) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (painted) {
        run.firstPaintMs = std::chrono::duration<double, std::milli>(*painted - started).count();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        run.residentKiB = StatusKiB(child, "VmRSS");
        const long before = CpuTicks(child);
        run.startCpuMs =
            1000.0 * static_cast<double>(before) / static_cast<double>(sysconf(_SC_CLK_TCK));
        if (idleSeconds > 0) {
            std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
            const double ticks = static_cast<double>(CpuTicks(child) - before);
            run.idleCpuPercent =
                100.0 * ticks / static_cast<double>(sysconf(_SC_CLK_TCK)) / idleSeconds;
        }
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

bool Report(const char* profile, const fs::path& program, const fs::path& base, bool withRecords,
            int idleSeconds)
{
    std::vector<double> paints;
    Run last;
    for (int n = 0; n < kRuns; ++n) {
        // Idle CPU is measured once, on the last run.
        last = StartOnce(program, base / "profile", withRecords, n == kRuns - 1 ? idleSeconds : 0);
        if (last.firstPaintMs < 0) {
            std::printf("%s: the window never painted\n", profile);
            return false;
        }
        paints.push_back(last.firstPaintMs);
    }
    std::printf("%s:\n", profile);
    std::printf("  exec to first paint   first run %.0f ms, median of %d %.0f ms, best %.0f ms "
                "(target < 400 ms)\n",
                paints.front(), kRuns, Median(paints),
                *std::min_element(paints.begin(), paints.end()));
    std::printf("  resident memory       %.1f MiB one second after the first paint\n",
                static_cast<double>(last.residentKiB) / 1024.0);
    std::printf("  CPU until then        %.0f ms\n", last.startCpuMs);
    if (idleSeconds > 0)
        std::printf("  idle CPU              %.2f %% of a core over %d s (target < 1 %%)\n",
                    last.idleCpuPercent, idleSeconds);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const fs::path base =
        fs::temp_directory_path() / ("dokora-bench-startup-" + std::to_string(getpid()));
    fs::create_directories(base);
    const fs::path program = CopyProgram(base);
    const bool empty = Report("empty profile", program, base, false, idleSeconds);
    const bool full =
        Report("10,000 completed and 10,000 open records", program, base, true, idleSeconds);
    fs::remove_all(base);
    return empty && full ? 0 : 1;
}
