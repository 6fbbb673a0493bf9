#include "http/downloadbase.h"

#include "http/httpsession.h"
#include "utility/pathsplit.h"
#include "utility/stopevent.h"
#include "utility/textcase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr const char* kDownloadAgent = "Testing";
// libcurl's receive buffer; the body is still handed on in pieces of chunkSize bytes.
constexpr long kMinReceiveBuffer = 64 * 1024;
// The first bytes of a body, kept for the content check.
constexpr std::size_t kHeadBytes = 512;
constexpr std::string_view kTempSuffix = ".part";

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::uint32_t Clamp32(std::uint64_t value)
{
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

std::optional<std::uint64_t> ParseDecimal(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A new file beside `target` that nothing else can have opened: created exclusively, so a
// planted link is never followed. It takes the mode of a regular file it will replace.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath)
{
    const PathSplit split = SplitPath(target, "/");
    std::string pattern = std::string(split.folder) + "." + std::string(split.name) + ".XXXXXX" +
                          std::string(kTempSuffix);
    const int fd = ::mkostemps(pattern.data(), static_cast<int>(kTempSuffix.size()), O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    tempPath = pattern;
    struct stat info = {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        ::fchmod(fd, info.st_mode & 07777);
    }
    return fd;
}

// The state of one download attempt, shared with libcurl's callbacks. The body goes to a
// temporary file beside the target, which replaces the target only once it is complete and
// accepted; on every other outcome it is removed.
class DownloadJob
{
public:
    DownloadJob(CDownloadBase& owner, HttpSession& session, std::string path, std::size_t chunk,
                void* userData)
        : owner(owner), session(session), path(std::move(path)), chunk(chunk), userData(userData)
    {
    }
    ~DownloadJob() { Discard(); }
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        static_cast<DownloadJob*>(self)->Header(std::string_view(data, size * count));
        return size * count;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* job = static_cast<DownloadJob*>(self);
        return job->Body(data, size * count) ? size * count : 0;
    }

    // Starts the body: checks the response, creates the file, reports the first progress.
    bool Begin()
    {
        begun = true;
        if (status != 200 || !contentLength) {
            return false;
        }
        length = *contentLength;
        if (session.StopRequested()) {
            session.MarkStopped();
            return false;
        }
        const int fd = CreateTemporaryBeside(path, tempPath);
        if (fd < 0) {
            return false;
        }
        file.reset(::fdopen(fd, "wb"));
        if (!file) {
            ::close(fd);
            return false;
        }
        buffer.resize(std::max<std::size_t>(chunk, BUFSIZ));
        std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());
        owner.OnProgress(0, Clamp32(length), 0, userData);
        return true;
    }

    bool Body(const char* data, std::size_t size)
    {
        if (!begun && !Begin()) {
            return false;
        }
        if (!file) {
            return false;
        }
        for (std::size_t offset = 0; offset < size;) {
            if (session.StopRequested()) {
                session.MarkStopped();
                return false;
            }
            const std::size_t piece = std::min(chunk, size - offset);
            if (std::fwrite(data + offset, 1, piece, file.get()) != piece) {
                return false;
            }
            if (head.size() < kHeadBytes) {
                head.append(data + offset, std::min(piece, kHeadBytes - head.size()));
            }
            offset += piece;
            written += piece;
            owner.OnProgress(0, Clamp32(length), Clamp32(written), userData);
        }
        return true;
    }

    // Closes the file and puts it in place when `result` is a success: the content must be
    // accepted and the target still replaceable. Returns the final result.
    CDownloadBase::Result Finish(CDownloadBase::Result result)
    {
        bool closed = true;
        if (file) {
            const bool flushed = std::fflush(file.get()) == 0;
            closed = std::fclose(file.release()) == 0 && flushed;
        }
        if (result == CDownloadBase::Result::kDone) {
            if (!closed || tempPath.empty()) {
                result = CDownloadBase::Result::kFailed;
            } else if (!owner.AcceptContent(head)) {
                result = CDownloadBase::Result::kRejected;
            } else if (!owner.MayReplace(path) || ::rename(tempPath.c_str(), path.c_str()) != 0) {
                result = CDownloadBase::Result::kFailed;
            } else {
                tempPath.clear();
            }
        }
        Discard();
        return result;
    }

    bool Begun() const { return begun; }
    bool HasFile() const { return file != nullptr; }
    std::uint64_t Length() const { return length; }
    std::uint64_t Written() const { return written; }

private:
    void Discard()
    {
        file.reset();
        if (!tempPath.empty()) {
            ::unlink(tempPath.c_str());
            tempPath.clear();
        }
    }

    // Headers of every response arrive here, redirects included; the last one counts.
    void Header(std::string_view line)
    {
        if (line.starts_with("HTTP/")) {
            status = 0;
            contentLength.reset();
            const auto space = line.find(' ');
            if (space != std::string_view::npos) {
                status = ParseDecimal(line.substr(space + 1, 3)).value_or(0);
            }
            return;
        }
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        const std::string_view name = line.substr(0, colon);
        if (EqualsNoCase(name, "content-length")) {
            contentLength = ParseDecimal(Trim(line.substr(colon + 1)));
        }
    }

    CDownloadBase& owner;
    HttpSession& session;
    std::string path;
    std::size_t chunk;
    void* userData;
    long status = 0;
    std::optional<std::uint64_t> contentLength;
    bool begun = false;
    std::uint64_t length = 0;
    std::uint64_t written = 0;
    std::vector<char> buffer;
    std::unique_ptr<std::FILE, FileCloser> file;
    std::string tempPath; // empty once renamed or removed
    std::string head;
};

} // namespace

