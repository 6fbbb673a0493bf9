// Table recognition on single pages: ruling lines in drawn pixels, tables from lines and from
// aligned columns, text that is not a table, and a table the office suite laid out.
#include "rulings.h"
#include "sharedservertest.h"
#include "tables.h"
#include "testdocuments.h"

#include <poppler-document.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <sstream>

namespace {

using namespace Layout;

constexpr double kSize = 10; // points
constexpr double kLineHeight = 11;

// A blank A4 page drawn at two pixels per point, with words placed by hand.
class PageBuilder
{
public:
    PageBuilder()
    {
        page.width = 595;
        page.height = 842;
        page.raster = Raster{1190, 1684, 2, std::vector<unsigned char>(1190 * 1684, 255)};
    }

    void Fill(const Box& box, unsigned char grey)
    {
        const double scale = page.raster.pixelsPerPoint;
        for (int y = static_cast<int>(box.top * scale); y < std::lround(box.bottom * scale); ++y) {
            for (int x = static_cast<int>(box.left * scale); x < std::lround(box.right * scale);
                 ++x) {
                page.raster.grey[static_cast<std::size_t>(y) * page.raster.width + x] = grey;
            }
        }
    }
    // A line one point thick centred on `position`.
    void HLine(double y, double from, double to)
    {
        Fill({from - 0.5, y - 0.5, to + 0.5, y + 0.5}, 0);
    }
    void VLine(double x, double from, double to)
    {
        Fill({x - 0.5, from - 0.5, x + 0.5, to + 0.5}, 0);
    }
    void Frame(const Box& box)
    {
        HLine(box.top, box.left, box.right);
        HLine(box.bottom, box.left, box.right);
        VLine(box.left, box.top, box.bottom);
        VLine(box.right, box.top, box.bottom);
    }

    static double Width(const std::string& word)
    {
        double width = 0;
        for (unsigned char c : word) {
            width += c < 0x80 ? 5.5 : (c >= 0xE0 ? 10 : 0); // a CJK character: three bytes
        }
        return width;
    }
    // Words of `text` from `left`, one space apart.
    double Text(const std::string& text, double left, double top)
    {
        std::istringstream in(text);
        for (std::string word; in >> word;) {
            page.words.push_back(
                Word{word, Box{left, top, left + Width(word), top + kLineHeight}, kSize});
            left += Width(word) + 2.75;
        }
        return left;
    }
    void RightAligned(const std::string& text, double right, double top)
    {
        Text(text, right - Width(text), top);
    }
    // `text` wrapped into lines of `width` from `left`, justified but for the last line; the
    // top of the line below.
    double Paragraph(const std::string& text, double left, double top, double width)
    {
        std::istringstream in(text);
        std::vector<std::string> line;
        double filled = 0; // the line's words without spaces
        const auto place = [&](bool last) {
            const double space =
                last || line.size() < 2 ? 2.75 : (width - filled) / (line.size() - 1.0);
            double x = left;
            for (const std::string& word : line) {
                x = Text(word, x, top) - 2.75 + space;
            }
            top += 13;
        };
        for (std::string word; in >> word;) {
            if (!line.empty() && filled + Width(word) + 2.75 * line.size() > width) {
                place(false);
                line.clear();
                filled = 0;
            }
            line.push_back(word);
            filled += Width(word);
        }
        place(true);
        return top;
    }

