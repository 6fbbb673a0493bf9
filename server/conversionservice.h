#pragma once

#include "childprocess.h"
#include "officeinstance.h"
#include "servicemetrics.h"
#include "workerpool.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class TaskStore;

// Runs submitted tasks on the worker pool. Each worker owns a warm office instance with a
// profile of its own under `officeRoot`; every conversion has a time limit and works in a
// directory of its own under `workRoot`, on local disk, before its result joins the task.
class ConversionService
{
public:
    // Each converter process may use `memoryLimit` bytes (0: no cap).
    ConversionService(TaskStore& store, const std::filesystem::path& officeRoot,
                      std::filesystem::path workRoot, std::size_t workers,
                      std::chrono::milliseconds timeLimit, std::uint64_t memoryLimit = 0);
    ~ConversionService();
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    void Enqueue(const std::string& taskId);
    // The tasks queued here that no worker has taken yet.
    std::size_t Pending();
    // Takes no more tasks, gives those under way up to `grace` to finish, then ends them and
    // puts them back in the queue, and stops the workers.
    void Shutdown(std::chrono::milliseconds grace = {});
    const ServiceMetrics& Metrics() const { return metrics; }

private:
    void Prepare(std::size_t worker);
    void Run(std::size_t worker, const std::string& taskId);

    TaskStore& store;
    std::filesystem::path workRoot;
    std::chrono::milliseconds timeLimit;
    std::uint64_t memoryLimit;
    ChildProcess::CancelFlag cancel{false};
    ServiceMetrics metrics;
    std::vector<std::unique_ptr<OfficeInstance>> offices;
    WorkerPool pool; // last: its threads use the members above
};
