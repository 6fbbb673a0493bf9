#include "support/recordingtarget.h"

#include <algorithm>

void RecordingTarget::PostWindowMessage(WindowMessage message)
{
    {
        std::lock_guard lock(mutex);
        messages.push_back(std::move(message));
    }
    arrived.notify_all();
}

std::vector<WindowMessage> RecordingTarget::Messages() const
{
    std::lock_guard lock(mutex);
    return messages;
}

std::size_t RecordingTarget::Count(std::uint32_t id) const
{
    std::lock_guard lock(mutex);
    return static_cast<std::size_t>(std::count_if(
        messages.begin(), messages.end(), [id](const WindowMessage& m) { return m.id == id; }));
}

bool RecordingTarget::WaitFor(std::uint32_t id, std::size_t count,
                              std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(
                   std::count_if(messages.begin(), messages.end(),
                                 [id](const WindowMessage& m) { return m.id == id; })) >= count;
    });
}

void RecordingTarget::Clear()
{
    std::lock_guard lock(mutex);
    messages.clear();
}
