#include "task/headlessdriver.h"

#include <algorithm>

HeadlessDriver::HeadlessDriver(ConversionSession& session) : session(session)
{
    session.Attach(this, this);
}

HeadlessDriver::~HeadlessDriver()
{
    session.Detach();
}

void HeadlessDriver::PostWindowMessage(WindowMessage message)
{
    {
        std::lock_guard lock(mutex);
        pending.push_back(std::move(message));
    }
    arrived.notify_all();
}

std::vector<WindowMessage> HeadlessDriver::Step(std::chrono::milliseconds timeout)
{
    Clock::time_point until = Clock::now() + timeout;
    if (!later.empty())
        until = std::min(until, later.begin()->first);
    std::vector<WindowMessage> taken;
    {
        std::unique_lock lock(mutex);
        arrived.wait_until(lock, until, [this] { return !pending.empty(); });
        taken.swap(pending);
    }
    for (const WindowMessage& message : taken) {
        if (message.id == WM_CONVERT_FINISH)
            session.OnConvertFinish(message);
    }
    RunDueWork();
    return taken;
}

void HeadlessDriver::After(std::chrono::milliseconds delay, std::function<void()> work)
{
    later.emplace(Clock::now() + delay, std::move(work));
}

void HeadlessDriver::RunDueWork()
{
    // Work may schedule more work; what it schedules waits for a later step.
    const Clock::time_point now = Clock::now();
    std::vector<std::function<void()>> due;
    while (!later.empty() && later.begin()->first <= now) {
        due.push_back(std::move(later.begin()->second));
        later.erase(later.begin());
    }
    for (auto& work : due)
        work();
}
