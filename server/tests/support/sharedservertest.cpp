#include "sharedservertest.h"

#include <unistd.h>

ScratchDirectory::ScratchDirectory(const std::string& name)
    : path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid())))
{
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void SharedServerTest::StartServer(const std::string& name, const ServerProcess::Options& options)
{
    scratch.emplace(name);
    dir = scratch->Path();
    server = new ServerProcess(dir / "data", options);
}

void SharedServerTest::TearDownTestSuite()
{
    delete server;
    server = nullptr;
    scratch.reset();
}

void SharedServerTest::SetUp()
{
    ASSERT_TRUE(server->Running());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
}
