#pragma once

#include "account/accountapi.h"
#include "base/accountaccess.h"
#include "base/windowmessage.h"

#include <array>
#include <mutex>
#include <optional>
#include <string>

// Holds the loaded account plug-in and the signed-in user as it last reported. Thread-safe:
// the plug-in's callbacks, worker threads and the UI thread all use it.
class AccountLibrary : public AccountAccess
{
public:
    using UserBlock = std::array<char, kAccountUserBlockSize>;

    // Takes a loaded plug-in's object and its service setter.
    void Attach(IAccountApi* api, DllSetServiceFn setService);
    bool IsLoaded() const;

    // The main window, which receives the account messages.
    void SetNotifyWindow(MessageTarget* window);

    // Asks the plug-in, refreshing the kept user block.
    bool IsSignedIn() override;
    // Shows the plug-in's login window; tells the main window when nobody was signed in.
    void PromptLogin() override;
    void Logout() override;
    // Signs in without a window (the command-line converter).
    bool LoginWithPassword(const std::string& userName, const std::string& password);
    // The plug-in's login window (a QWidget*), or null.
    void* LoginWindow();
    // Opens a web page with the signed-in session, telling the site the client's version.
    void OpenWebPage(const std::string& url, const std::string& clientVersion);
    // Called once after the plug-in was initialised.
    void Start();
    // Points the plug-in at the single-sign-on service.
    bool SetService(const std::string& serviceUrl);
    // A one-time ticket for the signed-in user; nullopt when the plug-in gives none.
    std::optional<std::string> GetTicket();

    UserBlock User() const;
    void SetUser(const char* userBlock);
    void ClearUser();

    // The plug-in's callbacks, with the holder as context: they keep or clear the user and
    // tell the main window. Safe on any thread.
    static void OnLogin(const char* userBlock, void* context);
    static void OnLogout(void* context);

private:
    // Plug-in calls are made outside the lock: the plug-in may call back into the holder.
    IAccountApi* CurrentApi() const;
    void Notify(std::uint32_t id);

    mutable std::mutex mutex;
    IAccountApi* api = nullptr;
    DllSetServiceFn setService = nullptr;
    MessageTarget* notifyWindow = nullptr;
    UserBlock user{};
};
