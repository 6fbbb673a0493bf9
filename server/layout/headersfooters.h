#pragma once

#include "pagecontent.h"

#include <string>
#include <vector>

namespace Layout {

// The words of every page that belong to its running header or footer: lines near the top or
// bottom edge whose text (numbers aside) comes back on another page, and page numbers there.
// One flag per word of each page.
std::vector<std::vector<bool>> FindHeadersAndFooters(const std::vector<PageContent>& pages);

// Whether a line's text is only a page number: "7", "- 7 -", "Page 7 of 9", "第 7 页", "7 / 9".
bool IsPageNumber(const std::string& text);

} // namespace Layout
