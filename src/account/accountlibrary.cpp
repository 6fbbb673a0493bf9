#include "account/accountlibrary.h"

#include <cstring>
#include <vector>

namespace {

// Copies each field bounded to its slot, always NUL-terminated.
void CopyUserBlock(const char* source, AccountLibrary::UserBlock& target)
{
    target.fill('\0');
    for (std::size_t offset = 0; offset < kAccountUserBlockSize; offset += kAccountFieldSize)
        std::memcpy(target.data() + offset, source + offset, kAccountFieldSize - 1);
}

} // namespace

void AccountLibrary::Attach(IAccountApi* newApi, DllSetServiceFn newSetService)
{
    std::lock_guard lock(mutex);
    api = newApi;
    setService = newSetService;
}

bool AccountLibrary::IsLoaded() const
{
    return CurrentApi() != nullptr;
}

IAccountApi* AccountLibrary::CurrentApi() const
{
    std::lock_guard lock(mutex);
    return api;
}

void AccountLibrary::SetNotifyWindow(MessageTarget* window)
{
    std::lock_guard lock(mutex);
    notifyWindow = window;
}

void AccountLibrary::Notify(std::uint32_t id)
{
    MessageTarget* window = nullptr;
    {
        std::lock_guard lock(mutex);
        window = notifyWindow;
    }
    if (window)
        window->PostWindowMessage(WindowMessage{id, 0, 0, {}});
}

void AccountLibrary::PromptLogin()
{
    IAccountApi* current = CurrentApi();
    if (!current)
        return;
    const bool wasSignedIn = current->IsLoggedIn(nullptr);
    current->ShowLoginWindow();
    if (!wasSignedIn)
        Notify(WM_ACCOUNT_SHOW_LOGIN);
}

void AccountLibrary::Logout()
{
    if (IAccountApi* current = CurrentApi())
        current->Logout();
}

bool AccountLibrary::LoginWithPassword(const std::string& userName, const std::string& password)
{
    IAccountApi* current = CurrentApi();
    return current && current->LoginWithPassword(userName.c_str(), password.c_str());
}

void* AccountLibrary::LoginWindow()
{
    IAccountApi* current = CurrentApi();
    return current ? current->GetLoginWindow() : nullptr;
}

void AccountLibrary::OpenWebPage(const std::string& url, const std::string& clientVersion)
{
    IAccountApi* current = CurrentApi();
    if (!current)
        return;
    const std::string page =
        url + (url.find('?') == std::string::npos ? "?version=" : "&version=") + clientVersion;
    current->OpenUrl(page.c_str());
}

void AccountLibrary::Start()
{
    if (IAccountApi* current = CurrentApi())
        current->Start();
}

bool AccountLibrary::IsSignedIn()
{
    IAccountApi* current = CurrentApi();
    if (!current)
        return false;
    UserBlock block{};
    const bool signedIn = current->IsLoggedIn(block.data());
    std::lock_guard lock(mutex);
    CopyUserBlock(block.data(), user);
    return signedIn;
}

bool AccountLibrary::SetService(const std::string& serviceUrl)
{
    DllSetServiceFn setter = nullptr;
    {
        std::lock_guard lock(mutex);
        setter = setService;
    }
    return setter && setter(serviceUrl.c_str());
}

std::optional<std::string> AccountLibrary::GetTicket()
{
    IAccountApi* current = CurrentApi();
    std::vector<char> buffer(kTicketBufferSize, '\0');
    if (!current || !current->GetTicket(buffer.data(), kTicketBufferSize))
        return std::nullopt;
    buffer.back() = '\0';
    return std::string(buffer.data());
}

AccountLibrary::UserBlock AccountLibrary::User() const
{
    std::lock_guard lock(mutex);
    return user;
}

void AccountLibrary::SetUser(const char* userBlock)
{
    std::lock_guard lock(mutex);
    CopyUserBlock(userBlock, user);
}

void AccountLibrary::ClearUser()
{
    std::lock_guard lock(mutex);
    user.fill('\0');
}

void AccountLibrary::OnLogin(const char* userBlock, void* context)
{
    auto* holder = static_cast<AccountLibrary*>(context);
    if (!holder || !userBlock)
        return;
    holder->SetUser(userBlock);
    holder->Notify(WM_ACCOUNT_LOGIN);
}

void AccountLibrary::OnLogout(void* context)
{
    auto* holder = static_cast<AccountLibrary*>(context);
    if (!holder)
        return;
    holder->ClearUser();
    holder->Notify(WM_ACCOUNT_LOGOUT);
}
