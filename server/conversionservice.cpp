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
                                     const Settings& settings)
    : store(store), settings(settings), owner(RandomId("instance-")), offices([&] {
          std::vector<std::unique_ptr<OfficeInstance>> list;
          for (std::size_t i = 0; i < settings.workers; ++i) {
              const auto profile = officeRoot / ("worker-" + std::to_string(i));
              list.push_back(std::make_unique<OfficeInstance>(
                  profile, "dokora-" + std::to_string(getpid()) + "-" + std::to_string(i), cancel,
                  OfficeConfinement(profile, store.Root(), settings.memoryLimit)));
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

void ConversionService::Wake()
{
    pool.Wake();
}

void ConversionService::Shutdown()
{
    cancel = true;
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
    const auto started = ChildProcess::Clock::now();
    const std::filesystem::path taskDir = task->input.parent_path();
    // Named by the lease holder: a worker that lost its lease may still be at work here.
    const std::string attempt = owner + "-" + std::to_string(worker);
    const std::filesystem::path workDir = taskDir / ("work-" + attempt);
    std::error_code code;
    std::filesystem::remove_all(workDir, code);
    std::filesystem::create_directory(workDir, code);

    const Converters::Job job{task->taskName, task->input,
                              workDir,        started + settings.timeLimit,
                              &cancel,        settings.memoryLimit};
    Converters::Outcome outcome = Converters::Convert(job, *offices[worker]);
    std::filesystem::path result;
    if (outcome.ok) {
        result = taskDir / ("result-" + attempt + outcome.result.extension().string());
        std::filesystem::rename(outcome.result, result, code);
        if (code) {
            outcome = {false, {}, "the result cannot be stored"};
            result.clear();
        }
    }
    std::filesystem::remove_all(workDir, code);
    // A conversion cut short by the shutdown is not the document's fault: its lease runs out
    // and the task is converted again.
    const bool kept =
        !cancel && store.Finish(task->taskId, owner, outcome.ok, result, outcome.message);
    --running;
    if (!kept && !result.empty()) {
        std::filesystem::remove(result, code);
    }

    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(ChildProcess::Clock::now() - started)
            .count();
    std::cerr << "worker " << worker << ": " << task->taskName << " " << task->taskId
              << (!kept        ? " given up (lease lost or shutting down)"
                  : outcome.ok ? " done"
                               : " failed: " + outcome.message)
              << " in " << ms << " ms\n";
    return true;
}
