#pragma once

#include <optional>
#include <string>
#include <string_view>

// The file host's version file: "<#version#>", at least one further character, "<#flag#>".
struct VersionFile
{
    std::string version;
    bool forced = false; // the flag is "1"
};

// Nothing when the text has no version field between "<#" and "#>" (an empty one included).
std::optional<VersionFile> ParseVersionFile(std::string_view text);
