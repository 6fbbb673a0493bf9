#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view kDefaultServiceBase = "http://127.0.0.1:8780";
inline constexpr std::string_view kSingleSignOnPath = "/shiro-cas";
inline constexpr std::string_view kSupportGroupPath = "/support-group";
inline constexpr std::chrono::milliseconds kDefaultPollInterval{5000};

// Where the service, its web site, its file host and its single sign-on live (base URLs
// without a trailing '/'), the users' support group's join page, and how often the poller
// asks.
struct ServiceLocations
{
    std::string api;
    std::string web;
    std::string files;
    std::string sso;
    std::string supportGroup;
    std::chrono::milliseconds pollInterval = kDefaultPollInterval;
};

// Config.ini section Service (keys api, web, files, sso, supportGroup; plain URLs), each
// overridden by a non-empty DOKORA_API_URL, DOKORA_WEB_URL, DOKORA_FILES_URL, DOKORA_SSO_URL
// or DOKORA_SUPPORT_GROUP_URL; missing ones point at the reference service on loopback, sso
// at the web site's "/shiro-cas", supportGroup at its "/support-group".
// DOKORA_POLL_INTERVAL_MS, a positive number, replaces the poll interval.
ServiceLocations ReadServiceLocations(const std::optional<std::string>& configPath);
