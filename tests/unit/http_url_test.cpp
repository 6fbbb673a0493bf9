#include "http/httpbase.h"

#include <gtest/gtest.h>

namespace {

const CHttpBase http;

TEST(HttpUrlTest, ParseUrlTakesPortFromHostOrScheme)
{
    const auto withPort = http.ParseUrl("http://host:8080/a/b");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->scheme, "http");
    EXPECT_EQ(withPort->host, "host");
    EXPECT_EQ(withPort->port, 8080);
    EXPECT_EQ(withPort->path, "/a/b");

    const auto secure = http.ParseUrl("HTTPS://host/x?y=1");
    ASSERT_TRUE(secure);
    EXPECT_EQ(secure->port, 443);
    EXPECT_EQ(secure->path, "/x?y=1");
    EXPECT_EQ(http.ParseUrl("http://host/")->port, 80);

    const auto v6 = http.ParseUrl("http://[::1]:81/p");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "[::1]");
    EXPECT_EQ(v6->port, 81);
    EXPECT_EQ(http.ParseUrl("http://[::1]/p")->port, 80);
}

TEST(HttpUrlTest, ParseUrlRejectsIncompleteOrForeignUrls)
{
    for (const char* bad :
         {"http://host", "host/path", "ftp://host/x", "ftp://host:21/x", "http://host:/x",
          "http://host:99999/x", "http://host:8a/x", "http:///x", "http://:80/x", ""}) {
        EXPECT_FALSE(http.ParseUrl(bad)) << bad;
    }
}

TEST(HttpUrlTest, UrlEncodeKeepsOnlyUnreservedSet)
{
    EXPECT_EQ(http.UrlEncode("a.b c~"), "a%2Eb%20c%7E");
    EXPECT_EQ(http.UrlEncode("(x)"), "(x)");
    EXPECT_EQ(http.UrlEncode("-_!*',Az09"), "-_!*',Az09");
    EXPECT_EQ(http.UrlEncode("/?&=+%"), "%2F%3F%26%3D%2B%25");
    EXPECT_EQ(http.UrlEncode("\xE4\xB8\xAD"), "%E4%B8%AD");
    EXPECT_EQ(http.UrlEncode(std::string("\0\xff", 2)), "%00%FF");
    EXPECT_EQ(http.UrlEncodeWide("中 文"), "%E4%B8%AD%20%E6%96%87");
    EXPECT_EQ(http.UrlEncodeWide("\xff"), "");
}

TEST(HttpUrlTest, UrlDecodeTurnsEscapesIntoBytes)
{
    EXPECT_EQ(http.UrlDecode("%4a%4A+"), "JJ+");
    EXPECT_EQ(http.UrlDecode("%E4%B8%AD"), "\xE4\xB8\xAD");
    EXPECT_EQ(http.UrlDecode("%00"), std::string(1, '\0'));
    // An incomplete or non-hexadecimal escape stays as it is.
    EXPECT_EQ(http.UrlDecode("100%"), "100%");
    EXPECT_EQ(http.UrlDecode("%4"), "%4");
    EXPECT_EQ(http.UrlDecode("%zz%4a"), "%zzJ");
    EXPECT_EQ(http.UrlDecode(http.UrlEncode("a b/ü")), "a b/ü");
}

TEST(HttpUrlTest, TextConversionsRejectInvalidInput)
{
    EXPECT_EQ(http.Utf8ToWide("ok 中"), "ok 中");
    EXPECT_EQ(http.Utf8ToWide("\xC0\xAF"), "");         // overlong
    EXPECT_EQ(http.Utf8ToWide("\xED\xA0\x80"), "");     // surrogate
    EXPECT_EQ(http.Utf8ToWide("\xF4\x90\x80\x80"), ""); // beyond U+10FFFF
    EXPECT_EQ(http.Utf8ToWide("abc\xE4\xB8"), "");      // cut short
    EXPECT_EQ(http.WideToUtf8("\x80"), "");
    EXPECT_EQ(http.MultiByteToWide(936, "\xD6\xD0"), "中");
    EXPECT_EQ(http.WideToMultiByte(936, "中"), "\xD6\xD0");
    EXPECT_EQ(http.MultiByteToWide(65001, "\xff"), "");
    EXPECT_EQ(http.MultiByteToWide(12345678, "abc"), "");
}

TEST(HttpUrlTest, ChunkSizeStaysPositive)
{
    CHttpBase settings;
    EXPECT_EQ(settings.GetChunkSize(), 1024);
    EXPECT_EQ(settings.GetAgent(), "MyAgent");
    EXPECT_EQ(settings.GetAttempts(), 3);
    settings.SetChunkSize(0);
    EXPECT_EQ(settings.GetChunkSize(), 1);
}

} // namespace
