#include "account/companion.h"

#include "utility/tc_process.h"
#include "utility/utilitycalls.h"

#include <filesystem>
#include <system_error>

std::string CompanionArguments(const ClientInfo& info, std::string_view userId)
{
    const std::string user = Utility::Utf8ToUnicode(userId).value_or("");
    return "101|100001|" + info.ag + "|uuid|" + info.version + "|" + info.wua + "|" + user;
}

bool LaunchCompanion(const std::string& workDir, const ClientInfo& info, std::string_view userId)
{
    namespace fs = std::filesystem;
    const std::string program = workDir + kCompanionProgram;
    std::error_code error;
    const auto status = fs::status(program, error);
    // Anything but an executable file would be handed to a document viewer: not wanted.
    if (error || !fs::is_regular_file(status) ||
        (status.permissions() & fs::perms::owner_exec) == fs::perms::none)
        return false;
    const std::string arguments = CompanionArguments(info, userId);
    return TC_PROCESS::RunProgram(program.c_str(), arguments.c_str(), false, 0);
}
