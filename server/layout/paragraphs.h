#pragma once

#include "lines.h"

#include <vector>

namespace Layout {

// A paragraph as one column's lines make it, before the document decides its style.
struct DraftParagraph
{
    Paragraph paragraph;  // style Normal or a list style
    double fontSize = 0;  // the most common size of its text
    bool allBold = false; // every word is bold
    int lineCount = 0;
    std::size_t characters = 0;
    std::string marker;     // a list item's marker, as printed
    bool opensFlow = false; // the first paragraph of its column on its page
    bool endsShort = false; // its last line ends well before the column's right edge
};

// Splits the lines of one column, top to bottom, into paragraphs: at a wider gap, a change of
// size or weight, a list marker, an indented first line, or after a line that ends short
// although the next line's first word would have fitted. List markers become the list style
// and are left out of the text; nesting follows the markers' indents.
std::vector<DraftParagraph> BuildParagraphs(const std::vector<Word>& words,
                                            const std::vector<Line>& lines);

// Joins a line that is only a list marker to the text beside it: a tab after the marker
// leaves a gap wide enough to part lines.
std::vector<Line> AttachListMarkers(const std::vector<Word>& words, std::vector<Line> lines);

// Joins paragraphs that a column or page break parted: the first runs on to the column's edge
// without ending a sentence and the next opens a column in the same size and style.
void JoinContinuedParagraphs(std::vector<DraftParagraph*>& paragraphs);

// Whether a word is a list marker, and which kind.
enum class Marker
{
    None,
    Bullet,
    Number
};
Marker ListMarker(const std::string& word);

} // namespace Layout
