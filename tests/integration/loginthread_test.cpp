#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/loginthread.h"
#include "support/fakeaccountapi.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

class LoginThreadTest : public ::testing::Test
{
protected:
    LoginThreadTest()
    {
        database.Open(scratch.File(AccountDatabase::kFileName));
        account.Attach(&api, FakeDllSetService);
        thread.SetMainWnd(&window);
    }

    // The user the plug-in reports, as the sign-in callback keeps it.
    void SignIn(const std::string& nickname, const std::string& headIcon)
    {
        api.nickname = nickname;
        api.headIcon = headIcon;
        ASSERT_TRUE(account.IsSignedIn());
    }

    bool RunOnce() { return thread.Start() && WaitUntilIdle(); }

    bool WaitUntilIdle()
    {
        for (int i = 0; i < 300 && thread.IsRunning(); ++i)
            std::this_thread::sleep_for(10ms);
        return !thread.IsRunning();
    }

    // Rows of the user table, counted by removing them.
    int TakeUserRows() { return database.Execute("delete from UserSystemTable"); }

    ScratchDir scratch;
    FakeService service;
    FakeAccountApi api;
    AccountLibrary account;
    AccountDatabase database;
    RecordingTarget window;
    OwnedThread<CLoginThread> thread{account, database, scratch.Path().string() + "/"};
};

TEST_F(LoginThreadTest, DownloadsTheHeadIconAndRecordsTheUser)
{
    service.Script(FakeEndpoint::kResult, FakeReply::Text("PNG bytes"));
    SignIn("O'Brien \"Bob\"", service.BaseUrl() + "/results/head");
    ASSERT_TRUE(RunOnce());

    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, WM_ACCOUNT_HEAD_ICON);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].payload, scratch.File("HeadIcon"));
    EXPECT_EQ(ReadFileBytes(scratch.File("HeadIcon")), "PNG bytes");
    // A quote in the nickname cannot break the statement.
    EXPECT_EQ(TakeUserRows(), 1);
}

TEST_F(LoginThreadTest, AFailedDownloadStaysQuietAndTheUserIsStillRecorded)
{
    service.Script(FakeEndpoint::kResult, FakeReply::Text("gone", 404));
    SignIn("tester", service.BaseUrl() + "/results/head");
    ASSERT_TRUE(RunOnce());
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_EQ(TakeUserRows(), 1);

    // No icon address at all: nothing is fetched either.
    SignIn("tester", "");
    ASSERT_TRUE(RunOnce());
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_EQ(TakeUserRows(), 1);
}

TEST_F(LoginThreadTest, AClosedDatabaseGetsNoRow)
{
    database.Close();
    SignIn("tester", "");
    ASSERT_TRUE(RunOnce());
    ASSERT_TRUE(database.Open(scratch.File(AccountDatabase::kFileName)));
    EXPECT_EQ(TakeUserRows(), 0);
}

TEST_F(LoginThreadTest, ASecondSignInWhileDownloadingDoesNotStartASecondRun)
{
    service.Script(FakeEndpoint::kResult, FakeReply::WithFault(FakeReply::Fault::Stall));
    SignIn("tester", service.BaseUrl() + "/results/head");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kResult, 1, 3s));
    EXPECT_FALSE(thread.Start());
    EXPECT_TRUE(thread.StopWait(2000));
    EXPECT_EQ(service.Requests(FakeEndpoint::kResult).size(), 1u);
    EXPECT_TRUE(window.Messages().empty());
}

} // namespace
