#include "account/accountstartup.h"
#include "account/tokensession.h"
#include "integration/kovaultfixture.h"

#include <openssl/evp.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::string UserId(const AccountLibrary& account)
{
    return account.User().data();
}

} // namespace

TEST_F(KovaultTest, OnlyTheRecordedPluginIsLoaded)
{
    EXPECT_EQ(VerifyAccountPlugin(DOKORA_KOVAULT_FILE, KovaultDigest()), PluginCheck::Authentic);

    std::string bytes = ReadFileBytes(DOKORA_KOVAULT_FILE);
    bytes[bytes.size() / 2] ^= 0x01;
    const std::string altered = scratch.File("libKovault.so");
    WriteFileBytes(altered, bytes);
    EXPECT_EQ(VerifyAccountPlugin(altered, KovaultDigest()), PluginCheck::Altered);
    EXPECT_EQ(LoadAccountLibrary(account, Setup(altered)), AccountLoad::Altered);
    EXPECT_EQ(LoadAccountLibrary(account, Setup(scratch.File("none.so"))), AccountLoad::Missing);
    EXPECT_FALSE(account.IsLoaded());

    auto noKey = Setup();
    noKey.appKey.clear();
    EXPECT_EQ(LoadAccountLibrary(account, noKey), AccountLoad::BadSetup);
    EXPECT_FALSE(account.IsLoaded());

    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    EXPECT_TRUE(account.IsLoaded());
    EXPECT_FALSE(account.IsSignedIn());
}

namespace {

std::string Sha256Hex(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        static constexpr char kHex[] = "0123456789abcdef";
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xF];
    }
    return text;
}

void* RefuseMemoryFile(const std::string&)
{
    return nullptr;
}

// Private copies left behind in the directories they are made in.
int LeftoverCopies()
{
    int count = 0;
    for (const std::string& base : PrivateCopyBases())
        for (const auto& entry : std::filesystem::directory_iterator(base))
            count += entry.path().filename().string().starts_with("plugin-") ? 1 : 0;
    return count;
}

} // namespace

// Where executing memory files is forbidden, the plug-in still loads, from a private copy.
TEST_F(KovaultTest, RefusedMemoryFileLoadsAPrivateCopy)
{
    auto setup = Setup();
    setup.loadFromMemory = RefuseMemoryFile;
    ASSERT_EQ(LoadAccountLibrary(account, setup), AccountLoad::Loaded);
    EXPECT_TRUE(account.IsLoaded());
    EXPECT_FALSE(account.IsSignedIn());
    EXPECT_EQ(LeftoverCopies(), 0);
}

TEST_F(KovaultTest, PrivateCopyNeedsItsBaseAndALibrary)
{
    const std::string bytes = ReadFileBytes(DOKORA_KOVAULT_FILE);
    const std::string base = PrivateCopyBases().at(0);
    EXPECT_EQ(LoadFromPrivateCopy(bytes, scratch.File("missing")), nullptr);
    EXPECT_EQ(LoadFromPrivateCopy("not a library", base), nullptr);
    EXPECT_NE(LoadFromPrivateCopy(bytes, base), nullptr);
    EXPECT_EQ(LeftoverCopies(), 0);
}

// The loader knows a library by its path, and descriptor numbers come back: each load must
// still map the bytes it was given.
TEST_F(KovaultTest, EveryLoadFromMemoryMapsItsOwnBytes)
{
    const std::string bytes = ReadFileBytes(DOKORA_KOVAULT_FILE);
    void* first = LoadFromMemoryFile(bytes);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadFromMemoryFile("not a library"), nullptr);
    void* second = LoadFromMemoryFile(bytes);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(second, first);
}

