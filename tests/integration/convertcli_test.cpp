// The command-line converter as built, against the fake service: what it does with a bad
// output folder, a task that never ends and Ctrl-C.
#include "support/fakeservice.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ConvertCliTest : public ::testing::Test
{
protected:
    ConvertCliTest() { WriteFileBytes(source, "%PDF-1.4 source"); }

    // Starts dokora-convert with `arguments`, its output (both streams) going to a file.
    pid_t Start(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> argv = {DOKORA_CONVERT_FILE, "--json", "--user",
                                         std::string(FakeService::kUser)};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const std::string base = service.BaseUrl();
        std::vector<std::string> env = {
            "DOKORA_API_URL=" + base,
            "DOKORA_WEB_URL=" + base,
            "DOKORA_FILES_URL=" + base,
            "DOKORA_SSO_URL=" + service.SsoUrl(),
            "DOKORA_PASSWORD=" + std::string(FakeService::kPassword),
            "DOKORA_POLL_INTERVAL_MS=100",
            "XDG_DATA_HOME=" + scratch.File("data"),
            "XDG_CACHE_HOME=" + scratch.File("cache"),
            "HOME=" + scratch.Path().string(),
            "LC_ALL=C.UTF-8",
        };
        std::vector<char*> args;
        for (auto& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        pid_t pid = -1;
        if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // The exit status, or -signal when a signal ended the process; a process still running
    // after a minute is killed and gives -1000.
    static int Wait(pid_t pid)
    {
        int status = 0;
        for (auto deadline = std::chrono::steady_clock::now() + 60s; pid > 0;) {
            const pid_t ended = waitpid(pid, &status, WNOHANG);
            if (ended == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            if (ended < 0)
                break;
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1000;
    }

    int Run(const std::vector<std::string>& arguments) { return Wait(Start(arguments)); }
    std::string Output() const { return ReadFileBytes(output); }

    FakeService service;
    ScratchDir scratch;
    std::string source = scratch.File("report.pdf");
    std::string output = scratch.File("convert.out");
};

TEST_F(ConvertCliTest, BadOutputFolderEndsBeforeSigningIn)
{
    const std::string file = scratch.File("a-file");
    WriteFileBytes(file, "x");
    for (const std::string& folder : {file, std::string("/proc/version/x")}) {
        EXPECT_EQ(Run({"--out", folder, "PDF2Word", source}), 2) << Output();
        EXPECT_NE(Output().find("output folder " + folder), std::string::npos) << Output();
    }
    EXPECT_TRUE(service.Requests(FakeEndpoint::kTickets).empty());
    EXPECT_EQ(ReadFileBytes(file), "x");
}

TEST_F(ConvertCliTest, TaskThatNeverFinishesFailsAfterTheTimeout)
{
    service.SetConversionDelay(1000000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({"--timeout", "1", "PDF2Word", source}), 1) << Output();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_NE(Output().find("\"status\":8"), std::string::npos) << Output();
    EXPECT_NE(Output().find("处理超时"), std::string::npos) << Output();
    EXPECT_EQ(Run({"--timeout", "0", "PDF2Word", source}), 2) << Output();
}

TEST_F(ConvertCliTest, InterruptDuringADownloadLeavesNoResult)
{
    service.Script(FakeEndpoint::kResult,
                   FakeReply::WithFault(FakeReply::Fault::Stall, "%PDF-1.7 partial result", 10));
    const fs::path out = scratch.Path() / "out";
    const pid_t pid = Start({"--out", out.string(), "PDFCompress", source});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kResult, 1, 20s)) << Output();
    std::this_thread::sleep_for(200ms);
    kill(pid, SIGINT);
    EXPECT_EQ(Wait(pid), 130) << Output();
    EXPECT_TRUE(fs::is_empty(out)) << Output();
}

} // namespace
