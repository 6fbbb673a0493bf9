#include "conversionservice.h"

#include "converters.h"
#include "taskstore.h"

#include <iostream>
#include <unistd.h>

namespace {

// The office serves every task, so it may write below the task root; the documents' own
// links are refused by the office itself.
Confinement OfficeConfinement(const std::filesystem::path& profile,
                              const std::filesystem::path& taskRoot, std::uint64_t memoryLimit)
{
    Confinement confinement;
    confinement.memoryLimit = memoryLimit;
    confinement.network = false;
    confinement.limitFiles = true;
    confinement.writable = {profile, taskRoot, "/tmp"};
    // The shared extensions it checks at start.
    confinement.readable = {"/var/lib/libreoffice", "/var/spool/libreoffice"};
    return confinement;
}

} // namespace

ConversionService::ConversionService(TaskStore& store, const std::filesystem::path& officeRoot,
                                     std::size_t workers, std::chrono::milliseconds timeLimit,
                                     std::uint64_t memoryLimit)
    : store(store), timeLimit(timeLimit), memoryLimit(memoryLimit), offices([&] {
          std::vector<std::unique_ptr<OfficeInstance>> list;
          for (std::size_t i = 0; i < workers; ++i) {
              const auto profile = officeRoot / ("worker-" + std::to_string(i));
              list.push_back(std::make_unique<OfficeInstance>(
                  profile, "dokora-" + std::to_string(getpid()) + "-" + std::to_string(i), cancel,
                  OfficeConfinement(profile, store.Root(), memoryLimit)));
          }
          return list;
      }()),
      pool(
          workers, [this](std::size_t worker) { Prepare(worker); },
          [this](std::size_t worker, const std::string& taskId) { Run(worker, taskId); })
{
}

ConversionService::~ConversionService()
{
    Shutdown();
}

void ConversionService::Enqueue(const std::string& taskId)
{
    pool.Enqueue(taskId);
}

void ConversionService::Shutdown()
{
    cancel = true;
    pool.Stop();
    for (auto& office : offices) {
        office->Stop();
    }
}

void ConversionService::Prepare(std::size_t worker)
{
    std::string error;
    if (!offices[worker]->Start(error) && !cancel) {
        std::cerr << "worker " << worker << ": " << error << " (retried at the next task)\n";
    }
}

void ConversionService::Run(std::size_t worker, const std::string& taskId)
{
    const auto task = store.Begin(taskId);
    if (!task) {
        return;
    }
    const auto started = ChildProcess::Clock::now();
    const std::filesystem::path taskDir = task->input.parent_path();
    const std::filesystem::path workDir = taskDir / "work";
    std::error_code code;
    std::filesystem::remove_all(workDir, code);
    std::filesystem::create_directory(workDir, code);

    const Converters::Job job{task->taskName,      task->input, workDir,
                              started + timeLimit, &cancel,     memoryLimit};
    Converters::Outcome outcome = Converters::Convert(job, *offices[worker]);
    std::filesystem::path result;
    if (outcome.ok) {
        result = taskDir / ("result" + outcome.result.extension().string());
        std::filesystem::rename(outcome.result, result, code);
        if (code) {
            outcome = {false, {}, "the result cannot be stored"};
            result.clear();
        }
    }
    std::filesystem::remove_all(workDir, code);
    store.Finish(taskId, outcome.ok, result, outcome.message);

    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(ChildProcess::Clock::now() - started)
            .count();
    std::cerr << "worker " << worker << ": " << task->taskName << " " << taskId
              << (outcome.ok ? " done" : " failed: " + outcome.message) << " in " << ms << " ms\n";
}
