#include "sharedservertest.h"

#include <unistd.h>

std::filesystem::path ScratchDirectory(const std::string& name)
{
    const auto dir =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void SharedServerTest::StartServer(const std::string& name, const ServerProcess::Options& options)
{
    dir = ScratchDirectory(name);
    server = new ServerProcess(dir / "data", options);
}

void SharedServerTest::TearDownTestSuite()
{
    delete server;
    server = nullptr;
    std::filesystem::remove_all(dir);
}

void SharedServerTest::SetUp()
{
    ASSERT_TRUE(server->Running());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
}
