#include "childprocess.h"
#include "inputcheck.h"
#include "serveroptions.h"
#include "sqlitestore.h"
#include "tablelayout.h"
#include "taskstore.h"
#include "testdocuments.h"
#include "workerpool.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ScratchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("tasks-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

class TaskStoreTest : public ScratchTest
{
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        Reopen();
    }
    void TearDown() override
    {
        database.reset();
        ScratchTest::TearDown();
    }
    // Opens the database again, as a restarted service does.
    void Reopen()
    {
        database.reset();
        std::string error;
        database = SqliteStore::Open(dir / "service.db", error);
        ASSERT_TRUE(database) << error;
    }

    std::unique_ptr<SqliteStore> database;
};

TaskRecord Uploaded(TaskStore& store, int userId)
{
    fs::path directory;
    const auto taskId = store.CreateTaskDirectory(directory);
    TaskRecord record;
    record.taskId = *taskId;
    record.userId = userId;
    record.input = directory / "input.pdf";
    std::ofstream(record.input) << "%PDF-";
    store.Add(record);
    return record;
}

TEST_F(TaskStoreTest, TasksBelongToTheirUserAndASecondSubmitKeepsTheJob)
{
    TaskStore store(*database, dir / "tasks");
    std::string error;
    ASSERT_TRUE(store.Resume(error));
    const TaskRecord task = Uploaded(store, 1);
    bool again = true;
    EXPECT_FALSE(store.Submit(task.taskId, 2, "pdf-to-word", again));
    EXPECT_FALSE(store.Submit("task-unknown", 1, "pdf-to-word", again));
    const auto job = store.Submit(task.taskId, 1, "pdf-to-word", again);
    ASSERT_TRUE(job);
    EXPECT_FALSE(again);
    EXPECT_EQ(store.Submit(task.taskId, 1, "pdf-to-word", again), job);
    EXPECT_TRUE(again);
    EXPECT_FALSE(store.Find(task.taskId, 2));
    EXPECT_EQ(store.FindByJob(*job)->taskId, task.taskId);
    EXPECT_FALSE(store.FindByJob("job-unknown"));
}

TEST_F(TaskStoreTest, ResultsAreRemovedAfterADayButRunningTasksStay)
{
    TaskStore store(*database, dir / "tasks");
    std::string error;
    ASSERT_TRUE(store.Resume(error));
    const TaskRecord finished = Uploaded(store, 1);
    const TaskRecord running = Uploaded(store, 1);
    const TaskRecord fresh = Uploaded(store, 1);
    bool again = false;
    const auto job = store.Submit(finished.taskId, 1, "pdf-compress", again);
    store.Submit(running.taskId, 1, "pdf-compress", again);
    ASSERT_EQ(store.Claim("me", 30s)->taskId, finished.taskId);
    ASSERT_TRUE(store.Finish(finished.taskId, "me", true, finished.input, ""));
    ASSERT_EQ(store.Claim("me", 30s)->taskId, running.taskId);
    EXPECT_FALSE(store.Claim("me", 30s)); // nothing else waits

    const auto now = TaskStore::Clock::now();
    EXPECT_EQ(store.Sweep(now + 23h), 0u);
    EXPECT_EQ(store.Sweep(now + 25h), 2u); // the finished and the never submitted one
    EXPECT_FALSE(fs::exists(dir / "tasks" / finished.taskId));
    EXPECT_FALSE(fs::exists(dir / "tasks" / fresh.taskId));
    EXPECT_FALSE(store.FindByJob(*job));
    EXPECT_TRUE(fs::exists(dir / "tasks" / running.taskId));
    EXPECT_TRUE(store.Find(running.taskId, 1));
}

