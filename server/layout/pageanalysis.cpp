#include "pageanalysis.h"

#include "readingorder.h"
#include "rulings.h"
#include "tables.h"

#include <algorithm>

namespace Layout {
namespace {

// Words farther apart than this many font sizes on one baseline are separate lines; the
// recogniser's boxes hold only the ink, so its gaps look wider.
constexpr double lineGap = 1.0;
constexpr double recognisedLineGap = 1.5;
// A picture with this many words on it is a background, or the scan the words came from.
constexpr int wordsOnBackground = 3;
constexpr double defaultMargin = 72;

bool Inside(const Box& outer, const Box& inner)
{
    const double x = (inner.left + inner.right) / 2;
    const double y = (inner.top + inner.bottom) / 2;
    return x >= outer.left && x <= outer.right && y >= outer.top && y <= outer.bottom;
}

bool IsBackground(const Picture& picture, const PageContent& content)
{
    const auto words =
        std::count_if(content.words.begin(), content.words.end(),
                      [&](const Word& word) { return Inside(picture.box, word.box); });
    return words >= wordsOnBackground;
}

std::vector<Paragraph> CellParagraphs(const std::vector<Word>& words,
                                      const std::vector<std::size_t>& which)
{
    std::vector<Paragraph> paragraphs;
    for (DraftParagraph& draft : BuildParagraphs(words, GroupLines(words, which, lineGap))) {
        paragraphs.push_back(std::move(draft.paragraph));
    }
    return paragraphs;
}

Table MakeTable(const FoundTable& found, const std::vector<Word>& words)
{
    Table table;
    table.box = found.box;
    table.ruled = found.ruled;
    for (std::size_t i = 1; i < found.columnEdges.size(); ++i) {
        table.columnWidths.push_back(found.columnEdges[i] - found.columnEdges[i - 1]);
    }
    for (std::size_t i = 1; i < found.rowEdges.size(); ++i) {
        table.rowHeights.push_back(found.rowEdges[i] - found.rowEdges[i - 1]);
    }
    for (const FoundCell& found : found.cells) {
        table.cells.push_back(Cell{found.row, found.column, found.rowSpan, found.columnSpan,
                                   CellParagraphs(words, found.words)});
    }
    return table;
}

} // namespace

bool HasInk(const Raster& raster)
{
    return std::any_of(raster.grey.begin(), raster.grey.end(),
                       [](unsigned char grey) { return grey < 200; });
}

DraftPage AnalysePage(const PageContent& content, Picture pagePicture)
{
    DraftPage page;
    page.width = content.width;
    page.height = content.height;
    page.recognised = content.recognised;

    std::vector<Table> tables;
    std::vector<bool> inTable(content.words.size(), false);
    for (const FoundTable& found : FindTables(content, FindRulings(content.raster))) {
        tables.push_back(MakeTable(found, content.words));
        for (const FoundCell& cell : found.cells) {
            for (std::size_t word : cell.words) {
                inTable[word] = true;
            }
        }
    }
    std::vector<std::size_t> flowing;
    for (std::size_t i = 0; i < content.words.size(); ++i) {
        if (!inTable[i]) {
            flowing.push_back(i);
        }
    }
    const std::vector<Line> lines = AttachListMarkers(
        content.words,
        GroupLines(content.words, flowing, content.recognised ? recognisedLineGap : lineGap));
    std::vector<Picture> pictures;
    for (const Picture& picture : content.pictures) {
        if (!IsBackground(picture, content)) {
            pictures.push_back(picture);
        }
    }
    if (content.words.empty() && pictures.empty() && !pagePicture.data.empty()) {
        pictures.push_back(std::move(pagePicture));
    }

    std::vector<Element> elements;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        elements.push_back({Element::Kind::Line, i, lines[i].box});
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        elements.push_back({Element::Kind::Table, i, tables[i].box});
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        elements.push_back({Element::Kind::Picture, i, pictures[i].box});
    }
    page.body = elements.empty() ? Box{defaultMargin, defaultMargin, content.width - defaultMargin,
                                       content.height - defaultMargin}
                                 : elements.front().box;
    for (const Element& element : elements) {
        page.body = Union(page.body, element.box);
    }

    for (const Flow& flow : ReadingOrder(std::move(elements))) {
        std::vector<Line> run;
        const auto flush = [&] {
            for (DraftParagraph& draft : BuildParagraphs(content.words, run)) {
                page.blocks.emplace_back(std::move(draft));
            }
            run.clear();
        };
        for (const Element& element : flow) {
            if (element.kind == Element::Kind::Line) {
                run.push_back(lines[element.index]);
                continue;
            }
            flush();
            if (element.kind == Element::Kind::Table) {
                page.blocks.emplace_back(std::move(tables[element.index]));
            } else {
                page.blocks.emplace_back(std::move(pictures[element.index]));
            }
        }
        flush();
    }
    return page;
}

} // namespace Layout
