// The analysis that turns a PDF page's words into lines, paragraphs and lists in reading
// order, on pages laid out by hand.

#include "headersfooters.h"
#include "headings.h"
#include "paragraphs.h"
#include "readingorder.h"
#include "recognisedwords.h"
#include "textjoin.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Layout;

namespace {

constexpr double size = 10;
constexpr double latinWidth = 5.5;
constexpr double lineHeight = 12;

// Places text on a page the way a word processor does: words of 10 pt, 12 pt apart.
class PageBuilder
{
public:
    // Words of `text` from `left` on line `row`; Chinese characters are one word each.
    PageBuilder& Line(double left, double row, const std::string& text, bool bold = false,
                      double fontSize = size)
    {
        const double top = 72 + row * lineHeight;
        std::istringstream split(text);
        std::string word;
        double x = left;
        while (split >> word) {
            const bool chinese = IsCjk(FirstCodePoint(word));
            const double width =
                chinese ? fontSize * (static_cast<double>(word.size()) / 3)
                        : latinWidth * fontSize / size * static_cast<double>(word.size());
            Word placed{word, Box{x, top, x + width, top + fontSize * 1.2}, fontSize, bold, false,
                        true};
            words.push_back(placed);
            x += width + (chinese ? 0 : fontSize * 0.3);
        }
        if (!words.empty()) {
            words.back().spaceAfter = false;
        }
        return *this;
    }

    std::vector<Layout::Line> Lines() const { return GroupLines(words, AllWords(words), 1.0); }

    std::vector<DraftParagraph> Paragraphs() const
    {
        std::vector<DraftParagraph> paragraphs;
        for (const Flow& flow : ReadingOrder(Elements())) {
            std::vector<Layout::Line> lines;
            const std::vector<Layout::Line> all = AttachListMarkers(words, Lines());
            for (const Element& element : flow) {
                lines.push_back(all[element.index]);
            }
            for (DraftParagraph& paragraph : BuildParagraphs(words, lines)) {
                paragraphs.push_back(std::move(paragraph));
            }
        }
        return paragraphs;
    }

    std::vector<Element> Elements() const
    {
        std::vector<Element> elements;
        const std::vector<Layout::Line> lines = AttachListMarkers(words, Lines());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            elements.push_back({Element::Kind::Line, i, lines[i].box});
        }
        return elements;
    }

    std::vector<Word> words;
};

std::string Text(const Paragraph& paragraph)
{
    std::string text;
    for (const Run& run : paragraph.runs) {
        text += run.text;
    }
    return text;
}

std::vector<std::string> Texts(const std::vector<DraftParagraph>& paragraphs)
{
    std::vector<std::string> texts;
    for (const DraftParagraph& draft : paragraphs) {
        texts.push_back(Text(draft.paragraph));
    }
    return texts;
}

} // namespace

TEST(LayoutText, WordsAndLinesJoinByScript)
{
    std::string hyphenated = "recov-";
    EXPECT_FALSE(SpaceAtLineBreak(hyphenated, "ered"));
    EXPECT_EQ(hyphenated, "recov");
    std::string compound = "Jean-";
    EXPECT_TRUE(SpaceAtLineBreak(compound, "Paul")) << "a capital after the hyphen is a new word";
    std::string chinese = "销售";
    EXPECT_FALSE(SpaceAtLineBreak(chinese, "增长"));
    std::string latin = "growth";
    EXPECT_TRUE(SpaceAtLineBreak(latin, "across"));

    const Word first{"增长", Box{0, 0, 20, 12}, 10, false, false, true};
    const Word comma{"，", Box{29, 0, 39, 12}, 10, false, false, true};
    const Word next{"北方", Box{21, 0, 41, 12}, 10, false, false, true};
    EXPECT_FALSE(SpaceBetweenWords(first, next)) << "no space between Chinese characters";
    EXPECT_FALSE(SpaceBetweenWords(first, comma)) << "nor before Chinese punctuation";
    const Word a{"and", Box{0, 0, 16, 12}, 10, false, false, false};
    const Word b{"so", Box{16.5, 0, 27, 12}, 10, false, false, false};
    EXPECT_FALSE(SpaceBetweenWords(a, b));
    EXPECT_TRUE(SpaceBetweenWords(a, Word{"so", Box{20, 0, 31, 12}, 10, false, false, false}));
}

