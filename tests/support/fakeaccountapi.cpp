#include "support/fakeaccountapi.h"

#include <cstring>

namespace {
std::mutex serviceMutex;
std::string serviceAddress;
} // namespace

void FakeAccountApi::SetTicket(std::string value)
{
    std::lock_guard lock(mutex);
    ticket = std::move(value);
}

void FakeAccountApi::OpenUrl(const char* url)
{
    std::lock_guard lock(mutex);
    openedUrl = url;
}

std::string FakeAccountApi::OpenedUrl()
{
    std::lock_guard lock(mutex);
    return openedUrl;
}

bool FakeAccountApi::IsLoggedIn(char* userBlock)
{
    if (userBlock) {
        std::memset(userBlock, 0, kAccountUserBlockSize);
        if (signedIn) {
            std::strncpy(userBlock, userId.c_str(), kAccountFieldSize - 1);
            std::strncpy(userBlock + kAccountFieldSize, nickname.c_str(), kAccountFieldSize - 1);
            std::strncpy(userBlock + 2 * kAccountFieldSize, headIcon.c_str(),
                         kAccountFieldSize - 1);
        }
    }
    return signedIn;
}

bool FakeAccountApi::GetTicket(char* buffer, int size)
{
    if (!ticketAvailable || size <= 0)
        return false;
    std::lock_guard lock(mutex);
    std::strncpy(buffer, ticket.c_str(), static_cast<std::size_t>(size) - 1);
    ++ticketsIssued;
    return true;
}

bool FakeDllSetService(const char* serviceUrl)
{
    std::lock_guard lock(serviceMutex);
    serviceAddress = serviceUrl ? serviceUrl : "";
    return !serviceAddress.empty();
}

std::string LastServiceAddress()
{
    std::lock_guard lock(serviceMutex);
    return serviceAddress;
}
