#pragma once

#include <string>
#include <variant>
#include <vector>

// A PDF's content recovered as a flowing document, which the Word, Excel and PowerPoint
// writers write. Lengths are in points; boxes are in page coordinates, origin at the top left.
namespace Layout {

struct Box
{
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
};

struct Run
{
    std::string text; // UTF-8
    bool bold = false;
    bool italic = false;
    double fontSize = 0; // points; 0: the style's size
};

enum class ParagraphStyle
{
    Normal,
    Heading1,
    Heading2,
    Heading3,
    ListBullet,
    ListNumber
};

enum class Alignment
{
    Left,
    Centre,
    Right,
    Justified
};

struct Paragraph
{
    ParagraphStyle style = ParagraphStyle::Normal;
    Alignment alignment = Alignment::Left;
    int listLevel = 0;     // of a list paragraph, 0 for the outermost
    std::vector<Run> runs; // a list paragraph's marker is not part of its text
    Box box;               // the lines it was made of
};

struct Cell
{
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    std::vector<Paragraph> paragraphs;
};

struct Table
{
    std::vector<double> columnWidths; // one per column
    std::vector<double> rowHeights;   // one per row
    std::vector<Cell> cells;          // in row, then column order; covered cells are absent
    bool ruled = true;                // drawn with lines on the page
    Box box;
};

struct Picture
{
    std::string data;   // the encoded image file
    std::string format; // "png" or "jpeg"
    Box box;            // where it stands on its page
};

using Block = std::variant<Paragraph, Table, Picture>;

struct Page
{
    double width = 595.3;
    double height = 841.9;
    Box body;                  // the area the body fills; the margins are around it
    std::vector<Block> blocks; // in reading order
    bool recognised = false;   // its text came from text recognition
};

struct Document
{
    std::vector<Page> pages;
};

} // namespace Layout
