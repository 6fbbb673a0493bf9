#include "utility/tc_common.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace TC_COMMON {

bool IsNetworkConnectWithConnection()
{
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return false;
    bool connected = false;
    for (const ifaddrs* entry = interfaces; entry != nullptr && !connected;
         entry = entry->ifa_next) {
        const bool up = (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_LOOPBACK) == 0;
        const bool addressed =
            entry->ifa_addr != nullptr &&
            (entry->ifa_addr->sa_family == AF_INET || entry->ifa_addr->sa_family == AF_INET6);
        connected = up && addressed;
    }
    freeifaddrs(interfaces);
    return connected;
}

} // namespace TC_COMMON
