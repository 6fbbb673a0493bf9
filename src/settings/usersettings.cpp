#include "settings/usersettings.h"

#include "settings/profilefile.h"
#include "settings/settingsfiles.h"

#include <charconv>
#include <utility>

namespace {

constexpr const char* kSection = "Settings";

} // namespace

UserSettings::UserSettings(std::optional<std::string> path) : path(std::move(path)) {}

UserSettings UserSettings::InAppData()
{
    return UserSettings(SettingsIniPath());
}

bool UserSettings::FillDefaults() const
{
    if (!path)
        return false;
    const ProfileFile settings(*path);
    const std::string convMsgBox = settings.ReadString(kSection, "ConvMsgBox");
    if (convMsgBox.empty())
        settings.WriteString(kSection, "ConvMsgBox", "1");
    if (settings.ReadString(kSection, "firststart").empty())
        settings.WriteString(kSection, "firststart", "0");
    return convMsgBox.empty() || convMsgBox == "1";
}

bool UserSettings::PassDailyUpdateGate(std::int64_t now) const
{
    // Nowhere to remember the prompt: it would come at every start.
    if (!path)
        return false;
    std::int64_t last = 0;
    const std::string text = ProfileFile(*path).ReadString(kSection, "UpdateCheck");
    if (std::from_chars(text.data(), text.data() + text.size(), last).ec != std::errc())
        last = 0;
    if (now - last <= kUpdatePromptInterval)
        return false;
    RecordUpdateCheck(now);
    return true;
}

void UserSettings::RecordUpdateCheck(std::int64_t now) const
{
    if (path)
        ProfileFile(*path).WriteString(kSection, "UpdateCheck",
                                       std::to_string(static_cast<std::uint32_t>(now)));
}

bool UserSettings::SetAttention(bool ticked, ClientInfoRecord& info) const
{
    if (!path)
        return false;
    ProfileFile(*path).WriteString(kSection, "ConvMsgBox", ticked ? "1" : "0");
    info.SetNotifyAfterFinish(ticked);
    return true;
}
