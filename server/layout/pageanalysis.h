#pragma once

#include "paragraphs.h"

#include <variant>
#include <vector>

namespace Layout {

using DraftBlock = std::variant<DraftParagraph, Table, Picture>;

// A page recovered but for its paragraphs' styles, which the whole document decides.
struct DraftPage
{
    double width = 0;
    double height = 0;
    Box body;
    bool recognised = false;
    std::vector<DraftBlock> blocks; // in reading order
};

// Recovers one page's tables, pictures and paragraphs in reading order. `content` has its
// words (the running header and footer left out), its pixels and its pictures. A page with no
// text at all keeps its drawing as one picture, `pagePicture`, when it has one.
DraftPage AnalysePage(const PageContent& content, Picture pagePicture);

// Whether the page drawn in `raster` shows anything at all.
bool HasInk(const Raster& raster);

} // namespace Layout
