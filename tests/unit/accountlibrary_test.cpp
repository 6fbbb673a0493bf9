#include "account/accountlibrary.h"
#include "support/fakeaccountapi.h"
#include "support/recordingtarget.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string Field(const AccountLibrary::UserBlock& block, std::size_t slot)
{
    return block.data() + slot * kAccountFieldSize;
}

AccountLibrary::UserBlock Block(const std::string& id, const std::string& nickname,
                                const std::string& icon)
{
    AccountLibrary::UserBlock block{};
    id.copy(block.data(), kAccountFieldSize);
    nickname.copy(block.data() + kAccountFieldSize, kAccountFieldSize);
    icon.copy(block.data() + 2 * kAccountFieldSize, kAccountFieldSize);
    return block;
}

} // namespace

class AccountLibraryTest : public ::testing::Test
{
protected:
    AccountLibraryTest()
    {
        account.Attach(&api, FakeDllSetService);
        account.SetNotifyWindow(&window);
    }

    FakeAccountApi api;
    AccountLibrary account;
    RecordingTarget window;
};

TEST_F(AccountLibraryTest, CallbacksKeepTheUserAndTellTheMainWindow)
{
    const auto signedIn = Block("1001", "nick", "http://h/icon.png");
    AccountLibrary::OnLogin(signedIn.data(), &account);
    EXPECT_EQ(Field(account.User(), 0), "1001");
    EXPECT_EQ(Field(account.User(), 1), "nick");
    EXPECT_EQ(Field(account.User(), 2), "http://h/icon.png");
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGIN), 1u);

    // Fields that fill their whole slot are cut to 1023 bytes and stay terminated.
    const auto full =
        Block(std::string(kAccountFieldSize, 'a'), std::string(kAccountFieldSize, 'b'),
              std::string(kAccountFieldSize, 'c'));
    AccountLibrary::OnLogin(full.data(), &account);
    EXPECT_EQ(Field(account.User(), 0), std::string(kAccountFieldSize - 1, 'a'));
    EXPECT_EQ(Field(account.User(), 2), std::string(kAccountFieldSize - 1, 'c'));

    AccountLibrary::OnLogout(&account);
    EXPECT_EQ(account.User(), AccountLibrary::UserBlock{});
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGOUT), 1u);
}

TEST_F(AccountLibraryTest, CallbacksFromManyThreadsLeaveAWholeUser)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([this, i] {
            const std::string id = std::to_string(i);
            const auto block = Block(id, "n" + id, "");
            for (int round = 0; round < 200; ++round) {
                AccountLibrary::OnLogin(block.data(), &account);
                AccountLibrary::OnLogout(&account);
                AccountLibrary::OnLogin(block.data(), &account);
            }
        });
    for (int round = 0; round < 200; ++round) {
        const auto user = account.User();
        const std::string id = Field(user, 0);
        if (!id.empty()) {
            EXPECT_EQ(Field(user, 1), "n" + id); // never a mix of two sign-ins
        }
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGIN), 4u * 400u);
}

TEST_F(AccountLibraryTest, OpenWebPageAppendsTheClientVersion)
{
    account.OpenWebPage("http://web/page?from=menu", "1.2.3.4");
    EXPECT_EQ(api.OpenedUrl(), "http://web/page?from=menu&version=1.2.3.4");
    account.OpenWebPage("http://web/page", "1.2.3.4");
    EXPECT_EQ(api.OpenedUrl(), "http://web/page?version=1.2.3.4");

    AccountLibrary unloaded;
    unloaded.OpenWebPage("http://web/other", "1.2.3.4");
    unloaded.PromptLogin();
    unloaded.Logout();
    EXPECT_FALSE(unloaded.IsSignedIn());
    EXPECT_EQ(api.OpenedUrl(), "http://web/page?version=1.2.3.4");
}

TEST_F(AccountLibraryTest, PromptLoginTellsTheWindowOnlyWhenSignedOut)
{
    account.PromptLogin();
    EXPECT_EQ(api.loginWindowsShown, 1);
    EXPECT_EQ(window.Count(WM_ACCOUNT_SHOW_LOGIN), 0u);
    api.signedIn = false;
    account.PromptLogin();
    EXPECT_EQ(api.loginWindowsShown, 2);
    EXPECT_EQ(window.Count(WM_ACCOUNT_SHOW_LOGIN), 1u);
}
