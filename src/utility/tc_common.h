#pragma once

namespace TC_COMMON {

// True when a network interface other than loopback is up and has an address.
bool IsNetworkConnectWithConnection();

} // namespace TC_COMMON
