#include "account/loginthread.h"

#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "utility/utilitycalls.h"

namespace {
constexpr std::uint32_t kStartPauseMs = 30;
constexpr std::uint32_t kNoDatabasePauseMs = 500;
} // namespace

CLoginThread::CLoginThread(AccountLibrary& account, AccountDatabase& database, std::string iconDir)
    : account(account), database(database), iconDir(std::move(iconDir))
{
}

int CLoginThread::Run()
{
    if (WaitForStop(kStartPauseMs))
        return 0;
    const AccountLibrary::UserBlock user = account.User();
    const std::string userId = user.data();
    const std::string nickname = user.data() + kAccountFieldSize;
    const std::string headIcon = user.data() + 2 * kAccountFieldSize;

    if (Utility::Utf8ToUnicode(headIcon) && !headIcon.empty() && !iconDir.empty()) {
        const std::string path = iconDir + kHeadIconFile;
        if (Download(headIcon, path, &GetStopEvent(), nullptr) == Result::kDone)
            Post(WM_ACCOUNT_HEAD_ICON, 0, path);
    }

    if (database.IsOpen())
        database.InsertUser(userId, nickname, headIcon);
    else
        Sleep(kNoDatabasePauseMs);
    return 0;
}
