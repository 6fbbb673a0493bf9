#include "settings/settingsfiles.h"

#include "utility/tc_checkpath.h"
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

std::string XmlFolder(std::string_view appDataDir)
{
    if (appDataDir.empty())
        return {};
    const std::string folder = std::string(appDataDir) + "xml/";
    if (!TC_CHECKPATH::TC_DirectoryExist(folder.c_str()) &&
        !TC_CHECKPATH::TC_CreateDirectory(folder.c_str()))
        return {};
    return folder;
}
