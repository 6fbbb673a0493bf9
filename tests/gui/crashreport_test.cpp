#include "app/crashreport.h"
#include "support/scratchdir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>

namespace {

TEST(CrashReport, PathCarriesTheStartTime)
{
    EXPECT_EQ(CrashReportPath("/data/Dokora/dump/", 1600000000),
              "/data/Dokora/dump/CRASH_1600000000.DMP");
}

TEST(CrashReport, FatalSignalLeavesAReportWithABacktrace)
{
    ScratchDir scratch;
    const std::string dumpDir = scratch.File("appdata") + "/dump/";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!ArmCrashReports(dumpDir, 1600000000))
            _exit(3);
        // The directory may vanish before the crash: the handler creates it again.
        std::filesystem::remove(dumpDir);
        volatile std::uintptr_t address = 0;
        *reinterpret_cast<volatile int*>(address) = 1;
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const std::string report = ReadFileBytes(dumpDir + "CRASH_1600000000.DMP");
    EXPECT_NE(report.find("signal 11"), std::string::npos);
    EXPECT_NE(report.find("address 0x0\n"), std::string::npos);
    const auto trace = report.find("backtrace:\n");
    const auto map = report.find("memory map:\n");
    ASSERT_NE(trace, std::string::npos);
    ASSERT_NE(map, std::string::npos);
    // Frames: one line each, with their module.
    const std::string frames = report.substr(trace, map - trace);
    EXPECT_GE(std::count(frames.begin(), frames.end(), '\n'), 4);
    EXPECT_NE(frames.find("gui_crashreport"), std::string::npos);
    EXPECT_NE(report.find("[stack]", map), std::string::npos);
}

TEST(CrashReport, NothingIsArmedWithoutADirectory)
{
    ScratchDir scratch;
    WriteFileBytes(scratch.Path() / "file", "x");
    EXPECT_FALSE(ArmCrashReports(scratch.File("file") + "/dump/", 1));
    EXPECT_FALSE(ArmCrashReports("", 1));
}

} // namespace
