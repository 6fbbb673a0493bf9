#include "support/fakeservice.h"

#include "http/downloadbase.h"
#include "http/uploadbase.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The text of a JSON string member, found by its key (enough for the flat replies here).
std::string Member(const std::string& json, const std::string& key)
{
    const std::string marker = "\"" + key + "\":\"";
    const auto start = json.find(marker);
    if (start == std::string::npos) {
        return {};
    }
    const auto from = start + marker.size();
    return json.substr(from, json.find('"', from) - from);
}

class FakeServiceTest : public testing::Test
{
protected:
    FakeService service;
    httplib::Client client{service.BaseUrl()};
};

TEST_F(FakeServiceTest, ConvertsAFileFromUploadToResult)
{
    const fs::path dir = fs::path(testing::TempDir()) / ("fake-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path source = dir / "report.pdf";
    std::ofstream(source, std::ios::binary) << "%PDF-1.4 content";
    const std::string token = service.IssueToken();
    service.SetConversionDelay(1);

    CUploadBase upload;
    upload.PrepareMultipart(source.string());
    std::string reply;
    ASSERT_EQ(upload.Upload(service.BaseUrl() + "/v2/task/upload?plateform=pc&token=" + token +
                                "&taskname=pdf-to-word",
                            source.string(), nullptr, nullptr, reply),
              CUploadBase::Result::kDone);
    EXPECT_NE(reply.find("\"ret\":0"), std::string::npos) << reply;
    EXPECT_NE(reply.find("\"fileSize\":16"), std::string::npos) << reply;
    EXPECT_EQ(Member(reply, "fileName"), "report.pdf");
    EXPECT_EQ(Member(reply, "fileType"), "pdf");
    const std::string taskId = Member(reply, "taskId");
    ASSERT_FALSE(taskId.empty());

    auto submitted = client.Post("/task/submitTask?plateform=pc&token=" + token +
                                     "&taskId=" + taskId + "&taskname=pdf-to-word",
                                 "", "application/json");
    ASSERT_TRUE(submitted);
    const std::string jobId = Member(submitted->body, "jobId");
    ASSERT_FALSE(jobId.empty()) << submitted->body;
    EXPECT_EQ(Member(submitted->body, "taskId"), taskId);
    EXPECT_FALSE(Member(submitted->body, "docid").empty());

    const std::string query =
        "/task/taskQuery?plateform=pc&token=" + token + "&taskId=" + taskId + "&jobId=" + jobId;
    auto first = client.Post(query, "", "application/json");
    ASSERT_TRUE(first);
    EXPECT_EQ(Member(first->body, "taskState"), "RUNNING");
    EXPECT_NE(first->body.find("\"downloadUrl\":\"\""), std::string::npos);
    auto second = client.Post(query, "", "application/json");
    ASSERT_TRUE(second);
    EXPECT_EQ(Member(second->body, "taskState"), "FINISH");
    EXPECT_EQ(Member(second->body, "balanceStatus"), "NORMAL");
    EXPECT_NE(second->body.find("\"userBalance\":"), std::string::npos);
    const std::string resultUrl = Member(second->body, "downloadUrl");

    CDownloadBase download;
    const fs::path result = dir / "report.docx";
    ASSERT_EQ(download.Download(resultUrl, result.string(), nullptr, nullptr),
              CDownloadBase::Result::kDone);
    std::ifstream in(result, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), std::string("PK\x03\x04", 4) + "%PDF-1.4 content");
    EXPECT_EQ(FakeService::ResultSignature("pdf-to-word"), std::string("PK\x03\x04", 4));
    fs::remove_all(dir);
}

