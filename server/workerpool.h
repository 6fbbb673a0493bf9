#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed number of worker threads that take work until stopped. Each worker first runs
// `prepare` (to warm what it owns), then calls `take` again and again; both get the worker's
// number. When `take` finds nothing, the worker sleeps until `Wake` or for `poll` at most,
// so work it was not told about is found too. The destructor stops the workers after their
// current job and joins them.
class WorkerPool
{
public:
    using Prepare = std::function<void(std::size_t worker)>;
    // True when it found work and did it.
    using Take = std::function<bool(std::size_t worker)>;

    WorkerPool(std::size_t count, std::chrono::milliseconds poll, Prepare prepare, Take take);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // There may be work: idle workers look again.
    void Wake();
    // No work is taken from now on; waits up to `limit` for the work under way to end, and
    // false when some still runs.
    bool Drain(std::chrono::milliseconds limit);
    void Stop();

private:
    void Work(std::size_t worker);

    std::chrono::milliseconds poll;
    Prepare prepare;
    Take take;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::size_t running = 0;
    // Counts wake-ups, so one that comes while a worker looks is not lost.
    unsigned long long wakeups = 0;
    bool stopping = false;
    std::vector<std::thread> threads;
};
