#include "settings/startupsettings.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class StartupSettingsTest : public testing::Test
{
protected:
    StartupSources Sources(std::optional<std::string> version = "1.0.2.7")
    {
        return {dir.File("Config.ini"), dir.File("Settings.ini"), [version] { return version; }};
    }
    void WriteConfig(const std::string& values)
    {
        WriteFileBytes(dir.File("Config.ini"), "[Config]\n" + values);
    }
    std::optional<StartupSettingsFailure> Load(const StartupSources& sources)
    {
        return LoadStartupSettings(info, sources);
    }

    ScratchDir dir;
    ClientInfoRecord info;
};

// Base64 of "ab c", " x y", "m d" and "1".
constexpr const char* kValidConfig = "ag=YWIgYw==\nwua=IHggeQ==\nmd=bSBk\ndrw=MQ==\n";

TEST_F(StartupSettingsTest, DecodesInstallationValuesAndRemovesSpaces)
{
    WriteConfig(kValidConfig);
    ASSERT_FALSE(Load(Sources()));
    const ClientInfo read = info.Get();
    EXPECT_EQ(read.ag, "abc");
    EXPECT_EQ(read.wua, "xy");
    EXPECT_EQ(read.md, "md");
    EXPECT_TRUE(read.drw);
    EXPECT_EQ(read.version, "1.0.2.7");
    EXPECT_TRUE(read.notifyAfterFinish);
}

TEST_F(StartupSettingsTest, KeysMatchWithoutRegardToCase)
{
    WriteFileBytes(dir.File("Config.ini"), "[CONFIG]\nAG=YWIgYw==\nWua=eHk=\nDRW=MTE=\n");
    ASSERT_FALSE(Load(Sources()));
    EXPECT_EQ(info.Get().ag, "abc");
    EXPECT_EQ(info.Get().wua, "xy");
    EXPECT_FALSE(info.Get().drw); // "11" is not "1"
}

TEST_F(StartupSettingsTest, EmptyAgOrWuaLeavesInstallationValuesUnchanged)
{
    info.Set(ClientInfo{false, false, "", "old-ag", "old-wua", "old-md"});
    WriteConfig("ag=YWIgYw==\nmd=bSBk\n");
    ASSERT_FALSE(Load(Sources()));
    const ClientInfo read = info.Get();
    EXPECT_EQ(read.ag, "old-ag");
    EXPECT_EQ(read.wua, "old-wua");
    EXPECT_EQ(read.md, "old-md");
    EXPECT_EQ(read.version, "1.0.2.7");
}

TEST_F(StartupSettingsTest, FirstStartWritesTheUserDefaults)
{
    WriteConfig(kValidConfig);
    ASSERT_FALSE(Load(Sources()));
    EXPECT_EQ(ReadFileBytes(dir.File("Settings.ini")), "[Settings]\nConvMsgBox=1\nfirststart=0\n");
}

TEST_F(StartupSettingsTest, StoredUserSettingsAreKept)
{
    WriteConfig(kValidConfig);
    WriteFileBytes(dir.File("Settings.ini"), "[settings]\nconvmsgbox=0\nFirstStart=x\n");
    ASSERT_FALSE(Load(Sources()));
    EXPECT_FALSE(info.Get().notifyAfterFinish);
    EXPECT_EQ(ReadFileBytes(dir.File("Settings.ini")), "[settings]\nconvmsgbox=0\nFirstStart=x\n");
}

TEST_F(StartupSettingsTest, WithoutApplicationDataNotificationStaysOff)
{
    WriteConfig(kValidConfig);
    StartupSources sources = Sources();
    sources.settingsPath.reset();
    ASSERT_FALSE(Load(sources));
    EXPECT_FALSE(info.Get().notifyAfterFinish);
    EXPECT_EQ(info.Get().ag, "abc");
}

TEST_F(StartupSettingsTest, FatalConditionsAreReportedAsErrors)
{
    const auto expectError = [&](StartupSettingsError expected, const StartupSources& sources) {
        const std::optional<StartupSettingsFailure> failure = Load(sources);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->error, expected);
        EXPECT_FALSE(failure->message.empty());
    };

    expectError(StartupSettingsError::ConfigMissing, Sources());
    StartupSources noWorkDir = Sources();
    noWorkDir.configPath.reset();
    expectError(StartupSettingsError::ConfigMissing, noWorkDir);

    WriteConfig("ag=YWIgYw==\nwua=###notbase64###\n");
    expectError(StartupSettingsError::NotBase64, Sources());
    WriteConfig("ag=YWIgYw==\nwua=eHk=\ndrw=*\n");
    expectError(StartupSettingsError::NotBase64, Sources());

    WriteConfig("ag=YWIgYw==\nwua=//79\n"); // the bytes ff fe fd
    expectError(StartupSettingsError::NotUtf8, Sources());
    WriteConfig("ag=YWIgYw==\nwua=eHk\xFF\n");
    expectError(StartupSettingsError::NotUtf8, Sources());

    WriteConfig(kValidConfig);
    expectError(StartupSettingsError::NoVersion, Sources(std::nullopt));
    expectError(StartupSettingsError::NoVersion, Sources(""));
}

} // namespace
