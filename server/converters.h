#pragma once

#include "childprocess.h"
#include "inputcheck.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class OfficeInstance;

// The conversion behind each task name the service offers.
namespace Converters {

struct Job
{
    std::string taskName;
    std::filesystem::path input;   // the stored upload
    std::filesystem::path workDir; // an empty directory of this job
    ChildProcess::Clock::time_point deadline;
    const ChildProcess::CancelFlag* cancel = nullptr; // never null when converting
    std::uint64_t memoryLimit = 0;                    // of each program run; 0: none
};

struct Outcome
{
    bool ok = false;
    std::filesystem::path result; // inside workDir
    std::string message;          // why it failed
};

// The input a task needs; nothing for a task name the service does not know.
std::optional<InputKind> InputFor(const std::string& taskName);
// The suffix of the result's file name, as the client names its results.
std::string ResultSuffix(const std::string& taskName);
// The function names of the client's catalogue that this service converts.
const std::vector<std::string>& OfferedFunctions();

Outcome Convert(const Job& job, OfficeInstance& office);

} // namespace Converters
