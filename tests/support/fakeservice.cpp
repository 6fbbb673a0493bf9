#include "support/fakeservice.h"

#include "support/recordingrelay.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace {

constexpr std::string_view kSsoPrefix = "/shiro-cas";

// Decodes %XX and '+' as in query strings and form bodies.
std::string FormDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 1])) != 0 &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2])) != 0) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string EndpointOf(std::string_view path)
{
    for (const std::string_view wildcard : {FakeEndpoint::kResult, FakeEndpoint::kTicket}) {
        const std::string_view prefix = wildcard.substr(0, wildcard.size() - 1);
        if (path.starts_with(prefix) && path.size() > prefix.size() &&
            path.find('/', prefix.size()) == std::string_view::npos) {
            return std::string(wildcard);
        }
    }
    return std::string(path);
}

// Request line and headers parsed from the captured bytes.
void ParseRaw(RecordedRequest& request, std::uint64_t total)
{
    const auto headerEnd = request.raw.find("\r\n\r\n");
    if (headerEnd == std::string::npos) {
        return;
    }
    std::string_view lines = std::string_view(request.raw).substr(0, headerEnd);
    lines = lines.substr(std::min(lines.size(), lines.find("\r\n") + 2));
    while (!lines.empty()) {
        const auto end = lines.find("\r\n");
        const std::string_view line = lines.substr(0, end);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            std::string_view value = line.substr(colon + 1);
            value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
            request.headers.emplace_back(line.substr(0, colon), value);
        }
        lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 2);
    }
    request.body = request.raw.substr(headerEnd + 4);
    request.bodySize = total - (headerEnd + 4);
}

} // namespace

std::string FormValue(std::string_view form, std::string_view name)
{
    while (!form.empty()) {
        const auto end = form.find('&');
        const std::string_view pair = form.substr(0, end);
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == name) {
            return equals == std::string_view::npos ? std::string()
                                                    : FormDecode(pair.substr(equals + 1));
        }
        form = end == std::string_view::npos ? std::string_view() : form.substr(end + 1);
    }
    return {};
}

FakeReply FakeReply::Json(std::string body, int status)
{
    FakeReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

FakeReply FakeReply::Text(std::string body, int status)
{
    FakeReply reply = Json(std::move(body), status);
    reply.contentType = "text/plain";
    return reply;
}

FakeReply FakeReply::WithFault(Fault fault, std::string body, std::size_t faultAfter)
{
    FakeReply reply = Json(std::move(body));
    reply.fault = fault;
    reply.faultAfter = faultAfter;
    return reply;
}

std::string RecordedRequest::Header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name)) {
            return value;
        }
    }
    return {};
}

std::string RecordedRequest::Param(std::string_view name) const
{
    return FormValue(query, name);
}

FakeService::FakeService() : server(std::make_unique<httplib::Server>())
{
    users.emplace(kUser, kPassword);
    server->new_task_queue = [] { return new httplib::ThreadPool(24); };
    // One request per connection, so the relay's capture of a connection is one request.
    server->set_keep_alive_max_count(1);
    server->set_read_timeout(2, 0);
    server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response, nullptr);
    });
    const auto withBody = [this](const httplib::Request& request, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
        Handle(request, response, &reader);
    };
    server->Post(".*", withBody);
    server->Delete(".*", withBody);
    const int innerPort = server->bind_to_any_port("127.0.0.1");
    listener = std::thread([this] { server->listen_after_bind(); });
    // A stop request before the server runs would be lost and leave it accepting forever.
    for (int wait = 0; wait < 5000 && !server->is_running(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    relay = std::make_unique<RecordingRelay>(innerPort);
}

FakeService::~FakeService()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    // Cutting the connections first frees server threads still reading a request.
    relay->Shutdown();
    server->stop();
    listener.join();
}

int FakeService::Port() const
{
    return relay->Port();
}

std::string FakeService::BaseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(Port());
}

std::string FakeService::SsoUrl() const
{
    return BaseUrl() + std::string(kSsoPrefix);
}

void FakeService::Script(std::string_view endpoint, FakeReply reply)
{
    std::lock_guard lock(mutex);
    scripts[std::string(endpoint)].push_back(std::move(reply));
}

std::vector<RecordedRequest> FakeService::Requests(std::string_view endpoint) const
{
    std::lock_guard lock(mutex);
    std::vector<RecordedRequest> found;
    for (const auto& [name, request] : requests) {
        if (name == endpoint) {
            found.push_back(request);
        }
    }
    return found;
}

std::vector<RecordedRequest> FakeService::AllRequests() const
{
    std::lock_guard lock(mutex);
    std::vector<RecordedRequest> all;
    for (const auto& entry : requests) {
        all.push_back(entry.second);
    }
    return all;
}

bool FakeService::WaitForRequests(std::string_view endpoint, std::size_t count,
                                  std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(
                   std::count_if(requests.begin(), requests.end(), [&](const auto& entry) {
                       return entry.first == endpoint;
                   })) >= count;
    });
}

void FakeService::SetConversionDelay(int queries)
{
    std::lock_guard lock(mutex);
    conversionDelay = queries;
}

void FakeService::AddUser(std::string name, std::string password)
{
    std::lock_guard lock(mutex);
    users[std::move(name)] = std::move(password);
}

std::string FakeService::IssueToken()
{
    std::lock_guard lock(mutex);
    std::string token = "token-" + std::to_string(++counter);
    tokens.insert(token);
    return token;
}

