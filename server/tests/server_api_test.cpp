#include "rawconnection.h"
#include "serviceclient.h"
#include "sharedservertest.h"
#include "testdocuments.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

ServerProcess::Options Options(int workers, std::vector<std::string> extraArgs)
{
    ServerProcess::Options options;
    options.workers = workers;
    options.extraArgs = std::move(extraArgs);
    return options;
}

class ServerApiTest : public SharedServerTest
{
protected:
    static void SetUpTestSuite() { StartServer("api-shared", Options(2, {"--read-timeout", "2"})); }
};

TEST_F(ServerApiTest, SingleSignOnIssuesOneTimeTicketsAndSignsOut)
{
    httplib::Client http("127.0.0.1", server->Port());
    const auto wrong = http.Post("/shiro-cas/v1/tickets",
                                 httplib::Params{{"username", "tester"}, {"password", "wrong"}});
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 401);
    const auto unknown = http.Post("/shiro-cas/v1/tickets",
                                   httplib::Params{{"username", "nobody"}, {"password", "secret"}});
    EXPECT_EQ(unknown->status, 401);

    const auto granted = http.Post("/shiro-cas/v1/tickets",
                                   httplib::Params{{"username", "tester"}, {"password", "secret"}});
    ASSERT_EQ(granted->status, 201);
    const std::string location = granted->get_header_value("Location");
    ASSERT_EQ(location.rfind(server->BaseUrl() + "/shiro-cas/v1/tickets/TGT-", 0), 0u) << location;
    const std::string path = location.substr(server->BaseUrl().size());

    // A ticket for another site buys no token, and is used up by trying.
    const auto foreign = http.Post(path, httplib::Params{{"service", "https://example/"}});
    ASSERT_EQ(foreign->status, 200);
    ASSERT_EQ(foreign->body.rfind("ST-", 0), 0u);
    EXPECT_EQ(client.Get("/auth/pcdokoraLogin?ticket=" + foreign->body).json["ret"], 401);

    const auto ticket = http.Post(path, httplib::Params{{"service", client.ClientService()}});
    ASSERT_EQ(ticket->status, 200);
    ASSERT_EQ(ticket->body.rfind("ST-", 0), 0u);

    const auto exchanged = client.Get("/auth/pcdokoraLogin?ticket=" + ticket->body);
    EXPECT_EQ(exchanged.json["ret"], 0);
    EXPECT_EQ(exchanged.json["msg"], "success");
    EXPECT_EQ(exchanged.json["data"]["expireTime"], 7200);
    const std::string token = exchanged.json["data"]["token"].asString();
    EXPECT_FALSE(token.empty());

    const auto reused = client.Get("/auth/pcdokoraLogin?ticket=" + ticket->body);
    EXPECT_NE(reused.json["ret"], 0);
    EXPECT_FALSE(reused.json.isMember("data"));

    const auto info = client.Get("/user/getUserInfo?plateform=pc&token=" + token);
    EXPECT_EQ(info.json["ret"], 0);
    for (const char* member : {"balanceAll", "vip", "userId", "userType", "firstLogin", "isVip"}) {
        EXPECT_TRUE(info.json["data"].isMember(member)) << member;
    }

    EXPECT_EQ(http.Delete(path)->status, 200);
    EXPECT_EQ(http.Post(path, httplib::Params{{"service", "x"}})->status, 404);
    // The token of the ended session still works until it expires.
    EXPECT_EQ(client.Get("/user/getUserInfo?plateform=pc&token=" + token).json["ret"], 0);
}

TEST_F(ServerApiTest, UnknownTokensGet403WithoutData)
{
    ServiceClient stranger(server->Port());
    stranger.SetToken("not-a-token");
    for (const auto& reply :
         {stranger.Upload("pdf-to-word", "a.pdf", "%PDF-1.4"),
          stranger.Submit("task-x", "pdf-to-word"), stranger.Query("task-x", "job-x"),
          stranger.Get("/user/getUserInfo?plateform=pc&token=x")}) {
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.json["ret"], 403) << reply.body;
        EXPECT_TRUE(reply.json["msg"].isString());
        EXPECT_FALSE(reply.json.isMember("data"));
    }
}

