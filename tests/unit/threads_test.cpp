#include "support/recordingtarget.h"
#include "task/conversionlist.h"
#include "task/convertbasethread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <type_traits>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Sleeps in turns until told to stop, like the stages do.
class SleepingThread : public CTaskBaseThread
{
public:
    std::atomic<int> runs{0};
    std::atomic<bool> started{false};

protected:
    int Run() override
    {
        ++runs;
        started = true;
        while (!GetStopEvent().IsSet())
            Sleep(10000);
        return 0;
    }
};

// Ignores stop requests for a while, as a thread blocked in a call would.
class StubbornThread : public CTC_Thread
{
public:
    std::atomic<bool> finished{false};

protected:
    int Run() override
    {
        std::this_thread::sleep_for(600ms);
        finished = true;
        return 0;
    }
};

// Ignores stop requests until released, as a thread blocked in a long call would; counts
// bodies that run at the same time.
class BlockedThread : public CTC_Thread
{
public:
    // A stop without limit, as the owner's, releases the body first.
    bool Stop() override
    {
        Release();
        return CTC_Thread::Stop();
    }
    void Release()
    {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        changed.notify_all();
    }
    std::atomic<int> runs{0};
    std::atomic<int> inBody{0};
    std::atomic<int> overlaps{0};
    std::atomic<bool> lastSawStop{false};

protected:
    int Run() override
    {
        lastSawStop = GetStopEvent().IsSet();
        if (++inBody > 1)
            ++overlaps;
        ++runs;
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return released; });
        --inBody;
        return 0;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
};

class StageThread : public CConvertBaseThread
{
protected:
    int Run() override
    {
        while (!WaitForStop(30)) {
        }
        PreFinish();
        return 0;
    }
};

// A stage that begins its run, waits for a stop and finishes, as the pipeline stages do.
class RunStage : public CConvertBaseThread
{
public:
    std::atomic<bool> begun{false};

protected:
    int Run() override
    {
        std::string functionName;
        if (!BeginStage(functionName))
            return 0;
        begun = true;
        while (!WaitForStop(30)) {
        }
        PreFinish();
        return 0;
    }
};

// Records, as its last member goes, whether its run was still going.
class WatchedThread : public CTC_Thread
{
public:
    explicit WatchedThread(std::atomic<bool>& aliveAtTeardown) : watch{*this, aliveAtTeardown} {}
    std::atomic<bool> started{false};

protected:
    int Run() override
    {
        started = true;
        while (!GetStopEvent().IsSet())
            Sleep(10000);
        return 0;
    }

private:
    struct Watch
    {
        CTC_Thread& thread;
        std::atomic<bool>& aliveAtTeardown;
        ~Watch() { aliveAtTeardown = thread.IsAlive(); }
    } watch;
};

void WaitUntil(const std::atomic<bool>& flag)
{
    const auto deadline = Clock::now() + 5s;
    while (!flag.load() && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
}

} // namespace

TEST(CTC_Thread, SecondStartIsRefusedWhileRunning)
{
    OwnedThread<SleepingThread> thread;
    EXPECT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    WaitUntil(thread.started);
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_TRUE(thread.StopWait(1000));
    EXPECT_EQ(thread.runs.load(), 1);
}

TEST(CTC_Thread, StopWaitWakesASleepingThreadAtOnceAndObjectIsReusable)
{
    OwnedThread<SleepingThread> thread;
    for (int round = 1; round <= 3; ++round) {
        thread.started = false;
        ASSERT_TRUE(thread.Start());
        WaitUntil(thread.started);
        const auto before = Clock::now();
        EXPECT_TRUE(thread.StopWait(1000));
        EXPECT_LT(Clock::now() - before, 500ms);
        EXPECT_FALSE(thread.IsRunning());
        EXPECT_FALSE(thread.IsAlive());
        EXPECT_EQ(thread.runs.load(), round);
    }
}

TEST(CTC_Thread, StopWaitReturnsWithinItsLimitWhenRunIgnoresTheStop)
{
    OwnedThread<StubbornThread> thread;
    ASSERT_TRUE(thread.Start());
    const auto before = Clock::now();
    EXPECT_FALSE(thread.StopWait(100));
    const auto waited = Clock::now() - before;
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 400ms);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.finished.load());
    // The late thread is joined before the object runs again.
    EXPECT_TRUE(thread.Start());
    EXPECT_TRUE(thread.StopWait(2000));
    EXPECT_TRUE(thread.finished.load());
}

