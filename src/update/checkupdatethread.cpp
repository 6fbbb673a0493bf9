#include "update/checkupdatethread.h"

#include "settings/usersettings.h"
#include "update/versioncompare.h"

#include <ctime>

void CUpdateCheckThread::SetSource(UpdateSource value)
{
    std::lock_guard lock(mutex);
    source = std::move(value);
}

UpdateSource CUpdateCheckThread::Source() const
{
    std::lock_guard lock(mutex);
    return source;
}

std::intptr_t CUpdateCheckThread::StateFor(const VersionFile& offered, const UpdateSource& source)
{
    if (!IsNewerVersion(offered.version, *source.runningVersion))
        return kUpdateUpToDate;
    const auto installer = source.InstallerFile();
    return installer ? InstallerOfferState(offered.version, *installer) : kUpdateNewerVersion;
}

int CCheckUpdateThread::Run()
{
    const UpdateSource source = Source();
    std::optional<VersionFile> offered;
    if (source.runningVersion)
        offered = ReadVersionReply(Utility::Request(GetStopEvent(), "GET", source.VersionFileUrl(),
                                                    kVersionFileHeader, "", kVersionFileCapacity));
    if (StopRequested())
        return 0;
    if (!offered)
        PostParams(WM_UPDATE_RESULT, 1, 0);
    else
        PostParams(WM_UPDATE_RESULT, 0, StateFor(*offered, source));
    return 0;
}

int CStartupUpdateThread::Run()
{
    const UpdateSource source = Source();
    if (!source.runningVersion)
        return 0;
    const auto offered =
        ReadVersionReply(Utility::Request("GET", source.VersionFileUrl(), kVersionFileHeader, "",
                                          kTimeoutMs, 1, kVersionFileCapacity));
    if (!offered || StopRequested())
        return 0;
    const UserSettings settings(source.settingsPath);
    const std::int64_t now = std::time(nullptr);
    if (offered->forced) {
        settings.RecordUpdateCheck(now);
        if (!IsNewerVersion(offered->version, *source.runningVersion))
            return 0;
        PostParams(WM_UPDATE_FORCED, 0,
                   source.InstallerFile() ? StateFor(*offered, source) : kUpdateForcedImpossible);
        return 0;
    }
    const std::intptr_t state = StateFor(*offered, source);
    if (state != kUpdateUpToDate && settings.PassDailyUpdateGate(now))
        PostParams(WM_UPDATE_RESULT, 0, state);
    return 0;
}
