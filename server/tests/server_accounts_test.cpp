#include "accountstore.h"
#include "sessionstore.h"
#include "signinlimiter.h"
#include "sqlitestore.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

class StoreTest : public testing::Test
{
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("accounts-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        Reopen();
    }
    void TearDown() override
    {
        store.reset();
        std::filesystem::remove_all(dir);
    }

    // Closes the database and opens it again, as a restarted service does.
    void Reopen()
    {
        store.reset();
        std::string error;
        store = SqliteStore::Open(dir / "service.db", error);
        ASSERT_TRUE(store) << error;
    }

    std::string FileText(const std::filesystem::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir;
    std::unique_ptr<SqliteStore> store;
};

using AccountsTest = StoreTest;
using SessionsTest = StoreTest;

TEST_F(AccountsTest, PasswordsAreCheckedAndSurviveAReload)
{
    AccountStore accounts(*store);
    std::string error;
    ASSERT_EQ(accounts.SetPassword("alice", "correct horse", error), std::optional(true));
    ASSERT_EQ(accounts.SetPassword("bob", "battery", error), std::optional(true));

    const auto alice = accounts.Verify("alice", "correct horse");
    ASSERT_TRUE(alice);
    EXPECT_FALSE(accounts.Verify("alice", "correct horse "));
    EXPECT_FALSE(accounts.Verify("alice", "battery"));
    EXPECT_FALSE(accounts.Verify("carol", "battery"));
    EXPECT_NE(accounts.Verify("bob", "battery"), alice);

    // The database holds no password and only its owner may read it.
    for (const char* name : {"service.db", "service.db-wal"}) {
        EXPECT_EQ(FileText(dir / name).find("correct horse"), std::string::npos) << name;
        struct stat info
        {
        };
        ASSERT_EQ(stat((dir / name).c_str(), &info), 0) << name;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }

    Reopen();
    AccountStore reloaded(*store);
    EXPECT_EQ(reloaded.Verify("alice", "correct horse"), alice);
    EXPECT_EQ(reloaded.NameOf(*alice), std::optional<std::string>("alice"));
}

TEST_F(AccountsTest, ChangingAPasswordKeepsTheUserAndDropsTheOldPassword)
{
    AccountStore accounts(*store);
    std::string error;
    ASSERT_TRUE(accounts.SetPassword("alice", "old", error));
    const auto before = accounts.Verify("alice", "old");
    ASSERT_EQ(accounts.SetPassword("alice", "new", error), std::optional(false));
    EXPECT_FALSE(accounts.Verify("alice", "old"));
    EXPECT_EQ(accounts.Verify("alice", "new"), before);
}

TEST_F(AccountsTest, NamesWithBlanksOrControlCharactersAreRefused)
{
    AccountStore accounts(*store);
    std::string error;
    for (const std::string& name :
         std::vector<std::string>{"", "a b", "tab\tname", "line\nname", std::string(65, 'x'),
                                  std::string("nul\0x", 5), std::string("\xC3\x28")}) {
        EXPECT_FALSE(accounts.SetPassword(name, "pw", error)) << name;
    }
    EXPECT_TRUE(accounts.SetPassword("用户", "pw", error));
}

TEST_F(AccountsTest, TheAccountFileOfEarlierVersionsIsTakenOver)
{
    // name, number, iterations, salt and hash in hex, as earlier versions wrote them.
    const std::string salt = "0123456789abcdef";
    unsigned char hash[32];
    PKCS5_PBKDF2_HMAC("old secret", 10, reinterpret_cast<const unsigned char*>(salt.data()),
                      static_cast<int>(salt.size()), 1000, EVP_sha256(), sizeof hash, hash);
    std::string hex;
    for (unsigned char c : salt + std::string(reinterpret_cast<char*>(hash), sizeof hash)) {
        static constexpr char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    std::ofstream(dir / "accounts")
        << "alice\t1005\t1000\t" << hex.substr(0, 32) << "\t" << hex.substr(32) << "\n";

    AccountStore accounts(*store);
    std::string error;
    ASSERT_TRUE(accounts.ImportFile(dir / "accounts", error)) << error;
    EXPECT_EQ(accounts.Verify("alice", "old secret"), std::optional(1005));
    EXPECT_FALSE(std::filesystem::exists(dir / "accounts"));
    EXPECT_TRUE(std::filesystem::exists(dir / "accounts.imported"));
    ASSERT_TRUE(accounts.SetPassword("bob", "pw", error));
    EXPECT_EQ(accounts.Verify("bob", "pw"), std::optional(1006));
    EXPECT_TRUE(accounts.ImportFile(dir / "accounts", error)); // nothing left to import
}

TEST_F(AccountsTest, AnUnreadableFileIsReported)
{
    std::ofstream(dir / "accounts") << "alice only-two-fields\n";
    AccountStore accounts(*store);
    std::string error;
    EXPECT_FALSE(accounts.ImportFile(dir / "accounts", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "accounts"));
}

TEST_F(SessionsTest, ServiceTicketsAreGoodForOneExchangeForTheirOwnService)
{
    const std::string client = "http://127.0.0.1:8780/shiro-cas";
    SessionStore sessions(*store, {});
    const auto granting = sessions.CreateGrantingTicket(1001);
    ASSERT_TRUE(granting);
    const auto ticket = sessions.IssueServiceTicket(*granting, client);
    ASSERT_TRUE(ticket);
    EXPECT_EQ(ticket->rfind("ST-", 0), 0u);
    const auto token = sessions.RedeemServiceTicket(*ticket, client + "/");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->expireSeconds, 7200);
    EXPECT_EQ(sessions.UserOfToken(token->token), std::optional(1001));
    EXPECT_FALSE(sessions.RedeemServiceTicket(*ticket, client));
    EXPECT_FALSE(sessions.RedeemServiceTicket("ST-unknown", client));
    EXPECT_FALSE(sessions.UserOfToken(""));

    // A ticket a web page got buys no token, and the attempt uses it up.
    const auto forPage = sessions.IssueServiceTicket(*granting, "http://127.0.0.1:8780/page");
    ASSERT_TRUE(forPage);
    EXPECT_FALSE(sessions.RedeemServiceTicket(*forPage, client));
    EXPECT_FALSE(sessions.RedeemServiceTicket(*forPage, "http://127.0.0.1:8780/page"));
}

TEST_F(SessionsTest, OfManyExchangesOfOneTicketAtOnceExactlyOneSucceeds)
{
    SessionStore sessions(*store, {});
    const auto ticket = sessions.IssueServiceTicket(*sessions.CreateGrantingTicket(7), "s");
    std::atomic<int> tokens{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (sessions.RedeemServiceTicket(*ticket, "s")) {
                ++tokens;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(tokens, 1);
}

TEST_F(SessionsTest, SigningOutEndsTheGrantingTicketButNotIssuedTokens)
{
    SessionStore sessions(*store, {});
    const auto granting = sessions.CreateGrantingTicket(7);
    const auto token =
        sessions.RedeemServiceTicket(*sessions.IssueServiceTicket(*granting, "s"), "s");
    ASSERT_TRUE(sessions.DestroyGrantingTicket(*granting));
    EXPECT_FALSE(sessions.DestroyGrantingTicket(*granting));
    EXPECT_FALSE(sessions.IssueServiceTicket(*granting, "s"));
    EXPECT_EQ(sessions.UserOfToken(token->token), std::optional(7));
}

TEST_F(SessionsTest, SessionsAndTicketsSurviveAReopen)
{
    std::optional<std::string> granting;
    std::optional<std::string> ticket;
    std::optional<SessionStore::Token> token;
    {
        SessionStore sessions(*store, {});
        granting = sessions.CreateGrantingTicket(7);
        ticket = sessions.IssueServiceTicket(*granting, "s");
        token = sessions.RedeemServiceTicket(*sessions.IssueServiceTicket(*granting, "s"), "s");
        ASSERT_TRUE(token && ticket);
    }
    Reopen();
    SessionStore sessions(*store, {});
    EXPECT_EQ(sessions.UserOfToken(token->token), std::optional(7));
    EXPECT_TRUE(sessions.IssueServiceTicket(*granting, "s"));
    EXPECT_TRUE(sessions.RedeemServiceTicket(*ticket, "s"));
}

TEST_F(SessionsTest, TokensAndTicketsExpire)
{
    SessionStore sessions(*store, {.grantingTicket = std::chrono::seconds(1),
                                   .serviceTicket = std::chrono::seconds(1),
                                   .token = std::chrono::seconds(1)});
    const auto granting = sessions.CreateGrantingTicket(7);
    const auto unused = sessions.IssueServiceTicket(*granting, "s");
    const auto token =
        sessions.RedeemServiceTicket(*sessions.IssueServiceTicket(*granting, "s"), "s");
    ASSERT_TRUE(token && unused);
    EXPECT_TRUE(sessions.UserOfToken(token->token));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_FALSE(sessions.UserOfToken(token->token));
    EXPECT_FALSE(sessions.RedeemServiceTicket(*unused, "s"));
    EXPECT_FALSE(sessions.IssueServiceTicket(*granting, "s"));
    sessions.Sweep();
    EXPECT_EQ(store->DropExpiredSessions(SessionStore::Clock::now()), 0u);
}

TEST(SignInLimiterTest, AttemptsPerAddressAndFailuresPerUserAreLimited)
{
    SignInLimiter limiter(
        {.attemptsPerAddress = 3, .addressWindow = 60s, .failuresPerUser = 2, .userWindow = 600s});
    const auto start = SignInLimiter::Clock::now();
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(limiter.Admit("user" + std::to_string(i), "10.0.0.1", start)) << i;
    }
    const auto wait = limiter.Admit("other", "10.0.0.1", start + 10s);
    ASSERT_TRUE(wait);
    EXPECT_EQ(*wait, 50s);
    EXPECT_FALSE(limiter.Admit("other", "10.0.0.2", start + 10s));
    EXPECT_FALSE(limiter.Admit("other", "10.0.0.1", start + 60s)); // the window has passed

    limiter.CountFailure("alice", start);
    EXPECT_FALSE(limiter.Admit("alice", "10.0.0.3", start + 1s));
    limiter.CountFailure("alice", start + 1s);
    // Two failures: alice waits, from every address, until the first one is old enough.
    const auto locked = limiter.Admit("alice", "10.0.0.4", start + 2s);
    ASSERT_TRUE(locked);
    EXPECT_EQ(*locked, 598s);
    EXPECT_FALSE(limiter.Admit("bob", "10.0.0.4", start + 2s));
    EXPECT_FALSE(limiter.Admit("alice", "10.0.0.4", start + 600s));
}

} // namespace
