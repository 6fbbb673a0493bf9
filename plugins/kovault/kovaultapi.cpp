#include "kovaultapi.h"

#include "http/urlcoding.h"
#include "utility/tc_process.h"
#include "weborigin.h"

#include <array>
#include <cstring>
#include <utility>

namespace {

std::mutex addressMutex;
std::string address;

void CopyField(char* block, std::size_t slot, const std::string& value)
{
    std::strncpy(block + slot * kAccountFieldSize, value.c_str(), kAccountFieldSize - 1);
}

// The user block the host receives: the account name serves as id and nickname, and the
// single-sign-on service's avatar picture as head icon.
void FillUserBlock(char* block, const KeptSession& session)
{
    std::memset(block, 0, kAccountUserBlockSize);
    CopyField(block, 0, session.userName);
    CopyField(block, 1, session.userName);
    if (const std::string service = ServiceAddress(); !service.empty())
        CopyField(block, 2, service + "/avatar");
}

} // namespace

std::string ServiceAddress()
{
    std::lock_guard lock(addressMutex);
    return address;
}

void SetServiceAddress(std::string value)
{
    std::lock_guard lock(addressMutex);
    address = std::move(value);
}

bool KovaultApi::Init(char* key, int, const char* exePathBase64)
{
    if (!key || !*key || !exePathBase64 || !*exePathBase64)
        return false;
    std::lock_guard lock(mutex);
    appKey = key;
    programPathBase64 = exePathBase64;
    session = file.Load();
    return true;
}

void KovaultApi::TranslateAccelerator(void*)
{
    // Qt routes keys to the login window itself.
}

void KovaultApi::SetLoginCallback(AccountLoginCallback callback, void* context)
{
    std::lock_guard lock(mutex);
    loginCallback = callback;
    loginContext = context;
}

void KovaultApi::SetLogoutCallback(AccountLogoutCallback callback, void* context)
{
    std::lock_guard lock(mutex);
    logoutCallback = callback;
    logoutContext = context;
}

std::optional<KeptSession> KovaultApi::Current() const
{
    std::lock_guard lock(mutex);
    return session;
}

std::optional<KeptSession> KovaultApi::Forget()
{
    std::lock_guard lock(mutex);
    auto previous = std::move(session);
    session.reset();
    file.Remove();
    return previous;
}

void KovaultApi::FireLogin(const KeptSession& signedIn)
{
    AccountLoginCallback callback = nullptr;
    void* context = nullptr;
    {
        std::lock_guard lock(mutex);
        callback = loginCallback;
        context = loginContext;
    }
    if (!callback)
        return;
    std::array<char, kAccountUserBlockSize> block{};
    FillUserBlock(block.data(), signedIn);
    callback(block.data(), context);
}

void KovaultApi::FireLogout()
{
    AccountLogoutCallback callback = nullptr;
    void* context = nullptr;
    {
        std::lock_guard lock(mutex);
        callback = logoutCallback;
        context = logoutContext;
    }
    if (callback)
        callback(context);
}

CasClient::Status KovaultApi::SignIn(const std::string& userName, const std::string& password)
{
    if (userName.empty() || password.empty() || userName.find_first_of("\r\n") != std::string::npos)
        return CasClient::Status::Rejected;
    const auto granted = CasClient(ServiceAddress()).RequestGrantingTicket(userName, password);
    if (granted.status != CasClient::Status::Ok)
        return granted.status;
    const KeptSession signedIn{granted.value, userName};
    std::optional<KeptSession> replaced;
    {
        std::lock_guard lock(mutex);
        replaced = std::exchange(session, signedIn);
        file.Save(signedIn);
    }
    if (replaced && replaced->grantingTicketUrl != signedIn.grantingTicketUrl)
        CasClient(ServiceAddress()).Destroy(replaced->grantingTicketUrl);
    FireLogin(signedIn);
    return CasClient::Status::Ok;
}

bool KovaultApi::LoginWithPassword(const char* userName, const char* password)
{
    return userName && password && SignIn(userName, password) == CasClient::Status::Ok;
}

void KovaultApi::Logout()
{
    const auto previous = Forget();
    if (!previous)
        return;
    // Signed out here whatever the service says; a ticket it cannot delete now expires there.
    CasClient(ServiceAddress()).Destroy(previous->grantingTicketUrl);
    FireLogout();
}

bool KovaultApi::IsLoggedIn(char* userBlock)
{
    const auto current = Current();
    if (userBlock) {
        if (current)
            FillUserBlock(userBlock, *current);
        else
            std::memset(userBlock, 0, kAccountUserBlockSize);
    }
    return current.has_value();
}

bool KovaultApi::GetTicket(char* buffer, int size)
{
    const auto current = Current();
    const std::string service = ServiceAddress();
    if (!current || service.empty() || !buffer || size <= 0)
        return false;
    const auto issued =
        CasClient(service).RequestServiceTicket(current->grantingTicketUrl, service);
    if (issued.status == CasClient::Status::Rejected) {
        // The service no longer knows the sign-in: the user is signed out.
        if (Forget())
            FireLogout();
        return false;
    }
    if (issued.status != CasClient::Status::Ok ||
        issued.value.size() >= static_cast<std::size_t>(size))
        return false;
    std::memcpy(buffer, issued.value.c_str(), issued.value.size() + 1);
    return true;
}

void KovaultApi::OpenUrl(const char* url)
{
    if (!url || !*url)
        return;
    std::string page = url;
    // With a sign-in a page of the sign-in service's own site gets a one-time ticket, so the
    // site knows the user; no other site ever sees one.
    const auto current = Current();
    if (current && SameSite(page, ServiceAddress())) {
        const auto issued =
            CasClient(ServiceAddress()).RequestServiceTicket(current->grantingTicketUrl, page);
        if (issued.status == CasClient::Status::Ok)
            page += (page.find('?') == std::string::npos ? "?ticket=" : "&ticket=") +
                    UrlEncodeBytes(issued.value);
    }
    TC_PROCESS::OpenWithDesktop(page.c_str());
}

bool KovaultApi::Start()
{
    // A sign-in kept from an earlier run counts as a sign-in now.
    if (const auto current = Current())
        FireLogin(*current);
    return true;
}

void* KovaultApi::GetLoginWindow()
{
    return loginWindow.Handle();
}

void KovaultApi::ShowLoginWindow()
{
    loginWindow.Show();
}
