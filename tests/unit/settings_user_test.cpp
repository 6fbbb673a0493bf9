#include "settings/firststart.h"
#include "settings/profilefile.h"
#include "settings/usersettings.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr std::int64_t kNow = 1700000000;

class UserSettingsTest : public testing::Test
{
protected:
    std::string UpdateCheck() const
    {
        return ProfileFile(dir.File("Settings.ini")).ReadString("Settings", "UpdateCheck");
    }
    void SetUpdateCheck(const std::string& value) const
    {
        ProfileFile(dir.File("Settings.ini")).WriteString("Settings", "UpdateCheck", value);
    }

    ScratchDir dir;
    UserSettings settings{dir.File("Settings.ini")};
};

TEST_F(UserSettingsTest, DailyGateOpensOnlyAfterMoreThanOneDay)
{
    SetUpdateCheck(std::to_string(kNow - 86400));
    EXPECT_FALSE(settings.PassDailyUpdateGate(kNow));
    EXPECT_EQ(UpdateCheck(), std::to_string(kNow - 86400));

    SetUpdateCheck(std::to_string(kNow - 86401));
    EXPECT_TRUE(settings.PassDailyUpdateGate(kNow));
    EXPECT_EQ(UpdateCheck(), std::to_string(kNow));
    EXPECT_FALSE(settings.PassDailyUpdateGate(kNow + 10));
}

TEST_F(UserSettingsTest, DailyGateTreatsMissingOrBrokenValuesAsNeverPrompted)
{
    EXPECT_TRUE(settings.PassDailyUpdateGate(kNow));
    SetUpdateCheck("soon");
    EXPECT_TRUE(settings.PassDailyUpdateGate(kNow));
    EXPECT_EQ(UpdateCheck(), std::to_string(kNow));
}

TEST_F(UserSettingsTest, WithoutApplicationDataNothingIsWritten)
{
    const UserSettings none(std::nullopt);
    // Without a place to remember the prompt it would come at every start: never due.
    EXPECT_FALSE(none.PassDailyUpdateGate(kNow));
    none.RecordUpdateCheck(kNow);
    EXPECT_FALSE(none.FillDefaults());

    ClientInfoRecord info;
    EXPECT_FALSE(none.SetAttention(true, info));
    EXPECT_FALSE(info.Get().notifyAfterFinish);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(UserSettingsTest, UpdateCheckKeepsTheLow32Bits)
{
    settings.RecordUpdateCheck((std::int64_t{1} << 32) + 5);
    EXPECT_EQ(UpdateCheck(), "5");
}

TEST_F(UserSettingsTest, AttentionCheckBoxWritesAtOnce)
{
    ClientInfoRecord info;
    info.Set(ClientInfo{true, true, "1.0", "ag", "wua", "md"});
    ASSERT_TRUE(settings.SetAttention(false, info));
    EXPECT_EQ(ProfileFile(dir.File("Settings.ini")).ReadString("Settings", "ConvMsgBox"), "0");
    EXPECT_EQ(info.Get(), (ClientInfo{false, true, "1.0", "ag", "wua", "md"}));
    // What the next start reads back.
    EXPECT_FALSE(settings.FillDefaults());

    ASSERT_TRUE(settings.SetAttention(true, info));
    EXPECT_TRUE(info.Get().notifyAfterFinish);
    EXPECT_TRUE(settings.FillDefaults());
}

TEST(FirstStartTest, InvitesOnceWhateverTheAnswer)
{
    ScratchDir dir;
    const std::string config = dir.File("Config.ini");
    WriteFileBytes(config, "[Config]\nag=YWIgYw==\n");

    EXPECT_TRUE(RunFirstStartCheck(config, false, false));
    EXPECT_EQ(ProfileFile(config).ReadString("settings", "FIRSTSTART"), "1");
    EXPECT_EQ(ProfileFile(config).ReadString("Config", "ag"), "YWIgYw==");
    EXPECT_FALSE(RunFirstStartCheck(config, false, false));
}

TEST(FirstStartTest, NoInvitationWhenSignedInOrAFileDialogWasShown)
{
    ScratchDir dir;
    const std::string config = dir.File("Config.ini");
    EXPECT_FALSE(RunFirstStartCheck(config, true, false));
    EXPECT_EQ(ProfileFile(config).ReadInt("Settings", "firststart", 0), 1);

    WriteFileBytes(config, "[Settings]\nfirststart=0\n");
    EXPECT_FALSE(RunFirstStartCheck(config, false, true));
    EXPECT_FALSE(RunFirstStartCheck(config, false, false));
}

} // namespace
