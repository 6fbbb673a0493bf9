// Whole requests as a client sends them, through the service's parser and every endpoint:
// query and form parameters, multipart uploads, tickets, tasks and results, the PDF tools.
// "@token@", "@task@" and "@job@" in the head become a live token, an uploaded task and its
// job, so the inputs reach past the authorization check.
#include "accountstore.h"
#include "conversionservice.h"
#include "fuzzinput.h"
#include "routes.h"
#include "sessionstore.h"
#include "sqlitestore.h"
#include "taskstore.h"

#include <httplib.h>
#include <json/json.h>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

// One connection's bytes: reads take the input, writes are dropped.
class MemoryStream : public httplib::Stream
{
public:
    explicit MemoryStream(std::string_view input) : input(input) {}

    bool is_readable() const override { return position < input.size(); }
    bool is_writable() const override { return true; }
    ssize_t read(char* ptr, size_t size) override
    {
        const std::size_t count = std::min(size, input.size() - position);
        input.copy(ptr, count, position);
        position += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(const char* ptr, size_t size) override
    {
        written.append(ptr, size);
        return static_cast<ssize_t>(size);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        ip = "127.0.0.1";
        port = 40000;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        ip = "127.0.0.1";
        port = 8080;
    }
    int socket() const override { return -1; }

    bool Drained() const { return position >= input.size(); }
    std::string written;

private:
    std::string_view input;
    std::size_t position = 0;
};

class FuzzServer : public httplib::Server
{
public:
    // Serves the requests in `bytes` as one kept-alive connection; the replies sent.
    std::string Serve(std::string_view bytes)
    {
        MemoryStream stream(bytes);
        bool closed = false;
        for (int request = 0; request < 4 && !closed && !stream.Drained(); ++request) {
            if (!process_request(stream, request == 3, closed, nullptr))
                break;
        }
        return stream.written;
    }
};

// The JSON body of the last reply in `replies`.
Json::Value ReplyJson(const std::string& replies)
{
    Json::Value value;
    std::istringstream in(replies.substr(replies.rfind("\r\n\r\n") + 4));
    Json::CharReaderBuilder builder;
    std::string errors;
    Json::parseFromStream(builder, in, &value, &errors);
    return value;
}

void ReplaceAll(std::string& text, std::string_view from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

struct Service
{
    Service()
        : store(SqliteStore::Open(FuzzInput::Directory() / "service.db", error)), accounts(*store),
          tasks(*store, FuzzInput::Directory() / "tasks"), sessions(*store, {}),
          conversions(tasks, FuzzInput::Directory() / "office", FuzzInput::Directory() / "work",
                      {.workers = 0}),
          routes(accounts, sessions, tasks, conversions,
                 {.updateDir = FuzzInput::Directory() / "update",
                  .version = "1.0.0",
                  .publicUrl = "http://127.0.0.1:8080",
                  .clientService = "http://127.0.0.1:8080/shiro-cas",
                  .tools = {.workers = 1, .workRoot = FuzzInput::Directory() / "tools"}})
    {
        if (!tasks.Resume(error) || !accounts.SetPassword("tester", "secret", error))
            std::abort();
        routes.Register(server);
        const auto user = accounts.Verify("tester", "secret");
        const auto granting = sessions.CreateGrantingTicket(*user);
        const auto ticket =
            sessions.IssueServiceTicket(*granting, "http://127.0.0.1:8080/shiro-cas");
        token = sessions.RedeemServiceTicket(*ticket, "http://127.0.0.1:8080/shiro-cas")->token;
        const std::string body = "--b\r\nContent-Disposition: form-data; name=\"file\"; "
                                 "filename=\"a.txt\"\r\n\r\nhello\r\n--b--\r\n";
        taskId = ReplyJson(server.Serve(
            "POST /v2/task/upload?plateform=pc&token=" + token +
            "&taskname=txt_2_pdf HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
            "boundary=b\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\n\r\n" + body))["data"]["taskId"]
                     .asString();
        jobId = ReplyJson(server.Serve("POST /task/submitTask?plateform=pc&token=" + token +
                                       "&taskId=" + taskId +
                                       "&taskname=txt_2_pdf HTTP/1.1\r\nHost: x\r\n"
                                       "Content-Length: 0\r\n\r\n"))["data"]["jobId"]
                    .asString();
        if (taskId.empty() || jobId.empty())
            std::abort();
        server.set_payload_max_length(1 << 20);
    }

    std::string error;
    std::unique_ptr<SqliteStore> store;
    AccountStore accounts;
    TaskStore tasks;
    SessionStore sessions;
    ConversionService conversions;
    FuzzServer server;
    Routes routes;
    std::string token;
    std::string taskId;
    std::string jobId;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Service service;
    std::string request(FuzzInput::Text(data, size));
    // Only the head: a body's declared length stays right.
    const auto headEnd = request.find("\r\n\r\n");
    std::string head = request.substr(0, headEnd);
    ReplaceAll(head, "@token@", service.token);
    ReplaceAll(head, "@task@", service.taskId);
    ReplaceAll(head, "@job@", service.jobId);
    request = head + (headEnd == std::string::npos ? "" : request.substr(headEnd));
    service.server.Serve(request);
    return 0;
}
