#include "settings/servicelocations.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class ServiceLocationsTest : public testing::Test
{
protected:
    void SetUp() override { ClearEnvironment(); }
    void TearDown() override { ClearEnvironment(); }
    static void ClearEnvironment()
    {
        for (const char* name :
             {"DOKORA_API_URL", "DOKORA_WEB_URL", "DOKORA_FILES_URL", "DOKORA_SSO_URL",
              "DOKORA_SUPPORT_GROUP_URL", "DOKORA_POLL_INTERVAL_MS"})
            unsetenv(name);
    }

    ScratchDir dir;
};

TEST_F(ServiceLocationsTest, DefaultsPointAtTheReferenceServiceOnLoopback)
{
    const ServiceLocations locations = ReadServiceLocations(std::nullopt);
    EXPECT_EQ(locations.api, "http://127.0.0.1:8780");
    EXPECT_EQ(locations.web, "http://127.0.0.1:8780");
    EXPECT_EQ(locations.files, "http://127.0.0.1:8780");
    EXPECT_EQ(locations.sso, "http://127.0.0.1:8780/shiro-cas");
    EXPECT_EQ(locations.pollInterval, std::chrono::milliseconds(5000));
}

TEST_F(ServiceLocationsTest, ConfigValuesAndEnvironmentOverrides)
{
    WriteFileBytes(dir.File("Config.ini"), "[SERVICE]\nAPI=http://api.example/\n"
                                           "web=https://www.example\nfiles=http://files.example\n");
    const ServiceLocations fromFile = ReadServiceLocations(dir.File("Config.ini"));
    EXPECT_EQ(fromFile.api, "http://api.example");
    EXPECT_EQ(fromFile.web, "https://www.example");
    EXPECT_EQ(fromFile.files, "http://files.example");
    EXPECT_EQ(fromFile.sso, "https://www.example/shiro-cas");

    setenv("DOKORA_API_URL", "http://127.0.0.1:4000", 1);
    setenv("DOKORA_WEB_URL", "http://127.0.0.1:4001/", 1);
    setenv("DOKORA_FILES_URL", "", 1); // empty: not set
    setenv("DOKORA_POLL_INTERVAL_MS", "50", 1);
    const ServiceLocations overridden = ReadServiceLocations(dir.File("Config.ini"));
    EXPECT_EQ(overridden.api, "http://127.0.0.1:4000");
    EXPECT_EQ(overridden.web, "http://127.0.0.1:4001");
    EXPECT_EQ(overridden.files, "http://files.example");
    EXPECT_EQ(overridden.sso, "http://127.0.0.1:4001/shiro-cas");
    EXPECT_EQ(overridden.pollInterval, std::chrono::milliseconds(50));

    setenv("DOKORA_SSO_URL", "http://sso.example/login", 1);
    EXPECT_EQ(ReadServiceLocations(dir.File("Config.ini")).sso, "http://sso.example/login");
}

TEST_F(ServiceLocationsTest, TheSupportGroupIsASettingBesideTheWebSite)
{
    EXPECT_EQ(ReadServiceLocations(std::nullopt).supportGroup,
              "http://127.0.0.1:8780/support-group");
    WriteFileBytes(dir.File("Config.ini"), "[Service]\nweb=https://www.example\n");
    EXPECT_EQ(ReadServiceLocations(dir.File("Config.ini")).supportGroup,
              "https://www.example/support-group");
    WriteFileBytes(dir.File("Config.ini"),
                   "[Service]\nweb=https://www.example\nsupportGroup=https://chat.example/g/1\n");
    EXPECT_EQ(ReadServiceLocations(dir.File("Config.ini")).supportGroup,
              "https://chat.example/g/1");
    setenv("DOKORA_SUPPORT_GROUP_URL", "https://chat.example/g/2", 1);
    EXPECT_EQ(ReadServiceLocations(dir.File("Config.ini")).supportGroup,
              "https://chat.example/g/2");
}

TEST_F(ServiceLocationsTest, UnusablePollIntervalKeepsTheDefault)
{
    for (const char* text : {"0", "-5", "abc", "50ms"}) {
        setenv("DOKORA_POLL_INTERVAL_MS", text, 1);
        EXPECT_EQ(ReadServiceLocations(std::nullopt).pollInterval, std::chrono::milliseconds(5000))
            << text;
    }
}

} // namespace