CDownloadBase::Result CDownloadBase::DownloadToFile(std::string_view requestUrl,
                                                    std::string_view path,
                                                    const StopEvent* stopEvent, void* userData)
{
    const auto stopRequested = [stopEvent] { return stopEvent != nullptr && stopEvent->IsSet(); };
    const auto fail = [&](Result result, std::uint64_t length, std::uint64_t written) {
        OnProgress(1, Clamp32(length), Clamp32(written), userData);
        return result;
    };
    if (stopRequested()) {
        return fail(Result::kStopped, 0, 0);
    }
    HttpSession session;
    if (!session.IsValid()) {
        return fail(Result::kFailed, 0, 0);
    }
    DownloadJob job(*this, session, std::string(path), static_cast<std::size_t>(chunkSize),
                    userData);
    CURL* handle = session.Handle();
    const std::string target(requestUrl);
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    const long receiveBuffer = std::clamp<long>(chunkSize, kMinReceiveBuffer, CURL_MAX_READ_SIZE);
    const bool configured =
        headers != nullptr && curl_easy_setopt(handle, CURLOPT_URL, target.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_USERAGENT, kDownloadAgent) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, receiveBuffer) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &DownloadJob::OnHeader) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &job) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadJob::OnBody) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &job) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(minimumSpeed)) ==
            CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(minimumSpeedWindow.count())) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(transferLimit.count())) ==
            CURLE_OK;
    if (!configured) {
        curl_slist_free_all(headers);
        return fail(Result::kFailed, 0, 0);
    }

    const HttpSession::Outcome outcome = session.Perform(stopEvent);
    curl_slist_free_all(headers);

    Result result = Result::kFailed;
    if (outcome == HttpSession::Outcome::Stopped) {
        result = Result::kStopped;
    } else if (outcome == HttpSession::Outcome::Done) {
        // An empty body never reached the body callback.
        const bool bodyOk = job.Begun() ? job.HasFile() : job.Begin();
        if (session.StopRequested() || stopRequested()) {
            result = Result::kStopped;
        } else if (bodyOk && job.Written() == job.Length()) {
            result = Result::kDone;
        }
    }
    result = job.Finish(result);
    return result == Result::kDone ? Result::kDone : fail(result, job.Length(), job.Written());
}

void CDownloadBase::SetSavePath(std::string_view value)
{
    savePath = value;
}

std::string CDownloadBase::GetSavePath() const
{
    return savePath;
}

void CDownloadBase::SetMinimumSpeed(std::uint32_t bytesPerSecond, std::chrono::seconds window)
{
    minimumSpeed = bytesPerSecond;
    minimumSpeedWindow = window;
}

void CDownloadBase::SetTransferLimit(std::chrono::milliseconds limit)
{
    transferLimit = limit;
}

bool CDownloadBase::AcceptContent(std::string_view)
{
    return true;
}

bool CDownloadBase::MayReplace(std::string_view)
{
    return true;
}

CDownloadBase::Result CDownloadBase::Download(std::string_view requestUrl, std::string_view path,
                                              const StopEvent* stopEvent, void* userData)
{
    Result result = Result::kFailed;
    for (std::int32_t attempt = 0; attempt < attempts; ++attempt) {
        result = DownloadToFile(requestUrl, path, stopEvent, userData);
        if (result != Result::kFailed) {
            break;
        }
    }
    return result;
}
