#pragma once

#include "http/httpbase.h"

#include <string>
#include <string_view>

class StopEvent;

// Streams a URL into a file with progress and stop support. Runs on the thread of the
// worker that inherits it (download stages, head icon, update).
class CDownloadBase : public CHttpBase
{
public:
    enum Result : int
    {
        kDone = 0,
        kFailed = 1,
        kStopped = 3,
    };

    // One attempt. The body is accepted only from a 200 response that declares its length
    // in decimal; a body cut short fails. A partly written file stays on disk.
    virtual int DownloadToFile(std::string_view url, std::string_view path,
                               const StopEvent* stopEvent, void* userData);
    virtual void SetSavePath(std::string_view value);
    virtual std::string GetSavePath() const;
    // Up to `attempts` tries, ending at the first success or stop.
    virtual int Download(std::string_view url, std::string_view path, const StopEvent* stopEvent,
                         void* userData);

protected:
    std::string savePath;
};
