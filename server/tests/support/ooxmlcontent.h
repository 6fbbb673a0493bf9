#pragma once

#include "textgrid.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What a Word, Excel or PowerPoint file holds, read back for judging: texts in document order,
// tables as grids, pictures counted.
namespace OoxmlContent {

struct WordParagraph
{
    std::string styleId;
    std::string text;       // line breaks as "\n", tabs as "\t"
    int headingLevel = 0;   // 1 for the top level; 0 for a paragraph that is no heading
    bool inTextBox = false; // inside a text box, frame or drawn shape
    bool inTable = false;
};

struct WordContent
{
    std::vector<WordParagraph> paragraphs; // every paragraph, text boxes' and tables' included
    std::vector<TextGrid> tables;         // in document order, a table before those inside it
    int pictures = 0;
};

struct SheetCell
{
    int row = 0; // from 0
    int column = 0;
    std::string reference; // "B3"
    std::string text;      // as stored: a number's digits, a string's text
    bool numeric = false;
    double number = 0;
};

struct Sheet
{
    std::string name;
    std::vector<SheetCell> cells;
    std::vector<CellSpan> merges;
};

struct SlideFrame
{
    std::vector<std::string> paragraphs;
};

struct Slide
{
    std::vector<SlideFrame> frames; // the text frames in drawing order
    std::vector<TextGrid> tables;
};

// The body of a .docx; a choice of alternative content is read in its first branch only.
std::optional<WordContent> ReadDocx(const std::filesystem::path& path, std::string& error);
// Every sheet of a .xlsx in workbook order.
std::optional<std::vector<Sheet>> ReadXlsx(const std::filesystem::path& path, std::string& error);
// Every slide of a .pptx in presentation order.
std::optional<std::vector<Slide>> ReadPptx(const std::filesystem::path& path, std::string& error);

// "B3" as row 2, column 1; false for anything else.
bool ParseCellReference(const std::string& reference, int& row, int& column);

} // namespace OoxmlContent
