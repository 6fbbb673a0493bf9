#pragma once

#include <string_view>

// Whether a downloaded result's first bytes (up to 512) fit the type its name promises, told
// by the extension of the function's result suffix (".docx", "_Images.zip", ".txt"...): a
// PDF starts with "%PDF-", zip-based types with "PK", images with their signatures, text is
// not binary and not an HTML page. Unknown extensions are not checked.
bool ResultMatchesType(std::string_view resultSuffix, std::string_view head);
