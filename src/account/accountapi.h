#pragma once

// The contract between the client and the account plug-in (libKovault.so): the exported C
// names and the object's operations in their fixed slot order. Shared by the plug-in and the
// loader; changing the order breaks every built plug-in.

#include <cstddef>

inline constexpr std::size_t kAccountFieldSize = 1024;
// Three NUL-terminated byte strings in fixed slots: user id (UTF-8) at 0, nickname at 1024,
// head-icon URL (UTF-8) at 2048.
inline constexpr std::size_t kAccountUserBlockSize = 3 * kAccountFieldSize;
inline constexpr int kTicketBufferSize = 13000;

using AccountLoginCallback = void (*)(const char* userBlock, void* context);
using AccountLogoutCallback = void (*)(void* context);

class IAccountApi
{
public:
    // 0: appKey is the installation's `wua` value, exePathBase64 the Base64 of the client's
    // program path.
    virtual bool Init(char* appKey, int reserved, const char* exePathBase64) = 0;
    // 1: keyboard messages for the plug-in's own windows.
    virtual void TranslateAccelerator(void* message) = 0;
    // 2, 3: called on the plug-in's thread after a sign-in / sign-out.
    virtual void SetLoginCallback(AccountLoginCallback callback, void* context) = 0;
    virtual void SetLogoutCallback(AccountLogoutCallback callback, void* context) = 0;
    // 4
    virtual void ShowLoginWindow() = 0;
    // 5: sign-in without a window, for the command-line converter.
    virtual bool LoginWithPassword(const char* userName, const char* password) = 0;
    // 6
    virtual void Logout() = 0;
    // 7: opens a page in the browser with the signed-in session (UTF-8 URL).
    virtual void OpenUrl(const char* url) = 0;
    // 8
    virtual bool Start() = 0;
    // 9: reserved.
    virtual void Reserved9() = 0;
    // 10: fills `userBlock` (kAccountUserBlockSize bytes) when given.
    virtual bool IsLoggedIn(char* userBlock) = 0;
    // 11
    virtual void* GetLoginWindow() = 0;
    // 12, 13: reserved.
    virtual void Reserved12() = 0;
    virtual void Reserved13() = 0;
    // 14: writes a NUL-terminated one-time service ticket.
    virtual bool GetTicket(char* buffer, int size) = 0;

protected:
    ~IAccountApi() = default; // released through DestoryInstance only
};

extern "C" {
using CreateInstanceFn = IAccountApi* (*)();
using DestoryInstanceFn = void (*)(IAccountApi*);
using DllSetServiceFn = bool (*)(const char* serviceUrl);
}

inline constexpr const char* kCreateInstanceExport = "CreateInstance";
inline constexpr const char* kDestoryInstanceExport = "DestoryInstance";
inline constexpr const char* kDllSetServiceExport = "DllSetService";