    PageContent page;
};

std::vector<FoundTable> Tables(const PageContent& page)
{
    return FindTables(page, FindRulings(page.raster));
}

// Each cell as "row,column[+rowSpan,columnSpan]:its words".
std::vector<std::string> Cells(const FoundTable& table, const std::vector<Word>& words)
{
    std::vector<std::string> cells;
    for (const FoundCell& cell : table.cells) {
        std::ostringstream text;
        text << cell.row << "," << cell.column;
        if (cell.rowSpan != 1 || cell.columnSpan != 1) {
            text << "+" << cell.rowSpan << "," << cell.columnSpan;
        }
        text << ":";
        for (std::size_t index = 0; index < cell.words.size(); ++index) {
            text << (index ? " " : "") << words[cell.words[index]].text;
        }
        cells.push_back(text.str());
    }
    return cells;
}

TEST(RulingsTest, LongThinLinesAndFilledEdgesAreFoundAndGlyphStrokesAreNot)
{
    PageBuilder builder;
    builder.HLine(100, 50, 150); // broken by a small gap
    builder.HLine(100, 151, 250);
    builder.HLine(200, 50, 120); // drawn twice, a point apart
    builder.HLine(201, 50, 120);
    builder.VLine(300, 50, 90);
    builder.HLine(250, 50, 58);              // a dash
    builder.Fill({300, 300, 301.5, 309}, 0); // a letter's stem
    builder.Fill({50, 400, 150, 440}, 217);  // a shaded cell: four edges
    builder.Fill({50, 500, 250, 503}, 0);    // a thick rule
    std::vector<Ruling> rulings = FindRulings(builder.page.raster);
    std::sort(rulings.begin(), rulings.end(), [](const Ruling& a, const Ruling& b) {
        return std::tuple(!a.horizontal, a.position) < std::tuple(!b.horizontal, b.position);
    });
    const std::vector<Ruling> expected = {{true, 100, 50, 250},   {true, 200.5, 50, 120},
                                          {true, 400, 50, 150},   {true, 440, 50, 150},
                                          {true, 501.5, 50, 250}, {false, 50, 400, 440},
                                          {false, 150, 400, 440}, {false, 300, 50, 90}};
    ASSERT_EQ(rulings.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(rulings[index].horizontal, expected[index].horizontal) << index;
        EXPECT_NEAR(rulings[index].position, expected[index].position, 1) << index;
        EXPECT_NEAR(rulings[index].from, expected[index].from, 1) << index;
        EXPECT_NEAR(rulings[index].to, expected[index].to, 1) << index;
    }
}

// A 3 x 3 grid at x 72, 172, 272, 372 and y 100, 120, 140, 160 with a word in each cell.
void GridWords(PageBuilder& builder)
{
    const char* texts[3][3] = {
        {"Name", "Qty", "Price"}, {"Apples", "12", "1.20"}, {"Pears", "7", "0.80"}};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            builder.Text(texts[row][column], 76 + 100 * column, 104 + 20 * row);
        }
    }
}

void GridLines(PageBuilder& builder)
{
    for (int index = 0; index < 4; ++index) {
        builder.HLine(100 + 20 * index, 72, 372);
        builder.VLine(72 + 100 * index, 100, 160);
    }
}

const std::vector<std::string> kGridCells = {"0,0:Name",   "0,1:Qty", "0,2:Price",
                                             "1,0:Apples", "1,1:12",  "1,2:1.20",
                                             "2,0:Pears",  "2,1:7",   "2,2:0.80"};

TEST(RuledTablesTest, AGridGivesItsCellsAndAShadedHeaderAddsNoRow)
{
    for (bool shaded : {false, true}) {
        PageBuilder builder;
        if (shaded) {
            builder.Fill({72, 100, 372, 120}, 217);
        }
        GridLines(builder);
        GridWords(builder);
        builder.Text("Prices below the table", 72, 180);
        builder.Fill({371.5, 161, 372.5, 170}, 0); // a letter touching the border from below
        builder.Text("lid", 370, 161);
        const auto tables = Tables(builder.page);
        ASSERT_EQ(tables.size(), 1u) << shaded;
        EXPECT_TRUE(tables[0].ruled);
        EXPECT_EQ(tables[0].columnEdges.size(), 4u);
        EXPECT_EQ(tables[0].rowEdges.size(), 4u);
        EXPECT_NEAR(tables[0].box.left, 72, 1);
        EXPECT_NEAR(tables[0].box.bottom, 160, 1);
        EXPECT_EQ(Cells(tables[0], builder.page.words), kGridCells);
    }
}

TEST(RuledTablesTest, AMissingLineMergesCellsAcrossColumnsAndRows)
{
    PageBuilder builder;
    for (double x : {72, 272, 372}) {
        builder.VLine(x, 100, 160);
    }
    builder.VLine(172, 120, 160); // none between the first two header cells
    builder.HLine(100, 72, 372);
    builder.HLine(120, 72, 372);
    builder.HLine(140, 72, 272); // none between the last column's lower two cells
    builder.HLine(160, 72, 372);
    builder.Text("Fruit and amount", 76, 104);
    builder.Text("Price", 276, 104);
    builder.Text("Apples", 76, 124);
    builder.Text("12", 176, 124);
    builder.Text("Pears", 76, 144);
    builder.Text("7", 176, 144);
    builder.Text("Same", 276, 124);
    builder.Text("price", 276, 136);
    const auto tables = Tables(builder.page);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(Cells(tables[0], builder.page.words),
              (std::vector<std::string>{"0,0+1,2:Fruit and amount", "0,2:Price", "1,0:Apples",
                                        "1,1:12", "1,2+2,1:Same price", "2,0:Pears", "2,1:7"}));
}

