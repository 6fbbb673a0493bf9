#pragma once

#include "taskrecord.h"

#include <chrono>
#include <string>

// How every store keeps a task in a row: its columns, its state as text, times as
// milliseconds since the epoch.
namespace StoredColumns {

using Clock = std::chrono::system_clock;

inline constexpr const char* kTask = "task_id, doc_id, job_id, task_name, file_name, file_type, "
                                     "user_id, file_size, input, result, message, state, touched";

long long Milliseconds(Clock::time_point time);
Clock::time_point TimeOf(long long milliseconds);
const char* StoredState(TaskState state);
TaskState StateOf(const std::string& stored);

// The task in the columns `kTask` names, read by column number.
template <class Text, class Number> TaskRecord ReadTask(const Text& text, const Number& number)
{
    TaskRecord task;
    task.taskId = text(0);
    task.docId = text(1);
    task.jobId = text(2);
    task.taskName = text(3);
    task.fileName = text(4);
    task.fileType = text(5);
    task.userId = static_cast<int>(number(6));
    task.fileSize = static_cast<std::uint64_t>(number(7));
    task.input = text(8);
    task.result = text(9);
    task.message = text(10);
    task.state = StateOf(text(11));
    task.touched = TimeOf(number(12));
    return task;
}

} // namespace StoredColumns
