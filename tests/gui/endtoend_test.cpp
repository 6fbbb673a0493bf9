// The window against the built reference service: a real .docx chosen through the tile,
// converted to PDF by clicking through the page.
#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "gui/guitest.h"
#include "serverprocess.h"
#include "settings/clientinfo.h"
#include "support/fakeaccountapi.h"
#include "support/scratchdir.h"
#include "support/scripteddialogs.h"
#include "testdocuments.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/convertpage.h"
#include "ui/mainwnd.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"

#include <QPushButton>

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The account plug-in signed in as the service's test user: every ticket it hands out is a
// fresh service ticket of the service's single sign-on, for the service the client set.
class ServiceAccountApi : public FakeAccountApi
{
public:
    explicit ServiceAccountApi(int port) : port(port) {}

    bool GetTicket(char* buffer, int size) override
    {
        httplib::Client client("127.0.0.1", port);
        const auto granted =
            client.Post("/shiro-cas/v1/tickets",
                        httplib::Params{{"username", "tester"}, {"password", "secret"}});
        if (!granted || granted->status != 201)
            return false;
        const std::string location = granted->get_header_value("Location");
        const auto path = location.find("/shiro-cas/");
        if (path == std::string::npos)
            return false;
        const auto ticket =
            client.Post(location.substr(path), httplib::Params{{"service", LastServiceAddress()}});
        if (!ticket || ticket->status != 200 || static_cast<int>(ticket->body.size()) >= size)
            return false;
        std::strcpy(buffer, ticket->body.c_str());
        return true;
    }

private:
    int port;
};

TEST(GuiEndToEnd, ADocxBecomesAPdfByClickingThroughTheWindow)
{
    TestApp();
    ScratchDir scratch;
    ServerProcess server(scratch.Path() / "server");
    ASSERT_TRUE(server.Running());
    const fs::path docx = scratch.Path() / "docs" / "报告.docx";
    fs::create_directories(docx.parent_path());
    ASSERT_TRUE(TestDocuments::WriteDocx(docx, {"中文段落 Chinese paragraph", "Latin text"}));

    ScriptedDialogs dialogs;
    ServiceAccountApi api(server.Port());
    AccountLibrary account;
    account.Attach(&api, FakeDllSetService);
    AccountSession session(account, server.BaseUrl(), server.BaseUrl() + "/shiro-cas");
    // Signed in before the window starts, as a kept sign-in would be.
    ASSERT_TRUE(session.tokens.GetToken(true).ok);
    AccountDatabase database;
    ClientInfoRecord clientInfo;
    HomeSortList homeSortList;
    TileConfig tiles([] {});
    tiles.Load(scratch.File("tileview_ini.xml"));
    MainWndServices services;
    services.dialogs = &dialogs;
    services.account = &account;
    services.session = &session;
    services.database = &database;
    services.clientInfo = &clientInfo;
    services.homeSortList = &homeSortList;
    services.tiles = &tiles;
    services.apiBase = server.BaseUrl();
    services.pollInterval = 200ms;
    services.appDataDir = (scratch.Path() / "data").string() + "/";
    services.configPath = scratch.File("Config.ini");
    services.exitProcess = [] {};
    CMainWnd window(services);
    window.Initialize();
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return homeSortList.Get().ok; }, 10s));

    // The Word-to-PDF tile asks for the document.
    dialogs.fileAnswers.push_back(std::vector<std::string>{docx.string()});
    window.PostWindowMessage(WindowMessage{WM_TILE_CLICKED, 0, 1, "Word2PDF"});
    CConvertPage& page = window.ConvertPage();
    ASSERT_TRUE(WaitUntil([&] { return page.isVisible(); }));
    ASSERT_EQ(page.List().Store().GetCount("Word2PDF"), 1);

    page.StartButton()->click();
    ASSERT_FALSE(page.StartButton()->isEnabled()) << dialogs.Requests().size();
    ASSERT_TRUE(WaitUntil([&] { return page.ContinueButton()->isVisible(); }, 120s))
        << page.List().Store().GetDetailText("Word2PDF", 0);
    EXPECT_EQ(page.List().Store().GetStatus("Word2PDF", 0), ConversionStatus::Completed)
        << page.List().Store().GetDetailText("Word2PDF", 0);
    const fs::path pdf = docx.parent_path() / "报告.pdf";
    EXPECT_EQ(page.List().Store().GetOutputPath("Word2PDF", 0), pdf.string());
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_NE(TestDocuments::Capture({"pdftotext", pdf.string(), "-"}).find("Chinese paragraph"),
              std::string::npos);
    EXPECT_TRUE(WaitUntil([&] { return window.CompletedPage().Adapter().GetCount() == 1; }));
    EXPECT_TRUE(dialogs.Requests().empty());
}

} // namespace
