#pragma once

#include "account/pluginimage.h"

#include <string>
#include <string_view>

enum class PluginCheck
{
    Authentic,
    Missing, // no file, or not readable
    Altered, // the digest differs from the recorded one
};

// A plug-in file checked against the digest the build recorded, and loaded when it matched.
struct VerifiedPlugin
{
    PluginCheck check = PluginCheck::Missing;
    void* module = nullptr; // the dlopen handle; null unless authentic and loadable
};

// The file at `path` checked against `expectedDigest` (lower-case hexadecimal SHA-256).
PluginCheck VerifyPluginFile(const std::string& path, std::string_view expectedDigest);

// Reads the plug-in once, checks those bytes and maps exactly them (LoadPluginImage), so the
// file cannot be swapped between the check and the load. Plug-ins are never unloaded.
VerifiedPlugin LoadVerifiedPlugin(const std::string& path, std::string_view expectedDigest,
                                  PluginImageLoader fromMemory);
