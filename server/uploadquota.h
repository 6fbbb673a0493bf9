#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

// Limits the bytes one user keeps on the service. What is stored already comes through
// `storedBytes` (uploads and results of the user's tasks); uploads still arriving are counted
// here, so that two at once cannot pass the limit together. Thread-safe; owned by the routes.
class UploadQuota
{
public:
    using StoredBytes = std::function<std::uint64_t(int userId)>;

    // One upload's claim on its user's quota, released when it ends (by then the upload is
    // stored or discarded).
    class Reservation
    {
    public:
        Reservation(UploadQuota& quota, int userId, std::uint64_t stored);
        ~Reservation();
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

        // Claims `bytes` more; false when that would pass the limit.
        bool Grow(std::uint64_t bytes);

    private:
        UploadQuota& quota;
        int userId;
        std::uint64_t stored;
        std::uint64_t claimed = 0;
    };

    // `limit` 0 means no limit.
    UploadQuota(std::uint64_t limit, StoredBytes storedBytes);

    std::uint64_t Limit() const { return limit; }
    // Starts an upload of about `expected` bytes; nothing when they do not fit.
    std::optional<Reservation> Reserve(int userId, std::uint64_t expected);

private:
    const std::uint64_t limit;
    const StoredBytes storedBytes;
    std::mutex mutex;
    std::map<int, std::uint64_t> arriving; // by user: bytes of uploads in progress
};
