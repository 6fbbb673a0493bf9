#include "utility/stopevent.h"

void StopEvent::Set()
{
    {
        std::lock_guard lock(mutex);
        signalled = true;
    }
    changed.notify_all();
}

void StopEvent::Reset()
{
    std::lock_guard lock(mutex);
    signalled = false;
}

bool StopEvent::IsSet() const
{
    std::lock_guard lock(mutex);
    return signalled;
}

bool StopEvent::Wait(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [this] { return signalled; });
}
