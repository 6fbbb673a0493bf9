#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

class RecordingRelay;

// Endpoints by path; "*" stands for the last path segment.
namespace FakeEndpoint {
inline constexpr std::string_view kUpload = "/v2/task/upload";
inline constexpr std::string_view kSubmit = "/task/submitTask";
inline constexpr std::string_view kQuery = "/task/taskQuery";
inline constexpr std::string_view kResult = "/results/*";
inline constexpr std::string_view kHomeSortList = "/api/getHomeSortList";
inline constexpr std::string_view kLogin = "/auth/pcdokoraLogin";
inline constexpr std::string_view kUserInfo = "/user/getUserInfo";
inline constexpr std::string_view kTickets = "/shiro-cas/v1/tickets";
inline constexpr std::string_view kTicket = "/shiro-cas/v1/tickets/*";
inline constexpr std::string_view kVersionFile = "/dokora/update/newversion.htm";
inline constexpr std::string_view kInstaller = "/dokora/update/DokoraSetup.exe";
inline constexpr std::string_view kSignature = "/dokora/update/DokoraSetup.exe.sig";
} // namespace FakeEndpoint

// One scripted answer. Faults: NoContentLength sends the body chunked; Truncated declares
// the whole body but sends only `faultAfter` bytes and closes; Stall sends the headers and
// `faultAfter` bytes (nothing at all when 0) and then nothing until the service shuts down;
// Trickle sends `faultAfter` bytes and then one byte every kTrickleInterval; Close drops the
// connection without a reply. `delay` passes before anything is sent.
struct FakeReply
{
    enum class Fault
    {
        None,
        NoContentLength,
        Truncated,
        Stall,
        Trickle,
        Close,
    };
    static constexpr std::chrono::milliseconds kTrickleInterval{200};

    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    std::chrono::milliseconds delay{0};
    Fault fault = Fault::None;
    std::size_t faultAfter = 0;
    std::string bodyFile; // when set, the body is streamed from this file

    static FakeReply Json(std::string body, int status = 200);
    static FakeReply Text(std::string body, int status = 200);
    static FakeReply WithFault(Fault fault, std::string body = {}, std::size_t faultAfter = 0);
};

// The decoded value of `name` in a query string or form body; "" when absent.
std::string FormValue(std::string_view form, std::string_view name);

// A request as it came over the wire.
struct RecordedRequest
{
    std::string method;
    std::string target; // path and query, undecoded
    std::string path;
    std::string query;
    std::string version; // "HTTP/1.0" or "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string raw;  // request line, headers and body, up to the record limit
    std::string body; // the body part of `raw`
    std::uint64_t bodySize = 0;

    std::string Header(std::string_view name) const; // "" when absent; name without case
    std::string Param(std::string_view name) const;  // decoded query parameter
};

// An in-process stand-in for the conversion service, its single-sign-on server and the file
// host, on 127.0.0.1 with an ephemeral port; started by the constructor, stopped by the
// destructor. Without a script every endpoint behaves like a healthy service:
//
//   upload  POST multipart, ?plateform=pc&token=&taskname=   (token must be valid)
//     {"ret":0,"msg":"success","data":{"fileSize":N,"filePrice":0,"taskId":"task-N",
//      "docid":"doc-N","fileType":"<ext>","fileName":"<name>"}}
//   submitTask POST ?plateform=pc&token=&taskId=&taskname=
//     {"ret":0,"msg":"success","data":{"docid":"doc-N","taskId":"task-N","jobId":"job-N"}}
//   taskQuery POST ?plateform=pc&token=&taskId=&jobId=   ("RUNNING" until the conversion
//     delay has passed, then "FINISH" with downloadUrl = <base>/results/job-N)
//     {"ret":0,"msg":"success","data":{"taskState":"FINISH","balanceStatus":"NORMAL",
//      "filePrice":0,"userBalance":100.0,"downloadUrl":"..."}}
//   results/job-N GET: ResultSignature(taskname) followed by the uploaded file's bytes, with a
//     content length
//   getHomeSortList GET {"ret":0,"msg":"success","data":[{"convertType":"PDF2Word",
//     "isFree":false},...]}
//   pcdokoraLogin GET ?ticket=ST-...  (a service ticket this fake issued, used once)
//     {"ret":0,"msg":"success","data":{"expireTime":7200,"token":"token-N"}}
//   getUserInfo GET ?plateform=pc&token=
//     {"ret":0,"msg":"success","data":{"balanceAll":"100.00","vip":0,"userId":"1001",
//      "userType":"normal","firstLogin":false,"isVip":false}}
//   An unknown token gives {"ret":403,"msg":"token invalid"}, a bad request
//   {"ret":400,"msg":...}: neither has "data".
//   shiro-cas/v1/tickets POST username=&password= -> 201, Location <sso>/v1/tickets/TGT-N
//     (401 for unknown users); POST to that with service= -> 200 "ST-N" as text;
//     DELETE it -> 200, the ticket-granting ticket is gone.
//   newversion.htm "<#version#>\r\n<#flag#>"; DokoraSetup.exe the installer bytes;
//   DokoraSetup.exe.sig the signature bytes once set (404 before).
class FakeService
{
public:
    static constexpr std::string_view kUser = "tester";
    static constexpr std::string_view kPassword = "secret";

