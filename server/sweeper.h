#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Calls `sweep` every `interval` on a thread of its own until destroyed.
class Sweeper
{
public:
    Sweeper(std::chrono::milliseconds interval, std::function<void()> sweep);
    ~Sweeper();
    Sweeper(const Sweeper&) = delete;
    Sweeper& operator=(const Sweeper&) = delete;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};
