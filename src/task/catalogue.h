#pragma once

#include <string>
#include <string_view>

// Tables keyed by function name (case-sensitive), each with a default for unknown names.

// The service's task name for a function; empty for an unknown name. Every caller passes
// option 0, which is the only option there is.
std::string GetTaskName(std::string_view functionName, int option = 0);

// Suffix appended to the source's base name to form the result's name; ".pdf" by default.
std::string GetResultSuffix(std::string_view functionName);
