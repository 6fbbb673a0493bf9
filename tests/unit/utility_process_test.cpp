#include "support/scratchdir.h"
#include "utility/tc_process.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

void WriteScript(const fs::path& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
}

// Zombie children of this process, from /proc.
int CountZombieChildren()
{
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        char state = 0;
        pid_t parent = 0;
        fields >> state >> parent;
        zombies += parent == getpid() && state == 'Z';
    }
    return zombies;
}

class UtilityProcess : public ::testing::Test
{
protected:
    ScratchDir dir;
    const fs::path scratch = dir.Path();
};

TEST_F(UtilityProcess, ExeVersionReadsTheStampLine)
{
    const fs::path stamped = scratch / "setup.run";
    std::ofstream(stamped, std::ios::binary)
        << std::string(3000, '\x7f') << "\nDOKORA_VERSION_STAMP=1.2.10.4\r\npayload";
    EXPECT_EQ(Utility::ExeVersion(stamped.string()), "1.2.10.4");

    const fs::path plain = scratch / "plain.run";
    std::ofstream(plain) << "#!/bin/sh\necho X_DOKORA_VERSION_STAMP=9.9\n";
    EXPECT_FALSE(Utility::ExeVersion(plain.string()).has_value());

    const fs::path late = scratch / "late.run";
    std::ofstream(late) << std::string(70 * 1024, 'z') << "\nDOKORA_VERSION_STAMP=2.0\n";
    EXPECT_FALSE(Utility::ExeVersion(late.string()).has_value());

    EXPECT_FALSE(Utility::ExeVersion((scratch / "missing").string()).has_value());
}

TEST_F(UtilityProcess, ParametersReachTheProgramAsOneArgument)
{
    const fs::path script = scratch / "record argv.sh";
    WriteScript(script, "printf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/argv.txt\"\n");
    const std::string parameters = "101|100001|a b|uuid; touch injected";

    ASSERT_TRUE(TC_PROCESS::RunProgram(script.c_str(), parameters.c_str(), true, 5000));
    EXPECT_EQ(ReadFileBytes(scratch / "argv.txt"), "1\n" + parameters + "\n");
    EXPECT_FALSE(fs::exists(scratch / "injected"));

    ASSERT_TRUE(TC_PROCESS::RunProgram(script.c_str(), "", true, 5000));
    EXPECT_EQ(ReadFileBytes(scratch / "argv.txt"), "0\n");
}

TEST_F(UtilityProcess, DocumentsAndUrlsOpenWithXdgOpenAndAreNeverRun)
{
    const fs::path bin = scratch / "bin";
    fs::create_directories(bin);
    WriteScript(bin / "xdg-open",
                "printf '%s\\n' \"$@\" >> \"" + (scratch / "opened.txt").string() + "\"\n");
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    EXPECT_TRUE(TC_PROCESS::DesktopOpenerAvailable());

    const fs::path document = scratch / "report.pdf";
    std::ofstream(document) << "%PDF";
    // A document with the execute bit is still only a document.
    const fs::path script = scratch / "script.pdf";
    WriteScript(script, "touch \"" + (scratch / "ran").string() + "\"\n");
    EXPECT_TRUE(TC_PROCESS::OpenWithDesktop(document.c_str()));
    EXPECT_TRUE(TC_PROCESS::OpenWithDesktop(script.c_str()));
    EXPECT_TRUE(TC_PROCESS::OpenWithDesktop("https://example.invalid/a?b=1&c=2"));
    EXPECT_FALSE(TC_PROCESS::OpenWithDesktop((scratch / "missing.pdf").c_str()));
    // Only a program runs as one.
    EXPECT_FALSE(TC_PROCESS::RunProgram(document.c_str(), "", true, 5000));

    // The openers are started without waiting for them, so they may finish in any order.
    const std::multiset<std::string> expected = {document.string(), script.string(),
                                                 "https://example.invalid/a?b=1&c=2"};
    const auto opened = [&] {
        std::multiset<std::string> lines;
        std::istringstream text(ReadFileBytes(scratch / "opened.txt"));
        for (std::string line; std::getline(text, line);)
            lines.insert(line);
        return lines;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (opened() != expected && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(opened(), expected);
    EXPECT_FALSE(fs::exists(scratch / "ran"));

    setenv("PATH", bin.c_str(), 1);
    fs::remove(bin / "xdg-open");
    EXPECT_FALSE(TC_PROCESS::DesktopOpenerAvailable());
    EXPECT_FALSE(TC_PROCESS::OpenWithDesktop(document.c_str()));
    setenv("PATH", path.c_str(), 1);
}

TEST_F(UtilityProcess, ChildrenLeftRunningAreReaped)
{
    const fs::path script = scratch / "quick.sh";
    WriteScript(script, "exit 0\n");
    ASSERT_TRUE(TC_PROCESS::RunProgram(script.c_str(), "", false, 0));
    const fs::path slow = scratch / "slow.sh";
    WriteScript(slow, "sleep 0.3\n");
    ASSERT_TRUE(TC_PROCESS::RunProgram(slow.c_str(), "", true, 10));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    while (CountZombieChildren() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CountZombieChildren(), 0);
}

} // namespace
