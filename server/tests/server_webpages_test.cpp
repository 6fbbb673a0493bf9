// The service's web site: the home page and a page for every tool the client opens in the
// browser, at the addresses the client's dispatch table makes.
#include "sharedservertest.h"

#include "tiles/functiondispatch.h"

#include <httplib.h>

#include <gtest/gtest.h>

namespace {

class ServerWebPagesTest : public SharedServerTest
{
protected:
    static void SetUpTestSuite() { StartServer("webpages"); }

    // GETs `url` (an address under the service) as a browser would.
    httplib::Result Fetch(const std::string& url)
    {
        httplib::Client http("127.0.0.1", server->Port());
        return http.Get(url.substr(server->BaseUrl().size()));
    }
};

TEST_F(ServerWebPagesTest, EveryWebToolOfTheClientHasAPageSayingWhatItDoes)
{
    const std::pair<const char*, const char*> tools[] = {
        {"PDF2CAD", "PDF转CAD"},
        {"PDFMerge", "PDF合并"},
        {"PDFSplit", "PDF拆分"},
        {"PDFLock", "PDF加密"},
        {"PDFUnlock", "PDF解密"},
        {"timestamp", "PDF时间戳"},
        {"pdfchecksafe", "PDF安全检测"},
        {"PDFRotate", "PDF旋转"},
        {"pdf-portfolios", "PDF文件包"},
        {"watermark", "PDF加水印"},
        {"PDFAddPageNumber", "PDF添加页码"},
    };
    for (const auto& [key, title] : tools) {
        const auto url = WebPageUrl(key, server->BaseUrl());
        ASSERT_TRUE(url) << key;
        // The client adds its version to every page it opens.
        const auto page = Fetch(*url + "&version=1.0.0");
        ASSERT_TRUE(page) << key;
        EXPECT_EQ(page->status, 200) << *url;
        EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_NE(page->body.find(std::string("<h1>") + title + "</h1>"), std::string::npos) << key;
    }
}

TEST_F(ServerWebPagesTest, TheHomePageLinksEveryTool)
{
    const auto home = Fetch(server->BaseUrl() + "/?extra=PC&Device=PC");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->status, 200);
    for (const char* key : {"PDF2CAD", "PDFMerge", "watermark", "PDFAddPageNumber"}) {
        const std::string path = WebPageUrl(key, "")->substr(0, WebPageUrl(key, "")->find('?'));
        EXPECT_NE(home->body.find("href=\"" + path + "?"), std::string::npos) << key;
    }
    EXPECT_EQ(Fetch(server->BaseUrl() + "/no-such-tool")->status, 404);
}

TEST_F(ServerWebPagesTest, APageOpenedWithTheClientsTicketSignsItsUserIn)
{
    httplib::Client http("127.0.0.1", server->Port());
    const auto granted = http.Post("/shiro-cas/v1/tickets",
                                   httplib::Params{{"username", "tester"}, {"password", "secret"}});
    ASSERT_TRUE(granted);
    const std::string location = granted->get_header_value("Location");
    const std::string grantingTicket = location.substr(location.find("/shiro-cas/"));
    // The client asks the ticket for the page's address and appends it last.
    const std::string page = "/pdf-merge?extra=PC&Device=PC&version=1.0.0";
    const auto ticketFor = [&](const std::string& service) {
        return http.Post(grantingTicket, httplib::Params{{"service", service}})->body;
    };

    const auto opened = http.Get(page + "&ticket=" + ticketFor(server->BaseUrl() + page));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->status, 303);
    EXPECT_EQ(opened->get_header_value("Location"), page);
    const std::string cookie = opened->get_header_value("Set-Cookie");
    ASSERT_EQ(cookie.rfind("dokora_token=", 0), 0u) << cookie;
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
    const std::string token = cookie.substr(0, cookie.find(';'));

    const auto signedIn = http.Get(page, {{"Cookie", token}});
    EXPECT_NE(signedIn->body.find("已登录"), std::string::npos);
    EXPECT_EQ(http.Get(page)->body.find("已登录"), std::string::npos);
    // With the cookie the page's tool answers: "no files" instead of "sign in first".
    EXPECT_EQ(http.Post("/api/pdf/merge", {{"Cookie", token}}, "", "text/plain")->status, 400);
    EXPECT_EQ(http.Post("/api/pdf/merge", "", "text/plain")->status, 403);

    // A ticket issued for another page buys nothing here.
    const auto stolen =
        http.Get(page + "&ticket=" + ticketFor(server->BaseUrl() + "/pdf-split?extra=PC"));
    EXPECT_EQ(stolen->status, 303);
    EXPECT_TRUE(stolen->get_header_value("Set-Cookie").empty());
}

TEST_F(ServerWebPagesTest, ToolsTheServiceLacksSaySo)
{
    for (const char* key : {"timestamp", "PDF2CAD"}) {
        const auto page = Fetch(*WebPageUrl(key, server->BaseUrl()));
        EXPECT_NE(page->body.find("参考服务不提供此功能"), std::string::npos) << key;
        EXPECT_EQ(page->body.find("<form"), std::string::npos) << key;
    }
    EXPECT_NE(Fetch(server->BaseUrl() + "/pdf-merge")->body.find("/web/tools.js"),
              std::string::npos);
    EXPECT_EQ(Fetch(server->BaseUrl() + "/web/tools.js")->status, 200);
}

} // namespace
