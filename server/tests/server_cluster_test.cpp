// Two service instances over one PostgreSQL store and one data directory.
#include "adoptedprocesses.h"
#include "postgresserver.h"
#include "serverprocess.h"
#include "serviceclient.h"
#include "sharedservertest.h"
#include "taskstore.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <memory>
#include <sys/prctl.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Short leases keep the recovery cases short.
constexpr auto kLease = 2s;

class ClusterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!PostgresServer::Installed()) {
            GTEST_SKIP() << "PostgreSQL is not installed: run scripts/install-deps.sh";
        }
        ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        std::string why;
        postgres = PostgresServer::Shared(why);
        ASSERT_TRUE(postgres) << why;
        database = postgres->NewDatabase();
        ASSERT_FALSE(database.empty());
        scratch.emplace("cluster");
        input = scratch->Path() / "long.docx";
        // Long enough to be seen converting.
        std::vector<std::string> paragraphs(6000, "A paragraph of a longer document.");
        ASSERT_TRUE(TestDocuments::WriteDocx(input, paragraphs));
    }
    void TearDown() override
    {
        instances.clear();
        if (postgres) {
            AdoptedProcesses::EndAll({postgres->Pid()});
        }
    }

    // Another instance on the shared store and directory; the first adds the user.
    ServerProcess& Start(const std::vector<std::string>& extraArgs = {})
    {
        ServerProcess::Options options;
        options.workers = 1;
        options.extraArgs = {"--database", database, "--lease", std::to_string(kLease.count())};
        options.extraArgs.insert(options.extraArgs.end(), extraArgs.begin(), extraArgs.end());
        if (!instances.empty()) {
            options.users.clear();
        }
        instances.push_back(std::make_unique<ServerProcess>(scratch->Path() / "data", options));
        return *instances.back();
    }
    // Kills an instance while it converts, and what it left behind.
    void Kill(ServerProcess& instance)
    {
        instance.Kill();
        std::vector<pid_t> keep{postgres->Pid()};
        for (const auto& other : instances) {
            if (other->Running()) {
                keep.push_back(other->Pid());
            }
        }
        AdoptedProcesses::EndAll(keep);
    }

    struct Submitted
    {
        std::string taskId;
        std::string jobId;
    };
    Submitted Submit(ServiceClient& client)
    {
        const auto upload = client.Upload("word-to-pdf", "long.docx", TestDocuments::Read(input));
        const std::string taskId = upload.json["data"]["taskId"].asString();
        const auto submit = client.Submit(taskId, "word-to-pdf");
        EXPECT_EQ(submit.json["ret"], 0) << submit.body;
        return {taskId, submit.json["data"]["jobId"].asString()};
    }
    // Polls until the task leaves `state` or `limit` passes; the reply.
    static ServiceClient::Reply WaitWhile(ServiceClient& client, const Submitted& task,
                                          const std::vector<std::string>& states,
                                          std::chrono::seconds limit)
    {
        const auto deadline = Clock::now() + limit;
        ServiceClient::Reply query;
        for (;;) {
            query = client.Query(task.taskId, task.jobId);
            const std::string state = query.json["data"]["taskState"].asString();
            if (std::find(states.begin(), states.end(), state) == states.end() ||
                Clock::now() > deadline) {
                return query;
            }
            std::this_thread::sleep_for(5ms);
        }
    }

    PostgresServer* postgres = nullptr;
    std::string database;
    std::optional<ScratchDirectory> scratch;
    fs::path input;
    std::vector<std::unique_ptr<ServerProcess>> instances;
};

