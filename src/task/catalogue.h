#pragma once

#include <string>
#include <string_view>

// Tables keyed by function name (case-sensitive), each with a default for unknown names.

// The service's task name for a function; empty for an unknown name. Every caller passes
// option 0, which is the only option there is.
std::string GetTaskName(std::string_view functionName, int option = 0);

// Suffix appended to the source's base name to form the result's name; ".pdf" by default.
std::string GetResultSuffix(std::string_view functionName);

// Content type of an uploaded file, chosen by the text after the path's last '.'
// (the whole path when it has none), compared without regard to case; empty when unknown.
std::string GetContentType(std::string_view path);
