// The command-line converter against the reference service, both as built: real documents
// in, real results out, and the failures a user meets.

#include "serverprocess.h"
#include "testdocuments.h"

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct ConvertRun
{
    int exitStatus = -1;
    std::vector<Json::Value> files; // one object per converted file (--json)
    std::string output;
};

class EndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::path(std::getenv("HOME")) /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(dir);
    }

    void StartServer(std::vector<std::string> extraArgs = {})
    {
        ServerProcess::Options options;
        options.extraArgs = std::move(extraArgs);
        server = std::make_unique<ServerProcess>(dir / "server", options);
        ASSERT_TRUE(server->Running());
    }

    // Runs dokora-convert with --json, signed in as the test user with `password`, each run
    // with a data directory of its own so no sign-in is kept between tests.
    ConvertRun Convert(const std::vector<std::string>& arguments,
                       const std::string& password = "secret", const std::string& pollMs = "200")
    {
        std::vector<std::string> argv = {DOKORA_CONVERT_BINARY, "--json", "--user", "tester"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const std::string base = server->BaseUrl();
        std::vector<std::string> env = {
            "DOKORA_API_URL=" + base,
            "DOKORA_WEB_URL=" + base,
            "DOKORA_FILES_URL=" + base,
            "DOKORA_SSO_URL=" + base + "/shiro-cas",
            "DOKORA_PASSWORD=" + password,
            "DOKORA_POLL_INTERVAL_MS=" + pollMs,
            "XDG_DATA_HOME=" + (dir / "client").string(),
            "HOME=" + dir.string(),
            "LC_ALL=C.UTF-8",
        };
        const fs::path outputFile = dir / "convert.out";
        ConvertRun run;
        run.exitStatus = Spawn(argv, env, outputFile);
        run.output = TestDocuments::Read(outputFile);
        std::istringstream lines(run.output);
        std::string line;
        Json::CharReaderBuilder builder;
        while (std::getline(lines, line)) {
            Json::Value value;
            std::string errors;
            std::istringstream in(line);
            if (Json::parseFromStream(builder, in, &value, &errors))
                run.files.push_back(value);
        }
        return run;
    }

    // The single result of a run that must have completed.
    fs::path Completed(const ConvertRun& run)
    {
        EXPECT_EQ(run.exitStatus, 0) << run.output;
        if (run.files.size() != 1)
            return {};
        EXPECT_EQ(run.files[0]["status"].asInt(), 5) << run.output;
        return run.files[0]["output"].asString();
    }

    static int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     const fs::path& output)
    {
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& entry : env)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            return -1;
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string PdfText(const fs::path& pdf)
    {
        return TestDocuments::Capture({"pdftotext", pdf.string(), "-"});
    }

    fs::path dir;
    std::unique_ptr<ServerProcess> server;
};

} // namespace

TEST_F(EndToEndTest, DocumentsAndTextBecomePdf)
{
    StartServer();
    const fs::path docx = dir / "混合文本.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(docx, {"中文段落 Chinese paragraph", "Latin text"}));
    const fs::path pdf = Completed(Convert({"Word2PDF", docx.string()}));
    EXPECT_EQ(pdf, dir / "混合文本.pdf");
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("中文段落"), std::string::npos) << text;
    EXPECT_NE(text.find("Latin text"), std::string::npos) << text;

    const fs::path txt = dir / "notes.txt";
    ASSERT_TRUE(TestDocuments::WriteText(txt, "plain words in a text file\n"));
    const fs::path out = dir / "results";
    const fs::path txtPdf = Completed(Convert({"--out", out.string(), "TXT2PDF", txt.string()}));
    EXPECT_EQ(txtPdf, out / "notes.pdf");
    EXPECT_NE(PdfText(txtPdf).find("plain words"), std::string::npos);
}

TEST_F(EndToEndTest, PdfBecomesImagesWordAndSmaller)
{
    StartServer();
    const fs::path pdf = dir / "three.pdf";
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"first page words", "second page", "third page"}));

    const fs::path images = Completed(Convert({"PDF2JPG", pdf.string()}));
    EXPECT_EQ(images, dir / "three_Images.zip");
    const auto members = TestDocuments::ZipMembers(images);
    ASSERT_EQ(members.size(), 3u);
    for (const auto& member : members)
        EXPECT_EQ(TestDocuments::ZipMember(images, member).substr(0, 3), "\xff\xd8\xff") << member;

    const fs::path docx = Completed(Convert({"PDF2Word", pdf.string()}));
    EXPECT_EQ(docx.extension(), ".docx");
    const std::string document = TestDocuments::ZipMember(docx, "word/document.xml");
    EXPECT_NE(document.find("first page words"), std::string::npos);

    const fs::path smaller = Completed(Convert({"PDFCompress", pdf.string()}));
    EXPECT_EQ(smaller, dir / "three(1).pdf");
    EXPECT_LE(fs::file_size(smaller), fs::file_size(pdf));
    EXPECT_NE(PdfText(smaller).find("third page"), std::string::npos);
}

TEST_F(EndToEndTest, PrintedTextIsRecognised)
{
    StartServer();
    const fs::path pdf = dir / "printed.pdf";
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"Recognise these printed words"}));
    TestDocuments::Capture(
        {"pdftoppm", "-png", "-r", "150", "-singlefile", pdf.string(), (dir / "printed").string()});
    ASSERT_TRUE(fs::exists(dir / "printed.png"));
    const fs::path text = Completed(Convert({"IMG2TXT", (dir / "printed.png").string()}));
    EXPECT_NE(TestDocuments::Read(text).find("printed words"), std::string::npos);
}

TEST_F(EndToEndTest, FailuresEndWithTheirStateAndANonZeroStatus)
{
    StartServer({"--token-lifetime", "1"});
    const fs::path docx = dir / "letter.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(docx, {"a letter"}));

    const ConvertRun wrongPassword = Convert({"Word2PDF", docx.string()}, "not the password");
    EXPECT_NE(wrongPassword.exitStatus, 0);
    EXPECT_TRUE(wrongPassword.files.empty());

    // The token expires while the conversion runs: the poll is refused and asks for a new one.
    const ConvertRun expired = Convert({"Word2PDF", docx.string()}, "secret", "1500");
    EXPECT_NE(expired.exitStatus, 0);
    ASSERT_EQ(expired.files.size(), 1u) << expired.output;
    EXPECT_EQ(expired.files[0]["status"].asInt(), 8);
    EXPECT_EQ(expired.files[0]["statusText"].asString(), "处理失败");
    EXPECT_EQ(expired.files[0]["detailText"].asString(), "异常：19201");
    EXPECT_EQ(expired.files[0]["output"].asString(), "");

    const fs::path corrupt = dir / "broken.pdf";
    ASSERT_TRUE(TestDocuments::WriteText(corrupt, "this is not a PDF at all"));
    const ConvertRun refused = Convert({"PDF2Word", corrupt.string()});
    EXPECT_NE(refused.exitStatus, 0);
    ASSERT_EQ(refused.files.size(), 1u) << refused.output;
    EXPECT_EQ(refused.files[0]["status"].asInt(), 7);
    EXPECT_EQ(refused.files[0]["detailText"].asString(), "服务异常");
}