TEST_F(ServerApiTest, UploadsThatAreNotWhatTheTaskNeedsAreRefused)
{
    const auto notPdf = client.Upload("pdf-to-word", "report.pdf", "PK\x03\x04 this is a zip");
    EXPECT_EQ(notPdf.json["ret"], 415);
    EXPECT_EQ(notPdf.json["msg"], "the file is not a PDF document");
    EXPECT_FALSE(notPdf.json.isMember("data"));

    const auto empty = client.Upload("txt_2_pdf", "empty.txt", "");
    EXPECT_EQ(empty.json["msg"], "the file is empty");

    const auto picture = client.Upload("img-to-txt", "scan.png", "%PDF-1.4");
    EXPECT_EQ(picture.json["ret"], 415);
}

TEST_F(ServerApiTest, FileNamesThatLeaveTheirFolderAreRefused)
{
    for (const std::string& name : std::vector<std::string>{
             "../../etc/passwd", "..\\evil.pdf", "a/b.pdf", "..", std::string("a\0.pdf", 6)}) {
        const auto reply = client.Upload("pdf-compress", name, "%PDF-1.4\n");
        EXPECT_NE(reply.json["ret"], 0) << name;
        EXPECT_FALSE(reply.json.isMember("data")) << name;
    }
    const auto nested = client.Upload("pdf-compress", "a/b.pdf", "%PDF-1.4\n");
    EXPECT_EQ(nested.json["ret"], 400);
    EXPECT_EQ(nested.json["msg"], "invalid file name");
    // Nothing was stored outside the task folders.
    EXPECT_FALSE(fs::exists(dir / "data" / "passwd"));
    EXPECT_FALSE(fs::exists(dir / "evil.pdf"));
    // A name with dots that stays in its folder is fine and is reported back as sent.
    const auto fine = client.Upload("pdf-compress", "..report v1.2.pdf", "%PDF-1.4\n");
    EXPECT_EQ(fine.json["ret"], 0);
    EXPECT_EQ(fine.json["data"]["fileName"], "..report v1.2.pdf");
    EXPECT_EQ(fine.json["data"]["fileType"], "pdf");
}

TEST_F(ServerApiTest, RequestsWithoutTheFileMemberOrNotMultipartAreRefused)
{
    httplib::Client http("127.0.0.1", server->Port());
    const std::string token = *client.SignIn("tester", "secret");
    const auto other =
        http.Post("/v2/task/upload?plateform=pc&taskname=pdf-compress&token=" + token,
                  httplib::MultipartFormDataItems{{"document", "%PDF-1.4", "a.pdf", ""}});
    ASSERT_TRUE(other);
    EXPECT_NE(other->body.find("holds no member"), std::string::npos) << other->body;
    EXPECT_NE(other->body.find("\"ret\":400"), std::string::npos) << other->body;
    EXPECT_EQ(other->body.find("data"), std::string::npos);

    const auto plain =
        http.Post("/v2/task/upload?plateform=pc&taskname=pdf-compress&token=" + token, "%PDF-1.4",
                  "application/pdf");
    EXPECT_NE(plain->body.find("multipart"), std::string::npos) << plain->body;
    EXPECT_NE(plain->body.find("\"ret\":400"), std::string::npos) << plain->body;
}

