#pragma once

#include <string>

// Turns the text of PDF pages laid out with their spacing kept into comma-separated rows:
// one row per line, a new cell wherever two or more spaces separate words, an empty row
// between pages. Every cell is quoted.
std::string LayoutTextToCsv(const std::string& layoutText);
