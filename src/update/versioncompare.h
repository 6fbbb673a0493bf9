#pragma once

#include <string_view>

// Dotted versions ("1.10.0.0") compared component by component as numbers; a missing
// component counts as 0. Returns <0, 0 or >0. A component that is not a plain number is
// compared as text, after the numeric ones, so no input is ever unordered.
int CompareVersions(std::string_view left, std::string_view right);

// True when `offered` is a later version than `running`.
bool IsNewerVersion(std::string_view offered, std::string_view running);
