#pragma once

#include <sys/types.h>
#include <vector>

// The processes that became this test process's children when the service they belonged
// to was killed; it must have made itself their subreaper (PR_SET_CHILD_SUBREAPER) first.
namespace AdoptedProcesses {

std::vector<pid_t> Children();
// Reaps the adopted children that have ended; the number still alive.
std::size_t ReapEnded();
// Kills and reaps them all but those in `keep` (services and servers still in use), as the
// end of the killed service's whole process group would.
void EndAll(const std::vector<pid_t>& keep = {});

} // namespace AdoptedProcesses
