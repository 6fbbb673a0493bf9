#include "workerpool.h"

WorkerPool::WorkerPool(std::size_t count, std::chrono::milliseconds poll, Prepare prepare,
                       Take take)
    : poll(poll), prepare(std::move(prepare)), take(std::move(take))
{
    for (std::size_t worker = 0; worker < count; ++worker) {
        threads.emplace_back([this, worker] { Work(worker); });
    }
}

WorkerPool::~WorkerPool()
{
    Stop();
}

void WorkerPool::Wake()
{
    {
        std::lock_guard lock(mutex);
        ++wakeups;
    }
    wake.notify_all();
}

bool WorkerPool::Drain(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex);
    stopping = true;
    wake.notify_all();
    return idle.wait_for(lock, limit, [this] { return running == 0; });
}

void WorkerPool::Stop()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& thread : threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

void WorkerPool::Work(std::size_t worker)
{
    if (prepare) {
        prepare(worker);
    }
    for (;;) {
        unsigned long long seen = 0;
        {
            std::lock_guard lock(mutex);
            if (stopping) {
                return;
            }
            seen = wakeups;
            ++running;
        }
        const bool worked = take(worker);
        {
            std::lock_guard lock(mutex);
            --running;
        }
        idle.notify_all();
        if (worked) {
            continue;
        }
        std::unique_lock lock(mutex);
        wake.wait_for(lock, poll, [&] { return stopping || wakeups != seen; });
    }
}
