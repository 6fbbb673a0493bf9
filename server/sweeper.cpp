#include "sweeper.h"

Sweeper::Sweeper(std::chrono::milliseconds interval, std::function<void()> sweep)
    : thread([this, interval, sweep = std::move(sweep)] {
          std::unique_lock lock(mutex);
          while (!wake.wait_for(lock, interval, [this] { return stopping; })) {
              lock.unlock();
              sweep();
              lock.lock();
          }
      })
{
}

Sweeper::~Sweeper()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}
