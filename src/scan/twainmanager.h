#pragma once

#include "account/pluginimage.h"
#include "scan/twain.h"

#include <optional>
#include <string>

inline constexpr const char* kTwainManagerFile = "libtwaindsm.so";

// The data source manager plug-in in the work directory, checked against the digest the build
// recorded and loaded on first use, then kept for the life of the process. A manager that is
// missing, altered or lacks DSM_Entry is not tried again. UI thread only.
class TwainManagerPlugin
{
public:
    TwainManagerPlugin(std::string workDir, std::string digest,
                       PluginImageLoader loadFromMemory = LoadFromMemoryFile);

    // DSM_Entry, null when the manager cannot be had.
    DSMENTRYPROC Entry();

private:
    std::string workDir; // ends with '/'; empty: none
    std::string digest;
    PluginImageLoader loadFromMemory;
    std::optional<DSMENTRYPROC> entry; // set once tried
};
