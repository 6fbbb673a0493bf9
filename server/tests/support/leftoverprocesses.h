#pragma once

#include <sys/types.h>
#include <vector>

// For tests that kill a service: the processes it left behind become this test process's
// once it is their subreaper (prctl PR_SET_CHILD_SUBREAPER).

// The processes that became ours when the service they belonged to was killed.
std::vector<pid_t> AdoptedChildren();
// Ends them but those in `keep` (services and servers still in use), as the end of the
// killed service's whole process group would.
void EndLeftoverProcesses(const std::vector<pid_t>& keep = {});
