#pragma once

#include "childprocess.h"
#include "officeinstance.h"
#include "servicemetrics.h"
#include "sweeper.h"
#include "workerpool.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class TaskStore;

// Runs queued tasks on the worker pool. Each worker owns a warm office instance with a
// profile of its own under `officeRoot`; every conversion has a time limit. Workers claim
// tasks from the store under leases of this instance and convert in a directory of
// their own under `workRoot`, on local disk; which one thread renews while
// conversions run; the same thread returns tasks whose lease ran out (any instance's) to
// the queue.
class ConversionService
{
public:
    struct Settings
    {
        std::size_t workers = 1;
        std::chrono::milliseconds timeLimit{120000};
        std::uint64_t memoryLimit = 0; // of each converter process (0: no cap)
        std::chrono::milliseconds lease{30000};
        std::chrono::milliseconds poll{1000}; // how often idle workers look for missed work
    };

    ConversionService(TaskStore& store, const std::filesystem::path& officeRoot,
                      std::filesystem::path workRoot, const Settings& settings);
    ~ConversionService();
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    // Counts a task submitted through this instance while it waits.
    void Submitted(const std::string& taskId);
    // The tasks submitted here that no worker has taken yet.
    std::size_t Pending();
    // Takes no more tasks, gives those under way up to `grace` to finish, then ends them and
    // hands them back to the queue, and stops the workers.
    void Shutdown(std::chrono::milliseconds grace = {});
    const ServiceMetrics& Metrics() const { return metrics; }

    const std::string& Owner() const { return owner; }

private:
    void Prepare(std::size_t worker);
    bool Run(std::size_t worker);
    void KeepLeases();

    TaskStore& store;
    std::filesystem::path workRoot;
    Settings settings;
    const std::string owner; // whose leases this instance's workers hold
    ChildProcess::CancelFlag cancel{false};
    std::atomic<int> running{0};
    ServiceMetrics metrics;
    std::mutex submittedMutex;
    std::set<std::string> submitted;
    std::vector<std::unique_ptr<OfficeInstance>> offices;
    WorkerPool pool; // its threads use the members above
    Sweeper leaseKeeper;
};
