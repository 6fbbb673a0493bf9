#include "scan/twainmanager.h"

#include "account/verifiedplugin.h"
#include "utility/applog.h"

#include <dlfcn.h>

TwainManagerPlugin::TwainManagerPlugin(std::string workDir, std::string digest,
                                       PluginImageLoader loadFromMemory)
    : workDir(std::move(workDir)), digest(std::move(digest)), loadFromMemory(loadFromMemory)
{
}

DSMENTRYPROC TwainManagerPlugin::Entry()
{
    if (entry)
        return *entry;
    entry = nullptr;
    if (workDir.empty())
        return nullptr;
    const std::string path = workDir + kTwainManagerFile;
    const VerifiedPlugin plugin = LoadVerifiedPlugin(path, digest, loadFromMemory);
    if (plugin.check != PluginCheck::Authentic || !plugin.module) {
        AppLog("TwainManagerPlugin", path + " is missing, altered or not loadable");
        return nullptr;
    }
    entry = reinterpret_cast<DSMENTRYPROC>(dlsym(plugin.module, "DSM_Entry"));
    if (!*entry)
        AppLog("TwainManagerPlugin", path + " lacks DSM_Entry");
    return *entry;
}
