#include "settings/startupsettings.h"

#include "settings/profilefile.h"
#include "settings/settingsfiles.h"
#include "settings/usersettings.h"
#include "utility/utilitycalls.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace {

using Decoded = std::variant<std::string, StartupSettingsFailure>;

StartupSettingsFailure Failure(StartupSettingsError error, const std::string& key,
                               const std::string& path, const char* what)
{
    return {error, "Config.ini value '" + key + "' in " + path + " " + what};
}

// The bytes behind a Base64 value of section Config.
Decoded DecodeBytes(const ProfileFile& config, const std::string& key)
{
    const std::optional<std::string> text =
        Utility::UnicodeToUtf8(config.ReadString("Config", key));
    if (!text)
        return Failure(StartupSettingsError::NotUtf8, key, config.Path(), "is not UTF-8 text");
    std::optional<std::string> bytes = Utility::DecodeBase64(*text);
    if (!bytes)
        return Failure(StartupSettingsError::NotBase64, key, config.Path(), "is not Base64");
    return std::move(*bytes);
}

// A Base64 value holding UTF-8 text, with every space removed.
Decoded DecodeText(const ProfileFile& config, const std::string& key)
{
    Decoded bytes = DecodeBytes(config, key);
    if (std::holds_alternative<StartupSettingsFailure>(bytes))
        return bytes;
    std::optional<std::string> text = Utility::Utf8ToUnicode(std::get<std::string>(bytes));
    if (!text)
        return Failure(StartupSettingsError::NotUtf8, key, config.Path(),
                       "does not decode to UTF-8 text");
    std::erase(*text, ' ');
    return std::move(*text);
}

std::optional<StartupSettingsFailure> ReadConfig(ClientInfoRecord& info,
                                                 const std::optional<std::string>& path)
{
    if (!path)
        return StartupSettingsFailure{StartupSettingsError::ConfigMissing,
                                      "The work directory, and so Config.ini, is unknown"};
    const ProfileFile config(*path);
    if (!config.Exists())
        return StartupSettingsFailure{StartupSettingsError::ConfigMissing,
                                      "Config.ini is missing: " + *path};
    // notifyAfterFinish and version are filled in later.
    ClientInfo read;
    const std::pair<const char*, std::string*> texts[] = {
        {"ag", &read.ag}, {"wua", &read.wua}, {"md", &read.md}};
    for (const auto& [key, field] : texts) {
        Decoded value = DecodeText(config, key);
        if (auto* failure = std::get_if<StartupSettingsFailure>(&value))
            return std::move(*failure);
        *field = std::move(std::get<std::string>(value));
    }
    Decoded drw = DecodeBytes(config, "drw");
    if (auto* failure = std::get_if<StartupSettingsFailure>(&drw))
        return std::move(*failure);
    read.drw = std::get<std::string>(drw) == "1";

    if (!read.ag.empty() && !read.wua.empty())
        info.Set(read);
    return std::nullopt;
}

} // namespace

StartupSources DefaultStartupSources()
{
    return {ConfigIniPath(), SettingsIniPath(), [] { return Utility::MainVersion(); }};
}

std::optional<StartupSettingsFailure> LoadStartupSettings(ClientInfoRecord& info,
                                                          const StartupSources& sources)
{
    if (auto failure = ReadConfig(info, sources.configPath))
        return failure;

    if (sources.settingsPath) {
        const bool notify = UserSettings(sources.settingsPath).FillDefaults();
        info.SetNotifyAfterFinish(notify);
    }

    const std::optional<std::string> version =
        sources.mainVersion ? sources.mainVersion() : std::nullopt;
    if (!version || version->empty())
        return StartupSettingsFailure{StartupSettingsError::NoVersion,
                                      "The program's main version cannot be read"};
    ClientInfo withVersion = info.Get();
    withVersion.version = *version;
    info.Set(withVersion);
    return std::nullopt;
}
