#pragma once

#include <filesystem>

// The claim rate of the work queue alone, on each engine: 4 claimers with a connection each
// empty a queue of tasks; prints claims per second and whether any task was claimed twice.
// False when a store could not be used or the claims were wrong.
bool MeasureClaimRate(const std::filesystem::path& dir);
