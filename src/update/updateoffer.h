#pragma once

#include "update/versionfile.h"
#include "utility/utilitycalls.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Where the file host keeps the update, below its base URL.
inline constexpr std::string_view kVersionFileUrlPath = "/dokora/update/newversion.htm";
inline constexpr std::string_view kInstallerUrlPath = "/dokora/update/DokoraSetup.exe";
inline constexpr std::string_view kSignatureSuffix = ".sig";
inline constexpr std::string_view kInstallerFileName = "DokoraSetup.exe";

// States of the update box a check can open it in.
inline constexpr std::intptr_t kUpdateUpToDate = 0;
inline constexpr std::intptr_t kUpdateInstallerReady = 1;
inline constexpr std::intptr_t kUpdateNewerVersion = 2;
// WM_UPDATE_FORCED with this lParam: a forced update that cannot be offered; the process ends.
inline constexpr std::intptr_t kUpdateForcedImpossible = 0;

// What a check needs to know about the running program, from the system or a test.
struct UpdateSource
{
    std::string filesBase;                     // the file host, without a trailing '/'
    std::optional<std::string> runningVersion; // empty: unknown
    std::optional<std::string> updateDir;      // ends with '/'; empty: unknown
    std::optional<std::string> settingsPath;   // Settings.ini; empty: no prompt is ever due
    std::string publicKeyPem;                  // installers must be signed with it

    // The running program's version, directories and built-in key, with `filesBase`.
    static UpdateSource FromSystem(std::string filesBase);
    std::string VersionFileUrl() const;
    std::string InstallerUrl() const;
    // The installer file in the update directory; empty when that is unknown.
    std::optional<std::string> InstallerFile() const;
};

// The state for `offered`, newer than the running version: 1 when the installer file already
// holds `offered` or later, otherwise 2 after deleting the stale file and its signature.
std::intptr_t InstallerOfferState(std::string_view offered, const std::string& installerFile);

inline constexpr std::string_view kVersionFileHeader =
    "Content-Type: application/x-www-form-urlencoded";
// The version file is small: its reply buffer holds 2599 bytes.
inline constexpr std::uint32_t kVersionFileCapacity = 2600;

// The version file in the file host's reply; nothing when the request or the file failed.
std::optional<VersionFile> ReadVersionReply(const Utility::HttpReply& reply);
