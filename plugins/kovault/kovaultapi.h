#pragma once

#include "account/accountapi.h"
#include "casclient.h"
#include "loginwindow.h"
#include "sessionfile.h"

#include <mutex>
#include <optional>
#include <string>

// The plug-in's account object. Sign-ins run on a thread of the plug-in, which also fires the
// callbacks. Where there is no login window to show (see LoginWindow), ShowLoginWindow does
// nothing and sign-in is LoginWithPassword.
class KovaultApi final : public IAccountApi
{
public:
    KovaultApi() = default;
    KovaultApi(const KovaultApi&) = delete;
    KovaultApi& operator=(const KovaultApi&) = delete;

    bool Init(char* appKey, int reserved, const char* exePathBase64) override;
    void TranslateAccelerator(void* message) override;
    void SetLoginCallback(AccountLoginCallback callback, void* context) override;
    void SetLogoutCallback(AccountLogoutCallback callback, void* context) override;
    void ShowLoginWindow() override;
    bool LoginWithPassword(const char* userName, const char* password) override;
    void Logout() override;
    void OpenUrl(const char* url) override;
    bool Start() override;
    void Reserved9() override {}
    bool IsLoggedIn(char* userBlock) override;
    void* GetLoginWindow() override;
    void Reserved12() override {}
    void Reserved13() override {}
    bool GetTicket(char* buffer, int size) override;

private:
    CasClient::Status SignIn(const std::string& userName, const std::string& password);
    // Forgets the kept sign-in, returning it when there was one.
    std::optional<KeptSession> Forget();
    std::optional<KeptSession> Current() const;
    void FireLogin(const KeptSession& session);
    void FireLogout();

    mutable std::mutex mutex;
    std::string appKey;
    std::string programPathBase64;
    AccountLoginCallback loginCallback = nullptr;
    void* loginContext = nullptr;
    AccountLogoutCallback logoutCallback = nullptr;
    void* logoutContext = nullptr;
    SessionFile file;
    std::optional<KeptSession> session;
    // Last, so that its sign-in thread ends before anything it signs in with goes.
    LoginWindow loginWindow{[this](const std::string& userName, const std::string& password) {
        return SignIn(userName, password);
    }};
};

// The single-sign-on address given through DllSetService.
std::string ServiceAddress();
void SetServiceAddress(std::string address);
