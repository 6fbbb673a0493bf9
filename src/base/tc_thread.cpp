#include "base/tc_thread.h"

#include <chrono>
#include <system_error>

bool CTC_Thread::Start()
{
    std::lock_guard control(controlMutex);
    if (IsRunning())
        return false;
    std::unique_lock lock(stateMutex);
    const bool late = alive; // an abandoned body still runs
    if (!late) {
        lock.unlock();
        JoinFinishedThread(); // its body has ended: returns at once
        stopEvent.Reset();
        lock.lock();
    }
    // A late body is not waited for here: the new thread waits for it, and the stop event
    // stays set for it until then.
    auto previous = std::make_shared<std::thread>(std::move(thread));
    const std::uint64_t start = ++starts;
    alive = true;
    stopAsked = false;
    lock.unlock();
    SetRunning(true);
    try {
        thread = std::thread(&CTC_Thread::Entry, this, start, previous);
    } catch (const std::system_error&) {
        thread = std::move(*previous);
        lock.lock();
        alive = false;
        lock.unlock();
        SetRunning(false);
        return false;
    }
    // Not IsRunning(): a short Run may already have ended.
    return true;
}

void CTC_Thread::Entry(std::uint64_t start, std::shared_ptr<std::thread> previous)
{
    if (previous->joinable())
        previous->join();
    previous.reset();
    {
        // A stop asked meanwhile stays set, so this body sees it at once.
        std::lock_guard lock(stateMutex);
        if (!stopAsked)
            stopEvent.Reset();
    }
    Run();
    {
        std::lock_guard lock(stateMutex);
        // A body abandoned before a later start leaves the state to that start.
        if (start == starts) {
            SetRunning(false);
            alive = false;
        }
    }
    bodyEnded.notify_all();
}

bool CTC_Thread::IsAlive() const
{
    std::lock_guard lock(stateMutex);
    return alive;
}

bool CTC_Thread::IsRunning() const
{
    return running.load();
}

void CTC_Thread::SetRunning(bool value)
{
    running.store(value);
}

void CTC_Thread::Sleep(std::uint32_t ms)
{
    if (IsRunning())
        stopEvent.Wait(std::chrono::milliseconds(ms));
}

bool CTC_Thread::Stop()
{
    std::lock_guard control(controlMutex);
    SetRunning(false);
    RequestStop();
    JoinFinishedThread();
    return true;
}

bool CTC_Thread::StopWait(std::uint32_t ms)
{
    if (ms == kInfinite)
        return Stop();
    {
        std::lock_guard control(controlMutex);
        RequestStop();
        std::unique_lock lock(stateMutex);
        const bool ended =
            bodyEnded.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !alive; });
        lock.unlock();
        if (ended) {
            JoinFinishedThread();
            SetRunning(false);
            return true;
        }
    }
    Terminate();
    return false;
}

void CTC_Thread::Terminate()
{
    RequestStop();
    SetRunning(false);
}

void CTC_Thread::RequestStop()
{
    std::lock_guard lock(stateMutex);
    stopAsked = true;
    stopEvent.Set();
}

void CTC_Thread::JoinFinishedThread()
{
    if (thread.joinable() && !IsOwnThread())
        thread.join();
}

bool CTC_Thread::IsOwnThread() const
{
    return thread.get_id() == std::this_thread::get_id();
}
