#pragma once

#include "serverprocess.h"
#include "serviceclient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// A fresh directory under the temporary directory, named after `name` and this process.
std::filesystem::path ScratchDirectory(const std::string& name);

// A test suite whose tests share one service (started by the suite's SetUpTestSuite through
// `StartServer`) and each get a client signed in as the default user.
class SharedServerTest : public testing::Test
{
protected:
    static void StartServer(const std::string& name, const ServerProcess::Options& options = {});
    static void TearDownTestSuite();
    void SetUp() override;

    static inline std::filesystem::path dir;
    static inline ServerProcess* server = nullptr;
    ServiceClient client{server->Port()};
};