// The window starts threads: starting one whose last body was abandoned inside a long call
// must not wait for that call. The new body runs once the old one has ended, never beside it.
TEST(CTC_Thread, StartingAgainNeverWaitsForAnAbandonedBody)
{
    OwnedThread<BlockedThread> thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.StopWait(10));
    auto start = std::async(std::launch::async, [&] { return thread.Start(); });
    const bool returned = start.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(returned) << "Start waited for the abandoned body";
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(thread.runs.load(), 1);
    thread.Release();
    EXPECT_TRUE(start.get());
    const auto deadline = Clock::now() + 5s;
    while (thread.runs.load() < 2 && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(thread.StopWait(5000));
    EXPECT_EQ(thread.runs.load(), 2);
    EXPECT_EQ(thread.overlaps.load(), 0);
    EXPECT_FALSE(thread.lastSawStop.load()); // the new run began with the stop cleared
}

TEST(CTC_Thread, AStopWhileTheNewRunWaitsForTheOldBodyReachesIt)
{
    OwnedThread<BlockedThread> thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.StopWait(10));
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.StopWait(10));
    EXPECT_FALSE(thread.IsRunning());
    thread.Release();
    thread.Stop();
    EXPECT_EQ(thread.runs.load(), 2);
    EXPECT_TRUE(thread.lastSawStop.load());
}

TEST(CTC_Thread, DestroyingAnAbandonedThreadJoinsIt)
{
    auto thread = std::make_unique<OwnedThread<StubbornThread>>();
    ASSERT_TRUE(thread->Start());
    EXPECT_FALSE(thread->StopWait(10));
    thread.reset(); // must neither crash nor leave the thread running on freed memory
    SUCCEED();
}

TEST(CTC_Thread, SleepAndWaitForStopDoNothingWhenIdle)
{
    OwnedThread<SleepingThread> thread;
    const auto before = Clock::now();
    thread.Sleep(2000);
    EXPECT_LT(Clock::now() - before, 100ms);
    EXPECT_FALSE(thread.WaitForStop(10));
}

class ConvertBaseThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list.SetFunctionName("PDF2Word");
        for (int i = 0; i < 6; ++i)
            list.Store().AddFile("PDF2Word", "/d/" + std::to_string(i) + ".pdf");
        thread.SetConvList(&list);
        thread.SetMainWnd(&window);
    }

    ConversionList list;
    RecordingTarget window;
    OwnedThread<StageThread> thread;
};

TEST_F(ConvertBaseThreadTest, UpdateItemWritesOnlyWhatIsGiven)
{
    thread.UpdateItem("PDF2Word", 0, ConversionStatus::Uploading, -1, std::nullopt, std::nullopt);
    auto item = list.Store().GetItems("PDF2Word")[0];
    EXPECT_EQ(item.status, ConversionStatus::Uploading);
    EXPECT_EQ(item.progress, 0);
    EXPECT_EQ(item.detailText, "等待开始");

    thread.UpdateItem("PDF2Word", 0, ConversionStatus::TaskFailed, 45,
                      "@string/str_conv_tip_err202", "@string/str_conv_fail");
    item = list.Store().GetItems("PDF2Word")[0];
    EXPECT_EQ(item.progress, 45);
    EXPECT_EQ(item.detailText, "异常：19202");
    EXPECT_EQ(item.statusText, "处理失败");

    thread.UpdateItem("PDF2Word", 9, ConversionStatus::Completed, 100, "x", "y");
    EXPECT_EQ(list.Store().GetCount("PDF2Word"), 6);
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(ConvertBaseThreadTest, PreFinishAbortsRowsInThePipeline)
{
    using S = ConversionStatus;
    const S statuses[] = {S::Waiting,   S::Queued,    S::Uploading,
                          S::Submitted, S::Converted, S::Completed};
    for (int i = 0; i < 6; ++i)
        list.Store().SetStatus("PDF2Word", i, statuses[i]);

    thread.PreFinish();

    const auto items = list.Store().GetItems("PDF2Word");
    EXPECT_EQ(items[0].status, S::Waiting);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(items[i].status, S::Aborted);
        EXPECT_EQ(items[i].statusText, "处理失败");
        EXPECT_EQ(items[i].detailText, "用户状态异常");
    }
    EXPECT_EQ(items[5].status, S::Completed);
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].id, WM_CONVERT_LIST_CHANGED);
    EXPECT_EQ(messages[1].id, WM_CONVERT_FINISH);
}

