#pragma once

#include "http/httpbase.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

class StopEvent;

// Streams a URL into a file with progress and stop support. Runs on the thread of the
// worker that inherits it (download stages, head icon, update).
class CDownloadBase : public CHttpBase
{
public:
    enum class Result
    {
        kDone = 0,
        kFailed = 1,
        kStopped = 3,
        kRejected = 4, // the whole body arrived, but AcceptContent refused it
    };

    // One attempt. The body is accepted only from a 200 response that declares its length
    // in decimal; a body cut short fails. The body goes to a temporary file beside `path`
    // that replaces `path` only when it is complete and accepted; nothing is left of a
    // failed or stopped attempt.
    virtual Result DownloadToFile(std::string_view url, std::string_view path,
                                  const StopEvent* stopEvent, void* userData);
    virtual void SetSavePath(std::string_view value);
    virtual std::string GetSavePath() const;
    // Up to `attempts` tries, ending at the first result that is not a failure.
    virtual Result Download(std::string_view url, std::string_view path, const StopEvent* stopEvent,
                            void* userData);

    // A transfer slower than `bytesPerSecond` over a whole `window` fails (0: no minimum).
    void SetMinimumSpeed(std::uint32_t bytesPerSecond, std::chrono::seconds window);
    // The longest one attempt may take (0: no limit).
    void SetTransferLimit(std::chrono::milliseconds limit);

    // Asked once the whole body is in, with its first bytes (up to 512): false rejects it.
    virtual bool AcceptContent(std::string_view head);
    // Asked just before the complete file replaces `path`: false fails the attempt.
    virtual bool MayReplace(std::string_view path);

protected:
    std::string savePath;

private:
    std::uint32_t minimumSpeed = 0;
    std::chrono::seconds minimumSpeedWindow{0};
    std::chrono::milliseconds transferLimit{0};
};
