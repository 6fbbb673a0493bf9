#include "conversionservice.h"

#include "converters.h"
#include "taskstore.h"

#include <iostream>
#include <unistd.h>

namespace {

// The office serves every task, so it may write below the task root; the documents' own
// links are refused by the office itself.
Confinement OfficeConfinement(const std::filesystem::path& profile,
                              const std::filesystem::path& taskRoot,
                              const std::filesystem::path& workRoot, std::uint64_t memoryLimit)
{
    Confinement confinement;
    confinement.memoryLimit = memoryLimit;
    confinement.network = false;
    confinement.limitFiles = true;
    confinement.writable = {profile, taskRoot, workRoot, "/tmp"};
    // The shared extensions it checks at start.
    confinement.readable = {"/var/lib/libreoffice", "/var/spool/libreoffice"};
    return confinement;
}

// Moves the result from the work directory into the task's, which may be on another file
// system: copied there under a temporary name first, so the task never holds part of it.
bool StoreResult(const std::filesystem::path& from, const std::filesystem::path& to)
{
    std::error_code code;
    std::filesystem::rename(from, to, code);
    if (code != std::errc::cross_device_link) {
        return !code;
    }
    const std::filesystem::path partial = to.string() + ".part";
    if (!std::filesystem::copy_file(from, partial,
                                    std::filesystem::copy_options::overwrite_existing, code)) {
        std::filesystem::remove(partial, code);
        return false;
    }
    std::filesystem::rename(partial, to, code);
    if (code) {
        std::filesystem::remove(partial, code);
        return false;
    }
    return true;
}

} // namespace

ConversionService::ConversionService(TaskStore& store, const std::filesystem::path& officeRoot,
                                     std::filesystem::path workRoot, std::size_t workers,
                                     std::chrono::milliseconds timeLimit, std::uint64_t memoryLimit)
    : store(store), workRoot(std::move(workRoot)), timeLimit(timeLimit), memoryLimit(memoryLimit),
      offices([&] {
          std::vector<std::unique_ptr<OfficeInstance>> list;
          for (std::size_t i = 0; i < workers; ++i) {
              const auto profile = officeRoot / ("worker-" + std::to_string(i));
              list.push_back(std::make_unique<OfficeInstance>(
                  profile, "dokora-" + std::to_string(getpid()) + "-" + std::to_string(i), cancel,
                  OfficeConfinement(profile, store.Root(), this->workRoot, memoryLimit)));
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

std::size_t ConversionService::Pending()
{
    return pool.Pending();
}

void ConversionService::Shutdown(std::chrono::milliseconds grace)
{
    if (!pool.Drain(grace)) {
        cancel = true;
    }
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
    metrics.ConversionStarted();
    OfficeInstance& office = *offices[worker];
    const int startsBefore = office.Starts();
    const auto started = ChildProcess::Clock::now();
    const std::filesystem::path taskDir = task->input.parent_path();
    const std::filesystem::path workDir = workRoot / taskId;
    std::error_code code;
    std::filesystem::remove_all(workDir, code);
    std::filesystem::create_directories(workDir, code);

    const Converters::Job job{task->taskName,      task->input, workDir,
                              started + timeLimit, &cancel,     memoryLimit};
    Converters::Outcome outcome = Converters::Convert(job, office);
    if (startsBefore > 0 && office.Starts() > startsBefore) {
        metrics.OfficeRestarted();
    }
    std::filesystem::path result;
    if (outcome.ok) {
        result = taskDir / ("result" + outcome.result.extension().string());
        if (!StoreResult(outcome.result, result)) {
            outcome = {false, {}, "the result cannot be stored"};
            result.clear();
        }
    }
    std::filesystem::remove_all(workDir, code);
    const auto took = ChildProcess::Clock::now() - started;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    // A conversion cut short by the shutdown is not the document's fault: it goes back to
    // the queue for the next worker.
    if (!outcome.ok && cancel) {
        store.HandBack(taskId);
        metrics.ConversionHandedBack();
        std::cerr << "worker " << worker << ": " << task->taskName << " " << taskId
                  << " handed back after " << ms << " ms\n";
        return;
    }
    store.Finish(taskId, outcome.ok, result, outcome.message);
    metrics.ConversionEnded(task->taskName, outcome.ok, took);
    std::cerr << "worker " << worker << ": " << task->taskName << " " << taskId
              << (outcome.ok ? " done" : " failed: " + outcome.message) << " in " << ms << " ms\n";
}
