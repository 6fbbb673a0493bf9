#pragma once

#include <sys/types.h>
#include <vector>

// The processes that became this test process's children when the service they belonged
// to was killed; it must have made itself their subreaper (PR_SET_CHILD_SUBREAPER) first.
namespace AdoptedProcesses {

std::vector<pid_t> Children();
// Reaps the adopted children that have ended; the number still alive.
std::size_t ReapEnded();
// Kills and reaps them all, as the end of the service's whole process group would.
void EndAll();

} // namespace AdoptedProcesses
