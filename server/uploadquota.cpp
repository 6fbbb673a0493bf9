#include "uploadquota.h"

UploadQuota::UploadQuota(std::uint64_t limit, StoredBytes storedBytes)
    : limit(limit), storedBytes(std::move(storedBytes))
{
}

std::optional<UploadQuota::Reservation> UploadQuota::Reserve(int userId, std::uint64_t expected)
{
    const std::uint64_t stored = limit == 0 ? 0 : storedBytes(userId);
    {
        std::lock_guard lock(mutex);
        if (limit != 0 && stored + arriving[userId] + expected > limit) {
            return std::nullopt;
        }
    }
    return std::optional<Reservation>(std::in_place, *this, userId, stored);
}

UploadQuota::Reservation::Reservation(UploadQuota& quota, int userId, std::uint64_t stored)
    : quota(quota), userId(userId), stored(stored)
{
}

UploadQuota::Reservation::~Reservation()
{
    std::lock_guard lock(quota.mutex);
    auto& arriving = quota.arriving[userId];
    arriving -= claimed;
    if (arriving == 0) {
        quota.arriving.erase(userId);
    }
}

bool UploadQuota::Reservation::Grow(std::uint64_t bytes)
{
    std::lock_guard lock(quota.mutex);
    auto& arriving = quota.arriving[userId];
    if (quota.limit != 0 && stored + arriving + bytes > quota.limit) {
        return false;
    }
    arriving += bytes;
    claimed += bytes;
    return true;
}