TEST_F(FakeServiceTest, UnknownTokensAndTasksGetRepliesWithoutData)
{
    auto user = client.Get("/user/getUserInfo?plateform=pc&token=nope");
    ASSERT_TRUE(user);
    EXPECT_EQ(user->body, R"({"ret":403,"msg":"token invalid"})");
    auto submit = client.Post("/task/submitTask?plateform=pc&token=" + service.IssueToken() +
                                  "&taskId=task-99&taskname=x",
                              "", "application/json");
    ASSERT_TRUE(submit);
    EXPECT_EQ(submit->body.find("\"data\""), std::string::npos);
    auto missing = client.Get("/results/job-404");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

TEST_F(FakeServiceTest, SignsInThroughTicketsAndExchangesTheServiceTicket)
{
    const std::string sso = "/shiro-cas/v1/tickets";
    auto refused =
        client.Post(sso, "username=tester&password=wrong", "application/x-www-form-urlencoded");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);

    auto granted =
        client.Post(sso, "username=tester&password=secret", "application/x-www-form-urlencoded");
    ASSERT_TRUE(granted);
    EXPECT_EQ(granted->status, 201);
    const std::string location = granted->get_header_value("Location");
    ASSERT_TRUE(location.starts_with(service.SsoUrl() + "/v1/tickets/TGT-")) << location;
    const std::string grantingPath = location.substr(service.BaseUrl().size());

    auto serviceTicket = client.Post(grantingPath, "service=http%3A%2F%2Fclient",
                                     "application/x-www-form-urlencoded");
    ASSERT_TRUE(serviceTicket);
    ASSERT_TRUE(serviceTicket->body.starts_with("ST-")) << serviceTicket->body;

    auto login = client.Get("/auth/pcdokoraLogin?ticket=" + serviceTicket->body);
    ASSERT_TRUE(login);
    const std::string token = Member(login->body, "token");
    EXPECT_NE(login->body.find("\"expireTime\":7200"), std::string::npos);
    auto user = client.Get("/user/getUserInfo?plateform=pc&token=" + token);
    ASSERT_TRUE(user);
    for (const char* key : {"balanceAll", "vip", "userId", "userType", "firstLogin", "isVip"}) {
        EXPECT_NE(user->body.find(std::string("\"") + key + "\":"), std::string::npos) << key;
    }
    auto reused = client.Get("/auth/pcdokoraLogin?ticket=" + serviceTicket->body);
    ASSERT_TRUE(reused);
    EXPECT_TRUE(Member(reused->body, "token").empty());

    auto signedOut = client.Delete(grantingPath);
    ASSERT_TRUE(signedOut);
    EXPECT_EQ(signedOut->status, 200);
    auto afterSignOut = client.Post(grantingPath, "service=x", "application/x-www-form-urlencoded");
    ASSERT_TRUE(afterSignOut);
    EXPECT_EQ(afterSignOut->status, 404);
}

TEST_F(FakeServiceTest, ServesHomeListVersionFileAndInstaller)
{
    auto list = client.Get("/api/getHomeSortList");
    ASSERT_TRUE(list);
    EXPECT_NE(list->body.find(R"({"convertType":"PDF2Word","isFree":false})"), std::string::npos);

    service.SetVersionFile("2.0.0", true);
    service.SetInstaller("setup bytes");
    auto version = client.Get("/dokora/update/newversion.htm");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->body, "<#2.0.0#>\r\n<#1#>");
    auto installer = client.Get("/dokora/update/DokoraSetup.exe?&skq=3");
    ASSERT_TRUE(installer);
    EXPECT_EQ(installer->body, "setup bytes");
}

TEST_F(FakeServiceTest, ScriptedRepliesAreUsedOncePerCallInOrder)
{
    service.Script(FakeEndpoint::kHomeSortList, FakeReply::Json("{\"first\":1}", 500));
    service.Script(FakeEndpoint::kHomeSortList, FakeReply::WithFault(FakeReply::Fault::Close));
    auto first = client.Get("/api/getHomeSortList");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 500);
    EXPECT_EQ(first->body, "{\"first\":1}");
    EXPECT_FALSE(client.Get("/api/getHomeSortList"));
    auto third = client.Get("/api/getHomeSortList?x=%41");
    ASSERT_TRUE(third);
    EXPECT_EQ(third->status, 200);

    service.Script(FakeEndpoint::kHomeSortList, FakeReply::WithFault(FakeReply::Fault::Stall));
    client.set_read_timeout(0, 200000);
    EXPECT_FALSE(client.Get("/api/getHomeSortList"));

    const auto requests = service.Requests(FakeEndpoint::kHomeSortList);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].query, "x=%41");
    EXPECT_EQ(requests[2].Param("x"), "A");
    EXPECT_TRUE(requests[2].raw.starts_with("GET /api/getHomeSortList?x=%41 HTTP/1.1\r\n"));
    EXPECT_TRUE(service.WaitForRequests(FakeEndpoint::kHomeSortList, 4, 0ms));
    EXPECT_FALSE(service.WaitForRequests(FakeEndpoint::kHomeSortList, 5, 10ms));
}

} // namespace
