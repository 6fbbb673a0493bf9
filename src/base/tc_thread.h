#pragma once

#include "utility/stopevent.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

// A reusable worker thread: Start runs Run() on a new thread; once Run returns the object is
// idle and may be started again. Waits inside Run (Sleep, the stop event) wake on a stop
// request. A thread cannot be killed safely, so a thread that outlives StopWait's limit is
// left to finish: Start does not wait for it (the window starts threads), the new thread
// does, before its own Run.
//
// Thread classes are abstract: an object is made as OwnedThread<T>, which stops and joins
// the thread before any part of the object is destroyed.
class CTC_Thread
{
public:
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

    CTC_Thread() = default;
    virtual ~CTC_Thread() = default;
    CTC_Thread(const CTC_Thread&) = delete;
    CTC_Thread& operator=(const CTC_Thread&) = delete;

    // False when the object is already running or no thread could be created.
    virtual bool Start();
    StopEvent& GetStopEvent() { return stopEvent; }
    // True while Run() executes.
    virtual bool IsAlive() const;
    virtual bool IsRunning() const;
    virtual void SetRunning(bool value);
    // Waits `ms` or until a stop request; does nothing unless running.
    virtual void Sleep(std::uint32_t ms);
    // Asks the thread to stop and waits for it without limit.
    virtual bool Stop();
    // Asks the thread to stop and waits at most `ms` (kInfinite: Stop). True when the thread
    // ended in time; otherwise it is abandoned with Terminate.
    virtual bool StopWait(std::uint32_t ms);
    // Gives up on the thread: the object counts as idle at once, the thread (told to stop)
    // is joined later.
    virtual void Terminate();

protected:
    virtual int Run() { return 0; }

private:
    // Implemented by OwnedThread alone, so no thread object exists outside one.
    virtual void HeldByOwner() = 0;

    // Runs one start: waits for the body of an abandoned earlier start, then runs Run().
    void Entry(std::uint64_t start, std::shared_ptr<std::thread> previous);
    void RequestStop();
    void JoinFinishedThread();
    bool IsOwnThread() const;

    StopEvent stopEvent;
    std::thread thread;
    std::atomic<bool> running{false};
    mutable std::mutex stateMutex;
    std::condition_variable bodyEnded;
    // Guarded by stateMutex: the latest start, whether it has not ended yet, and whether a
    // stop was asked for it.
    std::uint64_t starts = 0;
    bool alive = false;
    bool stopAsked = false;
    std::mutex controlMutex; // serialises Start and the stop operations
};

// The owner of a thread object: its destructor runs before those of the thread class and its
// bases, so Stop() there ends Run() while everything Run() uses still exists.
template <typename Thread> class OwnedThread final : public Thread
{
public:
    using Thread::Thread;
    ~OwnedThread() override { this->Stop(); }

private:
    void HeldByOwner() override {}
};
