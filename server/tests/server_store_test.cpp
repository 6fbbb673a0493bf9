// The contract every store keeps, run against each engine.
#include "pgstore.h"
#include "postgresserver.h"
#include "sqlitestore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Kind = ServiceStore::SessionKind;

class StoreTest : public testing::TestWithParam<std::string>
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("store-" + std::to_string(::getpid()) + "-" +
               std::to_string(testing::UnitTest::GetInstance()->random_seed()) + "-" +
               std::to_string(++count));
        fs::remove_all(dir);
        fs::create_directories(dir);
        if (GetParam() == "postgresql") {
            if (!PostgresServer::Installed()) {
                GTEST_SKIP() << "PostgreSQL is not installed: run scripts/install-deps.sh";
            }
            std::string why;
            PostgresServer* server = PostgresServer::Shared(why);
            ASSERT_TRUE(server) << why;
            conninfo = server->NewDatabase();
            ASSERT_FALSE(conninfo.empty());
        }
        store = Open();
        ASSERT_TRUE(store);
    }
    void TearDown() override
    {
        store.reset();
        fs::remove_all(dir);
    }

    // Another connection to the same store, as another instance has.
    std::unique_ptr<ServiceStore> Open()
    {
        std::string error;
        std::unique_ptr<ServiceStore> opened;
        if (GetParam() == "postgresql") {
            opened = PgStore::Open(conninfo, error);
        } else {
            opened = SqliteStore::Open(dir / "service.db", error);
        }
        EXPECT_TRUE(opened) << error;
        return opened;
    }

    std::string AddWaiting(ServiceStore& target, const std::string& taskId)
    {
        TaskRecord task;
        task.taskId = taskId;
        task.userId = 1;
        task.input = "input.pdf";
        task.touched = target.Now();
        EXPECT_TRUE(target.AddTask(task));
        const auto submitted = target.SubmitTask(taskId, 1, "pdf-compress", "job-" + taskId);
        EXPECT_TRUE(submitted);
        return submitted ? submitted->jobId : "";
    }

    static inline int count = 0;
    fs::path dir;
    std::string conninfo;
    std::unique_ptr<ServiceStore> store;
};

TEST_P(StoreTest, AccountsAreNumberedAndKeepTheirBytes)
{
    const std::string salt("s\0a\xff", 4);
    EXPECT_EQ(store->PutAccount({"ann", 0, 10, salt, "h1"}, 1000), true);
    EXPECT_EQ(store->PutAccount({"bob", 0, 10, "s", "h2"}, 1000), true);
    EXPECT_EQ(store->PutAccount({"cy", 7, 10, "s", "h3"}, 1000), true);
    EXPECT_EQ(store->PutAccount({"ann", 0, 20, "t", "h4"}, 1000), false);
    const auto ann = store->FindAccount("ann");
    ASSERT_TRUE(ann);
    EXPECT_EQ(ann->userId, 1000);
    EXPECT_EQ(ann->iterations, 20);
    EXPECT_EQ(ann->salt, "t");
    EXPECT_EQ(store->FindAccount("bob")->userId, 1001);
    EXPECT_EQ(store->AccountName(7), "cy");
    EXPECT_FALSE(store->AccountName(5));
    EXPECT_FALSE(store->FindAccount("nobody"));
    EXPECT_EQ(store->PutAccount({"dee", 0, 10, salt, salt}, 1000), true);
    EXPECT_EQ(store->FindAccount("dee")->hash, salt);
}

TEST_P(StoreTest, SessionsExpireAndATicketIsTakenOnce)
{
    const auto now = store->Now();
    ASSERT_TRUE(store->PutSession(Kind::Token, "tok", {3, "", now + 1h}));
    ASSERT_TRUE(store->PutSession(Kind::ServiceTicket, "st", {3, "svc", now + 1h}));
    ASSERT_TRUE(store->PutSession(Kind::Token, "old", {3, "", now - 1s}));
    EXPECT_EQ(store->FindSession(Kind::Token, "tok", now)->userId, 3);
    EXPECT_FALSE(store->FindSession(Kind::ServiceTicket, "tok", now));
    EXPECT_FALSE(store->FindSession(Kind::Token, "tok", now + 2h));
    EXPECT_FALSE(store->FindSession(Kind::Token, "old", now));

    const auto other = Open();
    EXPECT_EQ(other->TakeSession(Kind::ServiceTicket, "st", now)->service, "svc");
    EXPECT_FALSE(store->TakeSession(Kind::ServiceTicket, "st", now));
    EXPECT_EQ(store->DropExpiredSessions(now), 1u);
    EXPECT_TRUE(store->DropSession(Kind::Token, "tok"));
    EXPECT_FALSE(store->DropSession(Kind::Token, "tok"));
}

