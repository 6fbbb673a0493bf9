#include "utility/replyreader.h"

#include <gtest/gtest.h>

namespace {

Json::Value Parse(const std::string& json)
{
    ReplyReader reader("{\"v\":" + json + "}");
    EXPECT_TRUE(reader.Accepted()) << json;
    return reader.Root()["v"];
}

} // namespace

TEST(ReplyReader, IntegerRules)
{
    EXPECT_EQ(ReadInteger(Parse("42")), 42);
    EXPECT_EQ(ReadInteger(Parse("-7.9")), -7);
    EXPECT_EQ(ReadInteger(Parse("\"123abc\"")), 123);
    EXPECT_EQ(ReadInteger(Parse("\"abc\"")), 0);
    EXPECT_EQ(ReadInteger(Parse("\"\"")), 0);
    EXPECT_EQ(ReadInteger(Parse("\"  +42 \"")), 42);
    EXPECT_EQ(ReadInteger(Parse("\"\\t-7x\"")), -7);
    EXPECT_EQ(ReadInteger(Parse("\"+\"")), 0);
    EXPECT_EQ(ReadInteger(Parse("\" x1\"")), 0);
    // Digits past 32 bits are still a number: the nearest one that fits.
    EXPECT_EQ(ReadInteger(Parse("\"99999999999\"")), 2147483647);
    EXPECT_EQ(ReadInteger(Parse("\"-99999999999\"")), -2147483647 - 1);
    EXPECT_EQ(ReadInteger(Parse("true")), 1);
    EXPECT_EQ(ReadInteger(Parse("false")), 0);
    EXPECT_EQ(ReadInteger(Parse("null")), 0);
    EXPECT_EQ(ReadInteger(Parse("2147483647")), 2147483647);
    EXPECT_EQ(ReadInteger(Parse("-2147483648")), -2147483647 - 1);
    EXPECT_FALSE(ReadInteger(Parse("2147483648")));
    EXPECT_FALSE(ReadInteger(Parse("1e20")));
    EXPECT_FALSE(ReadInteger(Parse("[1]")));
    EXPECT_FALSE(ReadInteger(Parse("{}")));
}

TEST(ReplyReader, TextRules)
{
    EXPECT_EQ(ReadText(Parse("\"文本\"")), "文本");
    EXPECT_EQ(ReadText(Parse("12")), "12");
    EXPECT_EQ(ReadText(Parse("-3")), "-3");
    EXPECT_EQ(ReadText(Parse("1.5")), "1.5");
    EXPECT_EQ(ReadText(Parse("true")), "true");
    EXPECT_EQ(ReadText(Parse("false")), "false");
    EXPECT_EQ(ReadText(Parse("null")), "");
    EXPECT_FALSE(ReadText(Parse("[]")));
    EXPECT_FALSE(ReadText(Parse("{\"a\":1}")));
}

TEST(ReplyReader, FlagRulesNeverReject)
{
    EXPECT_TRUE(ReplyReader::Flag(Parse("true")));
    EXPECT_TRUE(ReplyReader::Flag(Parse("2")));
    EXPECT_TRUE(ReplyReader::Flag(Parse("\"no\"")));
    EXPECT_TRUE(ReplyReader::Flag(Parse("[0]")));
    EXPECT_TRUE(ReplyReader::Flag(Parse("{\"a\":0}")));
    EXPECT_FALSE(ReplyReader::Flag(Parse("false")));
    EXPECT_FALSE(ReplyReader::Flag(Parse("0")));
    EXPECT_FALSE(ReplyReader::Flag(Parse("\"\"")));
    EXPECT_FALSE(ReplyReader::Flag(Parse("[]")));
    EXPECT_FALSE(ReplyReader::Flag(Parse("null")));
}

TEST(ReplyReader, AcceptsOnlyObjectsWithEveryMember)
{
    EXPECT_FALSE(ReplyReader("").Accepted());
    EXPECT_FALSE(ReplyReader("not json").Accepted());
    EXPECT_FALSE(ReplyReader("[1,2]").Accepted());
    EXPECT_FALSE(ReplyReader("{\"ret\":0").Accepted());

    ReplyReader reader(R"({"ret":"403x","msg":"m","data":{"token":"t"}})");
    EXPECT_TRUE(reader.Require(reader.Root(), {"ret", "msg", "data"}));
    EXPECT_FALSE(reader.Require(reader.Root()["data"], {"expireTime", "token"}));
    EXPECT_FALSE(reader.Accepted());
    EXPECT_EQ(reader.Ret(), 403);

    ReplyReader notObject(R"({"ret":0,"msg":"m","data":"text"})");
    EXPECT_FALSE(notObject.Require(notObject.Root()["data"], {}));

    ReplyReader badRead(R"({"ret":0,"msg":{"nested":1}})");
    EXPECT_TRUE(badRead.Require(badRead.Root(), {"ret", "msg"}));
    badRead.Text(badRead.Root()["msg"]);
    EXPECT_FALSE(badRead.Accepted());
    EXPECT_EQ(badRead.Ret(), 0);
    EXPECT_FALSE(ReplyReader(R"({"msg":"m"})").Ret());
}