TEST_F(TaskStoreTest, ARestartKeepsResultsAndQueuesInterruptedTasksAgainBeforeWaitingOnes)
{
    std::string error;
    std::string finishedJob;
    TaskRecord finished, interrupted, waiting, uploaded;
    {
        TaskStore store(*database, dir / "tasks");
        ASSERT_TRUE(store.Resume(error));
        finished = Uploaded(store, 1);
        interrupted = Uploaded(store, 1);
        waiting = Uploaded(store, 1);
        uploaded = Uploaded(store, 1);
        bool again = false;
        finishedJob = *store.Submit(finished.taskId, 1, "pdf-compress", again);
        store.Submit(interrupted.taskId, 1, "pdf-compress", again);
        store.Submit(waiting.taskId, 1, "pdf-compress", again);
        ASSERT_EQ(store.Claim("ended", 30s)->taskId, finished.taskId);
        const fs::path result = dir / "tasks" / finished.taskId / "result.pdf";
        std::ofstream(result) << "%PDF-result";
        ASSERT_TRUE(store.Finish(finished.taskId, "ended", true, result, ""));
        ASSERT_EQ(store.Claim("ended", 30s)->taskId, interrupted.taskId);
    }
    // An upload the ended run did not finish.
    fs::create_directories(dir / "tasks" / "task-cut-short");

    Reopen();
    TaskStore store(*database, dir / "tasks");
    ASSERT_TRUE(store.Resume(error));

    const auto result = store.FindByJob(finishedJob);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->state, TaskState::Finished);
    EXPECT_EQ(TestDocuments::Read(result->result), "%PDF-result");
    EXPECT_EQ(result->input, dir / "tasks" / finished.taskId / "input.pdf");

    // The ended run's lease is not waited for: no one else uses the store.
    EXPECT_EQ(store.Find(interrupted.taskId, 1)->state, TaskState::Waiting);
    EXPECT_EQ(store.Find(uploaded.taskId, 1)->state, TaskState::Uploaded);
    EXPECT_EQ(store.Claim("next", 30s)->taskId, interrupted.taskId);
    EXPECT_EQ(store.Claim("next", 30s)->taskId, waiting.taskId);
    EXPECT_FALSE(store.Claim("next", 30s));
    EXPECT_FALSE(fs::exists(dir / "tasks" / "task-cut-short"));
    EXPECT_TRUE(fs::exists(dir / "tasks" / uploaded.taskId / "input.pdf"));
}

TEST(WorkerPoolTest, TwoWorkersRunTwoJobsAtOnce)
{
    std::mutex mutex;
    std::condition_variable changed;
    int inside = 0;
    int mostAtOnce = 0;
    std::set<std::size_t> workers;
    {
        int jobs = 2;
        WorkerPool pool(2, 10s, nullptr, [&](std::size_t worker) {
            std::unique_lock lock(mutex);
            if (jobs == 0) {
                return false;
            }
            --jobs;
            workers.insert(worker);
            mostAtOnce = std::max(mostAtOnce, ++inside);
            changed.notify_all();
            // each job waits until the other one is running too (or gives up)
            changed.wait_for(lock, 5s, [&] { return mostAtOnce == 2; });
            --inside;
            changed.notify_all();
            return true;
        });
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return mostAtOnce == 2 && inside == 0; }));
    }
    EXPECT_EQ(workers, (std::set<std::size_t>{0, 1}));
}

TEST(WorkerPoolTest, AnIdleWorkerLooksAgainWhenWokenLongBeforeItsPoll)
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> queue;
    std::vector<std::string> seen;
    const auto started = std::chrono::steady_clock::now();
    {
        WorkerPool pool(
            1, 60s,
            [&](std::size_t) {
                std::lock_guard lock(mutex);
                seen.push_back("prepared");
            },
            [&](std::size_t) {
                std::lock_guard lock(mutex);
                if (queue.empty()) {
                    return false;
                }
                seen.push_back(queue.front());
                queue.pop_front();
                changed.notify_all();
                return true;
            });
        for (const char* job : {"1", "2", "3"}) {
            {
                std::lock_guard lock(mutex);
                queue.push_back(job);
            }
            pool.Wake();
            std::unique_lock lock(mutex);
            ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return queue.empty(); }));
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"prepared", "1", "2", "3"}));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
}

TEST(ChildProcessTest, ATimeLimitKillsTheProgramWithItsChildren)
{
    const ChildProcess::CancelFlag never{false};
    const auto started = ChildProcess::Clock::now();
    // The shell leaves a background child that would outlive it.
    const auto run =
        ChildProcess::Run({"sh", "-c", "sleep 30 & echo $!; wait"}, started + 500ms, never);
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.timedOut);
    EXPECT_LT(ChildProcess::Clock::now() - started, 5s);
    const int grandchild = std::atoi(run.output.c_str());
    ASSERT_GT(grandchild, 0);
    std::this_thread::sleep_for(100ms);
    // Killed, it is gone or a zombie waiting for whoever adopted it.
    std::ifstream stat("/proc/" + std::to_string(grandchild) + "/stat");
    std::string pid, name, state;
    stat >> pid >> name >> state;
    EXPECT_TRUE(!stat || state == "Z") << "the background child survived: " << state;
}

TEST(ChildProcessTest, ExitCodeOutputAndCancel)
{
    ChildProcess::CancelFlag cancel{false};
    const auto deadline = ChildProcess::Clock::now() + 30s;
    const auto ok =
        ChildProcess::Run({"sh", "-c", "echo out; echo err >&2; exit 3"}, deadline, cancel);
    EXPECT_EQ(ok.exitCode, 3);
    EXPECT_EQ(ok.output, "out\nerr\n");
    EXPECT_FALSE(ChildProcess::Run({"/no/such/program"}, deadline, cancel).exitCode == 0);

    std::thread canceller([&] {
        std::this_thread::sleep_for(200ms);
        cancel = true;
    });
    const auto started = ChildProcess::Clock::now();
    const auto cancelled = ChildProcess::Run({"sleep", "30"}, deadline, cancel);
    canceller.join();
    EXPECT_TRUE(cancelled.timedOut);
    EXPECT_LT(ChildProcess::Clock::now() - started, 5s);
}