TEST_F(ServerApiTest, FilesOver100MiBAreRefused)
{
    const std::string token = *client.SignIn("tester", "secret");
    const std::string boundary = "----------EFF21B1378AF4ABCAF83812F8E7990B9";
    const std::string head =
        "--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"big.pdf\"\r\n"
        "Content-Type: application/pdf\r\n\r\n%PDF-1.4\n";
    const std::string request =
        "POST /v2/task/upload?plateform=pc&taskname=pdf-compress&token=" + token +
        " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data; boundary=" + boundary +
        "\r\n";

    // A declared length over the limit is refused before the body is read.
    RawConnection declared(server->Port());
    ASSERT_TRUE(declared.connected);
    declared.Send(request + "Content-Length: " + std::to_string((101ull << 20) + 4096) +
                  "\r\n\r\n" + head);
    const std::string refused = declared.ReadReply();
    EXPECT_NE(refused.find("413"), std::string::npos) << refused.substr(0, 200);
    EXPECT_NE(refused.find("larger than 100 MiB"), std::string::npos) << refused.substr(0, 400);

    // A chunked body is counted as it streams.
    RawConnection streamed(server->Port());
    ASSERT_TRUE(streamed.connected);
    ASSERT_TRUE(streamed.Send(request + "Transfer-Encoding: chunked\r\n\r\n"));
    const auto chunk = [](const std::string& data) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", data.size());
        return size + data + "\r\n";
    };
    streamed.Send(chunk(head));
    const std::string mebibyte(1 << 20, 'x');
    for (int i = 0; i < 101 && streamed.Send(chunk(mebibyte)); ++i) {
    }
    const std::string answer = streamed.ReadReply();
    EXPECT_NE(answer.find("larger than 100 MiB"), std::string::npos) << answer.substr(0, 400);
    EXPECT_NE(answer.find("\"ret\":413"), std::string::npos) << answer.substr(0, 400);
    const auto leftovers = std::distance(fs::directory_iterator(dir / "data" / "tasks"), {});
    EXPECT_LE(leftovers, 20) << "refused uploads must not stay on disk";
}

TEST_F(ServerApiTest, UnknownTaskAndJobIdsAreReported)
{
    const auto submit = client.Submit("task-0123", "pdf-to-word");
    EXPECT_EQ(submit.json["ret"], 404);
    EXPECT_FALSE(submit.json.isMember("data"));

    const auto upload = client.Upload("pdf-compress", "a.pdf", "%PDF-1.4\n");
    const std::string taskId = upload.json["data"]["taskId"].asString();
    EXPECT_EQ(client.Query(taskId, "job-not-submitted").json["ret"], 404);
    EXPECT_EQ(client.Query("task-unknown", "job-unknown").json["ret"], 404);
    EXPECT_EQ(client.Get("/results/job-0123").status, 404);

    // A user added while the service runs can sign in, but not see someone else's task.
    ASSERT_EQ(ServerProcess::AddUser(dir / "data", "other", "pw"), 0);
    ServiceClient other(server->Port());
    ASSERT_TRUE(other.SignIn("other", "pw"));
    EXPECT_EQ(other.Submit(taskId, "pdf-compress").json["ret"], 404);
    const auto submitted = client.Submit(taskId, "pdf-compress");
    EXPECT_EQ(submitted.json["ret"], 0);
    EXPECT_EQ(other.Query(taskId, submitted.json["data"]["jobId"].asString()).json["ret"], 404);
}

TEST_F(ServerApiTest, AnUnknownTaskNameFailsTheTaskWithAClearMessage)
{
    const fs::path file = dir / "input.pdf";
    TestDocuments::WritePdf(file, {"Hello"});
    const auto conversion = client.Convert("pdf-to-dwg", file, 30s);
    EXPECT_EQ(conversion.state, "FAILED");
    EXPECT_EQ(conversion.message, "unknown task name \"pdf-to-dwg\"");
    EXPECT_EQ(conversion.lastReply["data"]["downloadUrl"], "");
}

TEST_F(ServerApiTest, ACorruptDocumentFailsTheTaskWithTheToolsMessage)
{
    const fs::path file = dir / "corrupt.pdf";
    TestDocuments::WriteText(file, "%PDF-1.4\nthis is not a PDF body at all\n");
    const auto conversion = client.Convert("pdf-to-jpg", file, 60s);
    EXPECT_EQ(conversion.state, "FAILED");
    // It is refused before any converter sees it, with what the PDF reader said.
    EXPECT_EQ(conversion.message.rfind("the file is not a PDF document (pdfinfo failed: ", 0), 0u)
        << conversion.message;
}

TEST_F(ServerApiTest, AnHttp10RequestWithoutHostGetsAUsableSignInAddress)
{
    RawConnection raw(server->Port());
    ASSERT_TRUE(raw.connected);
    raw.Send(
        "POST /shiro-cas/v1/tickets HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: 31\r\n\r\nusername=tester&password=secret");
    const std::string reply = raw.ReadReply();
    EXPECT_NE(reply.find("Location: " + server->BaseUrl() + "/shiro-cas/v1/tickets/TGT-"),
              std::string::npos)
        << reply;
}

