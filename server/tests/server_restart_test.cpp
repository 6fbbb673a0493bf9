#include "adoptedprocesses.h"
#include "serviceclient.h"
#include "sharedservertest.h"
#include "taskstore.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <sys/prctl.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string IntegrityOf(const fs::path& database)
{
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* out, int, char** values, char**) {
                *static_cast<std::string*>(out) += values[0] ? values[0] : "";
                return 0;
            },
            &result, nullptr);
    }
    sqlite3_close(db);
    return result;
}

struct Task
{
    std::string taskId;
    std::string jobId;
};

TEST(ServerRestartTest, AServiceKilledDuringTenConversionsResumesOnItsDataDirectory)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const ScratchDirectory scratch("restart");
    const fs::path& dir = scratch.Path();

    auto first = std::make_unique<ServerProcess>(dir / "data");
    ASSERT_TRUE(first->Running());
    ServiceClient client(first->Port());
    const auto token = client.SignIn("tester", "secret");
    ASSERT_TRUE(token);

    std::vector<Task> tasks;
    for (int i = 0; i < 10; ++i) {
        const fs::path input = dir / ("document-" + std::to_string(i) + ".docx");
        // Long enough that the kill finds conversions under way.
        std::vector<std::string> paragraphs(400, "A paragraph of a longer document.");
        paragraphs.front() = "Document number " + std::to_string(i);
        ASSERT_TRUE(TestDocuments::WriteDocx(input, paragraphs));
        const auto upload =
            client.Upload("word-to-pdf", input.filename().string(), TestDocuments::Read(input));
        const std::string taskId = upload.json["data"]["taskId"].asString();
        const auto submit = client.Submit(taskId, "word-to-pdf");
        ASSERT_EQ(submit.json["ret"], 0) << submit.body;
        tasks.push_back({taskId, submit.json["data"]["jobId"].asString()});
    }

    // Killed once a few have finished, the others waiting or converting.
    std::map<std::string, std::string> resultsBefore; // job id -> bytes
    const auto deadline = std::chrono::steady_clock::now() + 180s;
    while (resultsBefore.size() < 3 && std::chrono::steady_clock::now() < deadline) {
        for (const Task& task : tasks) {
            if (!resultsBefore.count(task.jobId) &&
                client.Query(task.taskId, task.jobId).json["data"]["taskState"] == "FINISH") {
                resultsBefore[task.jobId] = client.Get("/results/" + task.jobId).body;
            }
        }
        std::this_thread::sleep_for(20ms);
    }
    first->Kill();
    AdoptedProcesses::EndAll();
    ASSERT_GE(resultsBefore.size(), 3u);
    ASSERT_LT(resultsBefore.size(), tasks.size());
    EXPECT_EQ(IntegrityOf(dir / "data" / "service.db"), "ok");

    ServerProcess::Options again;
    again.users.clear();
    ServerProcess second(dir / "data", again);
    ASSERT_TRUE(second.Running());
    ServiceClient resumed(second.Port());
    resumed.SetToken(*token);
    EXPECT_EQ(resumed.Get("/user/getUserInfo?plateform=pc&token=" + *token).json["ret"], 0)
        << "the session did not survive";

    for (const auto& [jobId, bytes] : resultsBefore) {
        const auto download = resumed.Get("/results/" + jobId);
        EXPECT_EQ(download.status, 200) << jobId;
        EXPECT_EQ(download.body, bytes) << jobId;
        EXPECT_EQ(download.body.rfind("%PDF", 0), 0u) << jobId;
    }
    // The conversions under way when it was killed are made again.
    for (const Task& task : tasks) {
        ServiceClient::Reply query;
        const auto limit = std::chrono::steady_clock::now() + 180s;
        do {
            query = resumed.Query(task.taskId, task.jobId);
            std::this_thread::sleep_for(20ms);
        } while ((query.json["data"]["taskState"] == "WAITING" ||
                  query.json["data"]["taskState"] == "RUNNING") &&
                 std::chrono::steady_clock::now() < limit);
        const std::string state = query.json["data"]["taskState"].asString();
        ASSERT_EQ(state, "FINISH") << task.taskId << " " << query.body;
        const auto download = resumed.Get("/results/" + task.jobId);
        EXPECT_EQ(download.body.rfind("%PDF", 0), 0u) << task.taskId;
    }
    ServiceClient newcomer(second.Port());
    EXPECT_TRUE(newcomer.SignIn("tester", "secret"));
    EXPECT_EQ(second.Terminate(30), 0);
    AdoptedProcesses::EndAll();
}

} // namespace
