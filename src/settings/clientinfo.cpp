#include "settings/clientinfo.h"

ClientInfo ClientInfoRecord::Get() const
{
    const std::lock_guard lock(mutex);
    return info;
}

void ClientInfoRecord::Set(const ClientInfo& newInfo)
{
    const std::lock_guard lock(mutex);
    info = newInfo;
}

void ClientInfoRecord::SetNotifyAfterFinish(bool notify)
{
    const std::lock_guard lock(mutex);
    info.notifyAfterFinish = notify;
}
