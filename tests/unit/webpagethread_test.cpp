#include "account/accountlibrary.h"
#include "settings/clientinfo.h"
#include "support/fakeaccountapi.h"
#include "support/recordingtarget.h"
#include "tiles/webpagethread.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

TEST(WebPageThread, OpensThePageWithTheClientsVersionAndNamesItsTile)
{
    FakeAccountApi api;
    AccountLibrary account;
    account.Attach(&api, FakeDllSetService);
    ClientInfoRecord clientInfo;
    ClientInfo values;
    values.version = "2.0.1.7";
    clientInfo.Set(values);
    RecordingTarget window;
    OwnedThread<CWebPageThread> thread(account, clientInfo);
    thread.SetMainWnd(&window);

    ASSERT_TRUE(thread.Open("PDFMerge", "https://web.example/pdf-merge?extra=PC"));
    ASSERT_TRUE(window.WaitFor(WM_WEB_PAGE_OPENED, 1, 3s));
    EXPECT_EQ(api.OpenedUrl(), "https://web.example/pdf-merge?extra=PC&version=2.0.1.7");
    EXPECT_EQ(window.Messages()[0].payload, "PDFMerge");
}

} // namespace