TEST(TableLayoutTest, ColumnsAreSplitAtWideGapsAndQuoted)
{
    const std::string text = "Name      Price   Note\n"
                             "Big apple   1.50  say \"hi\"\n"
                             "\n"
                             "\fPage two\n";
    EXPECT_EQ(LayoutTextToCsv(text), "\"Name\",\"Price\",\"Note\"\n"
                                     "\"Big apple\",\"1.50\",\"say \"\"hi\"\"\"\n"
                                     "\n"
                                     "\n"
                                     "\"Page two\"\n");
}

using InputCheckTest = ScratchTest;

TEST_F(InputCheckTest, FilesAreToldApartByTheirContent)
{
    const auto check = [&](InputKind kind, const std::string& content) {
        TestDocuments::WriteText(dir / "file", content);
        return !CheckInput(kind, dir / "file").has_value();
    };
    EXPECT_TRUE(check(InputKind::Pdf, "%PDF-1.4\n..."));
    EXPECT_FALSE(check(InputKind::Pdf, "PK\x03\x04 a zip"));
    EXPECT_FALSE(check(InputKind::Pdf, ""));
    EXPECT_TRUE(check(InputKind::OfficeDocument, "PK\x03\x04..."));
    EXPECT_TRUE(check(InputKind::OfficeDocument, "{\\rtf1 hello}"));
    EXPECT_FALSE(check(InputKind::OfficeDocument, "%PDF-1.4"));
    EXPECT_TRUE(check(InputKind::Text, "plain 文本\n"));
    EXPECT_FALSE(check(InputKind::Text, std::string("bin\0ary", 7)));
    EXPECT_TRUE(check(InputKind::PdfImage, "\xFF\xD8\xFF\xE0 jpeg"));
    EXPECT_FALSE(check(InputKind::PdfImage, "GIF89a"));
    EXPECT_TRUE(check(InputKind::Image, "GIF89a"));
    EXPECT_FALSE(check(InputKind::Image, "%PDF-1.4"));
}

TEST(Utf8Test, OnlyWellFormedSequencesAreUtf8AndTheRestIsReplaced)
{
    for (const char* good : {"", "plain", "文本", "\xC2\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                             "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    }
    for (const char* bad : {
             "\xFF\xFE\xC0\xAF", // stray bytes and an overlong '/'
             "\xC0\x80",         // overlong NUL
             "\xE0\x80\xAF",     // overlong '/' in three bytes
             "\xF0\x80\x80\xAF", // overlong in four bytes
             "\xED\xA0\x80",     // surrogate U+D800
             "\xED\xBF\xBF",     // surrogate U+DFFF
             "\xF4\x90\x80\x80", // U+110000
             "\xF5\x80\x80\x80", // lead byte past U+10FFFF
             "\xE6\x96",         // cut short
             "\x80",             // continuation byte alone
         }) {
        EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(std::string(bad));
    }
    EXPECT_EQ(RepairUtf8("a\xFF\xFE\xC0\xAF"
                         "b.pdf"),
              "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "b.pdf");
    EXPECT_EQ(RepairUtf8("文本.txt"), "文本.txt");
    EXPECT_TRUE(IsValidUtf8(RepairUtf8("\xED\xA0\x80\xF4\x90\x80\x80")));
}

using ZipTest = ScratchTest;

TEST_F(ZipTest, MembersAreWrittenAndAFailureLeavesNoArchive)
{
    TestDocuments::WriteText(dir / "a.txt", "first");
    TestDocuments::WriteText(dir / "b.txt", "second");
    std::string error;
    ASSERT_TRUE(WriteZip(dir / "out.zip",
                         {{"page-1.txt", dir / "a.txt"}, {"sub/page-2.txt", dir / "b.txt"}},
                         error));
    EXPECT_EQ(TestDocuments::ZipMembers(dir / "out.zip"),
              (std::vector<std::string>{"page-1.txt", "sub/page-2.txt"}));
    EXPECT_EQ(TestDocuments::ZipMember(dir / "out.zip", "sub/page-2.txt"), "second");

    EXPECT_FALSE(WriteZip(dir / "bad.zip", {{"gone.txt", dir / "missing.txt"}}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "bad.zip"));
    EXPECT_FALSE(fs::exists(dir / "bad.zip.part"));
}

} // namespace

TEST(ServerOptionsTest, ARelativeDataDirectoryBecomesAbsolute)
{
    std::string error;
    const auto options = ParseOptions({"--data", "relative/dir", "--port", "0"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->dataDir.is_absolute());
    EXPECT_EQ(options->dataDir, std::filesystem::current_path() / "relative/dir");
}
