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

} // namespace
