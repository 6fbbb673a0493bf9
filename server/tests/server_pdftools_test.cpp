// The web site's PDF tools through their JSON endpoints, the results checked with qpdf and
// poppler.
#include "sharedservertest.h"
#include "testdocuments.h"

#include <httplib.h>
#include <json/reader.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using TestDocuments::Capture;

class ServerPdfToolsTest : public SharedServerTest
{
protected:
    static void SetUpTestSuite() { StartServer("pdftools"); }

    struct Part
    {
        std::string name;
        std::string content;
        std::string fileName; // empty for an option
    };

    // POSTs the form to the tool's endpoint with the client's token.
    httplib::Result Call(const std::string& tool, const std::vector<Part>& parts,
                         const std::string& token = {})
    {
        httplib::MultipartFormDataItems items;
        for (const Part& part : parts) {
            items.push_back({part.name, part.content, part.fileName,
                             part.fileName.empty() ? "" : "application/pdf"});
        }
        httplib::Client http("127.0.0.1", server->Port());
        http.set_read_timeout(60);
        return http.Post("/api/pdf/" + tool + "?token=" + (token.empty() ? client.Token() : token),
                         items);
    }

    // A PDF with one page per text, as an upload part.
    Part Pdf(const std::string& name, const std::vector<std::string>& pages)
    {
        const fs::path path = dir / name;
        EXPECT_TRUE(TestDocuments::WritePdf(path, pages));
        return {"file", TestDocuments::Read(path), name};
    }

    // Stores a result and returns where it is.
    fs::path Keep(const std::string& name, const std::string& content)
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string TextOf(const fs::path& pdf) { return Capture({"pdftotext", pdf.string(), "-"}); }

    static Json::Value JsonOf(const std::string& body)
    {
        Json::Value json;
        std::istringstream in(body);
        std::string errors;
        Json::parseFromStream(Json::CharReaderBuilder(), in, &json, &errors);
        return json;
    }
};

TEST_F(ServerPdfToolsTest, MergeKeepsTheArrangedOrderAndSplitGivesTheRanges)
{
    const auto merged = Call("merge", {Pdf("b.pdf", {"Beta", "Gamma"}), Pdf("a.pdf", {"Alpha"})});
    ASSERT_TRUE(merged);
    ASSERT_EQ(merged->status, 200) << merged->body;
    EXPECT_EQ(merged->get_header_value("Content-Type"), "application/pdf");
    const fs::path mergedPdf = Keep("merged.pdf", merged->body);
    EXPECT_EQ(Capture({"qpdf", "--show-npages", mergedPdf.string()}), "3\n");
    const std::string text = TextOf(mergedPdf);
    ASSERT_NE(text.find("Alpha"), std::string::npos) << text;
    EXPECT_LT(text.find("Beta"), text.find("Gamma"));
    EXPECT_LT(text.find("Gamma"), text.find("Alpha"));

    const auto split = Call("split", {{"file", merged->body, "m.pdf"}, {"ranges", "1-2, 3", ""}});
    ASSERT_TRUE(split);
    ASSERT_EQ(split->status, 200) << split->body;
    const fs::path zip = Keep("split.zip", split->body);
    ASSERT_EQ(TestDocuments::ZipMembers(zip), (std::vector<std::string>{"m-1-2.pdf", "m-3.pdf"}));
    const fs::path first = Keep("first.pdf", TestDocuments::ZipMember(zip, "m-1-2.pdf"));
    const fs::path last = Keep("last.pdf", TestDocuments::ZipMember(zip, "m-3.pdf"));
    EXPECT_EQ(Capture({"qpdf", "--show-npages", first.string()}), "2\n");
    EXPECT_NE(TextOf(last).find("Alpha"), std::string::npos);

    const auto single = Call("split", {{"file", merged->body, "m.pdf"}});
    ASSERT_EQ(single->status, 200);
    EXPECT_EQ(TestDocuments::ZipMembers(Keep("single.zip", single->body)).size(), 3u);
}

TEST_F(ServerPdfToolsTest, LockNeedsThePasswordAndUnlockTakesOnlyTheRightOne)
{
    const auto locked = Call("lock", {Pdf("plain.pdf", {"Secret text"}), {"password", "k3y", ""}});
    ASSERT_EQ(locked->status, 200) << locked->body;
    const fs::path lockedPdf = Keep("locked.pdf", locked->body);
    EXPECT_EQ(TextOf(lockedPdf), "");
    EXPECT_NE(Capture({"pdftotext", "-upw", "k3y", lockedPdf.string(), "-"}).find("Secret text"),
              std::string::npos);

    const auto wrong = Call("unlock", {{"file", locked->body, "l.pdf"}, {"password", "nope", ""}});
    EXPECT_EQ(wrong->status, 400);
    EXPECT_EQ(JsonOf(wrong->body)["msg"].asString(), "密码错误");

    const auto unlocked =
        Call("unlock", {{"file", locked->body, "l.pdf"}, {"password", "k3y", ""}});
    ASSERT_EQ(unlocked->status, 200) << unlocked->body;
    const fs::path unlockedPdf = Keep("unlocked.pdf", unlocked->body);
    EXPECT_NE(Capture({"qpdf", "--show-encryption", unlockedPdf.string()}).find("not encrypted"),
              std::string::npos);
    EXPECT_NE(TextOf(unlockedPdf).find("Secret text"), std::string::npos);

    // A tool other than unlock refuses the encrypted document.
    const auto rotated = Call("rotate", {{"file", locked->body, "l.pdf"}});
    EXPECT_EQ(rotated->status, 400);
    EXPECT_EQ(JsonOf(rotated->body)["msg"].asString(), "文件已加密，请先用密码解密");
}

