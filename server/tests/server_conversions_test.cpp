#include "serverprocess.h"
#include "serviceclient.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Real conversions through one service with two workers.
class ConversionsTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = fs::temp_directory_path() / ("conversions-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        server = new ServerProcess(dir / "data");
    }
    static void TearDownTestSuite()
    {
        delete server;
        fs::remove_all(dir);
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->Running());
        ASSERT_TRUE(client.SignIn("tester", "secret"));
    }

    // Converts and keeps the result in a file named after the input and `suffix`.
    fs::path Convert(const std::string& task, const fs::path& input, const std::string& suffix)
    {
        const auto conversion = client.Convert(task, input);
        EXPECT_EQ(conversion.state, "FINISH") << task << ": " << conversion.message;
        const fs::path output = dir / (input.stem().string() + suffix);
        TestDocuments::WriteText(output, conversion.result);
        return output;
    }

    static std::string PdfText(const fs::path& pdf)
    {
        return TestDocuments::Capture({"pdftotext", pdf.string(), "-"});
    }

    static inline fs::path dir;
    static inline ServerProcess* server = nullptr;
    ServiceClient client{server->Port()};
};

TEST_F(ConversionsTest, WordDocumentWithChineseAndLatinTextToPdf)
{
    const fs::path docx = dir / "letter.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(docx, {"Quarterly report", "季度报告 第二部分"}));
    const std::string text = PdfText(Convert("word-to-pdf", docx, ".pdf"));
    EXPECT_NE(text.find("Quarterly report"), std::string::npos) << text;
    EXPECT_NE(text.find("季度报告"), std::string::npos) << text;
}

TEST_F(ConversionsTest, TextToPdfInUtf8AndGbk)
{
    const fs::path utf8 = dir / "notes.txt";
    TestDocuments::WriteText(utf8, "Plain notes\n纯文本笔记\n");
    const std::string text = PdfText(Convert("txt_2_pdf", utf8, ".pdf"));
    EXPECT_NE(text.find("Plain notes"), std::string::npos) << text;
    EXPECT_NE(text.find("纯文本笔记"), std::string::npos) << text;

    const fs::path gbk = dir / "gbk.txt";
    TestDocuments::WriteText(gbk, "GBK \xD6\xD0\xCE\xC4\n"); // "中文" in GBK
    EXPECT_NE(PdfText(Convert("txt_2_pdf", gbk, ".pdf")).find("中文"), std::string::npos);
}

TEST_F(ConversionsTest, PdfPagesToAZipOfJpegsAndBackToPdfAndItsImages)
{
    const fs::path pdf = dir / "three.pdf";
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"Page one", "Page two", "Page three"}));
    const fs::path zip = Convert("pdf-to-jpg", pdf, "_Images.zip");
    const auto members = TestDocuments::ZipMembers(zip);
    ASSERT_EQ(members.size(), 3u);
    for (const auto& member : members) {
        EXPECT_EQ(TestDocuments::ZipMember(zip, member).substr(0, 3), "\xFF\xD8\xFF") << member;
    }

    const fs::path jpeg = dir / "page.jpg";
    TestDocuments::WriteText(jpeg, TestDocuments::ZipMember(zip, members[1]));
    const fs::path imagePdf = Convert("jpg-to-pdf", jpeg, ".pdf");
    const std::string info = TestDocuments::Capture({"pdfinfo", imagePdf.string()});
    const auto pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pages + 6)), 1);

    const fs::path images = Convert("pdf-getimg", imagePdf, ".zip");
    const auto extracted = TestDocuments::ZipMembers(images);
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_EQ(TestDocuments::ZipMember(images, extracted[0]), TestDocuments::Read(jpeg));

    // A document without images says so.
    EXPECT_EQ(client.Convert("pdf-getimg", pdf).message, "the document holds no images");
}

TEST_F(ConversionsTest, PrintedTextInAPngIsRecognised)
{
    const fs::path pdf = dir / "printed.pdf";
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"Recognise these printed words"}));
    ASSERT_FALSE(TestDocuments::Capture({"pdftoppm", "-png", "-r", "150", "-singlefile",
                                         pdf.string(), (dir / "printed").string()})
                     .empty() &&
                 !fs::exists(dir / "printed.png"));
    const std::string text =
        TestDocuments::Read(Convert("img-to-txt", dir / "printed.png", ".txt"));
    EXPECT_NE(text.find("printed words"), std::string::npos) << text;
}

