#pragma once

#include "account/verifiedplugin.h"

#include <optional>
#include <string>
#include <string_view>

class AccountLibrary;

inline constexpr const char* kAccountPluginFile = "libKovault.so";

// Where the account plug-in comes from and what it is told at start.
struct AccountPluginSetup
{
    std::string pluginPath;     // the plug-in file
    std::string expectedDigest; // lower-case hexadecimal SHA-256 the build recorded
    std::string appKey;         // the installation's `wua` value
    std::string programPath;    // the client's own program file
    std::string serviceUrl;     // the single-sign-on address
    // The first way to map the checked bytes; where it is refused, a private copy is loaded.
    PluginImageLoader loadFromMemory = LoadFromMemoryFile;
};

enum class AccountLoad
{
    Loaded,
    Missing,
    Altered,
    NotLoadable, // not a library, or an export is missing
    NoInstance,  // CreateInstance gave nothing
    BadSetup,    // no app key or program path
    InitFailed,  // the plug-in's Init or its service setter said no
};

// The plug-in file checked against the recorded digest (what start-up verifies early).
PluginCheck VerifyAccountPlugin(const std::string& path, std::string_view expectedDigest);

// Checks the plug-in and loads exactly the bytes that were checked (LoadPluginImage), so the
// file cannot be swapped between the check and the load; then creates its object, registers the
// holder's callbacks, points it at the service and initialises it. On success the holder owns the
// object for the rest of the process (the plug-in is never unloaded).
AccountLoad LoadAccountLibrary(AccountLibrary& account, const AccountPluginSetup& setup);

// The plug-in in `workDir` (ends with '/'), set up for the running program, the installation's
// `appKey` and the single-sign-on address `serviceUrl`; nullopt when the work directory is
// unknown.
std::optional<AccountPluginSetup>
WorkDirectoryPluginSetup(const std::optional<std::string>& workDir, std::string expectedDigest,
                         std::string appKey, std::string serviceUrl);

// The running program's file (the target of /proc/self/exe); empty when unknown.
std::string RunningProgramPath();