TEST_F(ClusterTest, ASignInUploadAndSubmitOnOneInstanceArePolledAndDownloadedOnTheOther)
{
    ServerProcess& first = Start();
    ServerProcess& second = Start();
    ASSERT_TRUE(first.Running());
    ASSERT_TRUE(second.Running());
    ServiceClient one(first.Port());
    const auto token = one.SignIn("tester", "secret");
    ASSERT_TRUE(token);
    ServiceClient two(second.Port());
    two.SetToken(*token);
    EXPECT_EQ(two.Get("/user/getUserInfo?plateform=pc&token=" + *token).json["ret"], 0);

    const Submitted task = Submit(two);
    one.SetToken(*token);
    const auto done = WaitWhile(one, task, {"WAITING", "RUNNING"}, 120s);
    ASSERT_EQ(done.json["data"]["taskState"], "FINISH") << done.body;
    const auto download = one.Get("/results/" + task.jobId);
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body.rfind("%PDF", 0), 0u);
    EXPECT_EQ(two.Get("/results/" + task.jobId).body, download.body);
}

TEST_F(ClusterTest, AKilledInstancesTaskIsFinishedByTheOtherWithinALeaseAndAConversion)
{
    ServerProcess& first = Start();
    ASSERT_TRUE(first.Running());
    ServiceClient client(first.Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));

    // How long one conversion takes here.
    const auto started = Clock::now();
    ASSERT_EQ(client.Convert("word-to-pdf", input).state, "FINISH");
    const auto conversion = Clock::now() - started;

    const Submitted task = Submit(client);
    ASSERT_EQ(WaitWhile(client, task, {"WAITING"}, 60s).json["data"]["taskState"], "RUNNING");
    const fs::path killedOwn =
        scratch->Path() / "data" / ("instance-" + std::to_string(first.Pid()));
    ASSERT_TRUE(fs::is_directory(killedOwn / "office"));
    Kill(first);
    const auto killed = Clock::now();

    ServerProcess& second = Start();
    ASSERT_TRUE(second.Running());
    EXPECT_FALSE(fs::exists(killedOwn)) << "the killed instance's office profile was kept";
    ServiceClient other(second.Port());
    other.SetToken(client.Token());
    const auto done = WaitWhile(other, task, {"WAITING", "RUNNING"}, 120s);
    ASSERT_EQ(done.json["data"]["taskState"], "FINISH") << done.body;
    // Beyond the lease and the conversion: the start of the other instance, its check of
    // the leases every third of one, the back-off and a worker's poll.
    EXPECT_LT(Clock::now() - killed, kLease + conversion + 5s);
    EXPECT_EQ(other.Get("/results/" + task.jobId).body.rfind("%PDF", 0), 0u);
}

