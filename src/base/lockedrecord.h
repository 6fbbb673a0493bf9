#pragma once

#include <mutex>
#include <utility>

// A process-wide record under its own lock: readers get copies, writers replace it whole.
template <typename Record> class LockedRecord
{
public:
    Record Get() const
    {
        std::lock_guard lock(mutex);
        return record;
    }
    void Set(Record value)
    {
        std::lock_guard lock(mutex);
        record = std::move(value);
    }
    void Reset() { Set(Record{}); }

private:
    mutable std::mutex mutex;
    Record record;
};
