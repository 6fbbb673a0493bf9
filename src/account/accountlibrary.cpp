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

void AccountLibrary::PromptLogin()
{
    IAccountApi* current = CurrentApi();
    MessageTarget* window = nullptr;
    {
        std::lock_guard lock(mutex);
        window = notifyWindow;
    }
    if (!current)
        return;
    const bool wasSignedIn = current->IsLoggedIn(nullptr);
    current->ShowLoginWindow();
    if (!wasSignedIn && window)
        window->PostWindowMessage(WindowMessage{WM_ACCOUNT_SHOW_LOGIN, 0, 0, {}});
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

AccountLibrary& Account()
{
    static AccountLibrary* const instance = new AccountLibrary;
    return *instance;
}
