#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>

// What one instance has done since it started, for its /metrics page.
class ServiceMetrics
{
public:
    struct Queue
    {
        std::size_t waiting = 0;  // tasks waiting for a worker in every instance
        std::size_t instance = 0; // of those, the ones queued in this instance
    };

    void ConversionStarted();
    void ConversionEnded(const std::string& function, bool ok, std::chrono::duration<double> took);
    // A conversion whose task is no longer this instance's: handed back at the shutdown, or
    // its lease lost.
    void ConversionGivenUp();
    void OfficeRestarted();

    // The Prometheus text format of the figures with the queue's.
    std::string Text(const Queue& queue) const;

private:
    struct Seconds
    {
        double sum = 0;
        std::size_t count = 0;
    };

    std::atomic<std::size_t> running{0};
    std::atomic<std::size_t> finished{0};
    std::atomic<std::size_t> failed{0};
    std::atomic<std::size_t> officeRestarts{0};
    mutable std::mutex mutex;
    std::map<std::string, Seconds> secondsByFunction;
};