TEST_P(StoreTest, SubmitsBelongToTheirUserAndKeepTheirJob)
{
    const std::string job = AddWaiting(*store, "task-a");
    EXPECT_EQ(job, "job-task-a");
    EXPECT_FALSE(store->SubmitTask("task-a", 2, "pdf-compress", "job-x"));
    EXPECT_FALSE(store->SubmitTask("task-none", 1, "pdf-compress", "job-x"));
    const auto again = store->SubmitTask("task-a", 1, "pdf-to-word", "job-y");
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->alreadySubmitted);
    EXPECT_EQ(again->jobId, job);
    EXPECT_EQ(store->FindTaskByJob(job)->state, TaskState::Waiting);
    EXPECT_EQ(store->FindTask("task-a")->taskName, "pdf-compress");
    EXPECT_EQ(store->UserTasks(1).size(), 1u);
    EXPECT_TRUE(store->UserTasks(2).empty());
    store->RejectTask("task-a", "not a PDF");
    EXPECT_EQ(store->FindTask("task-a")->state, TaskState::Failed);
    EXPECT_FALSE(store->ClaimTask("me", 30s));
}

TEST_P(StoreTest, ClaimsTakeTheOldestTaskOnceAndOnlyTheLeaseHolderFinishes)
{
    AddWaiting(*store, "task-1");
    AddWaiting(*store, "task-2");
    const auto other = Open();
    const auto first = store->ClaimTask("me", 30s);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->taskId, "task-1");
    EXPECT_EQ(first->state, TaskState::Running);
    EXPECT_EQ(other->ClaimTask("you", 30s)->taskId, "task-2");
    EXPECT_FALSE(store->ClaimTask("me", 30s));

    EXPECT_FALSE(other->FinishTask("task-1", "you", true, "result.pdf", ""));
    EXPECT_EQ(store->FindTask("task-1")->state, TaskState::Running);
    EXPECT_TRUE(store->FinishTask("task-1", "me", true, "result.pdf", ""));
    const auto finished = other->FindTask("task-1");
    EXPECT_EQ(finished->state, TaskState::Finished);
    EXPECT_EQ(finished->result, "result.pdf");
    EXPECT_FALSE(store->FinishTask("task-1", "me", false, "", "again"));
    EXPECT_EQ(store->FindTask("task-1")->state, TaskState::Finished);
}

TEST_P(StoreTest, ALeaseThatRunsOutReturnsTheTaskWithBackOffAndALateFinishChangesNothing)
{
    AddWaiting(*store, "task-1");
    ASSERT_TRUE(store->ClaimTask("lost", 300ms));
    EXPECT_EQ(store->RecoverTasks(false, 3, 0ms, "gave up"), 0u); // the lease holds
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(store->RecoverTasks(false, 3, 600ms, "gave up"), 1u);
    EXPECT_EQ(store->FindTask("task-1")->state, TaskState::Waiting);
    EXPECT_FALSE(store->ClaimTask("next", 30s)); // held back
    std::this_thread::sleep_for(700ms);
    ASSERT_TRUE(store->ClaimTask("next", 30s));
    EXPECT_FALSE(store->FinishTask("task-1", "lost", true, "late.pdf", ""));
    EXPECT_TRUE(store->FinishTask("task-1", "next", true, "result.pdf", ""));
    EXPECT_EQ(store->FindTask("task-1")->result, "result.pdf");
}

TEST_P(StoreTest, RenewedLeasesHoldAndTheThirdInterruptedAttemptFails)
{
    AddWaiting(*store, "task-1");
    ASSERT_TRUE(store->ClaimTask("me", 300ms));
    for (int i = 0; i < 4; ++i) {
        std::this_thread::sleep_for(150ms);
        EXPECT_EQ(store->RenewLeases("me", 300ms), 1u);
    }
    EXPECT_EQ(store->RecoverTasks(false, 3, 0ms, "gave up"), 0u);
    EXPECT_EQ(store->RecoverTasks(true, 3, 0ms, "gave up"), 1u); // attempt 1 cut short
    ASSERT_TRUE(store->ClaimTask("me", 30s));
    EXPECT_EQ(store->RecoverTasks(true, 3, 0ms, "gave up"), 1u); // attempt 2
    ASSERT_TRUE(store->ClaimTask("me", 30s));
    EXPECT_EQ(store->RecoverTasks(true, 3, 0ms, "gave up"), 0u); // attempt 3: no more
    const auto failed = store->FindTask("task-1");
    EXPECT_EQ(failed->state, TaskState::Failed);
    EXPECT_EQ(failed->message, "gave up");
    EXPECT_FALSE(store->ClaimTask("me", 30s));
}

