// Requests and documents an attacker would send, against the built dokora-server.
#include "inputcheck.h"
#include "sharedservertest.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class HostileInputTest : public SharedServerTest
{
protected:
    static void SetUpTestSuite() { StartServer("hostile"); }
};

// Draws text it computes: run as PostScript, the result would show "computed 42".
constexpr const char* kPostScript = "/Helvetica findfont 24 scalefont setfont 72 700 moveto\n"
                                    "(computed ) show 6 7 mul 10 string cvs show showpage\n";

TEST_F(HostileInputTest, PostScriptIsNeverTakenForAPdf)
{
    const auto disguised = client.Upload("pdf-compress", "report.pdf",
                                         std::string("%!PS-Adobe-3.0\n% %PDF-1.4\n") + kPostScript);
    EXPECT_EQ(disguised.json["ret"], 415) << disguised.body;
    EXPECT_FALSE(disguised.json.isMember("data"));

    // A PDF header over a PostScript body passes the upload but is refused before any tool.
    const fs::path file = dir / "headed.pdf";
    TestDocuments::WriteText(file, std::string("%PDF-1.4\n%!PS\n") + kPostScript);
    const auto conversion = client.Convert("pdf-compress", file, 60s);
    EXPECT_EQ(conversion.state, "FAILED");
    EXPECT_EQ(conversion.message.rfind("the file is not a PDF document", 0), 0u)
        << conversion.message;
    EXPECT_TRUE(conversion.result.empty());

    // A byte-order mark and blanks before the header are what real files carry.
    const fs::path real = dir / "real.pdf";
    TestDocuments::WritePdf(real, {"Hello"});
    TestDocuments::WriteText(real, "\xEF\xBB\xBF\r\n" + TestDocuments::Read(real));
    EXPECT_EQ(client.Convert("pdf-compress", real, 60s).state, "FINISH");
}

TEST_F(HostileInputTest, RepliesAreUtf8WhateverBytesTheClientSent)
{
    const auto upload = client.Upload("pdf-compress", "\xFF\xFE\xC0\xAF.pdf", "%PDF-1.4\n");
    EXPECT_EQ(upload.json["ret"], 400) << upload.body;
    EXPECT_EQ(upload.json["msg"], "invalid file name");
    EXPECT_TRUE(IsValidUtf8(upload.body)) << upload.body;

    // A task name is echoed in the task's failure message.
    const auto stored = client.Upload("pdf-compress", "a.pdf", "%PDF-1.4\n");
    const std::string taskId = stored.json["data"]["taskId"].asString();
    const auto submitted = client.Submit(taskId, "%FF%FE%C0%AF");
    ASSERT_EQ(submitted.json["ret"], 0) << submitted.body;
    const auto query = client.Query(taskId, submitted.json["data"]["jobId"].asString());
    EXPECT_EQ(query.json["data"]["taskState"], "FAILED");
    EXPECT_TRUE(IsValidUtf8(query.body)) << query.body;
    EXPECT_NE(query.json["msg"].asString().find("\xEF\xBF\xBD"), std::string::npos);
}

TEST_F(HostileInputTest, AccountNamesMustBeStrictUtf8)
{
    for (const char* name : {"\xC0\xAFroot", "\xED\xA0\x80name", "\xF4\x90\x80\x80name"}) {
        EXPECT_NE(ServerProcess::AddUser(dir / "data", name, "pw"), 0)
            << testing::PrintToString(std::string(name));
    }
    EXPECT_EQ(ServerProcess::AddUser(dir / "data", "用户", "pw"), 0);
}

TEST(MemoryCapTest, AnImageThatNeedsMoreMemoryThanTheCapFailsItsTaskClearly)
{
    const ScratchDirectory scratch("hostile-memory");
    const fs::path& dir = scratch.Path();
    ServerProcess::Options options;
    options.workers = 1;
    options.extraArgs = {"--memory-limit-mib", "256"};
    ServerProcess server(dir / "data", options);
    ASSERT_TRUE(server.Running());
    ServiceClient client(server.Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
    // 20000 x 20000 pixels: 60 kB on disk, 400 MB as grey pixels for the text recognition.
    const fs::path huge = dir / "huge.png";
    ASSERT_TRUE(TestDocuments::WritePng(huge, 20000, 20000));
    const auto recognised = client.Convert("img-to-txt", huge, 60s);
    EXPECT_EQ(recognised.state, "FAILED");
    EXPECT_EQ(recognised.message,
              "tesseract ran out of memory (the limit is 256 MiB per converter)");
    // Within the cap a tool still works.
    const fs::path small = dir / "small.png";
    ASSERT_TRUE(TestDocuments::WritePng(small, 200, 100));
    const auto pdf = client.Convert("jpg-to-pdf", small, 60s);
    EXPECT_EQ(pdf.state, "FINISH") << pdf.message;
    EXPECT_EQ(pdf.result.rfind("%PDF-", 0), 0u);
}

TEST(QuotaTest, AUserCannotStoreMoreThanTheQuota)
{
    const ScratchDirectory scratch("hostile-quota");
    const fs::path& dir = scratch.Path();
    ServerProcess::Options options;
    options.workers = 1;
    options.extraArgs = {"--quota-mib", "1"};
    options.users = {{"tester", "secret"}, {"other", "secret"}};
    ServerProcess server(dir / "data", options);
    ASSERT_TRUE(server.Running());
    ServiceClient client(server.Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
    const std::string part(600 << 10, 'a');
    EXPECT_EQ(client.Upload("txt_2_pdf", "one.txt", part).json["ret"], 0);
    const auto second = client.Upload("txt_2_pdf", "two.txt", part);
    EXPECT_EQ(second.json["ret"], 413) << second.body;
    EXPECT_EQ(second.json["msg"],
              "the upload would pass your storage quota of 1 MiB (files are kept for 24 hours)");
    EXPECT_EQ(client.Upload("txt_2_pdf", "small.txt", std::string(300 << 10, 'b')).json["ret"], 0);
    // The refused upload left nothing behind, and the quota is each user's own.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "data" / "tasks"), {}), 2);
    ServiceClient other(server.Port());
    ASSERT_TRUE(other.SignIn("other", "secret"));
    EXPECT_EQ(other.Upload("txt_2_pdf", "one.txt", part).json["ret"], 0);
}

} // namespace
