#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

// How the web site's PDF tools run: on `workers` threads of their own, each program under
// `time` and `memory` (0: no cap), in directories under `workRoot`.
struct ToolLimits
{
    std::size_t workers = 2;
    std::chrono::milliseconds time{std::chrono::minutes(2)};
    std::uint64_t memory = 0;
    std::filesystem::path workRoot;
};

// What the service's endpoints are configured with; each group of routes keeps a copy.
struct RouteSettings
{
    std::filesystem::path updateDir; // newversion.htm and DokoraSetup.exe, when present
    std::string version;             // announced when there is no version file
    std::chrono::seconds uploadLimit{15 * 60};
    std::uint64_t userQuota = 0; // bytes one user may keep stored; 0: no limit
    // Where clients reach the service ("http://host:port"), for the addresses it hands out.
    std::string publicUrl;
    // Submits past these many tasks queued in this instance, or waiting in all instances,
    // are refused with 429 and a retry time (0: no limit).
    std::size_t queueLimit = 0;
    std::size_t totalQueueLimit = 0;
    std::chrono::seconds retryAfter{10};
    // The `service` value of the desktop client's tickets: only those buy a token.
    std::string clientService;
    ToolLimits tools;
};