void FakeService::ScriptTokenExchanges(int count)
{
    for (int i = 0; i < count; ++i)
        Script(FakeEndpoint::kLogin,
               FakeReply::Json(R"({"ret":0,"msg":"","data":{"expireTime":7200,"token":")" +
                               IssueToken() + R"("}})"));
}

void FakeService::SetVersionFile(std::string newVersion, bool isForced)
{
    std::lock_guard lock(mutex);
    version = std::move(newVersion);
    forced = isForced;
}

void FakeService::SetInstaller(std::string bytes)
{
    std::lock_guard lock(mutex);
    installer = std::move(bytes);
}

void FakeService::SetSignature(std::string bytes)
{
    std::lock_guard lock(mutex);
    signature = std::move(bytes);
}

void FakeService::SetRecordLimit(std::size_t bytes)
{
    std::lock_guard lock(mutex);
    recordLimit = bytes;
    relay->SetRecordLimit(bytes);
}

void FakeService::Handle(const httplib::Request& request, httplib::Response& response,
                         const httplib::ContentReader* reader)
{
    // The body is read through the server so that it is consumed; the record comes from
    // the relay's copy of the wire bytes.
    std::string upload;
    std::string uploadName;
    std::uint64_t uploadSize = 0;
    bool inFilePart = false;
    std::size_t keep = 0;
    {
        std::lock_guard lock(mutex);
        keep = recordLimit;
    }
    if (reader != nullptr && request.is_multipart_form_data()) {
        (*reader)(
            [&](const httplib::MultipartFormData& part) {
                inFilePart = part.name == "file";
                if (inFilePart) {
                    uploadName = part.filename;
                }
                return true;
            },
            [&](const char* data, std::size_t size) {
                if (inFilePart) {
                    uploadSize += size;
                    upload.append(data, std::min(size, keep - std::min(keep, upload.size())));
                }
                return true;
            });
    } else if (reader != nullptr) {
        (*reader)([](const char*, std::size_t) { return true; });
    }

    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.target = request.target;
    recorded.path = request.path;
    recorded.version = request.version;
    const auto question = request.target.find('?');
    recorded.query = question == std::string::npos ? "" : request.target.substr(question + 1);
    if (const auto capture = relay->Captured(request.remote_port)) {
        recorded.raw = capture->bytes;
        ParseRaw(recorded, capture->total);
    }
    const std::string endpoint = EndpointOf(request.path);

    std::optional<FakeReply> scripted;
    {
        std::lock_guard lock(mutex);
        requests.emplace_back(endpoint, recorded);
        auto queue = scripts.find(endpoint);
        if (queue != scripts.end() && !queue->second.empty()) {
            scripted = std::move(queue->second.front());
            queue->second.pop_front();
        }
    }
    changed.notify_all();
    Send(scripted ? std::move(*scripted)
                  : DefaultReply(recorded, endpoint, {upload, uploadName, uploadSize}),
         request, response);
}
bool FakeService::Pause(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex);
    return !changed.wait_for(lock, duration, [this] { return stopping; });
}

void FakeService::Send(FakeReply reply, const httplib::Request& request,
                       httplib::Response& response)
{
    if (reply.delay.count() > 0 && !Pause(reply.delay)) {
        response.status = 503;
        return;
    }
    // A stall before the first body byte holds back the status line as well.
    if (reply.fault == FakeReply::Fault::Stall && reply.faultAfter == 0) {
        Pause(std::chrono::hours(1));
        response.status = 503;
        return;
    }
    if (reply.fault == FakeReply::Fault::Close) {
        relay->Drop(request.remote_port);
        response.status = 500;
        return;
    }
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) {
        response.set_header(name, value);
    }
    auto body = std::make_shared<std::string>(std::move(reply.body));
    const std::size_t cut = std::min(reply.faultAfter, body->size());
    switch (reply.fault) {
    case FakeReply::Fault::None:
        if (reply.bodyFile.empty()) {
            response.set_content(*body, reply.contentType);
        } else {
            auto file = std::make_shared<std::ifstream>(reply.bodyFile, std::ios::binary);
            file->seekg(0, std::ios::end);
            const auto size = static_cast<std::size_t>(file->tellg());
            response.set_content_provider(
                size, reply.contentType,
                [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    std::vector<char> buffer(std::min<std::size_t>(length, 256 * 1024));
                    file->seekg(static_cast<std::streamoff>(offset));
                    file->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                    return file->gcount() > 0 &&
                           sink.write(buffer.data(), static_cast<std::size_t>(file->gcount()));
                });
        }
        break;
    case FakeReply::Fault::NoContentLength:
        response.set_chunked_content_provider(
            reply.contentType, [body](std::size_t, httplib::DataSink& sink) {
                if (!body->empty() && !sink.write(body->data(), body->size())) {
                    return false;
                }
                sink.done();
                return true;
            });
        break;
    case FakeReply::Fault::Truncated:
    case FakeReply::Fault::Stall:
        response.set_content_provider(
            body->size(), reply.contentType,
            [this, body, cut, stall = reply.fault == FakeReply::Fault::Stall](
                std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset < cut) {
                    return sink.write(body->data() + offset, cut - offset);
                }
                if (stall) {
                    Pause(std::chrono::hours(1));
                }
                return false;
            });
        break;
    case FakeReply::Fault::Trickle:
        response.set_content_provider(
            body->size(), reply.contentType,
            [this, body, cut](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset < cut) {
                    return sink.write(body->data() + offset, cut - offset);
                }
                return Pause(FakeReply::kTrickleInterval) && sink.write(body->data() + offset, 1);
            });
        break;
    case FakeReply::Fault::Close:
        break;
    }
}
