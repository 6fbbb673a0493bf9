#include "account/accountloader.h"

#include "account/accountlibrary.h"
#include "utility/utilitycalls.h"

#include <dlfcn.h>

#include <filesystem>

PluginCheck VerifyAccountPlugin(const std::string& path, std::string_view expectedDigest)
{
    return VerifyPluginFile(path, expectedDigest);
}

AccountLoad LoadAccountLibrary(AccountLibrary& account, const AccountPluginSetup& setup)
{
    const VerifiedPlugin plugin =
        LoadVerifiedPlugin(setup.pluginPath, setup.expectedDigest, setup.loadFromMemory);
    switch (plugin.check) {
    case PluginCheck::Missing:
        return AccountLoad::Missing;
    case PluginCheck::Altered:
        return AccountLoad::Altered;
    case PluginCheck::Authentic:
        break;
    }
    void* const module = plugin.module;
    if (!module)
        return AccountLoad::NotLoadable;
    const auto create = reinterpret_cast<CreateInstanceFn>(::dlsym(module, kCreateInstanceExport));
    const auto setService =
        reinterpret_cast<DllSetServiceFn>(::dlsym(module, kDllSetServiceExport));
    if (!create || !setService || !::dlsym(module, kDestoryInstanceExport))
        return AccountLoad::NotLoadable;
    IAccountApi* api = create();
    if (!api)
        return AccountLoad::NoInstance;

    const auto programBase64 = Utility::EncodeBase64(setup.programPath);
    if (setup.appKey.empty() || !programBase64 || programBase64->empty())
        return AccountLoad::BadSetup;
    api->SetLoginCallback(&AccountLibrary::OnLogin, &account);
    api->SetLogoutCallback(&AccountLibrary::OnLogout, &account);
    if (!setService(setup.serviceUrl.c_str()))
        return AccountLoad::InitFailed;
    std::string appKey = setup.appKey; // the plug-in gets a copy it may not keep
    if (!api->Init(appKey.data(), 0, programBase64->c_str()))
        return AccountLoad::InitFailed;
    account.Attach(api, setService);
    return AccountLoad::Loaded;
}

std::string RunningProgramPath()
{
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::optional<AccountPluginSetup>
WorkDirectoryPluginSetup(const std::optional<std::string>& workDir, std::string expectedDigest,
                         std::string appKey, std::string serviceUrl)
{
    if (!workDir)
        return std::nullopt;
    return AccountPluginSetup{*workDir + kAccountPluginFile, std::move(expectedDigest),
                              std::move(appKey), RunningProgramPath(), std::move(serviceUrl)};
}
