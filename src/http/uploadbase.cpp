#include "http/uploadbase.h"

#include "http/contenttype.h"
#include "http/httpsession.h"
#include "utility/pathsplit.h"
#include "utility/stopevent.h"
#include "utility/textcase.h"
#include "utility/utilitycalls.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace {

// libcurl accepts upload buffers from 16 KiB to 2 MiB; below 64 KiB sends get costly.
constexpr long kMinUploadBuffer = 64 * 1024;
constexpr long kMaxUploadBuffer = 2 * 1024 * 1024;

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct HeaderListFree
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListFree>;

std::uint32_t Clamp32(std::uint64_t value)
{
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

// The header text as libcurl's list, one entry per line. libcurl's own form content type is
// suppressed when the text names none.
HeaderList MakeHeaderList(std::string_view text)
{
    curl_slist* list = nullptr;
    bool hasContentType = false;
    while (!text.empty()) {
        const auto end = text.find("\r\n");
        const std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
        if (line.empty()) {
            continue;
        }
        hasContentType = hasContentType || StartsWithNoCase(line, "content-type:");
        list = curl_slist_append(list, line.c_str());
    }
    if (!hasContentType) {
        list = curl_slist_append(list, "Content-Type:");
    }
    return HeaderList(list);
}

// The last path component; quotes and line breaks, which would end the header line or the
// quoted value, are percent-encoded.
std::string DispositionFileName(std::string_view path)
{
    const std::string_view name = SplitPath(path).name;
    std::string escaped;
    for (const char c : name) {
        switch (c) {
        case '"':
            escaped += "%22";
            break;
        case '\r':
            escaped += "%0D";
            break;
        case '\n':
            escaped += "%0A";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// The request body as libcurl reads it: the part's header lines, the file in chunks, the
// closing line.
class UploadJob
{
public:
    UploadJob(CUploadBase& owner, HttpSession& session, std::FILE* file, std::uint64_t fileSize,
              std::size_t chunk, void* userData, std::string prefix, std::string closing,
              std::string& response)
        : owner(owner), session(session), file(file), fileSize(fileSize), chunk(chunk),
          userData(userData), prefix(std::move(prefix)), closing(std::move(closing)),
          response(response)
    {
    }

    std::uint64_t BodySize() const { return prefix.size() + fileSize + closing.size(); }

    bool Rewind()
    {
        prefixSent = 0;
        closingSent = 0;
        sent = 0;
        fileDone = false;
        return std::fseek(file, 0, SEEK_SET) == 0;
    }

    static std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* self)
    {
        return static_cast<UploadJob*>(self)->Read(buffer, size * count);
    }

    // A reply longer than the service's replies can be fails the exchange, as a query reply
    // past its buffer does, instead of growing without bound.
    static std::size_t OnResponse(char* data, std::size_t size, std::size_t count, void* self)
    {
        std::string& response = static_cast<UploadJob*>(self)->response;
        if (response.size() + size * count > Utility::kServiceReplyCapacity) {
            return 0;
        }
        response.append(data, size * count);
        return size * count;
    }

private:
    static std::size_t CopyFrom(const std::string& source, std::size_t& offset, char* out,
                                std::size_t capacity)
    {
        const std::size_t n = std::min(capacity, source.size() - offset);
        std::copy_n(source.data() + offset, n, out);
        offset += n;
        return n;
    }

    std::size_t Read(char* out, std::size_t capacity)
    {
        std::size_t filled = 0;
        while (filled < capacity) {
            if (prefixSent < prefix.size()) {
                filled += CopyFrom(prefix, prefixSent, out + filled, capacity - filled);
            } else if (!fileDone) {
                owner.OnProgress(0, Clamp32(fileSize), Clamp32(sent), userData);
                if (session.StopRequested()) {
                    session.MarkStopped();
                    return CURL_READFUNC_ABORT;
                }
                const std::size_t want = std::min(chunk, capacity - filled);
                const std::size_t got = std::fread(out + filled, 1, want, file);
                // The declared length was taken when the file was opened: a file that
                // changes size meanwhile cannot be sent correctly.
                if (got == 0) {
                    if (std::ferror(file) != 0 || sent != fileSize) {
                        return CURL_READFUNC_ABORT;
                    }
                    fileDone = true;
                } else if (sent + got > fileSize) {
                    return CURL_READFUNC_ABORT;
                }
                sent += got;
                filled += got;
            } else if (closingSent < closing.size()) {
                filled += CopyFrom(closing, closingSent, out + filled, capacity - filled);
            } else {
                break;
            }
        }
        return filled;
    }

    CUploadBase& owner;
    HttpSession& session;
    std::FILE* file;
    std::uint64_t fileSize;
    std::size_t chunk;
    void* userData;
    std::string prefix;
    std::string closing;
    std::string& response;
    std::size_t prefixSent = 0;
    std::size_t closingSent = 0;
    std::uint64_t sent = 0;
    bool fileDone = false;
};

} // namespace

bool CUploadBase::ConfigureSession(HttpSession& session)
{
    if (attempts != 0) {
        session.SetConnectAttempts(attempts);
    }
    if (timeoutMs != 0 &&
        (timeoutMs < 0 || !session.SetTimeout(std::chrono::milliseconds(timeoutMs)))) {
        return false;
    }
    if (!cookie.empty()) {
        // The session only ever talks to the upload address, so the cookie stored for that
        // address is simply sent with the request. A line break would forge a header.
        if (cookie.find_first_of("\r\n") != std::string::npos ||
            curl_easy_setopt(session.Handle(), CURLOPT_COOKIE, cookie.c_str()) != CURLE_OK) {
            return false;
        }
    }
    return true;
}

void CUploadBase::PrepareMultipart(std::string_view path)
{
    BuildRequestHeaders({{"Content-Type", "multipart/form-data"}}, GetBoundary());
    SetDisposition("form-data; name=\"file\"; filename=\"" + DispositionFileName(path) + "\"\r\n");
    SetPartType(GetContentType(path) + "\r\n\r\n");
}

std::string CUploadBase::GetContentType(std::string_view path)
{
    return ::GetContentType(path);
}

std::string CUploadBase::GetBoundary() const
{
    return std::string(kBoundary);
}

std::string CUploadBase::BoundaryLine(std::string_view boundary) const
{
    return "--" + std::string(boundary) + "\r\n";
}

std::string CUploadBase::ClosingLine(std::string_view boundary) const
{
    return "\r\n--" + std::string(boundary) + "--\r\n";
}

void CUploadBase::BuildRequestHeaders(const std::map<std::string, std::string>& headerMap,
                                      std::string_view boundary)
{
    // Built anew each time: the stage prepares every file of a pass on the same object.
    requestHeaders.clear();
    for (const auto& [name, value] : headerMap) {
        requestHeaders += name + ": " + value + "; ";
    }
    if (!boundary.empty()) {
        requestHeaders += "boundary=" + std::string(boundary);
    }
}

std::string CUploadBase::GetRequestHeaders() const
{
    return requestHeaders;
}

void CUploadBase::SetDisposition(std::string_view value)
{
    dispositionLine = "Content-Disposition: " + std::string(value);
}

std::string CUploadBase::GetDisposition() const
{
    return dispositionLine;
}

void CUploadBase::SetPartType(std::string_view value)
{
    partTypeLine = "Content-Type: " + std::string(value);
}

std::string CUploadBase::GetPartType() const
{
    return partTypeLine;
}

CUploadBase::Result CUploadBase::Upload(std::string_view requestUrl, std::string_view path,
                                        const StopEvent* stopEvent, void* userData,
                                        std::string& response)
{
    const auto stopRequested = [stopEvent] { return stopEvent != nullptr && stopEvent->IsSet(); };
    if (stopRequested()) {
        return Result::kStopped;
    }
    FilePtr file(std::fopen(std::string(path).c_str(), "rb"));
    struct stat info = {};
    if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Result::kFailed;
    }
    // Chunks go straight from the file into libcurl's buffer.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    if (!ParseUrl(requestUrl)) {
        return Result::kFailed;
    }
    HttpSession session;
    if (!session.IsValid()) {
        return Result::kFailed;
    }
    if (stopRequested()) {
        return Result::kStopped;
    }
    if (!ConfigureSession(session)) {
        return Result::kFailed;
    }
    if (stopRequested()) {
        return Result::kStopped;
    }

    const std::string boundary = GetBoundary();
    UploadJob job(*this, session, file.get(), static_cast<std::uint64_t>(info.st_size),
                  static_cast<std::size_t>(chunkSize), userData,
                  BoundaryLine(boundary) + dispositionLine + partTypeLine, ClosingLine(boundary),
                  response);
    const HeaderList headers = MakeHeaderList(requestHeaders);
    const std::string target(requestUrl);
    CURL* handle = session.Handle();
    const bool configured =
        headers && curl_easy_setopt(handle, CURLOPT_URL, target.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_POST, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(job.BodySize())) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_UPLOAD_BUFFERSIZE,
                         std::clamp<long>(chunkSize, kMinUploadBuffer, kMaxUploadBuffer)) ==
            CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_READFUNCTION, &UploadJob::OnRead) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_READDATA, &job) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &UploadJob::OnResponse) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &job) == CURLE_OK;
    if (!configured) {
        return Result::kFailed;
    }

    HttpSession::Outcome outcome = HttpSession::Outcome::Failed;
    for (int attempt = 0; attempt < session.ConnectAttempts(); ++attempt) {
        if (!job.Rewind()) {
            return Result::kFailed;
        }
        outcome = session.Perform(stopEvent);
        if (outcome != HttpSession::Outcome::Failed || !session.ConnectFailed()) {
            break;
        }
    }
    switch (outcome) {
    case HttpSession::Outcome::Done:
        return Result::kDone;
    case HttpSession::Outcome::TimedOut:
        return Result::kTimedOut;
    case HttpSession::Outcome::Stopped:
        return Result::kStopped;
    case HttpSession::Outcome::Failed:
        break;
    }
    return Result::kFailed;
}
