#pragma once

#include "childprocess.h"
#include "officeinstance.h"
#include "workerpool.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class TaskStore;

// Runs submitted tasks on the worker pool. Each worker owns a warm office instance with a
// profile of its own under `officeRoot`; every conversion has a time limit.
class ConversionService
{
public:
    // Each converter process may use `memoryLimit` bytes (0: no cap).
    ConversionService(TaskStore& store, const std::filesystem::path& officeRoot,
                      std::size_t workers, std::chrono::milliseconds timeLimit,
                      std::uint64_t memoryLimit = 0);
    ~ConversionService();
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    void Enqueue(const std::string& taskId);
    // Ends running conversions and stops the workers.
    void Shutdown();

private:
    void Prepare(std::size_t worker);
    void Run(std::size_t worker, const std::string& taskId);

    TaskStore& store;
    std::chrono::milliseconds timeLimit;
    std::uint64_t memoryLimit;
    ChildProcess::CancelFlag cancel{false};
    std::vector<std::unique_ptr<OfficeInstance>> offices;
    WorkerPool pool; // last: its threads use the members above
};
