#pragma once

#include <string>

// An unguessable identifier: `prefix` followed by 32 hexadecimal digits.
std::string RandomId(const std::string& prefix);
