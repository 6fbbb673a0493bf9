#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A fixed number of worker threads taking queued jobs in order. Each worker first runs
// `prepare` (to warm what it owns), then `run` for every job it takes; both get the worker's
// number. The destructor stops the workers after their current job and joins them.
class WorkerPool
{
public:
    using Prepare = std::function<void(std::size_t worker)>;
    using Run = std::function<void(std::size_t worker, const std::string& job)>;

    WorkerPool(std::size_t count, Prepare prepare, Run run);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void Enqueue(std::string job);
    // The jobs queued and not yet taken.
    std::size_t Pending();
    // No job is taken from now on; waits up to `limit` for the jobs under way to end, and
    // false when some still run.
    bool Drain(std::chrono::milliseconds limit);
    void Stop();

private:
    void Work(std::size_t worker);

    Prepare prepare;
    Run run;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::string> queue;
    std::size_t running = 0;
    bool stopping = false;
    std::vector<std::thread> threads;
};
