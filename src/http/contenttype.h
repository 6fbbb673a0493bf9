#pragma once

#include <string>
#include <string_view>

// Content type of an uploaded file, chosen by the text after the path's last '.'
// (the whole path when it has none), compared without regard to case; empty when unknown.
std::string GetContentType(std::string_view path);
