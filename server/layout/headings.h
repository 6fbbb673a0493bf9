#pragma once

#include "paragraphs.h"

#include <vector>

namespace Layout {

// Gives every paragraph of a document its final style: short paragraphs set larger than the
// body text, or bold on their own, become headings, level 1 for the largest size. A numbered
// list item set that large is a numbered heading and keeps its number.
void AssignHeadings(const std::vector<DraftParagraph*>& paragraphs);

} // namespace Layout
