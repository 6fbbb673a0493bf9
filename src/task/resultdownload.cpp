#include "task/resultdownload.h"

#include "task/catalogue.h"
#include "task/resulttype.h"

CResultDownload::CResultDownload()
{
    SetMinimumSpeed(kMinimumSpeed, kMinimumSpeedWindow);
}

std::optional<std::string> CResultDownload::ReserveName(const std::string& plannedPath)
{
    reservation = ReserveFreeName(plannedPath);
    if (!reservation)
        return std::nullopt;
    return reservation->Path();
}

CDownloadBase::Result CResultDownload::DownloadResult(std::string_view requestUrl,
                                                      std::string_view functionName,
                                                      const StopEvent* stopEvent, void* userData)
{
    if (!reservation)
        return Result::kFailed;
    resultSuffix = GetResultSuffix(functionName);
    const Result result = Download(requestUrl, reservation->Path(), stopEvent, userData);
    if (result != Result::kDone)
        reservation->Release();
    reservation.reset();
    return result;
}

bool CResultDownload::AcceptContent(std::string_view head)
{
    return ResultMatchesType(resultSuffix, head);
}

bool CResultDownload::MayReplace(std::string_view path)
{
    return reservation && reservation->Path() == path && reservation->StillHeld();
}

std::string CResultDownload::FailureText(std::optional<Result> result)
{
    if (!result)
        return "@string/str_conv_tip_save_fail";
    if (*result == Result::kRejected)
        return "@string/str_conv_tip_result_type";
    return "@string/str_conv_tip_download_fail";
}
