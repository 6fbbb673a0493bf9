#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view kConfigFileName = "Config.ini";
inline constexpr std::string_view kSettingsFileName = "Settings.ini";

// The installer's Config.ini in the work directory; nothing when that directory is unknown.
std::optional<std::string> ConfigIniPath();
// The client's Settings.ini in the application-data directory; nothing when that directory
// is unavailable.
std::optional<std::string> SettingsIniPath();
// "<appDataDir>xml/", the folder of the record and tile files, created when missing; empty
// when `appDataDir` is empty or the folder cannot be created.
std::string XmlFolder(std::string_view appDataDir);