TEST_F(ConvertBaseThreadTest, PreFinishWithNothingInProgressPostsOnlyFinish)
{
    list.Store().SetAllStatus("PDF2Word", ConversionStatus::Completed);
    thread.PreFinish();
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, WM_CONVERT_FINISH);
}

TEST_F(ConvertBaseThreadTest, StoppingAStageRunsTheFinishingStep)
{
    list.Store().SetAllStatus("PDF2Word", ConversionStatus::Queued);
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.StopWait(1000));
    EXPECT_FALSE(list.Store().IsConverting("PDF2Word"));
    EXPECT_EQ(window.Count(WM_CONVERT_FINISH), 1u);
}

// The finish names its run; a body still ending when the next run was set leaves that run's
// rows alone.
TEST_F(ConvertBaseThreadTest, AStageOfAnEarlierRunLeavesTheRowsOfTheNextOne)
{
    OwnedThread<RunStage> stage;
    stage.SetConvList(&list);
    stage.SetMainWnd(&window);
    list.Store().SetAllStatus("PDF2Word", ConversionStatus::Queued);
    stage.SetRun(1);
    ASSERT_TRUE(stage.Start());
    WaitUntil(stage.begun);
    stage.SetRun(2);
    EXPECT_TRUE(stage.StopWait(1000));
    EXPECT_EQ(list.Store().GetStatus("PDF2Word", 0), ConversionStatus::Queued);
    ASSERT_EQ(window.Count(WM_CONVERT_FINISH), 1u);
    EXPECT_EQ(window.Messages().back().wParam, 1u);

    stage.begun = false;
    ASSERT_TRUE(stage.Start());
    WaitUntil(stage.begun);
    EXPECT_TRUE(stage.StopWait(1000));
    EXPECT_EQ(list.Store().GetStatus("PDF2Word", 0), ConversionStatus::Aborted);
    EXPECT_EQ(window.Messages().back().wParam, 2u);
}

TEST_F(ConvertBaseThreadTest, PostsCarryTheirPayloadsAndNeedAWindow)
{
    thread.PostItemChanged(4);
    thread.PostFileDone("/out/文件.docx");
    thread.PostCompletedChanged();
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].id, WM_CONVERT_ITEM_CHANGED);
    EXPECT_EQ(messages[0].wParam, 4u);
    EXPECT_EQ(messages[1].id, WM_CONVERT_FILE_DONE);
    EXPECT_EQ(messages[1].payload, "/out/文件.docx");
    EXPECT_EQ(messages[2].id, WM_COMPLETED_LIST_CHANGED);

    thread.PostNetError();
    const auto netError = window.Messages().back();
    EXPECT_EQ(netError.id, WM_TASK_NET_ERROR);
    EXPECT_TRUE(netError.payload == "@string/str_msgbox_server" ||
                netError.payload == "@string/str_msgbox_net");

    window.Clear();
    thread.SetMainWnd(nullptr);
    thread.PostListChanged();
    thread.PostNetError();
    thread.PreFinish();
    EXPECT_TRUE(window.Messages().empty());
}

TEST(CTC_Thread, StartReportsSuccessEvenWhenRunEndsAtOnce)
{
    OwnedThread<CTaskBaseThread> quick; // Run returns 0 at once
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(quick.Start()) << i;
        quick.Stop();
    }
}

// No thread class can be made without its owner, and the owner ends the run before any
// member of the thread class is destroyed.
TEST(OwnedThread, EndsTheRunBeforeTheThreadClassIsTornDown)
{
    static_assert(std::is_abstract_v<CTC_Thread> && std::is_abstract_v<CTaskBaseThread> &&
                  std::is_abstract_v<WatchedThread>);
    std::atomic<bool> aliveAtTeardown{true};
    {
        OwnedThread<WatchedThread> thread(aliveAtTeardown);
        ASSERT_TRUE(thread.Start());
        WaitUntil(thread.started);
    }
    EXPECT_FALSE(aliveAtTeardown.load());
}
