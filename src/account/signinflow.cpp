#include "account/signinflow.h"

#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "account/companion.h"
#include "settings/clientinfo.h"
#include "utility/applog.h"
#include "utility/utilitycalls.h"

#include <cstdint>
#include <utility>

namespace {

constexpr std::uint32_t kThreadStopMs = 1000;
constexpr std::uintptr_t kShow = 0;
constexpr std::uintptr_t kReset = 1;

} // namespace

SignInFlow::SignInFlow(Parts parts)
    : parts(std::move(parts)),
      loginThread(this->parts.account, this->parts.database, this->parts.appDataDir),
      tokenThread(this->parts.session.tokens, this->parts.account),
      userInfoThread(this->parts.session.tokens, this->parts.session.userInfo, this->parts.account),
      userMenuRefresh(this->parts.session.userInfo)
{
    // The menu's refresh tells nobody: its failure only resets the record.
    for (CTaskBaseThread* thread :
         {static_cast<CTaskBaseThread*>(&loginThread), static_cast<CTaskBaseThread*>(&tokenThread),
          static_cast<CTaskBaseThread*>(&userInfoThread)})
        thread->SetMainWnd(&this->parts.mainWnd);
}

AccountStartup SignInFlow::Start()
{
    if (!parts.startAccount)
        return AccountStartup::Started;
    const AccountStartup started = parts.startAccount(&parts.mainWnd);
    if (started != AccountStartup::Started)
        return started;
    std::string userId;
    if (parts.account.IsSignedIn())
        userId = parts.account.User().data();
    if (!parts.workDir.empty())
        LaunchCompanion(parts.workDir, parts.clientInfo.Get(), userId);
    return started;
}

void SignInFlow::OnSignedIn()
{
    AppLog("SignInFlow::OnSignedIn", "signed in");
    parts.database.DeleteUsers();
    userInfoThread.SetLogoutOnFailure(1);
    userInfoThread.Start();
    parts.mainWnd.PostWindowMessage(WindowMessage{WM_ACCOUNT_USER_NAME, kShow, 0, {}});
    loginThread.Start();
}

void SignInFlow::OnSignedOut()
{
    AppLog("SignInFlow::OnSignedOut", "signed out");
    parts.mainWnd.PostWindowMessage(WindowMessage{WM_ACCOUNT_USER_NAME, kReset, 0, {}});
    parts.mainWnd.PostWindowMessage(WindowMessage{WM_ACCOUNT_HEAD_ICON, kReset, 0, {}});
    parts.session.tokens.ResetTokenRecord();
    parts.session.userInfo.ResetUserInfoRecord();
    StopSessionThreads();
    if (parts.stopConversions)
        parts.stopConversions();
    parts.database.DeleteUsers();
}

SignInFlow::LoginButtonAction SignInFlow::OnLoginButton()
{
    if (!parts.account.IsSignedIn()) {
        parts.account.PromptLogin();
        return LoginButtonAction::LoginShown;
    }
    // Renewed in the background rather than while the menu waits.
    userMenuRefresh.Start();
    return LoginButtonAction::ShowUserMenu;
}

void SignInFlow::SignOut()
{
    parts.account.Logout();
}

void SignInFlow::OfferLogin()
{
    parts.account.SetNotifyWindow(&parts.mainWnd);
    parts.account.PromptLogin();
}

std::optional<std::string> SignInFlow::UserName() const
{
    const AccountLibrary::UserBlock user = parts.account.User();
    return Utility::AnsiToUnicode(user.data() + kAccountFieldSize);
}

void SignInFlow::StopThreads()
{
    if (loginThread.IsRunning())
        loginThread.StopWait(kThreadStopMs);
    StopSessionThreads();
}

void SignInFlow::StopSessionThreads()
{
    for (CTC_Thread* thread :
         {static_cast<CTC_Thread*>(&tokenThread), static_cast<CTC_Thread*>(&userInfoThread),
          static_cast<CTC_Thread*>(&userMenuRefresh)}) {
        if (thread->IsRunning())
            thread->StopWait(kThreadStopMs);
    }
}