TEST_F(KovaultTest, APluginThatCannotBeLoadedIsAMissingComponent)
{
    const std::string junk = scratch.File("libKovault.so");
    WriteFileBytes(junk, "not a library");
    auto setup = Setup(junk);
    setup.expectedDigest = Sha256Hex("not a library");
    EXPECT_EQ(LoadAccountLibrary(account, setup), AccountLoad::NotLoadable);
    EXPECT_EQ(InitAccount(account, &window, setup), AccountStartup::ComponentMissing);
    EXPECT_EQ(InitAccount(account, &window, std::nullopt), AccountStartup::ComponentMissing);
    EXPECT_FALSE(account.IsLoaded());
}

TEST_F(KovaultTest, SignsInGivesFreshTicketsAndSignsOut)
{
    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    EXPECT_FALSE(account.LoginWithPassword(std::string(FakeService::kUser), "wrong"));
    EXPECT_FALSE(account.IsSignedIn());
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGIN), 0u);
    EXPECT_FALSE(std::filesystem::exists(SessionFilePath()));

    ASSERT_TRUE(account.LoginWithPassword(std::string(FakeService::kUser),
                                          std::string(FakeService::kPassword)));
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGIN), 1u);
    EXPECT_EQ(UserId(account), FakeService::kUser);
    EXPECT_TRUE(account.IsSignedIn());
    // The head icon is the single-sign-on service's avatar picture.
    EXPECT_STREQ(account.User().data() + 2 * kAccountFieldSize,
                 (service.SsoUrl() + "/avatar").c_str());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(SessionFilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const auto first = account.GetTicket();
    const auto second = account.GetTicket();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->starts_with("ST-"));
    EXPECT_NE(*first, *second);

    // A service in trouble is not a sign-out.
    service.Script(FakeEndpoint::kTicket, FakeReply::Text("busy", 503));
    EXPECT_FALSE(account.GetTicket());
    EXPECT_TRUE(account.IsSignedIn());
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGOUT), 0u);

    // The ticket is good for a session token at the service.
    TokenSession tokens(account, service.BaseUrl(), service.SsoUrl());
    EXPECT_TRUE(tokens.GetToken(true).ok);

    account.Logout();
    EXPECT_EQ(window.Count(WM_ACCOUNT_LOGOUT), 1u);
    EXPECT_EQ(UserId(account), "");
    EXPECT_FALSE(account.IsSignedIn());
    EXPECT_FALSE(account.GetTicket());
    EXPECT_FALSE(std::filesystem::exists(SessionFilePath()));
    const auto requests = service.Requests(FakeEndpoint::kTicket);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().method, "DELETE");
}

TEST_F(KovaultTest, APasswordIsNeverSentUnencryptedToAnotherMachine)
{
    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    // 0.0.0.0 reaches this machine's fake service, but the address names no loopback.
    for (const std::string& address :
         {"http://0.0.0.0:" + std::to_string(service.Port()), std::string("http://192.0.2.1"),
          std::string("http://127.0.0.1.example")}) {
        ASSERT_TRUE(account.SetService(address + "/shiro-cas"));
        EXPECT_FALSE(account.LoginWithPassword(std::string(FakeService::kUser),
                                               std::string(FakeService::kPassword)))
            << address;
    }
    EXPECT_TRUE(service.Requests(FakeEndpoint::kTickets).empty());
    EXPECT_FALSE(account.IsSignedIn());

    ASSERT_TRUE(
        account.SetService("http://localhost:" + std::to_string(service.Port()) + "/shiro-cas"));
    EXPECT_TRUE(account.LoginWithPassword(std::string(FakeService::kUser),
                                          std::string(FakeService::kPassword)));
}

