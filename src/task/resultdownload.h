#pragma once

#include "http/downloadbase.h"
#include "task/freefilename.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The download of one row's result, shared by the pipeline's download stage and the
// re-download thread: the result takes a free name reserved for it, arrives in a temporary
// file beside it, and replaces the reservation only when it is complete and of the type the
// function produces. Runs on the thread that inherits it.
class CResultDownload : public CDownloadBase
{
public:
    // A transfer that stays below this speed for the whole window fails.
    static constexpr std::uint32_t kMinimumSpeed = 1024;
    static constexpr std::chrono::seconds kMinimumSpeedWindow{30};

    CResultDownload();

    // Reserves the free name for `plannedPath` (see ReserveFreeName); empty when no file can
    // be created in that folder.
    std::optional<std::string> ReserveName(const std::string& plannedPath);
    // Downloads into the reserved name; any result but kDone releases the name again, so a
    // failed or stopped download leaves nothing behind.
    Result DownloadResult(std::string_view url, std::string_view functionName,
                          const StopEvent* stopEvent, void* userData);

    bool AcceptContent(std::string_view head) override;
    // Only the file this download reserved is ever replaced.
    bool MayReplace(std::string_view path) override;

    // The row's detail text for a failed reservation (nullopt) or download result.
    static std::string FailureText(std::optional<Result> result);

private:
    std::optional<ReservedName> reservation;
    std::string resultSuffix;
};
