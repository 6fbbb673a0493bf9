#pragma once

#include "uploadquota.h"
#include "signinlimiter.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

class AccountStore;
class ConversionService;
class SessionStore;
class TaskStore;

// The service's HTTP endpoints: task API, results, home list, single sign-on, user
// information, version file and installer.
class Routes
{
public:
    static constexpr std::uint64_t kMaxUpload = 100ull << 20;
    // The one route that takes a large body, streamed as it arrives.
    static constexpr const char* kUploadPath = "/v2/task/upload";

    struct Settings
    {
        std::filesystem::path updateDir; // newversion.htm and DokoraSetup.exe, when present
        std::string version;             // announced when there is no version file
        std::chrono::seconds uploadLimit{15 * 60};
        std::uint64_t userQuota = 0; // bytes one user may keep stored; 0: no limit
        // Where clients reach the service ("http://host:port"), for the addresses it hands out.
        std::string publicUrl;
        // The `service` value of the desktop client's tickets: only those buy a token.
        std::string clientService;
    };

    Routes(AccountStore& accounts, SessionStore& sessions, TaskStore& tasks,
           ConversionService& conversions, Settings settings);
    void Register(httplib::Server& server);

private:
    std::optional<int> Authorize(const httplib::Request& request, httplib::Response& response);
    void Upload(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader& reader);
    void Submit(const httplib::Request& request, httplib::Response& response);
    void Query(const httplib::Request& request, httplib::Response& response);
    void Result(const httplib::Request& request, httplib::Response& response);
    void HomeSortList(httplib::Response& response);
    void CreateGrantingTicket(const httplib::Request& request, httplib::Response& response);
    void IssueServiceTicket(const httplib::Request& request, httplib::Response& response);
    void SignOut(const httplib::Request& request, httplib::Response& response);
    void ExchangeTicket(const httplib::Request& request, httplib::Response& response);
    void UserInfo(const httplib::Request& request, httplib::Response& response);
    void VersionFile(httplib::Response& response);
    void Installer(httplib::Response& response);
    static void Avatar(httplib::Response& response);

    AccountStore& accounts;
    SessionStore& sessions;
    TaskStore& tasks;
    ConversionService& conversions;
    Settings settings;
    UploadQuota quota;
    SignInLimiter signInLimiter{{}};
};
