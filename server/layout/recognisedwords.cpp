#include "recognisedwords.h"

#include "filebytes.h"
#include "lines.h"
#include "toolrun.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>
#include <tuple>

namespace Layout {
namespace {

namespace fs = std::filesystem;

constexpr double dotsPerInch = 300;
constexpr int wordLevel = 5;
constexpr int lineLevel = 4;
// A recognised line's box runs from ascender to descender, a little taller than the font.
constexpr double lineHeightPerFontSize = 1.15;
// A bullet stands this many font sizes or more before its item's text.
constexpr double bulletGap = 0.8;

struct Row
{
    int level = 0;
    std::tuple<int, int, int, int> line; // page, block, paragraph, line
    Box box;
    std::string text;
};

template <typename Number> bool Parse(const std::string& text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseRow(const std::string& text, double pointsPerPixel, Row& row)
{
    std::vector<std::string> fields;
    std::stringstream cells(text);
    std::string field;
    while (std::getline(cells, field, '\t')) {
        fields.push_back(field);
    }
    if (fields.size() < 11) {
        return false;
    }
    int numbers[5] = {};
    double box[4] = {};
    for (int i = 0; i < 5; ++i) {
        if (!Parse(fields[static_cast<std::size_t>(i)], numbers[i])) {
            return false;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (!Parse(fields[static_cast<std::size_t>(6 + i)], box[i])) {
            return false;
        }
    }
    row.level = numbers[0];
    row.line = {numbers[1], numbers[2], numbers[3], numbers[4]};
    row.box = Box{box[0] * pointsPerPixel, box[1] * pointsPerPixel,
                  (box[0] + box[2]) * pointsPerPixel, (box[1] + box[3]) * pointsPerPixel};
    row.text = fields.size() > 11 ? fields[11] : std::string();
    while (!row.text.empty() && (row.text.back() == '\r' || row.text.back() == ' ')) {
        row.text.pop_back();
    }
    return true;
}

// A bullet at the start of a line comes out of the recogniser as one of these.
bool LooksLikeBullet(const std::string& text)
{
    for (const char* bullet : {"•", "。", "e", "o", "°", "«", "*", "·", "¢"}) {
        if (text == bullet) {
            return true;
        }
    }
    return false;
}

// Sizes measured from the ink vary from line to line: a line without ascenders or descenders
// measures small. Text up to a little larger than the page's most common size is set in it.
void EvenOutSizes(std::vector<Word>& words)
{
    if (words.empty()) {
        return;
    }
    const double common = CommonSize(words, AllWords(words));
    for (Word& word : words) {
        if (word.fontSize <= common * 1.125) {
            word.fontSize = common;
        }
    }
}

} // namespace

std::vector<Word> ParseRecognisedWords(const std::string& table, double pointsPerPixel)
{
    std::map<std::tuple<int, int, int, int>, double> lineHeights;
    std::vector<Row> wordRows;
    std::istringstream lines(table);
    std::string text;
    while (std::getline(lines, text)) {
        Row row;
        if (!ParseRow(text, pointsPerPixel, row)) {
            continue;
        }
        if (row.level == lineLevel) {
            lineHeights[row.line] = row.box.Height();
        } else if (row.level == wordLevel && !row.text.empty()) {
            wordRows.push_back(std::move(row));
        }
    }
    std::vector<Word> words;
    for (std::size_t i = 0; i < wordRows.size(); ++i) {
        Row& row = wordRows[i];
        Word word;
        word.box = row.box;
        const auto height = lineHeights.find(row.line);
        word.fontSize = (height == lineHeights.end() ? row.box.Height() : height->second) /
                        lineHeightPerFontSize;
        word.spaceAfter = true;
        // a bullet: a lone mark opening its line, well apart from the text after it
        const bool opensLine = i == 0 || wordRows[i - 1].line != row.line;
        const bool setApart = i + 1 < wordRows.size() && wordRows[i + 1].line == row.line &&
                              wordRows[i + 1].box.left - row.box.right > bulletGap * word.fontSize;
        word.text = opensLine && setApart && LooksLikeBullet(row.text) ? "•" : std::move(row.text);
        words.push_back(std::move(word));
    }
    EvenOutSizes(words);
    return words;
}

std::vector<Word> RecogniseWords(const PdfPages& pdf, int index, const fs::path& workDir)
{
    const fs::path image = workDir / ("scan-" + std::to_string(index + 1) + ".png");
    const fs::path base = workDir / ("scan-" + std::to_string(index + 1));
    const std::optional<double> dpi = pdf.SavePng(index, dotsPerInch, image);
    if (!dpi ||
        !RunTool({"tesseract", image.string(), base.string(), "-l", "chi_sim+eng", "tsv"})) {
        return {};
    }
    return ParseRecognisedWords(FileBytes(base.string() + ".tsv"), 72 / *dpi);
}

} // namespace Layout
