#pragma once

#include "textgrid.h"

#include <string>
#include <vector>

// What a generated source document holds, for judging a document rebuilt from its PDF.
namespace EditableCorpus {

enum class BlockKind
{
    Heading,
    Paragraph,
    ListItem,
    Table,
    Picture
};

struct TruthBlock
{
    BlockKind kind = BlockKind::Paragraph;
    std::string text;      // of a heading, paragraph or list item; a list item without marker
    int level = 0;         // a heading's level 1 to 3, a list item's nesting from 0
    bool numbered = false; // of a list item
    TextGrid table;       // of a table
};

struct Truth
{
    std::vector<TruthBlock> body;          // in reading order
    std::vector<std::string> headerFooter; // page headers and footers as printed, page by page
};

} // namespace EditableCorpus
