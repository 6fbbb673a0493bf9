#pragma once

#include "account/accountstartup.h"
#include "account/loginthread.h"
#include "account/tokenthread.h"
#include "account/userinforefreshthread.h"
#include "account/userinfothread.h"

#include <functional>
#include <optional>
#include <string>

class AccountDatabase;
class AccountLibrary;
struct AccountSession;
class ClientInfoRecord;
class MessageTarget;

// What signing in and out sets off, apart from what the window shows: the account's start at
// first show, the user's row and head icon after a sign-in, the session and its threads reset
// at sign-out, the login button's choice between the login window and the user menu. Owned by
// the main window, which forwards the account messages here on the UI thread and shows what
// is posted back.
class SignInFlow
{
public:
    struct Parts
    {
        AccountLibrary& account;
        AccountSession& session;
        AccountDatabase& database;
        const ClientInfoRecord& clientInfo;
        MessageTarget& mainWnd;
        std::string appDataDir; // ends with '/': where the head icon goes
        std::string workDir;    // ends with '/': where the companion program lives
        // Brings the account plug-in into service; empty: nothing to start.
        std::function<AccountStartup(MessageTarget* mainWnd)> startAccount;
        // Stops the conversions running for the user who signs out.
        std::function<void()> stopConversions;
    };

    explicit SignInFlow(Parts parts);

    // Starts the account plug-in for the window, then launches the companion program with the
    // signed-in user. Without a start function nothing is started and that counts as started.
    AccountStartup Start();

    // WM_ACCOUNT_LOGIN: the user's rows are replaced, the session is established anew and the
    // head icon fetched; the window is told to show the name.
    void OnSignedIn();
    // WM_ACCOUNT_LOGOUT: the window is told to show nobody, the session is reset and whatever
    // works for the user is stopped.
    void OnSignedOut();

    enum class LoginButtonAction
    {
        LoginShown,   // nobody was signed in: the login window was asked for
        ShowUserMenu, // the user's record is being renewed while the window shows the menu
    };
    LoginButtonAction OnLoginButton();
    // The user menu's sign-out command.
    void SignOut();
    // The invitation to sign in was accepted: the window hears of the sign-in.
    void OfferLogin();

    // The signed-in user's nickname as the plug-in reported it, decoded; nullopt when it is
    // not valid text.
    std::optional<std::string> UserName() const;

    // Each with a time limit, only when running.
    void StopThreads();

    CLoginThread& LoginThread() { return loginThread; }
    CTokenThread& TokenThread() { return tokenThread; }
    CUserInfoThread& UserInfoThread() { return userInfoThread; }

private:
    void StopSessionThreads();

    Parts parts;
    OwnedThread<CLoginThread> loginThread;
    OwnedThread<CTokenThread> tokenThread;
    OwnedThread<CUserInfoThread> userInfoThread;
    OwnedThread<CUserInfoRefreshThread> userMenuRefresh;
};