TEST_F(ServerApiTest, ASlowClientDoesNotHoldUpOthersAndIsCutOff)
{
    RawConnection slow(server->Port());
    ASSERT_TRUE(slow.connected);
    slow.Send("POST /v2/task/upload?plateform=pc HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le");
    const auto started = std::chrono::steady_clock::now();
    const auto list = client.Get("/api/getHomeSortList");
    EXPECT_EQ(list.json["ret"], 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    // The server gives up on it after its read time-out (2 s here).
    slow.ReadAll();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST_F(ServerApiTest, HomeSortListVersionFileAndInstaller)
{
    const auto list = client.Get("/api/getHomeSortList");
    ASSERT_TRUE(list.json["data"].isArray());
    std::set<std::string> functions;
    for (const auto& entry : list.json["data"]) {
        EXPECT_TRUE(entry["isFree"].isBool());
        functions.insert(entry["convertType"].asString());
    }
    for (const char* function :
         {"PDF2Word", "Word2PDF", "TXT2PDF", "PDF2JPG", "IMG2TXT", "PDFCompress"}) {
        EXPECT_TRUE(functions.count(function)) << function;
    }

    const auto version = client.Get("/dokora/update/newversion.htm");
    EXPECT_EQ(version.status, 200);
    EXPECT_EQ(version.body.rfind("<#", 0), 0u);
    EXPECT_NE(version.body.find("#>\r\n<#0#>"), std::string::npos) << version.body;

    EXPECT_EQ(client.Get("/dokora/update/DokoraSetup.exe").status, 404);
    fs::create_directories(dir / "data" / "update");
    TestDocuments::WriteText(dir / "data" / "update" / "DokoraSetup.exe", "installer bytes");
    TestDocuments::WriteText(dir / "data" / "update" / "newversion.htm", "<#9.9.9.9#>\n<#1#>");
    httplib::Client http("127.0.0.1", server->Port());
    const auto installer = http.Get("/dokora/update/DokoraSetup.exe?&skq=3");
    ASSERT_TRUE(installer);
    EXPECT_EQ(installer->body, "installer bytes");
    EXPECT_EQ(installer->get_header_value("Content-Length"), "15");
    EXPECT_EQ(client.Get("/dokora/update/DokoraSetup.exe.sig").status, 404);
    TestDocuments::WriteText(dir / "data" / "update" / "DokoraSetup.exe.sig", "signature");
    const auto signature = http.Get("/dokora/update/DokoraSetup.exe.sig?&skq=3");
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->body, "signature");
    EXPECT_EQ(client.Get("/dokora/update/newversion.htm").body, "<#9.9.9.9#>\n<#1#>");

    const auto avatar = http.Get("/shiro-cas/avatar");
    ASSERT_TRUE(avatar);
    EXPECT_EQ(avatar->status, 200);
    EXPECT_EQ(avatar->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(avatar->body.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(avatar->get_header_value("Content-Length"), std::to_string(avatar->body.size()));
}

TEST(ServerLifeTest, ExpiredTokensGet403)
{
    const ScratchDirectory scratch("api-expiry");
    const fs::path& dir = scratch.Path();
    ServerProcess server(dir / "data", Options(1, {"--token-lifetime", "1"}));
    ASSERT_TRUE(server.Running());
    ServiceClient client(server.Port());
    const auto token = client.SignIn("tester", "secret");
    ASSERT_TRUE(token);
    EXPECT_EQ(client.Get("/user/getUserInfo?plateform=pc&token=" + *token).json["ret"], 0);
    std::this_thread::sleep_for(1200ms);
    const auto expired = client.Get("/user/getUserInfo?plateform=pc&token=" + *token);
    EXPECT_EQ(expired.json["ret"], 403);
    EXPECT_FALSE(expired.json.isMember("data"));
    EXPECT_EQ(client.Upload("pdf-compress", "a.pdf", "%PDF-1.4\n").json["ret"], 403);
}

TEST(ServerLifeTest, AddressesHandedOutStartWithThePublicUrlWhateverTheHostHeader)
{
    const ScratchDirectory scratch("api-public");
    const fs::path& dir = scratch.Path();
    ServerProcess server(dir / "data", Options(1, {"--public-url", "https://files.example:8443/"}));
    ASSERT_TRUE(server.Running());
    httplib::Client http("127.0.0.1", server.Port());
    const httplib::Headers evilHost = {{"Host", "evil.example"}};
    const auto granted =
        http.Post("/shiro-cas/v1/tickets", evilHost, "username=tester&password=secret",
                  "application/x-www-form-urlencoded");
    ASSERT_TRUE(granted);
    ASSERT_EQ(granted->status, 201);
    const std::string location = granted->get_header_value("Location");
    const std::string prefix = "https://files.example:8443/shiro-cas/v1/tickets/TGT-";
    ASSERT_EQ(location.rfind(prefix, 0), 0u) << location;

    // Only a ticket for the public address's sign-in service buys a token.
    const std::string path = location.substr(std::string("https://files.example:8443").size());
    ServiceClient client(server.Port());
    const auto forLocal = http.Post(path, httplib::Params{{"service", client.ClientService()}});
    EXPECT_EQ(client.Get("/auth/pcdokoraLogin?ticket=" + forLocal->body).json["ret"], 401);
    const auto ticket =
        http.Post(path, httplib::Params{{"service", "https://files.example:8443/shiro-cas"}});
    const auto exchanged = client.Get("/auth/pcdokoraLogin?ticket=" + ticket->body);
    ASSERT_EQ(exchanged.json["ret"], 0) << exchanged.body;
    client.SetToken(exchanged.json["data"]["token"].asString());

    const fs::path pdf = dir / "small.pdf";
    ASSERT_TRUE(TestDocuments::WritePdf(pdf, {"public"}));
    const auto conversion = client.Convert("pdf-compress", pdf, 60s);
    ASSERT_EQ(conversion.state, "FINISH") << conversion.message;
    EXPECT_EQ(conversion.lastReply["data"]["downloadUrl"].asString().rfind(
                  "https://files.example:8443/results/job-", 0),
              0u);
}

TEST(ServerLifeTest, RepeatedWrongPasswordsAreAnsweredWith429)
{
    const ScratchDirectory scratch("api-limit");
    const fs::path& dir = scratch.Path();
    ServerProcess server(dir / "data", Options(1, {}));
    ASSERT_TRUE(server.Running());
    httplib::Client http("127.0.0.1", server.Port());
    auto attempt = [&](const std::string& password) {
        return http.Post("/shiro-cas/v1/tickets",
                         httplib::Params{{"username", "tester"}, {"password", password}});
    };
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(attempt("wrong")->status, 401) << i;
    }
    const auto refused = attempt("secret");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    EXPECT_NE(refused->body.find("too many sign-in attempts"), std::string::npos);
    EXPECT_GT(std::stoi(refused->get_header_value("Retry-After")), 800);
}

TEST(ServerLifeTest, SigtermStopsTheServerCleanly)
{
    const ScratchDirectory scratch("api-stop");
    const fs::path& dir = scratch.Path();
    ServerProcess server(dir / "data", Options(2, {}));
    ASSERT_TRUE(server.Running());
    ServiceClient client(server.Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(server.Terminate(20), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(client.Get("/api/getHomeSortList").status, 0); // nobody listens any more
}

TEST(ServerLifeTest, CommandLineMistakesAreReported)
{
    const ScratchDirectory scratch("api-usage");
    const fs::path& dir = scratch.Path();
    EXPECT_NE(ServerProcess::AddUser(dir / "data", "two words", "pw"), 0);
    EXPECT_NE(ServerProcess::AddUser(dir / "data", "someone", ""), 0);
    EXPECT_EQ(ServerProcess::AddUser(dir / "data", "someone", "pw"), 0);
    ServerProcess::Options noWorkers = Options(0, {});
    noWorkers.users.clear();
    ServerProcess badWorkers(dir / "data", noWorkers);
    EXPECT_FALSE(badWorkers.Running());
}

} // namespace
