#include "claimrate.h"

#include "pgstore.h"
#include "postgresserver.h"
#include "sqlitestore.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Opener = std::function<std::unique_ptr<ServiceStore>()>;

constexpr int kClaimers = 4;
constexpr int kTasks = 4000;

bool Fill(ServiceStore& store)
{
    for (int i = 0; i < kTasks; ++i) {
        TaskRecord task;
        task.taskId = "task-" + std::to_string(i);
        task.userId = 1;
        task.input = "input.pdf";
        task.touched = store.Now();
        if (!store.AddTask(task) ||
            !store.SubmitTask(task.taskId, 1, "pdf-compress", "job-" + task.taskId)) {
            return false;
        }
    }
    return true;
}

bool Measure(const char* engine, const Opener& open)
{
    const auto filler = open();
    if (!filler || !Fill(*filler)) {
        std::fprintf(stderr, "claim rate: the %s store cannot be filled\n", engine);
        return false;
    }
    std::vector<std::unique_ptr<ServiceStore>> stores;
    for (int c = 0; c < kClaimers; ++c) {
        stores.push_back(open());
        if (!stores.back()) {
            return false;
        }
    }
    std::vector<std::vector<std::string>> claimed(kClaimers);
    const auto started = Clock::now();
    std::vector<std::thread> claimers;
    for (int c = 0; c < kClaimers; ++c) {
        claimers.emplace_back([&, c] {
            const std::string owner = "claimer-" + std::to_string(c);
            while (const auto task = stores[c]->ClaimTask(owner, std::chrono::seconds(30))) {
                claimed[c].push_back(task->taskId);
            }
        });
    }
    for (auto& claimer : claimers) {
        claimer.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::size_t total = 0;
    std::set<std::string> distinct;
    for (const auto& ids : claimed) {
        total += ids.size();
        distinct.insert(ids.begin(), ids.end());
    }
    const std::size_t duplicates = total - distinct.size();
    std::printf("  %-10s : %8.0f claims/s  (%zu of %d tasks, %zu claimed twice)\n", engine,
                static_cast<double>(total) / seconds, distinct.size(), kTasks, duplicates);
    return duplicates == 0 && distinct.size() == static_cast<std::size_t>(kTasks);
}

} // namespace

bool MeasureClaimRate(const std::filesystem::path& dir)
{
    std::printf("work queue, %d concurrent claimers, each its own connection:\n", kClaimers);
    const bool sqlite = Measure("SQLite", [&]() -> std::unique_ptr<ServiceStore> {
        std::string error;
        return SqliteStore::Open(dir / "claims.db", error);
    });
    std::string why;
    PostgresServer* server = PostgresServer::Shared(why);
    if (!server) {
        std::fprintf(stderr, "claim rate: %s\n", why.c_str());
        return false;
    }
    const std::string database = server->NewDatabase();
    const bool postgres = Measure("PostgreSQL", [&]() -> std::unique_ptr<ServiceStore> {
        std::string error;
        return PgStore::Open(database, error);
    });
    return sqlite && postgres;
}
