#pragma once

#include "gui/fakeopener.h"
#include "gui/mainwndfixture.h"
#include "support/fakeaccountapi.h"

#include <string>

// The main window with a web site and a support group: the menus and the settings window open
// the group's page through a recording opener and the site's pages through a stand-in account
// plug-in.
class ShellTest : public MainWndTest
{
protected:
    static constexpr const char* kWeb = "https://web.example";
    static constexpr const char* kGroup = "https://chat.example/join/dokora";

    ShellTest()
    {
        services.webBase = kWeb;
        services.supportGroup = kGroup;
    }
    // The window's threads may still use the plug-in.
    ~ShellTest() override { window.reset(); }

    void AttachAccount() { account.Attach(&api, FakeDllSetService); }

    // The page the plug-in was last asked to open, once it was.
    std::string WaitForOpenedPage()
    {
        WaitUntil([&] { return !api.OpenedUrl().empty(); });
        return api.OpenedUrl();
    }

    bool WaitForSupportGroup() { return opener.WaitForOpened("1|" + std::string(kGroup) + "\n"); }

    FakeOpener opener{scratch, true};
    FakeAccountApi api;
};
