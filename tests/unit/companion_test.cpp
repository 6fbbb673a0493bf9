#include "account/companion.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

ClientInfo Info()
{
    ClientInfo info;
    info.ag = "ag7";
    info.version = "1.0.0.1";
    info.wua = "wua9";
    return info;
}

TEST(Companion, ArgumentsCarryTheInstallationValuesAndTheUser)
{
    EXPECT_EQ(CompanionArguments(Info(), "1001"), "101|100001|ag7|uuid|1.0.0.1|wua9|1001");
    // Nobody signed in: the string ends with the separator.
    EXPECT_EQ(CompanionArguments(Info(), ""), "101|100001|ag7|uuid|1.0.0.1|wua9|");
    EXPECT_EQ(CompanionArguments(Info(), "\xff\xfe"), "101|100001|ag7|uuid|1.0.0.1|wua9|");
}

TEST(Companion, StartsOnlyAnExecutableProgramWithItsArgument)
{
    ScratchDir work;
    const std::string dir = work.Path().string() + "/";
    EXPECT_FALSE(LaunchCompanion(dir, Info(), "1001"));

    const fs::path program = work.Path() / kCompanionProgram;
    const std::string out = work.File("args.txt");
    WriteFileBytes(program, "#!/bin/sh\nprintf '%s' \"$1\" > '" + out + ".tmp'\nmv '" + out +
                                ".tmp' '" + out + "'\n");
    EXPECT_FALSE(LaunchCompanion(dir, Info(), "1001"));

    fs::permissions(program, fs::perms::owner_all);
    ASSERT_TRUE(LaunchCompanion(dir, Info(), "1001"));
    for (int i = 0; i < 200 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileBytes(out), "101|100001|ag7|uuid|1.0.0.1|wua9|1001");
}

} // namespace
