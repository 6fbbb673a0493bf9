#pragma once

class AccountLibrary;
class CTaskBaseThread;
class DialogService;
class MessageTarget;
class TokenProvider;
class UserInfoSession;

// What the check before a conversion needs: the session pieces, the two threads that
// re-establish it, and the main window with its dialogs.
struct SessionCheckParts
{
    AccountLibrary& account;
    TokenProvider& tokens;
    UserInfoSession& userInfo;
    CTaskBaseThread& tokenThread;
    CTaskBaseThread& userInfoThread;
    MessageTarget* mainWnd;
    DialogService& dialogs;
};

// The outcome of the check; anything but Ready ends the conversion's start (the user has
// already been shown why).
enum class SessionCheck
{
    Ready,
    NotSignedIn,     // the login window was offered
    TokenPending,    // the token thread was started, the user told to retry
    TokenEmpty,      // the user was signed out and asked to sign in again
    UserInfoPending, // the user-info thread was started, the user told to retry
};

// Runs on the UI thread when a conversion is about to start; may block for up to three
// service requests.
SessionCheck CheckSessionBeforeConversion(const SessionCheckParts& parts);
