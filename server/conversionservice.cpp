#include "conversionservice.h"

#include "converters.h"
#include "randomid.h"
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
                                     std::filesystem::path workRoot, const Settings& settings)
    : store(store), workRoot(std::move(workRoot)), settings(settings), owner(RandomId("instance-")),
      offices([&] {
          std::vector<std::unique_ptr<OfficeInstance>> list;
          for (std::size_t i = 0; i < settings.workers; ++i) {
              const auto profile = officeRoot / ("worker-" + std::to_string(i));
              list.push_back(std::make_unique<OfficeInstance>(
                  profile, "dokora-" + std::to_string(getpid()) + "-" + std::to_string(i), cancel,
                  OfficeConfinement(profile, store.Root(), this->workRoot, settings.memoryLimit)));
          }
          return list;
      }()),
      pool(
          settings.workers, settings.poll, [this](std::size_t worker) { Prepare(worker); },
          [this](std::size_t worker) { return Run(worker); }),
      leaseKeeper(settings.lease / 3, [this] { KeepLeases(); })
{
    store.WatchQueue([this] { pool.Wake(); });
}

ConversionService::~ConversionService()
{
    Shutdown();
}

std::size_t ConversionService::Pending()
{
    std::lock_guard lock(submittedMutex);
    std::erase_if(submitted, [this](const std::string& taskId) { return !store.Waiting(taskId); });
    return submitted.size();
}

void ConversionService::Submitted(const std::string& taskId)
{
    {
        std::lock_guard lock(submittedMutex);
        submitted.insert(taskId);
    }
    pool.Wake();
}

void ConversionService::Shutdown(std::chrono::milliseconds grace)
{
    if (!pool.Drain(grace)) {
        cancel = true;
    }
    store.WatchQueue(nullptr);
    pool.Stop();
    for (auto& office : offices) {
        office->Stop();
    }
}

void ConversionService::KeepLeases()
{
    if (running > 0) {
        store.Renew(owner, settings.lease);
    }
    // A lease that ran out is an attempt cut short; the back-off gives a document that ends
    // its converter time before the next try.
    if (store.Recover(settings.lease / 6) > 0) {
        pool.Wake();
    }
}

void ConversionService::Prepare(std::size_t worker)
{
    std::string error;
    if (!offices[worker]->Start(error) && !cancel) {
        std::cerr << "worker " << worker << ": " << error << " (retried at the next task)\n";
    }
}

bool ConversionService::Run(std::size_t worker)
{
    ++running;
    const auto task = store.Claim(owner, settings.lease);
    if (!task) {
        --running;
        return false;
    }
    metrics.ConversionStarted();
    OfficeInstance& office = *offices[worker];
    const int startsBefore = office.Starts();
    const auto started = ChildProcess::Clock::now();
    const std::filesystem::path taskDir = task->input.parent_path();
    // Named by the lease holder: a worker that lost its lease may still be at work in its own.
    const std::string attempt = owner + "-" + std::to_string(worker);
    const std::filesystem::path workDir = workRoot / (task->taskId + "-" + attempt);
    std::error_code code;
    std::filesystem::remove_all(workDir, code);
    std::filesystem::create_directories(workDir, code);

    const Converters::Job job{task->taskName, task->input,
                              workDir,        started + settings.timeLimit,
                              &cancel,        settings.memoryLimit};
    Converters::Outcome outcome = Converters::Convert(job, office);
    if (startsBefore > 0 && office.Starts() > startsBefore) {
        metrics.OfficeRestarted();
    }
    std::filesystem::path result;
    if (outcome.ok) {
        result = taskDir / ("result-" + attempt + outcome.result.extension().string());
        if (!StoreResult(outcome.result, result)) {
            outcome = {false, {}, "the result cannot be stored"};
            result.clear();
        }
    }
    std::filesystem::remove_all(workDir, code);
    const auto took = ChildProcess::Clock::now() - started;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    // A conversion cut short by the shutdown is not the document's fault: it goes back to
    // the queue, not counted as an attempt, while this instance still holds its lease.
    if (!outcome.ok && cancel) {
        const bool returned = store.HandBack(task->taskId, owner);
        --running;
        metrics.ConversionGivenUp();
        std::cerr << "worker " << worker << ": " << task->taskName << " " << task->taskId
                  << (returned ? " handed back" : " given up (lease lost)") << " after " << ms
                  << " ms\n";
        return true;
    }
    const bool kept = store.Finish(task->taskId, owner, outcome.ok, result, outcome.message);
    --running;
    if (kept) {
        metrics.ConversionEnded(task->taskName, outcome.ok, took);
    } else {
        metrics.ConversionGivenUp();
        std::filesystem::remove(result, code);
    }
    std::cerr << "worker " << worker << ": " << task->taskName << " " << task->taskId
              << (!kept        ? " given up (lease lost)"
                  : outcome.ok ? " done"
                               : " failed: " + outcome.message)
              << " in " << ms << " ms\n";
    return true;
}
