#include "update/updateoffer.h"

#include "settings/settingsfiles.h"
#include "update/updatekey.h"
#include "update/versioncompare.h"
#include "utility/tc_checkpath.h"

UpdateSource UpdateSource::FromSystem(std::string filesBase)
{
    return {std::move(filesBase), Utility::MainVersion(), Utility::UpdatePath(), SettingsIniPath(),
            std::string(BuiltInUpdateKey())};
}

std::string UpdateSource::VersionFileUrl() const
{
    return filesBase + std::string(kVersionFileUrlPath);
}

std::string UpdateSource::InstallerUrl() const
{
    return filesBase + std::string(kInstallerUrlPath);
}

std::optional<std::string> UpdateSource::InstallerFile() const
{
    if (!updateDir || updateDir->empty())
        return std::nullopt;
    return *updateDir + std::string(kInstallerFileName);
}

std::intptr_t InstallerOfferState(std::string_view offered, const std::string& installerFile)
{
    if (TC_CHECKPATH::TC_FileExist(installerFile.c_str())) {
        const auto held = Utility::ExeVersion(installerFile);
        if (held && !IsNewerVersion(offered, *held))
            return kUpdateInstallerReady;
    }
    TC_CHECKPATH::TC_DeleteFile(installerFile.c_str());
    TC_CHECKPATH::TC_DeleteFile((installerFile + std::string(kSignatureSuffix)).c_str());
    return kUpdateNewerVersion;
}

std::optional<VersionFile> ReadVersionReply(const Utility::HttpReply& reply)
{
    if (reply.status != 200)
        return std::nullopt;
    const auto text = Utility::Utf8ToUnicode(reply.body);
    if (!text)
        return std::nullopt;
    return ParseVersionFile(*text);
}