TEST(RuledTablesTest, TopHeaderAndBottomRulesWithAlignedTextAreATable)
{
    PageBuilder builder;
    builder.Text("Sales by region", 72, 80);
    builder.HLine(98, 72, 372);
    builder.HLine(117, 72, 372);
    builder.HLine(178, 72, 372);
    const char* texts[4][3] = {{"Region", "Sales", "Growth"},
                               {"North", "1200", "5%"},
                               {"South", "950", "3%"},
                               {"East", "80", "12%"}};
    for (int row = 0; row < 4; ++row) {
        builder.Text(texts[row][0], 76, 103 + 18 * row + (row ? 2 : 0));
        builder.RightAligned(texts[row][1], 260, 103 + 18 * row + (row ? 2 : 0));
        builder.RightAligned(texts[row][2], 360, 103 + 18 * row + (row ? 2 : 0));
    }
    const auto tables = Tables(builder.page);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_TRUE(tables[0].ruled);
    EXPECT_NEAR(tables[0].box.top, 98, 1);
    EXPECT_NEAR(tables[0].box.bottom, 178, 1);
    EXPECT_EQ(Cells(tables[0], builder.page.words),
              (std::vector<std::string>{"0,0:Region", "0,1:Sales", "0,2:Growth", "1,0:North",
                                        "1,1:1200", "1,2:5%", "2,0:South", "2,1:950", "2,2:3%",
                                        "3,0:East", "3,1:80", "3,2:12%"}));
}

TEST(AlignedTablesTest, ColumnsOfTextAndRightAlignedNumbersWithATwoLineCell)
{
    PageBuilder builder;
    builder.Text("Prices were stable across all the markets we track this week.", 72, 70);
    builder.Text("Item", 72, 100);
    builder.RightAligned("Qty", 250, 100);
    builder.RightAligned("Price", 350, 100);
    builder.Text("Apples 苹果", 72, 118);
    builder.RightAligned("12", 250, 118);
    builder.RightAligned("1.20", 350, 118);
    builder.Text("Pears", 72, 136);
    builder.RightAligned("7", 250, 136);
    builder.RightAligned("0.80", 350, 136);
    builder.Text("Cherries from", 72, 154);
    builder.RightAligned("130", 250, 154);
    builder.RightAligned("14.50", 350, 154);
    builder.Text("Spain", 72, 166);
    builder.Text("Next week we expect the same.", 72, 200);
    const auto tables = Tables(builder.page);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_FALSE(tables[0].ruled);
    EXPECT_EQ(tables[0].rowEdges.size(), 5u);
    EXPECT_EQ(Cells(tables[0], builder.page.words),
              (std::vector<std::string>{"0,0:Item", "0,1:Qty", "0,2:Price", "1,0:Apples 苹果",
                                        "1,1:12", "1,2:1.20", "2,0:Pears", "2,1:7", "2,2:0.80",
                                        "3,0:Cherries from Spain", "3,1:130", "3,2:14.50"}));
}

TEST(AlignedTablesTest, HeadersSetLeftAboveNumbersSetRightShareTheirColumn)
{
    PageBuilder builder;
    builder.Text("Item", 72, 100);
    builder.Text("Quantity", 200, 100);
    builder.Text("Amount", 330, 100);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"12", "1014.00"}, {"40", "250.00"}, {"2", "658.00"}};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const double top = 118 + 18 * static_cast<double>(row);
        builder.Text("Shelving unit", 72, top);
        builder.RightAligned(rows[row].first, 300, top);
        builder.RightAligned(rows[row].second, 420, top);
    }
    const auto tables = Tables(builder.page);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].columnEdges.size(), 4u) << "three columns, not one per alignment";
    EXPECT_EQ(Cells(tables[0], builder.page.words)[1], "0,1:Quantity");
    EXPECT_EQ(Cells(tables[0], builder.page.words)[4], "1,1:12");
}