TEST_F(KovaultTest, OnlyPagesOfTheSignInSiteGetATicket)
{
    const std::filesystem::path bin = scratch.Path() / "bin";
    std::filesystem::create_directories(bin);
    const std::string opened = scratch.File("opened.txt");
    WriteFileBytes(bin / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + opened + "\"\n");
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);

    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    ASSERT_TRUE(account.LoginWithPassword(std::string(FakeService::kUser),
                                          std::string(FakeService::kPassword)));
    const auto ticketsBefore = service.Requests(FakeEndpoint::kTicket).size();
    account.OpenWebPage("http://elsewhere.example/tool?extra=PC", "");
    account.OpenWebPage("http://127.0.0.1:1/tool", "");
    account.OpenWebPage(service.BaseUrl() + "/tool?extra=PC", "");
    const auto openedPages = [&] {
        const std::string text = ReadFileBytes(opened);
        return std::count(text.begin(), text.end(), '\n');
    };
    for (int i = 0; i < 500 && openedPages() < 3; ++i)
        std::this_thread::sleep_for(10ms);
    setenv("PATH", path.c_str(), 1);

    std::istringstream lines(ReadFileBytes(opened));
    std::vector<std::string> pages;
    for (std::string line; std::getline(lines, line);)
        pages.push_back(line);
    ASSERT_EQ(pages.size(), 3u);
    for (const std::string& page : pages) {
        const bool ownSite = page.starts_with(service.BaseUrl() + "/");
        EXPECT_EQ(page.find("&ticket=ST-") != std::string::npos, ownSite) << page;
    }
    EXPECT_EQ(service.Requests(FakeEndpoint::kTicket).size(), ticketsBefore + 1);
}

TEST_F(KovaultTest, SignInSurvivesAReloadUntilTheServiceRejectsIt)
{
    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    ASSERT_TRUE(account.LoginWithPassword(std::string(FakeService::kUser),
                                          std::string(FakeService::kPassword)));

    // A second load is a fresh copy of the plug-in, as after a restart.
    RecordingTarget laterWindow;
    AccountLibrary later;
    later.SetNotifyWindow(&laterWindow);
    ASSERT_EQ(LoadAccountLibrary(later, Setup()), AccountLoad::Loaded);
    EXPECT_TRUE(later.IsSignedIn());
    EXPECT_EQ(UserId(later), FakeService::kUser);
    later.Start();
    EXPECT_EQ(laterWindow.Count(WM_ACCOUNT_LOGIN), 1u);
    EXPECT_TRUE(later.GetTicket());

    // Signed out elsewhere: the kept sign-in ends at the next ticket.
    account.Logout();
    EXPECT_TRUE(later.IsSignedIn());
    EXPECT_FALSE(later.GetTicket());
    EXPECT_FALSE(later.IsSignedIn());
    EXPECT_EQ(laterWindow.Count(WM_ACCOUNT_LOGOUT), 1u);
}

TEST_F(KovaultTest, StartUpLooksInTheWorkDirectory)
{
    const auto setup = WorkDirectoryPluginSetup(Utility::WorkPath(), KovaultDigest(), "wua-1",
                                                service.BaseUrl() + "/shiro-cas");
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->pluginPath, Utility::WorkPath().value() + "libKovault.so");
    EXPECT_EQ(setup->programPath, std::filesystem::canonical("/proc/self/exe").string());
    EXPECT_EQ(setup->expectedDigest, KovaultDigest());
    // The installation's key and the sign-on address are the ones the program was given.
    EXPECT_EQ(setup->appKey, "wua-1");
    EXPECT_EQ(setup->serviceUrl, service.BaseUrl() + "/shiro-cas");
    EXPECT_FALSE(WorkDirectoryPluginSetup(std::nullopt, KovaultDigest(), "wua-1", ""));
}

// The command-line converter, and every host in a build without the desktop client, has no
// window to show: the prompt shows nothing and sign-in goes through the password call.
TEST_F(KovaultTest, WithoutAWindowThePromptShowsNothingAndThePasswordSignsIn)
{
    ASSERT_EQ(LoadAccountLibrary(account, Setup()), AccountLoad::Loaded);
    account.PromptLogin();
    EXPECT_EQ(account.LoginWindow(), nullptr);
    ASSERT_TRUE(account.LoginWithPassword(std::string(FakeService::kUser),
                                          std::string(FakeService::kPassword)));
    EXPECT_EQ(UserId(account), FakeService::kUser);
    account.PromptLogin();
    EXPECT_EQ(account.LoginWindow(), nullptr);
}
