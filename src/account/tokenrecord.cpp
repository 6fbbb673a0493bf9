#include "account/tokenrecord.h"

TokenRecord LockedTokenRecord::Get() const
{
    std::lock_guard lock(mutex);
    return record;
}

void LockedTokenRecord::Set(TokenRecord value)
{
    std::lock_guard lock(mutex);
    record = std::move(value);
}
