#include "app/convertsignin.h"

#include "account/accountlibrary.h"
#include "account/accountloader.h"
#include "account/tokensession.h"
#include "plugindigests.h"
#include "settings/servicelocations.h"
#include "utility/utilitycalls.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

namespace {

// Reads a line from the terminal without echoing it.
std::optional<std::string> PromptPassword(const std::string& user)
{
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "Password for %s: ", user.c_str());
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    std::string password;
    std::getline(std::cin, password);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputc('\n', stderr);
    return password;
}

std::optional<std::string> Password(const ConvertOptions& options)
{
    if (!options.passwordFile.empty()) {
        std::ifstream file(options.passwordFile);
        std::string password;
        if (!std::getline(file, password))
            return std::nullopt;
        return password;
    }
    if (const char* password = std::getenv("DOKORA_PASSWORD"))
        return std::string(password);
    return PromptPassword(options.user);
}

const char* LoadFailure(AccountLoad result)
{
    switch (result) {
    case AccountLoad::Missing:
    case AccountLoad::Altered:
        return "the account component is missing or altered; please reinstall";
    case AccountLoad::NotLoadable:
    case AccountLoad::NoInstance:
        return "the account component cannot be loaded";
    case AccountLoad::BadSetup:
        return "the installation values in Config.ini are incomplete";
    case AccountLoad::InitFailed:
        return "the account component did not start";
    case AccountLoad::Loaded:
        break;
    }
    return "";
}

} // namespace

std::unique_ptr<TokenSession> SignInForConversion(const ConvertOptions& options,
                                                  AccountLibrary& account,
                                                  const ServiceLocations& locations,
                                                  const std::string& appKey, std::string& error)
{
    const auto setup =
        WorkDirectoryPluginSetup(Utility::WorkPath(), KovaultDigest(), appKey, locations.sso);
    const AccountLoad loaded = setup ? LoadAccountLibrary(account, *setup) : AccountLoad::Missing;
    if (loaded != AccountLoad::Loaded) {
        error = LoadFailure(loaded);
        return nullptr;
    }
    auto session = std::make_unique<TokenSession>(account, locations.api, locations.sso);
    // A kept sign-in is tried first; when the service no longer accepts it, sign in anew.
    if (account.IsSignedIn() && session->GetToken(true).ok)
        return session;
    if (options.user.empty()) {
        error = "not signed in: give a user name with --user or DOKORA_USER";
        return nullptr;
    }
    const auto password = Password(options);
    if (!password) {
        error = "no password: set DOKORA_PASSWORD, use --password-file, or run on a terminal";
        return nullptr;
    }
    if (!account.LoginWithPassword(options.user, *password)) {
        error = "sign-in failed: wrong user name or password, or the service is unreachable";
        return nullptr;
    }
    if (!session->GetToken(true).ok) {
        error = "the service did not accept the sign-in";
        return nullptr;
    }
    return session;
}