TEST(LayoutText, MarkersAndPageNumbers)
{
    for (const char* bullet : {"•", "-", "▪", "\xEF\x82\xB7"}) {
        EXPECT_EQ(ListMarker(bullet), Marker::Bullet) << bullet;
    }
    for (const char* number : {"1.", "12)", "(3)", "a.", "iv.", "2.1", "一、", "（二）", "3、"}) {
        EXPECT_EQ(ListMarker(number), Marker::Number) << number;
    }
    for (const char* word : {"2024.", "The", "1,250", "12%", "e.g."}) {
        EXPECT_EQ(ListMarker(word), Marker::None) << word;
    }
    for (const char* number : {"7", "- 7 -", "Page 7 of 9", "第 7 页", "第3页 共9页", "7 / 9"}) {
        EXPECT_TRUE(IsPageNumber(number)) << number;
    }
    for (const char* text : {"Chapter 7", "7 rooms", "2024 年"}) {
        EXPECT_FALSE(IsPageNumber(text)) << text;
    }
}

TEST(LayoutParagraphs, WrappedLinesFormOneParagraphAndShortLinesEndIt)
{
    PageBuilder page;
    page.Line(72, 0, "The first quarter brought steady growth across every region we serve, with")
        .Line(72, 1, "the northern offices leading for the third time in a row. Costs stayed")
        .Line(72, 2, "within the plan.")
        .Line(72, 3, "Customers asked for faster delivery and clearer invoices, which shaped")
        .Line(72, 4, "the work of the second half.")
        .Line(90, 6, "An indented paragraph after a gap starts anew, wrapping over two lines")
        .Line(72, 7, "as paragraphs do.");
    const auto texts = Texts(page.Paragraphs());
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(
        texts[0],
        "The first quarter brought steady growth across every region we serve, with the "
        "northern offices leading for the third time in a row. Costs stayed within the plan.");
    EXPECT_EQ(texts[1],
              "Customers asked for faster delivery and clearer invoices, which shaped the work of "
              "the second half.");
    EXPECT_EQ(
        texts[2],
        "An indented paragraph after a gap starts anew, wrapping over two lines as paragraphs do.");
}

TEST(LayoutParagraphs, FullLinesArePartedBySpacingAloneWhenLinesOverlap)
{
    // 11 pt text on 12 pt lines: the boxes of neighbouring lines overlap
    PageBuilder page;
    const std::string full = "every line of this justified text runs to the right edge of it";
    page.Line(72, 0, full, false, 11)
        .Line(72, 1, full, false, 11)
        .Line(72, 2.6, full, false, 11)
        .Line(72, 3.6, full, false, 11);
    EXPECT_EQ(page.Paragraphs().size(), 2u);
}

TEST(LayoutParagraphs, LinesSetRightStandAloneAndKeepTheirAlignment)
{
    const std::string full = "a letter's text that runs across the whole width of its page here";
    const std::vector<std::string> lines = {"Anna Berger", "Hauptstrasse 12", "10115 Berlin"};
    PageBuilder block;
    block.Line(72, 0, full);
    const double right = block.words.back().box.right;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // words of 5.5 pt a letter with 3 pt between them end at the text's right edge
        const double width = latinWidth * static_cast<double>(lines[i].size() - 1) + size * 0.3;
        block.Line(right - width, 2 + static_cast<double>(i), lines[i]);
    }
    const auto paragraphs = block.Paragraphs();
    ASSERT_EQ(paragraphs.size(), 4u);
    for (std::size_t i = 1; i < paragraphs.size(); ++i) {
        EXPECT_EQ(Text(paragraphs[i].paragraph), lines[i - 1]);
        EXPECT_EQ(paragraphs[i].paragraph.alignment, Alignment::Right);
    }
}

