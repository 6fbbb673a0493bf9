#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

enum class TaskState
{
    Uploaded,
    Waiting,
    Running,
    Failed,
    Finished,
};

struct TaskRecord
{
    std::string taskId;
    std::string docId;
    std::string jobId;
    std::string taskName;
    std::string fileName; // as the client named it; shown only, never used as a path
    std::string fileType;
    int userId = 0;
    std::uint64_t fileSize = 0;
    std::filesystem::path input;
    std::filesystem::path result;
    std::string message;
    TaskState state = TaskState::Uploaded;
    std::chrono::system_clock::time_point touched; // upload, or the end of the conversion
};