    // The first bytes of a result of the task, so it passes for its type: "%PDF-1.7\n" for
    // PDF results, a zip's "PK\3\4" for office documents and archives, nothing for text.
    static std::string ResultSignature(std::string_view taskName);

    FakeService();
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    int Port() const;
    std::string BaseUrl() const; // "http://127.0.0.1:<port>", the API, file host and results
    std::string SsoUrl() const;  // BaseUrl() + "/shiro-cas"

    // Queues a reply for the next call of `endpoint`; calls beyond the queue get the default.
    void Script(std::string_view endpoint, FakeReply reply);
    std::vector<RecordedRequest> Requests(std::string_view endpoint) const;
    std::vector<RecordedRequest> AllRequests() const;
    bool WaitForRequests(std::string_view endpoint, std::size_t count,
                         std::chrono::milliseconds timeout) const;

    // Number of queries of a job answered "RUNNING" before "FINISH" (0 by default).
    void SetConversionDelay(int queries);
    void AddUser(std::string name, std::string password);
    // A token the API accepts, as the ticket exchange would give.
    std::string IssueToken();
    // The next `count` ticket exchanges succeed, each with a token of IssueToken.
    void ScriptTokenExchanges(int count);
    void SetVersionFile(std::string version, bool forced);
    void SetInstaller(std::string bytes);
    void SetSignature(std::string bytes);
    // Bytes of each request kept in the record (the rest is only counted).
    void SetRecordLimit(std::size_t bytes);

private:
    struct Task
    {
        std::string fileName;
        std::string taskName;
        std::string content;
        std::string jobId;
        int queries = 0;
    };

    struct UploadedFile
    {
        std::string content; // up to the record limit
        std::string name;
        std::uint64_t size = 0;
    };

    void Handle(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader* reader);
    FakeReply DefaultReply(const RecordedRequest& request, const std::string& endpoint,
                           const UploadedFile& upload);
    FakeReply Upload(const RecordedRequest& request, const UploadedFile& upload);
    FakeReply Submit(const RecordedRequest& request);
    FakeReply Query(const RecordedRequest& request);
    FakeReply Result(const RecordedRequest& request);
    FakeReply Tickets(const RecordedRequest& request);
    FakeReply Ticket(const RecordedRequest& request);
    void Send(FakeReply reply, const httplib::Request& request, httplib::Response& response);
    // Waits up to `duration`; false when the service is shutting down.
    bool Pause(std::chrono::milliseconds duration);
    bool TokenValid(const RecordedRequest& request) const;

    std::unique_ptr<httplib::Server> server;
    std::unique_ptr<RecordingRelay> relay;
    std::thread listener;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool stopping = false;
    std::map<std::string, std::deque<FakeReply>, std::less<>> scripts;
    std::vector<std::pair<std::string, RecordedRequest>> requests;
    std::map<std::string, std::string, std::less<>> users;
    std::set<std::string, std::less<>> tokens;
    std::set<std::string, std::less<>> grantingTickets;
    std::set<std::string, std::less<>> serviceTickets;
    std::map<std::string, Task, std::less<>> tasks; // by task id
    std::size_t recordLimit = 64u << 20;
    int conversionDelay = 0;
    int counter = 0;
    std::string version = "1.0.0.1";
    bool forced = false;
    std::string installer = "installer";
    std::optional<std::string> signature;
};
