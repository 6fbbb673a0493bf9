#pragma once

#include "editabletruth.h"
#include "ooxmlcontent.h"

#include <cstddef>
#include <string>
#include <vector>

// How much of a source document's truth a rebuilt Word, Excel or PowerPoint file keeps.
// Scores of several documents add up to pooled counts.
namespace EditableMetrics {

// Texts and table cells count as recovered at this similarity or above.
constexpr double kSameText = 0.97;

struct Share
{
    int found = 0;
    int total = 0;

    double Value() const { return total == 0 ? 1.0 : static_cast<double>(found) / total; }
    Share& operator+=(const Share& other);
};

struct TextScore
{
    std::size_t distance = 0; // code points to insert, delete or replace
    std::size_t length = 0;   // of the longer text

    double Accuracy() const;
    TextScore& operator+=(const TextScore& other);
};

struct WordScore
{
    TextScore text;
    Share paragraphs; // paragraphs and list items that come back as one body paragraph each
    Share tableCells; // in the right row and column of the best matching table
    Share headings;   // with a heading style of any level
    Share headingsAtLevel;
    Share pictures;
    int headerFooterLeaked = 0; // times a page header or footer text appears in the body

    WordScore& operator+=(const WordScore& other);
};

// The body's text in reading order, white space collapsed: headings, paragraphs, list items
// and table cells row by row.
std::string SourceText(const EditableCorpus::Truth& truth);

WordScore ScoreWord(const EditableCorpus::Truth& truth, const OoxmlContent::WordContent& word);

// Table cells found at the right row and column relative to each other in one sheet.
Share ScoreSheets(const EditableCorpus::Truth& truth,
                  const std::vector<OoxmlContent::Sheet>& sheets);

// Paragraphs and list items that are one paragraph of a text frame.
Share ScoreSlides(const EditableCorpus::Truth& truth,
                  const std::vector<OoxmlContent::Slide>& slides);

} // namespace EditableMetrics
