#include "account/accountloader.h"

#include "account/accountlibrary.h"
#include "utility/utilitycalls.h"

#include <openssl/evp.h>

#include <dlfcn.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string Sha256Hex(std::string_view bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr))
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xF];
    }
    return text;
}

PluginCheck Check(const std::optional<std::string>& bytes, std::string_view expectedDigest)
{
    if (!bytes || bytes->empty())
        return PluginCheck::Missing;
    const std::string digest = Sha256Hex(*bytes);
    return !digest.empty() && digest == expectedDigest ? PluginCheck::Authentic
                                                       : PluginCheck::Altered;
}

} // namespace

PluginCheck VerifyAccountPlugin(const std::string& path, std::string_view expectedDigest)
{
    return Check(ReadWholeFile(path), expectedDigest);
}

AccountLoad LoadAccountLibrary(AccountLibrary& account, const AccountPluginSetup& setup)
{
    const auto bytes = ReadWholeFile(setup.pluginPath);
    switch (Check(bytes, setup.expectedDigest)) {
    case PluginCheck::Missing:
        return AccountLoad::Missing;
    case PluginCheck::Altered:
        return AccountLoad::Altered;
    case PluginCheck::Authentic:
        break;
    }
    void* module = LoadPluginImage(*bytes, setup.loadFromMemory);
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