TEST(AlignedTablesTest, TextThatOnlyLooksColumnarIsNoTable)
{
    const std::string prose = "the quick brown fox jumps over lazy dogs";
    PageBuilder twoColumns; // a gutter wider than a word gap
    for (int row = 0; row < 6; ++row) {
        twoColumns.Text(prose, 72, 100 + 13 * row);
        twoColumns.Text(prose, 320, 100 + 13 * row);
    }
    PageBuilder framed;
    framed.Frame({66, 94, 330, 150});
    for (int row = 0; row < 3; ++row) {
        framed.Text(prose, 72, 100 + 13 * row);
    }
    PageBuilder lists;
    const char* items[] = {"Apples are red", "Pears are green", "Plums are blue", "Figs are dark"};
    const char* chineseMarkers[] = {"一、", "二、", "三、", "四、"};
    const char* chineseItems[] = {"项目背景", "建设目标与范围", "实施计划", "预算"};
    for (int row = 0; row < 4; ++row) {
        lists.Text("•", 72, 100 + 13 * row);
        lists.Text(items[row], 100, 100 + 13 * row);
        lists.Text(std::to_string(row + 1) + ".", 72, 200 + 13 * row);
        lists.Text(items[row], 100, 200 + 13 * row);
        lists.Text(chineseMarkers[row], 72, 300 + 13 * row);
        lists.Text(chineseItems[row], 110, 300 + 13 * row);
    }
    PageBuilder justified; // word gaps wider than a column gap, spread differently per line
    const std::vector<std::vector<std::string>> lines = {
        {"Any", "considerable", "delay", "in", "delivery", "increases", "the", "cost"},
        {"throughout", "the", "unexpectedly", "long", "period", "of", "negotiation", "so"},
        {"that", "suppliers", "remain", "hesitant", "about", "committing", "themselves", "to"},
        {"further", "orders", "until", "the", "dispute", "is", "finally", "resolved"}};
    for (int row = 0; row < 4; ++row) {
        double width = 0;
        for (const std::string& word : lines[row]) {
            width += PageBuilder::Width(word);
        }
        double left = 72;
        for (const std::string& word : lines[row]) {
            justified.Text(word, left, 100 + 13 * row);
            left += PageBuilder::Width(word) + (450 - width) / 7;
        }
    }
    justified.Text("Annual report", 72, 800); // a footer with its page number
    justified.RightAligned("7", 522, 800);
    PageBuilder picture; // a grid in a picture's pixels
    GridLines(picture);
    picture.page.pictures.push_back(Picture{"", "png", Box{60, 90, 380, 170}});
    picture.Text("Sales", 76, 104);
    for (const PageBuilder* page : {&twoColumns, &framed, &lists, &justified, &picture}) {
        const auto tables = Tables(page->page);
        EXPECT_TRUE(tables.empty())
            << page->page.words.front().text << " "
            << (tables.empty() ? "" : testing::PrintToString(Cells(tables[0], page->page.words)));
    }
    picture.page.recognised = true; // a scan: the picture is the page
    EXPECT_EQ(Tables(picture.page).size(), 1u);
}

TEST(AlignedTablesTest, LabelsBesideWrappedParagraphsAreNoTableButBesideOneLineTextsAre)
{
    const std::vector<std::pair<std::string, std::string>> sections = {
        {"Experience",
         "Led a team of six engineers building the billing system for a national retailer, and "
         "moved its nightly batch jobs to a streaming design that cut the time to invoice from "
         "two days to under an hour."},
        {"Skills", "Distributed systems, relational databases and query tuning, C++ and Python, "
                   "test automation, and mentoring new colleagues through their first year."},
        {"Languages", "English and German fluently, conversational French, and enough Spanish "
                      "to read technical documentation without help."}};
    for (double sectionGap : {0, 6}) {
        PageBuilder cv;
        double top = 100;
        for (const auto& [label, text] : sections) {
            cv.Text(label, 72, top);
            top = cv.Paragraph(text, 180, top, 342) + sectionGap;
        }
        const auto wrapped = Tables(cv.page);
        EXPECT_TRUE(wrapped.empty())
            << sectionGap << " "
            << (wrapped.empty() ? "" : testing::PrintToString(Cells(wrapped[0], cv.page.words)));
    }

    PageBuilder glossary; // each text on one line, the next row opening a new one
    const std::vector<std::pair<std::string, std::string>> terms = {
        {"Invoice", "A bill sent to a customer for goods already delivered"},
        {"Ledger", "The book in which every payment of the year is recorded"},
        {"Voucher", "Proof of a payment kept for the auditors of the company"}};
    for (std::size_t row = 0; row < terms.size(); ++row) {
        glossary.Text(terms[row].first, 72, 100 + 15 * static_cast<double>(row));
        glossary.Text(terms[row].second, 180, 100 + 15 * static_cast<double>(row));
    }
    const auto oneLine = Tables(glossary.page);
    ASSERT_EQ(oneLine.size(), 1u);
    EXPECT_EQ(oneLine[0].rowEdges.size(), 4u);
}