TEST_F(ClusterTest, ADocumentWhoseConversionEndsItsInstanceFailsAfterThreeAttempts)
{
    ServerProcess& first = Start();
    ASSERT_TRUE(first.Running());
    ServiceClient client(first.Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
    const Submitted task = Submit(client);

    ServerProcess* current = &first;
    for (int attempt = 1; attempt <= TaskStore::kMaxAttempts; ++attempt) {
        ServiceClient watcher(current->Port());
        watcher.SetToken(client.Token());
        if (attempt > 1) {
            // The killed instance's lease runs out and the task waits out its back-off.
            ASSERT_EQ(WaitWhile(watcher, task, {"RUNNING"}, 30s).json["data"]["taskState"],
                      "WAITING")
                << "attempt " << attempt;
        }
        ASSERT_EQ(WaitWhile(watcher, task, {"WAITING"}, 60s).json["data"]["taskState"], "RUNNING")
            << "attempt " << attempt;
        Kill(*current);
        current = &Start();
        ASSERT_TRUE(current->Running());
    }
    ServiceClient last(current->Port());
    last.SetToken(client.Token());
    const auto ended = WaitWhile(last, task, {"WAITING", "RUNNING"}, 60s);
    EXPECT_EQ(ended.json["data"]["taskState"], "FAILED") << ended.body;
    EXPECT_EQ(ended.json["msg"], TaskStore::kInterrupted);
}

TEST_F(ClusterTest, TasksHandedBackAtATerminationAreFinishedElsewhereWithoutCountingAnAttempt)
{
    // Leases far longer than a hand-back takes: the next instance converting well within one
    // took a task handed back to it, not one whose lease ran out.
    constexpr auto kLongLease = 16s;
    const std::vector<std::string> handingBack{"--stop-grace", "0", "--lease",
                                               std::to_string(kLongLease.count())};
    ServerProcess* current = &Start(handingBack);
    ASSERT_TRUE(current->Running());
    ServiceClient client(current->Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
    const Submitted task = Submit(client);
    ASSERT_EQ(WaitWhile(client, task, {"WAITING"}, 60s).json["data"]["taskState"], "RUNNING");

    // Two instances end at a SIGTERM while they convert; the next one takes the task at
    // once and a third attempt cut short by a kill still leaves it in the queue.
    for (int handBack = 0; handBack < 2; ++handBack) {
        ServerProcess& next = Start(handingBack);
        ASSERT_TRUE(next.Running());
        ServiceClient watcher(next.Port());
        ASSERT_EQ(current->Terminate(30), 0);
        const auto deadline = Clock::now() + kLongLease / 2;
        while (MetricSample(watcher.Get("/metrics").body, "dokora_running_conversions") < 1 &&
               Clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_EQ(MetricSample(watcher.Get("/metrics").body, "dokora_running_conversions"), 1)
            << "hand-back " << handBack;
        current = &next;
    }
    Kill(*current);
    ServerProcess& last = Start();
    ASSERT_TRUE(last.Running());
    ServiceClient other(last.Port());
    other.SetToken(client.Token());
    const auto done = WaitWhile(other, task, {"WAITING", "RUNNING"}, 120s);
    ASSERT_EQ(done.json["data"]["taskState"], "FINISH") << done.body;
    EXPECT_EQ(other.Get("/results/" + task.jobId).body.rfind("%PDF", 0), 0u);
}

TEST_F(ClusterTest, TheTotalQueueLimitCountsTheTasksWaitingInEveryInstance)
{
    const std::vector<std::string> limits{"--queue-limit", "0", "--total-queue-limit", "2"};
    ServerProcess& first = Start(limits);
    ServerProcess& second = Start(limits);
    ASSERT_TRUE(first.Running() && second.Running());
    ServiceClient one(first.Port());
    ASSERT_TRUE(one.SignIn("tester", "secret"));
    ServiceClient two(second.Port());
    two.SetToken(one.Token());

    // Uploaded first, then submitted in turn to each instance as fast as they answer.
    std::vector<std::pair<ServiceClient*, std::string>> uploaded;
    for (int i = 0; i < 8; ++i) {
        ServiceClient& client = i % 2 ? two : one;
        const auto upload = client.Upload("word-to-pdf", "long.docx", TestDocuments::Read(input));
        uploaded.emplace_back(&client, upload.json["data"]["taskId"].asString());
    }
    std::vector<Submitted> accepted;
    std::size_t refused = 0;
    for (const auto& [client, taskId] : uploaded) {
        const auto submit = client->Submit(taskId, "word-to-pdf");
        if (submit.status == 429) {
            ++refused;
            EXPECT_EQ(submit.headers.count("retry-after"), 1u);
        } else {
            EXPECT_EQ(submit.json["ret"], 0) << submit.body;
            accepted.push_back({taskId, submit.json["data"]["jobId"].asString()});
        }
    }
    // A waiting task can only leave the queue, so no more than the limit wait after the
    // burst, wherever they were submitted.
    std::size_t waiting = 0;
    for (const Submitted& task : accepted) {
        waiting += one.Query(task.taskId, task.jobId).json["data"]["taskState"] == "WAITING";
    }
    EXPECT_GE(accepted.size(), 2u);
    EXPECT_LE(waiting, 2u);
    EXPECT_GE(refused, 1u);
}

} // namespace