TEST(LayoutParagraphs, ListsKeepTheirItemsLevelsAndWrappedLines)
{
    PageBuilder page;
    page.Line(72, 0, "•")
        .Line(90, 0, "Delivery times fell by a fifth, which customers noticed within the")
        .Line(90, 1, "first weeks.")
        .Line(90, 2, "◦")
        .Line(108, 2, "Nested point")
        .Line(72, 3, "1.")
        .Line(90, 3, "Open the eastern office.")
        .Line(72, 4, "2.")
        .Line(90, 4, "Hire two engineers.");
    const auto paragraphs = page.Paragraphs();
    ASSERT_EQ(paragraphs.size(), 4u);
    EXPECT_EQ(Text(paragraphs[0].paragraph),
              "Delivery times fell by a fifth, which customers noticed within the first weeks.");
    EXPECT_EQ(paragraphs[0].paragraph.style, ParagraphStyle::ListBullet);
    EXPECT_EQ(paragraphs[1].paragraph.listLevel, 1);
    EXPECT_EQ(paragraphs[2].paragraph.style, ParagraphStyle::ListNumber);
    EXPECT_EQ(Text(paragraphs[3].paragraph), "Hire two engineers.");
    EXPECT_EQ(paragraphs[3].paragraph.listLevel, 0);
}

TEST(LayoutReadingOrder, ColumnsAreReadOneAfterTheOther)
{
    PageBuilder page;
    page.Line(72, 0, "A heading over both columns");
    for (int row = 2; row < 6; ++row) {
        page.Line(72, row, "left column text number " + std::to_string(row))
            .Line(320, row, "right column text number " + std::to_string(row));
    }
    page.Line(72, 6, "left column tail");
    page.Line(72, 8, "After the columns");
    page.Line(72, 9,
              "a paragraph that spans the whole width of the page, below both of the columns");
    std::vector<std::string> order;
    const auto lines = page.Lines();
    for (const Flow& flow : ReadingOrder(page.Elements())) {
        for (const Element& element : flow) {
            order.push_back(page.words[lines[element.index].words.front()].text + " " +
                            page.words[lines[element.index].words.back()].text);
        }
    }
    const std::vector<std::string> expected = {
        "A columns", "left 2",  "left 3",  "left 4",  "left 5",        "left tail",
        "right 2",   "right 3", "right 4", "right 5", "After columns", "a columns"};
    EXPECT_EQ(order, expected);
}

TEST(LayoutReadingOrder, RowsOfOneColumnTextStayInOrder)
{
    PageBuilder page;
    page.Line(72, 0, "Name").Line(300, 0, "Value of the item");
    for (int row = 1; row < 5; ++row) {
        page.Line(72, row,
                  "a flowing paragraph line that runs across the page number " +
                      std::to_string(row));
    }
    const auto flows = ReadingOrder(page.Elements());
    std::size_t elements = 0;
    double top = 0;
    for (const Flow& flow : flows) {
        for (const Element& element : flow) {
            EXPECT_GE(element.box.top, top);
            top = element.box.top;
            ++elements;
        }
    }
    EXPECT_EQ(elements, 6u);
}

TEST(LayoutDocument, HeadingsBySizeAndWeightAndParagraphsJoinedOverBreaks)
{
    PageBuilder page;
    page.Line(72, 0, "Quarterly Report", true, 18)
        .Line(72, 2, "Figures by region", true, 14)
        .Line(72, 4, "Bold lead-in", true)
        .Line(72, 5,
              "A body paragraph of ordinary text that runs on to the column's right edge and")
        .Line(72, 20, "continues in the next column, and ends here.");
    auto paragraphs = page.Paragraphs();
    ASSERT_EQ(paragraphs.size(), 5u);
    paragraphs[4].opensFlow = true; // as if the last line stood at the top of the next column
    std::vector<DraftParagraph*> all;
    for (DraftParagraph& paragraph : paragraphs) {
        all.push_back(&paragraph);
    }
    JoinContinuedParagraphs(all);
    ASSERT_EQ(all.size(), 4u) << "the gap above the last line parts it, the join brings it back";
    AssignHeadings(all);
    EXPECT_EQ(paragraphs[0].paragraph.style, ParagraphStyle::Heading1);
    EXPECT_EQ(paragraphs[1].paragraph.style, ParagraphStyle::Heading2);
    EXPECT_EQ(paragraphs[2].paragraph.style, ParagraphStyle::Heading3);
    EXPECT_EQ(paragraphs[3].paragraph.style, ParagraphStyle::Normal);
    EXPECT_EQ(Text(paragraphs[3].paragraph),
              "A body paragraph of ordinary text that runs on to the column's "
              "right edge and continues in the next column, and ends here.");
    EXPECT_TRUE(paragraphs[4].paragraph.runs.empty());
}

