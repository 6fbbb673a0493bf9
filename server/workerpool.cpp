#include "workerpool.h"

WorkerPool::WorkerPool(std::size_t count, Prepare prepare, Run run)
    : prepare(std::move(prepare)), run(std::move(run))
{
    for (std::size_t worker = 0; worker < count; ++worker) {
        threads.emplace_back([this, worker] { Work(worker); });
    }
}

WorkerPool::~WorkerPool()
{
    Stop();
}

void WorkerPool::Enqueue(std::string job)
{
    {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(job));
    }
    wake.notify_one();
}

std::size_t WorkerPool::Pending()
{
    std::lock_guard lock(mutex);
    return queue.size();
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
        std::string job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping) {
                return;
            }
            job = std::move(queue.front());
            queue.pop_front();
            ++running;
        }
        run(worker, job);
        {
            std::lock_guard lock(mutex);
            --running;
        }
        idle.notify_all();
    }
}
