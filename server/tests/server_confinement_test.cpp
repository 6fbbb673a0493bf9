// What a converter program started under a confinement can and cannot reach.
#include "childprocess.h"
#include "sharedservertest.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ConfinementTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "task" / "work");
        fs::create_directories(dir / "outside");
        TestDocuments::WriteText(dir / "task" / "input.txt", "input");
        TestDocuments::WriteText(dir / "outside" / "secret.txt", "secret");
    }

    Confinement Tool() const
    {
        Confinement confinement;
        confinement.network = false;
        confinement.limitFiles = true;
        confinement.readable = {dir / "task"};
        confinement.writable = {dir / "task" / "work"};
        confinement.temporaryDir = dir / "task" / "work";
        return confinement;
    }

    int Exit(const std::string& script, const Confinement& confinement)
    {
        const auto run = ChildProcess::Run({"sh", "-c", script}, ChildProcess::Clock::now() + 30s,
                                           never, confinement);
        return run.exitCode;
    }

    const ScratchDirectory scratch{"confinement"};
    const fs::path& dir = scratch.Path();
    const ChildProcess::CancelFlag never{false};
};

TEST_F(ConfinementTest, NoNetworkNotEvenLoopback)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string connect = "python3 -c \"import socket; socket.create_connection(("
                                "'127.0.0.1', " +
                                std::to_string(ntohs(address.sin_port)) + "), 2)\"";
    EXPECT_EQ(Exit(connect, {}), 0); // the listener is reachable unconfined
    EXPECT_NE(Exit(connect, Tool()), 0);
    close(listener);
}

TEST_F(ConfinementTest, FilesOnlyInTheSystemAndTheTask)
{
    const Confinement tool = Tool();
    const std::string task = (dir / "task").string();
    EXPECT_EQ(Exit("cat " + task + "/input.txt", tool), 0);
    EXPECT_EQ(Exit("echo x > " + task + "/work/out && cat /etc/hostname", tool), 0);
    EXPECT_EQ(Exit("echo x > \"$TMPDIR/temporary\"", tool), 0);
    EXPECT_TRUE(fs::exists(dir / "task" / "work" / "temporary"));
    EXPECT_NE(Exit("cat " + (dir / "outside" / "secret.txt").string(), tool), 0);
    EXPECT_NE(Exit("echo x > " + task + "/input.txt", tool), 0);
    EXPECT_NE(Exit("echo x > " + (dir / "outside" / "planted").string(), tool), 0);
    EXPECT_FALSE(fs::exists(dir / "outside" / "planted"));
    EXPECT_EQ(TestDocuments::Read(dir / "task" / "input.txt"), "input");
}

TEST_F(ConfinementTest, TheMemoryCapEndsAGreedyProgram)
{
    Confinement capped = Tool();
    capped.memoryLimit = 256ull << 20;
    const std::string greedy = "python3 -c \"b = bytearray(512 << 20)\"";
    EXPECT_EQ(Exit(greedy, Tool()), 0);
    const auto run =
        ChildProcess::Run({"sh", "-c", greedy}, ChildProcess::Clock::now() + 30s, never, capped);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("MemoryError"), std::string::npos) << run.output;
}

} // namespace