TEST(LayoutDocument, RunningHeadersAndFootersAreFoundAcrossPages)
{
    std::vector<PageContent> pages(2);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        PageBuilder page;
        page.Line(72, -3, "Company confidential")
            .Line(400, -3, "Page " + std::to_string(p + 3) + " of 9")
            .Line(72, -1, "Section " + std::to_string(p * 5 + 1))
            .Line(72, 10, "Body text that differs on page " + std::to_string(p + 1))
            .Line(290, 60, std::to_string(p + 1));
        pages[p].words = page.words;
        pages[p].width = 595;
        pages[p].height = 842;
    }
    const auto running = FindHeadersAndFooters(pages);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        std::string kept;
        for (std::size_t i = 0; i < pages[p].words.size(); ++i) {
            if (!running[p][i]) {
                kept += pages[p].words[i].text + " ";
            }
        }
        EXPECT_EQ(kept, "Section " + std::to_string(p * 5 + 1) +
                            " Body text that differs on page " + std::to_string(p + 1) + " ")
            << "a heading near the top that differs in its number stays";
    }
}

TEST(LayoutDocument, NumbersNearTheEdgeStayUnlessTheyArePageNumbers)
{
    std::vector<PageContent> pages(2);
    const std::string longNumber(300000, '7');
    for (std::size_t p = 0; p < pages.size(); ++p) {
        PageBuilder page;
        page.Line(72, -3, longNumber)
            .Line(72, -2, p == 0 ? "Order 1 of 1234567890" : "Order 2 of 123456789")
            .Line(72, 10, "Body");
        if (p == 0) {
            page.Line(72, 58, "Total").Line(400, 58, "49"); // a table's last row
        } else {
            page.Line(290, 60, "2");
        }
        pages[p].words = page.words;
        pages[p].width = 595;
        pages[p].height = 842;
    }
    const auto running = FindHeadersAndFooters(pages);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        for (std::size_t i = 0; i < pages[p].words.size(); ++i) {
            const std::string& text = pages[p].words[i].text;
            EXPECT_EQ(running[p][i],
                      text == longNumber || (p == 1 && i + 1 == pages[p].words.size()))
                << "page " << p + 1 << ": " << text.substr(0, 20);
        }
    }
}

TEST(LayoutRecognition, TheRecognisersTableBecomesWordsInPoints)
{
    const std::string table = "level\tpage_num\tblock_num\tpar_num\tline_num\tword_"
                              "num\tleft\ttop\twidth\theight\tconf\ttext\n"
                              "4\t1\t1\t1\t1\t0\t300\t300\t900\t46\t-1\t\n"
                              "5\t1\t1\t1\t1\t1\t300\t300\t30\t30\t90\to\n"
                              "5\t1\t1\t1\t1\t2\t400\t300\t200\t46\t91\tGrowth\n"
                              "5\t1\t1\t1\t1\t3\t620\t300\t120\t46\t-1\t\n"
                              "5\t1\t1\t1\t1\t4\tx\t300\t120\t46\t90\tbroken\n"
                              "4\t1\t1\t1\t2\t0\t300\t360\t900\t46\t-1\t\n"
                              "5\t1\t1\t1\t2\t1\t300\t360\t20\t30\t90\te\n"
                              "5\t1\t1\t1\t2\t2\t330\t360\t90\t46\t90\tpoi\n";
    const auto words = ParseRecognisedWords(table, 72.0 / 300);
    ASSERT_EQ(words.size(), 4u) << "empty and malformed rows are left out";
    EXPECT_EQ(words[2].text, "e") << "a word of one letter is no bullet";
    EXPECT_EQ(words[0].text, "•") << "a bullet recognised as a letter at a line's start";
    EXPECT_EQ(words[1].text, "Growth");
    EXPECT_DOUBLE_EQ(words[1].box.left, 96);
    EXPECT_NEAR(words[1].fontSize, 46 * 72.0 / 300 / 1.15, 0.01);
}