TEST_F(ConversionsTest, PdfToWordSpreadsheetPresentationAndHtmlKeepTheWords)
{
    const fs::path pdf = dir / "table.pdf";
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"Apples    12    Pears    7"}));

    const fs::path docx = Convert("pdf-to-word", pdf, ".docx");
    EXPECT_NE(TestDocuments::ZipMember(docx, "word/document.xml").find("Apples"),
              std::string::npos);

    const fs::path xlsx = Convert("pdf-to-excel", pdf, ".xlsx");
    const std::string strings = TestDocuments::ZipMember(xlsx, "xl/sharedStrings.xml");
    EXPECT_NE(strings.find("Apples"), std::string::npos) << strings;
    EXPECT_NE(strings.find("Pears"), std::string::npos) << strings;

    const fs::path pptx = Convert("pdf-to-ppt", pdf, ".pptx");
    EXPECT_NE(TestDocuments::ZipMember(pptx, "ppt/slides/slide1.xml").find("Apples"),
              std::string::npos);

    const fs::path html = Convert("pdf-to-html", pdf, "_html.zip");
    EXPECT_NE(TestDocuments::ZipMember(html, "document.html").find("Apples"), std::string::npos);
}

TEST_F(ConversionsTest, CompressionNeverGrowsTheDocumentAndKeepsItsText)
{
    const fs::path pdf = dir / "big.pdf";
    std::vector<std::string> pages(12, "Compress me please");
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, pages));
    const fs::path compressed = Convert("pdf-compress", pdf, ".pdf");
    EXPECT_EQ(TestDocuments::Read(compressed).substr(0, 5), "%PDF-");
    EXPECT_LE(fs::file_size(compressed), fs::file_size(pdf));
    EXPECT_NE(PdfText(compressed).find("Compress me please"), std::string::npos);
}

TEST_F(ConversionsTest, TwoConversionsAtOnceEachGetTheirOwnResult)
{
    const fs::path first = dir / "first.docx";
    const fs::path second = dir / "second.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(first, {"Alpha document"}));
    ASSERT_TRUE(TestDocuments::WriteDocx(second, {"Beta document"}));
    ServiceClient other(server->Port());
    ASSERT_TRUE(other.SignIn("tester", "secret"));
    auto a = std::async(std::launch::async, [&] { return client.Convert("word-to-pdf", first); });
    auto b = std::async(std::launch::async, [&] { return other.Convert("word-to-pdf", second); });
    const auto resultA = a.get();
    const auto resultB = b.get();
    ASSERT_EQ(resultA.state, "FINISH");
    ASSERT_EQ(resultB.state, "FINISH");
    TestDocuments::WriteText(dir / "a.pdf", resultA.result);
    TestDocuments::WriteText(dir / "b.pdf", resultB.result);
    EXPECT_NE(PdfText(dir / "a.pdf").find("Alpha"), std::string::npos);
    EXPECT_NE(PdfText(dir / "b.pdf").find("Beta"), std::string::npos);
}

} // namespace

// A rebuilder that fails leaves the user with the office program's import of the document
// (or the text cut into cells), not with an error: one that crashes, and one that hangs and is
// stopped early enough for the import to run within the task's time.
class EditableFallback : public testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("fallback-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "bin");
        fs::copy_file(ServerProcess::Binary(), dir / "bin" / "dokora-server");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Converts with a service whose rebuilder is `script`, each of `tasks`, and checks the
    // text is in the result.
    void ExpectConverted(const std::string& script, const std::vector<std::string>& extraArgs,
                         const std::vector<std::string>& tasks)
    {
        ASSERT_TRUE(TestDocuments::WriteText(dir / "bin" / "dokora-rebuild", script));
        fs::permissions(dir / "bin" / "dokora-rebuild", fs::perms::owner_all);
        ServerProcess::Options options;
        options.binary = dir / "bin" / "dokora-server";
        options.workers = 1;
        options.extraArgs = extraArgs;
        ServerProcess service(dir / "data", options);
        ASSERT_TRUE(service.Running());
        ServiceClient client(service.Port());
        ASSERT_TRUE(client.SignIn("tester", "secret"));
        const fs::path pdf = dir / "letter.pdf";
        ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"Apples and pears"}));
        for (const std::string& task : tasks) {
            const auto conversion = client.Convert(task, pdf);
            ASSERT_EQ(conversion.state, "FINISH") << task << ": " << conversion.message;
            const fs::path result = dir / (task + ".zip");
            ASSERT_TRUE(TestDocuments::WriteText(result, conversion.result));
            const std::string part =
                task == "pdf-to-word" ? "word/document.xml" : "xl/sharedStrings.xml";
            EXPECT_NE(TestDocuments::ZipMember(result, part).find("Apples"), std::string::npos)
                << task;
        }
    }

    fs::path dir;
};

TEST_F(EditableFallback, ARebuilderThatCrashes)
{
    ExpectConverted("#!/bin/sh\nkill -SEGV $$\n", {}, {"pdf-to-word", "pdf-to-excel"});
}

TEST_F(EditableFallback, ARebuilderThatHangs)
{
    ExpectConverted("#!/bin/sh\nexec sleep 600\n", {"--time-limit", "30"}, {"pdf-to-word"});
}
