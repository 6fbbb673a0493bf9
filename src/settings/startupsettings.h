#pragma once

#include "settings/clientinfo.h"

#include <functional>
#include <optional>
#include <string>

// A condition that stops the client at start-up: the executables print the message on
// stderr and exit with a non-zero status.
enum class StartupSettingsError
{
    ConfigMissing,
    NotBase64,
    NotUtf8,
    NoVersion,
};

struct StartupSettingsFailure
{
    StartupSettingsError error;
    std::string message;
};

// What the start-up reader reads. Tests point it at their own files and version.
struct StartupSources
{
    std::optional<std::string> configPath;
    std::optional<std::string> settingsPath; // nothing: Settings.ini is not used
    std::function<std::optional<std::string>()> mainVersion;
};

// Config.ini in the work directory, Settings.ini in the application-data directory and the
// program's main version.
StartupSources DefaultStartupSources();

// Reads Config.ini section Config, then Settings.ini (filling in its defaults), then the
// version, into `info`. On failure `info` may hold what was read before it.
std::optional<StartupSettingsFailure> LoadStartupSettings(ClientInfoRecord& info,
                                                          const StartupSources& sources);
