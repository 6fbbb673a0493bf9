#pragma once

#include "editabletruth.h"

#include <cstddef>
#include <string>

// Writes a source document's truth as a flat ODF text document, the office suite's own format,
// so that the PDF it prints holds exactly the truth.
namespace EditableCorpus {

struct SourceLayout
{
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t twoColumnsFrom = kNone; // the body blocks [from, to) in a two-column section
    std::size_t twoColumnsTo = kNone;
    std::size_t pageBreakBefore = kNone; // a heading or paragraph that starts a new page
    bool ruledTables = true;
    std::string header;     // printed at the top of every page
    std::string footerLead; // printed at the bottom of every page, followed by the page number
};

// The document's XML text. Numbers in table cells are right-aligned, a table's first row is
// bold, and every picture is a generated bar chart.
std::string FlatOdt(const Truth& truth, const SourceLayout& layout);

} // namespace EditableCorpus
