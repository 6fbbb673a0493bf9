#pragma once

#include "base/windowmessage.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// A message target that keeps every posted message, for tests.
class RecordingTarget : public MessageTarget
{
public:
    void PostWindowMessage(WindowMessage message) override;

    std::vector<WindowMessage> Messages() const;
    std::size_t Count(std::uint32_t id) const;
    // Waits until at least `count` messages with `id` arrived; false on time-out.
    bool WaitFor(std::uint32_t id, std::size_t count, std::chrono::milliseconds timeout) const;
    void Clear();

private:
    mutable std::mutex mutex;
    mutable std::condition_variable arrived;
    std::vector<WindowMessage> messages;
};