TEST_F(ServerPdfToolsTest, RotateTurnsTheChosenPagesAndStampsAreText)
{
    const Part three = Pdf("three.pdf", {"One", "Two", "Three"});
    const auto rotated = Call("rotate", {three, {"pages", "2-3", ""}, {"angle", "270", ""}});
    ASSERT_EQ(rotated->status, 200) << rotated->body;
    const std::string info =
        Capture({"pdfinfo", "-f", "1", "-l", "3", Keep("rotated.pdf", rotated->body).string()});
    std::vector<int> angles;
    std::istringstream lines(info);
    for (std::string line; std::getline(lines, line);) {
        int page = 0;
        int angle = 0;
        if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &angle) == 2) {
            angles.push_back(angle);
        }
    }
    EXPECT_EQ(angles, (std::vector<int>{0, 270, 270})) << info;

    const auto marked = Call("watermark", {three,
                                           {"text", "内部资料 Draft", ""},
                                           {"size", "40", ""},
                                           {"opacity", "0.5", ""},
                                           {"angle", "0", ""}});
    ASSERT_EQ(marked->status, 200) << marked->body;
    const std::string markedText = TextOf(Keep("marked.pdf", marked->body));
    EXPECT_NE(markedText.find("内部资料"), std::string::npos) << markedText;
    EXPECT_NE(markedText.find("Three"), std::string::npos);

    const auto numbered = Call("page-numbers", {three,
                                                {"format", "第 {n} 页 / {total}", ""},
                                                {"start", "5", ""},
                                                {"position", "top-right", ""}});
    ASSERT_EQ(numbered->status, 200) << numbered->body;
    const fs::path numberedPdf = Keep("numbered.pdf", numbered->body);
    std::string lastPage = Capture({"pdftotext", "-f", "3", "-l", "3", numberedPdf.string(), "-"});
    std::erase(lastPage, ' '); // poppler leaves out the spaces between CJK letters
    EXPECT_NE(lastPage.find("第7页/3"), std::string::npos) << lastPage;
    EXPECT_NE(lastPage.find("Three"), std::string::npos);
}

TEST_F(ServerPdfToolsTest, CheckReportsScriptsAttachmentsAndEncryption)
{
    const auto portfolio =
        Call("portfolio", {Pdf("p1.pdf", {"First"}), {"file", "notes", "n.txt"}});
    ASSERT_EQ(portfolio->status, 200) << portfolio->body;
    const fs::path portfolioPdf = Keep("portfolio.pdf", portfolio->body);
    const std::string attachments = Capture({"qpdf", "--list-attachments", portfolioPdf.string()});
    EXPECT_NE(attachments.find("p1.pdf"), std::string::npos) << attachments;
    EXPECT_NE(attachments.find("n.txt"), std::string::npos);

    const auto report = [this](const std::string& content) {
        const auto reply = Call("check", {{"file", content, "c.pdf"}});
        EXPECT_EQ(reply->status, 200) << reply->body;
        return JsonOf(reply->body)["data"];
    };
    const Json::Value withFiles = report(portfolio->body);
    EXPECT_EQ(withFiles["embeddedFiles"].asInt(), 2);
    EXPECT_FALSE(withFiles["javascript"].asBool());
    EXPECT_FALSE(withFiles["encrypted"].asBool());

    const std::string script =
        "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R/OpenAction<</S/JavaScript/JS(app.alert(1))"
        ">>>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n3 0 obj<</Type/Page/Parent"
        " 2 0 R/MediaBox[0 0 200 200]>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
    const Json::Value scripted = report(script);
    EXPECT_TRUE(scripted["javascript"].asBool());
    EXPECT_EQ(scripted["embeddedFiles"].asInt(), 0);

    const auto locked = Call("lock", {Pdf("tolock.pdf", {"x"}), {"password", "pw", ""}});
    const Json::Value encrypted = report(locked->body);
    EXPECT_TRUE(encrypted["encrypted"].asBool());
    EXPECT_FALSE(encrypted["readable"].asBool());
}

TEST_F(ServerPdfToolsTest, BadInputGetsAClearRefusal)
{
    const Part three = Pdf("bad-three.pdf", {"1", "2", "3"});
    const std::pair<httplib::Result, std::string> cases[] = {
        {Call("rotate", {{"file", "just text", "a.pdf"}}), "不是 PDF"},
        {Call("rotate", {{"file", "%PDF-1.4\nbroken beyond repair", "d.pdf"}}), "已损坏"},
        {Call("split", {three, {"ranges", "2-4", ""}}), "共 3 页"},
        {Call("rotate", {three, {"pages", "0", ""}}), "页码范围无效"},
        {Call("rotate", {{"file", "", "empty.pdf"}}), "是空的"},
        {Call("merge", {three}), "两个"},
        {Call("rotate", {{"angle", "90", ""}}), "请选择文件"},
        {Call("lock", {three}), "请输入密码"},
        {Call("watermark", {three, {"text", "x", ""}, {"opacity", "7", ""}}), "超出范围"},
        {Call("page-numbers", {three, {"format", "page", ""}}), "{n}"},
    };
    for (const auto& [reply, message] : cases) {
        ASSERT_TRUE(reply) << message;
        EXPECT_EQ(reply->status, 400) << message << ": " << reply->body;
        EXPECT_NE(JsonOf(reply->body)["msg"].asString().find(message), std::string::npos)
            << reply->body;
    }
    EXPECT_EQ(Call("rotate", {three}, "not-a-token")->status, 403);
    EXPECT_EQ(Call("no-such-tool", {three})->status, 404);
}

} // namespace
