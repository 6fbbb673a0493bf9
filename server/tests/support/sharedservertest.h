#pragma once

#include "serverprocess.h"
#include "serviceclient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

// A fresh directory under the temporary directory, named after `name` and this process, and
// removed with all it holds when the object goes. Declare it before the service that writes
// into it, so that the service has stopped by then.
class ScratchDirectory
{
public:
    explicit ScratchDirectory(const std::string& name);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
};

// A test suite whose tests share one service (started by the suite's SetUpTestSuite through
// `StartServer`) and each get a client signed in as the default user.
class SharedServerTest : public testing::Test
{
protected:
    static void StartServer(const std::string& name, const ServerProcess::Options& options = {});
    static void TearDownTestSuite();
    void SetUp() override;

    static inline std::optional<ScratchDirectory> scratch;
    static inline std::filesystem::path dir;
    static inline ServerProcess* server = nullptr;
    ServiceClient client{server->Port()};
};
