#pragma once

#include "account/accountapi.h"

#include <atomic>
#include <mutex>
#include <string>

// A stand-in for the account plug-in: signed in or not, handing out scripted tickets.
class FakeAccountApi : public IAccountApi
{
public:
    virtual ~FakeAccountApi() = default;

    std::atomic<bool> signedIn{true};
    std::atomic<bool> ticketAvailable{true};
    std::atomic<int> ticketsIssued{0};
    std::atomic<int> loginWindowsShown{0};
    std::string userId = "1001";
    std::string nickname = "tester";
    std::string headIcon = "http://127.0.0.1/head.png";

    // The ticket GetTicket hands out next.
    void SetTicket(std::string value);
    // The page OpenUrl was last given.
    std::string OpenedUrl();

    bool Init(char*, int, const char*) override { return true; }
    void TranslateAccelerator(void*) override {}
    void SetLoginCallback(AccountLoginCallback, void*) override {}
    void SetLogoutCallback(AccountLogoutCallback, void*) override {}
    void ShowLoginWindow() override { ++loginWindowsShown; }
    bool LoginWithPassword(const char*, const char*) override { return signedIn = true; }
    void Logout() override { signedIn = false; }
    void OpenUrl(const char* url) override;
    bool Start() override { return true; }
    void Reserved9() override {}
    bool IsLoggedIn(char* userBlock) override;
    void* GetLoginWindow() override { return nullptr; }
    void Reserved12() override {}
    void Reserved13() override {}
    bool GetTicket(char* buffer, int size) override;

private:
    std::mutex mutex;
    std::string ticket = "ST-fake";
    std::string openedUrl;
};

// The plug-in's service setter, recording the last address.
bool FakeDllSetService(const char* serviceUrl);
std::string LastServiceAddress();
