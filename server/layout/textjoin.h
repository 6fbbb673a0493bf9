#pragma once

#include "codepoints.h"
#include "pagecontent.h"

#include <string>
#include <string_view>

namespace Layout {

// Whether the text of `next` follows that of `previous` on one line after a space.
bool SpaceBetweenWords(const Word& previous, const Word& next);

// Whether a space joins the last word of a line to the first of the next in one paragraph:
// not after a word hyphenated at the line end (the hyphen is dropped from `lastWord`), not
// where Chinese text runs on.
bool SpaceAtLineBreak(std::string& lastWord, std::string_view firstWord);

} // namespace Layout
