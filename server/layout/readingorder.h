#pragma once

#include "document.h"

#include <cstddef>
#include <vector>

namespace Layout {

// Something placed on a page: a line of text, a table or a picture.
struct Element
{
    enum class Kind
    {
        Line,
        Table,
        Picture
    };
    Kind kind = Kind::Line;
    std::size_t index = 0; // into the page's lines, tables or pictures
    Box box;
};

// Elements read one after the other in one column.
using Flow = std::vector<Element>;

// Puts a page's elements into reading order: bands of the page laid out in columns are read
// column by column, left to right; what spans the page is read top to bottom. A band is
// in columns when several of its rows have a gap at the same place that nothing crosses.
std::vector<Flow> ReadingOrder(std::vector<Element> elements);

} // namespace Layout
