#pragma once

#include "document.h"

#include <cstddef>
#include <string>
#include <vector>

// What the analysis starts from: one PDF page's words, its pixels and its pictures.
namespace Layout {

struct Word
{
    std::string text; // UTF-8, never empty
    Box box;
    double fontSize = 0;
    bool bold = false;
    bool italic = false;
    bool spaceAfter = false; // the PDF puts a space between it and the next word
};

// A page drawn in grey: 0 black, 255 white, row after row.
struct Raster
{
    int width = 0;
    int height = 0;
    double pixelsPerPoint = 1;
    std::vector<unsigned char> grey;

    unsigned char At(int x, int y) const { return grey[static_cast<std::size_t>(y) * width + x]; }
};

struct PageContent
{
    double width = 0;
    double height = 0;
    std::vector<Word> words;
    Raster raster;
    std::vector<Picture> pictures;
    bool recognised = false;
    int quarterTurns = 0; // how far the text stands turned clockwise on the displayed page
};

// A box on the displayed page (`width` x `height`), in the frame where text turned by
// `quarterTurns` reads left to right.
Box Upright(const Box& box, int quarterTurns, double width, double height);

} // namespace Layout
