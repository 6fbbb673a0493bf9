#pragma once

#include <string>
#include <vector>

namespace Layout {

// Runs a program (looked up in PATH, never through a shell) to its end with its output
// discarded; true when it exited with status 0. The service's time limit ends it with us.
bool RunTool(const std::vector<std::string>& argv);

} // namespace Layout
