#include "task/tc_thread.h"

#include <chrono>
#include <system_error>

CTC_Thread::~CTC_Thread()
{
    Stop();
}

bool CTC_Thread::Start()
{
    std::lock_guard control(controlMutex);
    if (IsRunning())
        return false;
    JoinFinishedThread();
    stopEvent.Reset();
    {
        std::lock_guard lock(stateMutex);
        alive = true;
    }
    SetRunning(true);
    try {
        thread = std::thread(&CTC_Thread::Entry, this);
    } catch (const std::system_error&) {
        std::lock_guard lock(stateMutex);
        alive = false;
        SetRunning(false);
        return false;
    }
    // Not IsRunning(): a short Run may already have ended.
    return true;
}

void CTC_Thread::Entry()
{
    Run();
    SetRunning(false);
    {
        std::lock_guard lock(stateMutex);
        alive = false;
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
    stopEvent.Set();
    JoinFinishedThread();
    return true;
}

bool CTC_Thread::StopWait(std::uint32_t ms)
{
    if (ms == kInfinite)
        return Stop();
    {
        std::lock_guard control(controlMutex);
        stopEvent.Set();
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
    stopEvent.Set();
    SetRunning(false);
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
