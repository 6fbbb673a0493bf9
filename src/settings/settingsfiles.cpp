#include "settings/settingsfiles.h"

#include "utility/utilitycalls.h"

namespace {

std::optional<std::string> InDirectory(const std::optional<std::string>& dir, std::string_view name)
{
    if (!dir || dir->empty())
        return std::nullopt;
    return *dir + std::string(name);
}

} // namespace

std::optional<std::string> ConfigIniPath()
{
    return InDirectory(Utility::WorkPath(), kConfigFileName);
}

std::optional<std::string> SettingsIniPath()
{
    return InDirectory(Utility::AppDataPath(), kSettingsFileName);
}
