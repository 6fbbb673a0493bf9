#include "storedcolumns.h"

namespace StoredColumns {

long long Milliseconds(Clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

Clock::time_point TimeOf(long long milliseconds)
{
    return Clock::time_point(std::chrono::milliseconds(milliseconds));
}

const char* StoredState(TaskState state)
{
    switch (state) {
    case TaskState::Uploaded:
        return "uploaded";
    case TaskState::Waiting:
        return "waiting";
    case TaskState::Running:
        return "running";
    case TaskState::Failed:
        return "failed";
    case TaskState::Finished:
        return "finished";
    }
    return "failed";
}

TaskState StateOf(const std::string& stored)
{
    for (TaskState state :
         {TaskState::Uploaded, TaskState::Waiting, TaskState::Running, TaskState::Finished}) {
        if (stored == StoredState(state)) {
            return state;
        }
    }
    return TaskState::Failed;
}

} // namespace StoredColumns