// The page's words and pixels as poppler gives them.
PageContent ReadPage(const poppler::page& page)
{
    PageContent content;
    const poppler::rectf size = page.page_rect();
    content.width = size.width();
    content.height = size.height();
    for (const poppler::text_box& box : page.text_list(poppler::page::text_list_include_font)) {
        const poppler::byte_array utf8 = box.text().to_utf8();
        const poppler::rectf rect = box.bbox();
        content.words.push_back(
            Word{std::string(utf8.begin(), utf8.end()),
                 Box{rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()},
                 box.get_font_size()});
    }
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    const poppler::image image = renderer.render_page(&page, 144, 144);
    content.raster.width = image.width();
    content.raster.height = image.height();
    content.raster.pixelsPerPoint = 2;
    for (int y = 0; y < image.height(); ++y) {
        const char* row = image.const_data() + static_cast<std::size_t>(y) * image.bytes_per_row();
        content.raster.grey.insert(content.raster.grey.end(), row, row + image.width());
    }
    return content;
}

TEST(OfficeTableTest, TablesTheOfficeSuiteDrewAreFoundWithTheirCells)
{
    ScratchDirectory scratch("tables");
    const std::filesystem::path html = scratch.Path() / "tables.html";
    ASSERT_TRUE(TestDocuments::WriteText(
        html,
        "<html><body><h1>Quarterly figures</h1>"
        "<p>Sales by region and city, as the board asked for them in its last meeting.</p>"
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">"
        "<tr bgcolor=\"#D9D9D9\"><td colspan=\"2\">Region and city</td><td>Sales</td></tr>"
        "<tr><td rowspan=\"2\">North</td><td>Leeds</td><td>1200</td></tr>"
        "<tr><td>York</td><td>950</td></tr>"
        "<tr><td>South</td><td>Bath</td><td>300</td></tr></table>"
        "<p>Costs by department:</p>"
        "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" width=\"70%\">"
        "<tr><td>Department</td><td align=\"right\">Budget</td><td align=\"right\">Spent</td></tr>"
        "<tr><td>Engineering</td><td align=\"right\">120,000</td><td "
        "align=\"right\">98,500</td></tr>"
        "<tr><td>Marketing</td><td align=\"right\">45,000</td><td align=\"right\">51,200</td></tr>"
        "</table><p>The figures are provisional.</p>"
        // a page laid out in two columns with a table without lines: a sidebar of short lines
        // beside paragraphs that run past them
        "<table width=\"100%\"><tr><td width=\"35%\" valign=\"top\"><h3>Contact</h3>"
        "<p>maria@example.org<br>+39 055 123456<br>Florence, Italy</p><h3>Skills</h3><ul>"
        "<li>C++ and Python</li><li>Data analysis</li><li>Team leadership</li></ul></td>"
        "<td width=\"65%\" valign=\"top\"><h3>Experience</h3><p><b>Senior Engineer</b>, Acme "
        "Srl, 2019–2025. Led a team of six building the company's measurement software; reduced "
        "processing time by forty percent.</p><p><b>Engineer</b>, Beta SpA, 2014–2019. Wrote "
        "firmware for industrial sensors and the tools used to calibrate them in the factory.</p>"
        "</td></tr></table></body></html>"));
    TestDocuments::Capture({"soffice", "--headless",
                            "-env:UserInstallation=file://" + (scratch.Path() / "profile").string(),
                            "--infilter=HTML (StarWriter)", "--convert-to", "pdf", "--outdir",
                            scratch.Path().string(), html.string()});
    const std::unique_ptr<poppler::document> pdf(
        poppler::document::load_from_file((scratch.Path() / "tables.pdf").string()));
    ASSERT_TRUE(pdf) << "the office suite wrote no PDF";
    const std::unique_ptr<poppler::page> page(pdf->create_page(0));
    ASSERT_TRUE(page);
    const PageContent content = ReadPage(*page);
    const auto tables = Tables(content);
    ASSERT_EQ(tables.size(), 2u) << "the two-column layout is read as text, not cut into rows";
    EXPECT_TRUE(tables[0].ruled);
    EXPECT_EQ(Cells(tables[0], content.words),
              (std::vector<std::string>{"0,0+1,2:Region and city", "0,2:Sales", "1,0+2,1:North",
                                        "1,1:Leeds", "1,2:1200", "2,1:York", "2,2:950", "3,0:South",
                                        "3,1:Bath", "3,2:300"}));
    EXPECT_FALSE(tables[1].ruled);
    EXPECT_EQ(Cells(tables[1], content.words),
              (std::vector<std::string>{"0,0:Department", "0,1:Budget", "0,2:Spent",
                                        "1,0:Engineering", "1,1:120,000", "1,2:98,500",
                                        "2,0:Marketing", "2,1:45,000", "2,2:51,200"}));
}

} // namespace
