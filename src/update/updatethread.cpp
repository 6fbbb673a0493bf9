#include "update/updatethread.h"

#include "update/updateoffer.h"

#include <ctime>
#include <random>

namespace {

constexpr std::uint32_t kStartDelayMs = 30;
constexpr std::int32_t kChunkBytes = 64 * 1024;
constexpr int kProgressFailed = 1;

} // namespace

CUpdateThread::CUpdateThread()
{
    SetChunkSize(kChunkBytes);
}

std::string CUpdateThread::WithCacheBuster(const std::string& address)
{
    std::minstd_rand engine(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    std::uniform_int_distribution<int> digit(0, 9);
    return address + "?&skq=" + std::to_string(digit(engine));
}

int CUpdateThread::Run()
{
    if (WaitForStop(kStartDelayMs))
        return 0;
    const std::string address = GetUrl();
    const std::string destination = GetSavePath();
    if (address.empty() || destination.empty())
        return 0;
    // The signature comes first, so a complete installer always has its signature beside it.
    forwardProgress = false;
    Result result = Download(WithCacheBuster(address + std::string(kSignatureSuffix)),
                             destination + std::string(kSignatureSuffix), &GetStopEvent(), nullptr);
    if (result == Result::kDone) {
        forwardProgress = true;
        shownPercent = -1;
        result = Download(WithCacheBuster(address), destination, &GetStopEvent(), nullptr);
    }
    // Failed attempts are retried, so only the last outcome is reported.
    if (result != Result::kDone && !StopRequested())
        PostParams(WM_UPDATE_FAILED, 0, 0);
    return 0;
}

void CUpdateThread::OnProgress(int state, std::uint32_t total, std::uint32_t done, void*)
{
    if (!forwardProgress || state == kProgressFailed || StopRequested())
        return;
    // One message per percent is all the bar can show.
    const int percent = total == 0 ? 0 : static_cast<int>(std::uint64_t{done} * 100 / total);
    if (percent == shownPercent)
        return;
    shownPercent = percent;
    PostParams(WM_UPDATE_PROGRESS, total, static_cast<std::intptr_t>(done));
}
