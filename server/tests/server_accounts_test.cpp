#include "accountstore.h"
#include "sessionstore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {

class AccountsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("accounts-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
};

TEST_F(AccountsTest, PasswordsAreCheckedAndSurviveAReload)
{
    AccountStore store(dir / "accounts");
    std::string error;
    ASSERT_TRUE(store.Load(error)); // no file yet
    ASSERT_EQ(store.SetPassword("alice", "correct horse", error), std::optional(true));
    ASSERT_EQ(store.SetPassword("bob", "battery", error), std::optional(true));

    const auto alice = store.Verify("alice", "correct horse");
    ASSERT_TRUE(alice);
    EXPECT_FALSE(store.Verify("alice", "correct horse "));
    EXPECT_FALSE(store.Verify("alice", "battery"));
    EXPECT_FALSE(store.Verify("carol", "battery"));
    EXPECT_NE(store.Verify("bob", "battery"), alice);

    // The file holds no password and only its owner may read it.
    const std::string content = [&] {
        std::ifstream in(dir / "accounts");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_EQ(content.find("correct horse"), std::string::npos);
    struct stat info
    {
    };
    ASSERT_EQ(stat((dir / "accounts").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(dir / "accounts.tmp"));

    AccountStore reloaded(dir / "accounts");
    ASSERT_TRUE(reloaded.Load(error));
    EXPECT_EQ(reloaded.Verify("alice", "correct horse"), alice);
    EXPECT_EQ(reloaded.NameOf(*alice), std::optional<std::string>("alice"));
}

TEST_F(AccountsTest, ChangingAPasswordKeepsTheUserAndDropsTheOldPassword)
{
    AccountStore store(dir / "accounts");
    std::string error;
    ASSERT_TRUE(store.SetPassword("alice", "old", error));
    const auto before = store.Verify("alice", "old");
    ASSERT_EQ(store.SetPassword("alice", "new", error), std::optional(false));
    EXPECT_FALSE(store.Verify("alice", "old"));
    EXPECT_EQ(store.Verify("alice", "new"), before);
}

TEST_F(AccountsTest, NamesWithBlanksOrControlCharactersAreRefused)
{
    AccountStore store(dir / "accounts");
    std::string error;
    for (const std::string& name :
         std::vector<std::string>{"", "a b", "tab\tname", "line\nname", std::string(65, 'x'),
                                  std::string("nul\0x", 5), std::string("\xC3\x28")}) {
        EXPECT_FALSE(store.SetPassword(name, "pw", error)) << name;
    }
    EXPECT_TRUE(store.SetPassword("用户", "pw", error));
}

TEST_F(AccountsTest, AnUnreadableFileIsReported)
{
    std::ofstream(dir / "accounts") << "alice only-two-fields\n";
    AccountStore store(dir / "accounts");
    std::string error;
    EXPECT_FALSE(store.Load(error));
    EXPECT_FALSE(error.empty());
}

TEST(SessionsTest, ServiceTicketsAreGoodForOneExchange)
{
    SessionStore sessions({});
    const std::string granting = sessions.CreateGrantingTicket(1001);
    const auto ticket = sessions.IssueServiceTicket(granting);
    ASSERT_TRUE(ticket);
    EXPECT_EQ(ticket->rfind("ST-", 0), 0u);
    const auto token = sessions.RedeemServiceTicket(*ticket);
    ASSERT_TRUE(token);
    EXPECT_EQ(token->expireSeconds, 7200);
    EXPECT_EQ(sessions.UserOfToken(token->token), std::optional(1001));
    EXPECT_FALSE(sessions.RedeemServiceTicket(*ticket));
    EXPECT_FALSE(sessions.RedeemServiceTicket("ST-unknown"));
    EXPECT_FALSE(sessions.UserOfToken(""));
}

TEST(SessionsTest, SigningOutEndsTheGrantingTicketButNotIssuedTokens)
{
    SessionStore sessions({});
    const std::string granting = sessions.CreateGrantingTicket(7);
    const auto token = sessions.RedeemServiceTicket(*sessions.IssueServiceTicket(granting));
    ASSERT_TRUE(sessions.DestroyGrantingTicket(granting));
    EXPECT_FALSE(sessions.DestroyGrantingTicket(granting));
    EXPECT_FALSE(sessions.IssueServiceTicket(granting));
    EXPECT_EQ(sessions.UserOfToken(token->token), std::optional(7));
}

TEST(SessionsTest, TokensAndTicketsExpire)
{
    SessionStore sessions({.grantingTicket = std::chrono::seconds(1),
                           .serviceTicket = std::chrono::seconds(1),
                           .token = std::chrono::seconds(1)});
    const std::string granting = sessions.CreateGrantingTicket(7);
    const auto unused = sessions.IssueServiceTicket(granting);
    const auto token = sessions.RedeemServiceTicket(*sessions.IssueServiceTicket(granting));
    ASSERT_TRUE(token && unused);
    EXPECT_TRUE(sessions.UserOfToken(token->token));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_FALSE(sessions.UserOfToken(token->token));
    EXPECT_FALSE(sessions.RedeemServiceTicket(*unused));
    EXPECT_FALSE(sessions.IssueServiceTicket(granting));
}

} // namespace
