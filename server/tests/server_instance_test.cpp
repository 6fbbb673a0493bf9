#include "adoptedprocesses.h"
#include "serviceclient.h"
#include "sharedservertest.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <sys/prctl.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

ServerProcess::Options OneWorker(std::vector<std::string> extraArgs = {})
{
    ServerProcess::Options options;
    options.workers = 1;
    options.extraArgs = std::move(extraArgs);
    return options;
}

TEST(ServerInstanceTest, AKilledInstanceLeavesNoOfficeOrBridgeRunning)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const ScratchDirectory scratch("instance-kill");
    ServerProcess service(scratch.Path() / "data", OneWorker());
    ServiceClient client(service.Port());
    ASSERT_TRUE(service.Running() && client.SignIn("tester", "secret"));
    const fs::path input = scratch.Path() / "warm.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(input, {"The office is up once this is converted."}));
    ASSERT_EQ(client.Convert("word-to-pdf", input).state, "FINISH");

    service.Kill();
    std::size_t alive = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((alive = AdoptedProcesses::ReapEnded()) > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(alive, 0u) << "processes of the killed service are still running";
    AdoptedProcesses::EndAll();
}

} // namespace

namespace {

// A document that keeps the office busy for a while.
fs::path LongDocument(const fs::path& dir, int number)
{
    const fs::path path = dir / ("long-" + std::to_string(number) + ".docx");
    std::vector<std::string> paragraphs(3000, "A paragraph of a long document, to convert.");
    paragraphs.front() = "Document number " + std::to_string(number);
    return TestDocuments::WriteDocx(path, paragraphs) ? path : fs::path();
}

std::string UploadedTask(ServiceClient& client, const fs::path& input)
{
    const auto upload =
        client.Upload("word-to-pdf", input.filename().string(), TestDocuments::Read(input));
    return upload.json["data"]["taskId"].asString();
}

std::string StateOf(ServiceClient& client, const std::string& taskId, const std::string& jobId)
{
    return client.Query(taskId, jobId).json["data"]["taskState"].asString();
}

// Polls until the task leaves `states` or `limit` passes; its last state.
std::string WaitWhile(ServiceClient& client, const std::string& taskId, const std::string& jobId,
                      std::initializer_list<const char*> states, std::chrono::seconds limit = 120s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string state;
    for (;;) {
        state = StateOf(client, taskId, jobId);
        if (std::find(states.begin(), states.end(), state) == states.end() ||
            std::chrono::steady_clock::now() > deadline) {
            return state;
        }
        std::this_thread::sleep_for(50ms);
    }
}

struct Burst
{
    std::vector<std::pair<std::string, std::string>> accepted; // task and job ids
    // Of the accepted ones, those that had ended (making room) by the last submit.
    std::size_t endedMeanwhile = 0;
    std::vector<ServiceClient::Reply> refused;
    std::vector<std::string> refusedTasks;
};

// Uploads `count` long documents, then submits them all at once.
Burst SubmitBurst(ServiceClient& client, const fs::path& dir, int count)
{
    std::vector<std::string> taskIds;
    for (int i = 0; i < count; ++i) {
        taskIds.push_back(UploadedTask(client, LongDocument(dir, i)));
    }
    Burst burst;
    for (const std::string& taskId : taskIds) {
        const auto submit = client.Submit(taskId, "word-to-pdf");
        if (submit.json["ret"] == 0) {
            burst.accepted.emplace_back(taskId, submit.json["data"]["jobId"].asString());
        } else {
            burst.refused.push_back(submit);
            burst.refusedTasks.push_back(taskId);
        }
    }
    for (const auto& [taskId, jobId] : burst.accepted) {
        const std::string state = StateOf(client, taskId, jobId);
        burst.endedMeanwhile += state == "FINISH" || state == "FAILED";
    }
    return burst;
}

TEST(ServerInstanceTest, SubmitsPastTheQueueLimitsAreRefusedWithARetryTimeAndCountedInTheMetrics)
{
    const ScratchDirectory scratch("instance-queue");
    for (const std::vector<std::string>& limits :
         {std::vector<std::string>{"--queue-limit", "2", "--total-queue-limit", "0"},
          std::vector<std::string>{"--queue-limit", "0", "--total-queue-limit", "2"}}) {
        const fs::path dir = scratch.Path() / limits[1];
        ServerProcess service(dir / "data", OneWorker(limits));
        ServiceClient client(service.Port());
        ASSERT_TRUE(service.Running() && client.SignIn("tester", "secret"));

        const Burst burst = SubmitBurst(client, dir, 6);
        // One converting (or about to), two waiting; never more than three besides those
        // that ended.
        EXPECT_GE(burst.accepted.size(), 2u) << limits[0];
        EXPECT_LE(burst.accepted.size(), 3u + burst.endedMeanwhile) << limits[0];
        ASSERT_FALSE(burst.refused.empty());
        for (const auto& refused : burst.refused) {
            EXPECT_EQ(refused.status, 429);
            EXPECT_EQ(refused.json["ret"], 429);
            EXPECT_NE(refused.json["msg"].asString().find("busy, try again"), std::string::npos)
                << refused.body;
            EXPECT_EQ(refused.headers.count("retry-after"), 1u);
        }
        const std::string metrics = client.Get("/metrics").body;
        EXPECT_GE(MetricSample(metrics, "dokora_queue_depth"), 1) << metrics;

        // Once the queue has room, the refused task goes through.
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        ServiceClient::Reply again;
        do {
            std::this_thread::sleep_for(200ms);
            again = client.Submit(burst.refusedTasks.front(), "word-to-pdf");
        } while (again.status == 429 && std::chrono::steady_clock::now() < deadline);
        EXPECT_EQ(again.json["ret"], 0) << again.body;
    }
}

TEST(ServerInstanceTest, HealthAndMetricsShowWhatTheInstanceDid)
{
    const ScratchDirectory scratch("instance-metrics");
    ServerProcess service(scratch.Path() / "data", OneWorker());
    ServiceClient client(service.Port());
    ASSERT_TRUE(service.Running() && client.SignIn("tester", "secret"));

    const auto health = client.Get("/healthz");
    EXPECT_EQ(health.status, 200);
    EXPECT_EQ(health.body, "ok\n");
    const fs::path input = scratch.Path() / "short.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(input, {"One paragraph."}));
    ASSERT_EQ(client.Convert("word-to-pdf", input).state, "FINISH");
    ASSERT_EQ(client.Convert("word-to-pdf", input).state, "FINISH");

    const auto metrics = client.Get("/metrics");
    EXPECT_EQ(metrics.status, 200);
    EXPECT_EQ(metrics.headers.at("content-type").rfind("text/plain", 0), 0u);
    EXPECT_EQ(MetricSample(metrics.body, "dokora_finished_total"), 2) << metrics.body;
    EXPECT_EQ(MetricSample(metrics.body, "dokora_failed_total"), 0);
    EXPECT_EQ(MetricSample(metrics.body, "dokora_running_conversions"), 0);
    EXPECT_EQ(MetricSample(metrics.body, "dokora_queue_depth"), 0);
    EXPECT_EQ(MetricSample(metrics.body, "dokora_office_restarts_total"), 0);
    EXPECT_EQ(
        MetricSample(metrics.body, "dokora_conversion_seconds_count{function=\"word-to-pdf\"}"), 2);
    EXPECT_GT(MetricSample(metrics.body, "dokora_conversion_seconds_sum{function=\"word-to-pdf\"}"),
              0);
    EXPECT_NE(metrics.body.find("# TYPE dokora_finished_total counter"), std::string::npos);
}

TEST(ServerInstanceTest, ATerminatedInstanceFinishesWithinItsGraceOrHandsTheTaskBack)
{
    const ScratchDirectory scratch("instance-term");
    for (const char* grace : {"0", "120"}) {
        const fs::path dir = scratch.Path() / grace;
        const auto options = OneWorker({"--stop-grace", grace});
        auto first = std::make_unique<ServerProcess>(dir / "data", options);
        ASSERT_TRUE(first->Running());
        ServiceClient client(first->Port());
        const auto token = client.SignIn("tester", "secret");
        ASSERT_TRUE(token);
        const std::string taskId = UploadedTask(client, LongDocument(dir, 0));
        const std::string jobId =
            client.Submit(taskId, "word-to-pdf").json["data"]["jobId"].asString();
        ASSERT_EQ(WaitWhile(client, taskId, jobId, {"WAITING"}), "RUNNING");
        EXPECT_EQ(first->Terminate(150), 0);
        first.reset();

        ServerProcess::Options again = options;
        again.users.clear();
        ServerProcess second(dir / "data", again);
        ASSERT_TRUE(second.Running());
        ServiceClient resumed(second.Port());
        resumed.SetToken(*token);
        const std::string afterRestart = StateOf(resumed, taskId, jobId);
        if (std::string(grace) == "0") {
            EXPECT_NE(afterRestart, "FAILED") << "the task was failed instead of handed back";
        } else {
            EXPECT_EQ(afterRestart, "FINISH") << "the task did not finish within the grace";
        }
        EXPECT_EQ(WaitWhile(resumed, taskId, jobId, {"WAITING", "RUNNING"}), "FINISH");
        EXPECT_EQ(resumed.Get("/results/" + jobId).body.rfind("%PDF", 0), 0u);
    }
}

TEST(ServerInstanceTest, UploadsAndResultsLiveInTheSharedDirectoryAndWorkFilesStayLocal)
{
    const ScratchDirectory scratch("instance-shared");
    const fs::path data = scratch.Path() / "data";
    const fs::path shared = scratch.Path() / "shared";
    ServerProcess service(data, OneWorker({"--shared", shared.string()}));
    ServiceClient client(service.Port());
    ASSERT_TRUE(service.Running() && client.SignIn("tester", "secret"));
    const fs::path input = scratch.Path() / "short.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(input, {"Kept where every instance sees it."}));
    const auto conversion = client.Convert("word-to-pdf", input);
    ASSERT_EQ(conversion.state, "FINISH");
    EXPECT_EQ(conversion.result.rfind("%PDF", 0), 0u);

    std::vector<std::string> taskFiles;
    for (const auto& task : fs::directory_iterator(shared / "tasks")) {
        for (const auto& file : fs::directory_iterator(task.path())) {
            taskFiles.push_back(file.path().filename().string());
        }
    }
    std::sort(taskFiles.begin(), taskFiles.end());
    // The result is named by the worker that made it.
    ASSERT_EQ(taskFiles.size(), 2u);
    EXPECT_EQ(taskFiles[0], "input.docx");
    EXPECT_TRUE(taskFiles[1].starts_with("result-") && taskFiles[1].ends_with(".pdf"))
        << taskFiles[1];
    EXPECT_FALSE(fs::exists(data / "tasks"));
    EXPECT_TRUE(fs::is_directory(data / "office"));
}

} // namespace
