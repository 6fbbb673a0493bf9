#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A stop request that worker threads and transfers wait on. It stays signalled once set,
// until Reset, so every wait after a stop request sees it.
class StopEvent
{
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event is (or becomes) signalled within `timeout`.
    bool Wait(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool signalled = false;
};