TEST_P(StoreTest, FourClaimersTakeEveryTaskExactlyOnce)
{
    constexpr int kTasks = 60;
    for (int i = 0; i < kTasks; ++i) {
        AddWaiting(*store, "task-" + std::to_string(i));
    }
    std::vector<std::vector<std::string>> claimed(4);
    std::vector<std::thread> claimers;
    for (std::size_t c = 0; c < claimed.size(); ++c) {
        claimers.emplace_back([&, c, own = Open()] {
            while (const auto task = own->ClaimTask("claimer-" + std::to_string(c), 30s)) {
                claimed[c].push_back(task->taskId);
            }
        });
    }
    for (auto& claimer : claimers) {
        claimer.join();
    }
    std::multiset<std::string> all;
    for (const auto& ids : claimed) {
        all.insert(ids.begin(), ids.end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kTasks));
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
}

TEST_P(StoreTest, AHandedBackTaskKeepsItsPlaceAndItsAttemptIsNotCounted)
{
    AddWaiting(*store, "task-1");
    AddWaiting(*store, "task-2");
    TaskRecord uploaded;
    uploaded.taskId = "task-3";
    uploaded.userId = 1;
    uploaded.input = "input.pdf";
    uploaded.touched = store->Now();
    ASSERT_TRUE(store->AddTask(uploaded)); // not submitted: not waiting
    const auto other = Open();
    EXPECT_EQ(other->CountWaitingTasks(), 2u);

    ASSERT_EQ(store->ClaimTask("me", 30s)->taskId, "task-1");
    EXPECT_EQ(other->CountWaitingTasks(), 1u);
    EXPECT_FALSE(other->ReturnTask("task-1", "you"));
    EXPECT_EQ(store->FindTask("task-1")->state, TaskState::Running);
    EXPECT_TRUE(store->ReturnTask("task-1", "me"));
    EXPECT_FALSE(store->ReturnTask("task-1", "me"));
    EXPECT_EQ(other->FindTask("task-1")->state, TaskState::Waiting);
    EXPECT_EQ(other->CountWaitingTasks(), 2u);

    // Handed back again and again, it stays first in line and is never failed for it.
    for (int i = 0; i < 3; ++i) {
        const auto again = other->ClaimTask("you", 30s);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->taskId, "task-1");
        EXPECT_TRUE(other->ReturnTask("task-1", "you"));
    }
    ASSERT_EQ(store->ClaimTask("me", 30s)->taskId, "task-1");
    EXPECT_EQ(store->RecoverTasks(true, 3, 0ms, "gave up"), 1u); // its first attempt cut short
    EXPECT_EQ(store->FindTask("task-1")->state, TaskState::Waiting);

    // Once the lease ran out, the task is no longer the worker's to hand back.
    ASSERT_EQ(store->ClaimTask("late", 200ms)->taskId, "task-1");
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(store->ReturnTask("task-1", "late"));
    EXPECT_EQ(store->FindTask("task-1")->state, TaskState::Running);
}

TEST_P(StoreTest, SweepsRemoveOnlyEndedTasksTouchedBeforeTheCutoff)
{
    AddWaiting(*store, "task-1");
    AddWaiting(*store, "task-2");
    ASSERT_TRUE(store->ClaimTask("me", 30s));
    ASSERT_TRUE(store->FinishTask("task-1", "me", false, "", "broken"));
    const auto now = store->Now();
    EXPECT_TRUE(store->SweepTasks(now - 1h).empty());
    EXPECT_EQ(store->SweepTasks(now + 1h), std::vector<std::string>{"task-1"});
    EXPECT_EQ(store->TaskIds(), std::vector<std::string>{"task-2"});
    store->DropTask("task-2");
    EXPECT_TRUE(store->TaskIds().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, StoreTest, testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

class PostgresQueueTest : public StoreTest
{
};

TEST_P(PostgresQueueTest, ASubmitThroughAnotherConnectionWakesTheWatcher)
{
    std::atomic<int> wakes{0};
    store->WatchQueue([&] { ++wakes; });
    std::this_thread::sleep_for(300ms); // the listener connects
    const auto other = Open();
    AddWaiting(*other, "task-1");
    for (int i = 0; i < 100 && wakes == 0; ++i) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_GE(wakes, 1);
    store->WatchQueue(nullptr);
    const int seen = wakes;
    AddWaiting(*other, "task-2");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(wakes, seen);
}

INSTANTIATE_TEST_SUITE_P(Engines, PostgresQueueTest, testing::Values("postgresql"),
                         [](const auto& info) { return info.param; });

} // namespace
