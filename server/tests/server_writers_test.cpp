// The Word, Excel and PowerPoint writers of a recovered document: the parts they write, and
// the office suite opening them.
#include "cellnumber.h"
#include "docxwriter.h"
#include "ooxmlcommon.h"
#include "pptxwriter.h"
#include "tablegrid.h"
#include "testdocuments.h"
#include "xlsxwriter.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <sstream>

namespace fs = std::filesystem;
using namespace Layout;

namespace {

const std::string kSpecialText = "Fish & chips <b> 1 > 0 done";

Paragraph Text(ParagraphStyle style, std::vector<Run> runs, double top, int level = 0)
{
    Paragraph paragraph;
    paragraph.style = style;
    paragraph.listLevel = level;
    paragraph.runs = std::move(runs);
    paragraph.box = Box{72, top, 400, top + 14};
    return paragraph;
}

Paragraph Text(ParagraphStyle style, const std::string& text, double top, int level = 0)
{
    return Text(style, {Run{text}}, top, level);
}

Cell MakeCell(int row, int column, const std::string& text, int rowSpan = 1, int columnSpan = 1)
{
    return Cell{row, column, rowSpan, columnSpan, {Text(ParagraphStyle::Normal, text, 0)}};
}

// Two pages of different sizes: every paragraph style, runs of each look, Chinese, text XML
// must escape with a control character it cannot hold, a table with cells merged across
// columns and across rows, and a picture.
Document Sample(const std::string& png)
{
    Page first;
    first.width = 595.3;
    first.height = 841.9;
    first.body = Box{72, 72, 523, 770};
    first.blocks = {
        Text(ParagraphStyle::Heading1, "Quarterly report", 72),
        Text(
            ParagraphStyle::Normal,
            {Run{"Plain "}, Run{"bold", true, false, 12}, Run{" and "}, Run{"italic", false, true}},
            100),
        Text(ParagraphStyle::Normal, "中文段落测试", 120),
        Text(ParagraphStyle::Normal, "Fish & chips <b> 1 > 0\x01 done", 140),
        Text(ParagraphStyle::Heading2, "Figures", 160),
        Text(ParagraphStyle::Heading3, "Details", 180),
        Text(ParagraphStyle::ListBullet, "First point", 200),
        Text(ParagraphStyle::ListBullet, "Nested point", 220, 1),
        Text(ParagraphStyle::ListNumber, "Step one", 240),
        Text(ParagraphStyle::ListNumber, "Step two", 260),
    };
    Table table;
    table.columnWidths = {100, 80, 120};
    table.rowHeights = {20, 20, 20, 20};
    table.box = Box{72, 300, 372, 380};
    table.cells = {MakeCell(0, 0, "Region", 1, 2), MakeCell(0, 2, "Total"),
                   MakeCell(1, 0, "North", 2, 1),  MakeCell(1, 1, "Q1"),
                   MakeCell(1, 2, "1,234.50"),     MakeCell(2, 1, "Q2"),
                   MakeCell(2, 2, "12%"),          MakeCell(3, 0, "South"),
                   MakeCell(3, 1, "Q3"),           MakeCell(3, 2, "¥1,200")};
    table.cells[1].paragraphs.push_back(Text(ParagraphStyle::Normal, "in euros", 0));
    first.blocks.emplace_back(table);

    Page second;
    second.width = 841.9;
    second.height = 595.3;
    second.body = Box{72, 72, 770, 523};
    second.blocks = {Picture{png, "png", Box{72, 72, 272, 172}},
                     Text(ParagraphStyle::Normal, "Second page text", 200)};
    return Document{{first, second}};
}

pugi::xml_document Part(const fs::path& file, const std::string& name)
{
    pugi::xml_document xml;
    const std::string text = TestDocuments::ZipMember(file, name);
    EXPECT_TRUE(xml.load_string(text.c_str())) << name;
    return xml;
}

std::vector<pugi::xml_node> All(const pugi::xml_node& root, const std::string& query)
{
    std::vector<pugi::xml_node> nodes;
    for (const pugi::xpath_node& found : root.select_nodes(query.c_str())) {
        nodes.push_back(found.node());
    }
    return nodes;
}

std::string Value(const pugi::xml_node& root, const std::string& query)
{
    return root.select_node(query.c_str()).node().text().get();
}

class WritersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("writers-" + std::to_string(getpid()));
        fs::create_directories(dir);
        ASSERT_TRUE(TestDocuments::WritePng(dir / "picture.png", 40, 20));
        png = TestDocuments::Read(dir / "picture.png");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Writes with `write`, checks the file is complete and alone, and returns its path.
    fs::path
    Written(const std::function<bool(const Document&, const fs::path&, std::string&)>& write,
            const Document& document, const std::string& name)
    {
        const fs::path file = dir / name;
        std::string error;
        EXPECT_TRUE(write(document, file, error)) << error;
        EXPECT_FALSE(fs::exists(file.string() + ".part"));
        const auto members = TestDocuments::ZipMembers(file);
        EXPECT_FALSE(members.empty());
        if (!members.empty()) {
            EXPECT_EQ(members.front(), "[Content_Types].xml");
        }
        return file;
    }

    // The office suite's PDF of `file`, "" when it could not open it.
    fs::path ToPdf(const fs::path& file)
    {
        TestDocuments::Capture({"soffice", "--headless",
                                "-env:UserInstallation=file://" + (dir / "profile").string(),
                                "--convert-to", "pdf", "--outdir", dir.string(), file.string()});
        fs::path pdf = file;
        pdf.replace_extension(".pdf");
        return fs::exists(pdf) ? pdf : fs::path();
    }

    std::string PdfText(const fs::path& file)
    {
        const fs::path pdf = ToPdf(file);
        EXPECT_FALSE(pdf.empty()) << "the office suite could not open " << file;
        return pdf.empty() ? "" : TestDocuments::Capture({"pdftotext", pdf.string(), "-"});
    }

    fs::path dir;
    std::string png;
};

// An attribute that must be a plain integer; fails the test otherwise.
long long Integer(const pugi::xml_attribute& attribute)
{
    const std::string text = attribute.value();
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc() && end == text.data() + text.size() && !text.empty())
        << attribute.name() << "=\"" << text << "\"";
    return value;
}

long long Sum(const std::vector<pugi::xml_node>& nodes, const char* attribute)
{
    long long sum = 0;
    for (const pugi::xml_node& node : nodes) {
        sum += Integer(node.attribute(attribute));
    }
    return sum;
}

// The width and height of each page of a PDF, from pdfinfo.
std::vector<std::pair<double, double>> PageSizes(const fs::path& pdf)
{
    std::istringstream lines(TestDocuments::Capture({"pdfinfo", "-f", "1", "-l", "99", pdf}));
    std::vector<std::pair<double, double>> sizes;
    for (std::string line; std::getline(lines, line);) {
        double width = 0;
        double height = 0;
        if (std::sscanf(line.c_str(), "Page %*d size: %lf x %lf", &width, &height) == 2) {
            sizes.emplace_back(width, height);
        }
    }
    return sizes;
}

Table HeaderTable(const std::vector<double>& widths, const std::vector<std::string>& headers)
{
    Table table;
    table.columnWidths = widths;
    table.rowHeights = {20};
    table.box = Box{72, 100, 72, 120};
    for (std::size_t column = 0; column < headers.size(); ++column) {
        table.box.right += widths[column];
        table.cells.push_back(MakeCell(0, static_cast<int>(column), headers[column]));
    }
    return table;
}

void ExpectTexts(const std::string& text, const std::vector<std::string>& expected)
{
    for (const std::string& piece : expected) {
        EXPECT_NE(text.find(piece), std::string::npos) << piece << " missing from:\n" << text;
    }
}

TEST_F(WritersTest, WordDocumentHasStylesListsTableSectionsAndPicture)
{
    // Two more pages of the second page's size: one a paragraph starts, one a table starts.
    Document sample = Sample(png);
    for (int page = 0; page < 2; ++page) {
        sample.pages.push_back(sample.pages.back());
        sample.pages.back().blocks = {Text(ParagraphStyle::Normal, "Third page text", 100)};
    }
    Table last;
    last.cells = {MakeCell(0, 0, "Fourth page table")};
    last.box = Box{72, 100, 372, 120};
    sample.pages.back().blocks = {last};
    const fs::path file = Written(WriteDocx, sample, "sample.docx");
    const auto styles = Part(file, "word/styles.xml");
    for (int level = 1; level <= 3; ++level) {
        const std::string style = "//w:style[@w:styleId='Heading" + std::to_string(level) + "']";
        EXPECT_EQ(styles.select_node((style + "/w:name").c_str()).node().attribute("w:val").value(),
                  "heading " + std::to_string(level));
        EXPECT_EQ(styles.select_node((style + "//w:outlineLvl").c_str())
                      .node()
                      .attribute("w:val")
                      .as_int(-1),
                  level - 1);
    }

    const auto document = Part(file, "word/document.xml");
    const pugi::xml_node body = document.child("w:document").child("w:body");
    std::vector<std::string> used;
    for (pugi::xml_node paragraph : All(body, "w:p")) {
        used.emplace_back(paragraph.child("w:pPr").child("w:pStyle").attribute("w:val").value());
    }
    const std::vector<std::string> expected = {
        "Heading1", "Normal",     "Normal",     "Normal",     "Heading2",
        "Heading3", "ListBullet", "ListBullet", "ListNumber", "ListNumber",
        "Normal",   "Normal",     "Normal",     "Normal",     "Normal"};
    // After the table: the paragraph ending the section, the picture's, the second page's
    // text, the third's, and the one a document ends with after a table.
    EXPECT_EQ(used, expected);
    EXPECT_FALSE(body.select_node("w:p[13]/w:pPr/w:pageBreakBefore"));
    EXPECT_TRUE(body.select_node("w:p[14]/w:pPr/w:pageBreakBefore"));
    EXPECT_TRUE(body.select_node("w:p[14]/w:r/w:br[@w:type='page']"));
    EXPECT_EQ(All(body, "w:p[2]/w:r/w:rPr/w:b").size(), 1u);
    EXPECT_EQ(All(body, "w:p[2]/w:r/w:rPr/w:i").size(), 1u);
    EXPECT_EQ(Value(body, "w:p[2]/w:r[w:rPr/w:b]/w:t"), "bold");
    EXPECT_STREQ(body.select_node("w:p[2]/w:r/w:rPr/w:sz").node().attribute("w:val").value(), "24");
    EXPECT_STREQ(
        body.select_node("w:p[3]/w:r/w:rPr/w:rFonts").node().attribute("w:eastAsia").value(),
        "Noto Serif CJK SC");
    EXPECT_EQ(Value(body, "w:p[4]/w:r/w:t"), kSpecialText);
    EXPECT_EQ(All(body, "w:p/w:pPr/w:numPr").size(), 4u);
    EXPECT_STREQ(body.select_node("w:p[8]/w:pPr/w:numPr/w:ilvl").node().attribute("w:val").value(),
                 "1");

    const auto rows = All(body, "w:tbl[1]/w:tr");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(All(body, "w:tbl[1]/w:tblGrid/w:gridCol").size(), 3u);
    // 100 points, a tenth more and the cell margins.
    EXPECT_STREQ(body.select_node("w:tbl/w:tblGrid/w:gridCol").node().attribute("w:w").value(),
                 "2416");
    for (const pugi::xml_node& row : rows) {
        int columns = 0;
        for (pugi::xml_node cell : row.children("w:tc")) {
            columns += cell.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int(1);
        }
        EXPECT_EQ(columns, 3);
    }
    EXPECT_STREQ(rows[0].select_node("w:tc[1]/w:tcPr/w:gridSpan").node().attribute("w:val").value(),
                 "2");
    EXPECT_STREQ(rows[1].select_node("w:tc[1]/w:tcPr/w:vMerge").node().attribute("w:val").value(),
                 "restart");
    EXPECT_STREQ(rows[2].select_node("w:tc[1]/w:tcPr/w:vMerge").node().attribute("w:val").value(),
                 "continue");
    EXPECT_EQ(Value(rows[2], "w:tc[2]//w:t"), "Q2");

    // One section a page size; the picture inline on the second page, within its width.
    const auto sections = All(body, "//w:sectPr/w:pgSz");
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_STREQ(sections[0].attribute("w:w").value(), "11906");
    EXPECT_STREQ(sections[1].attribute("w:orient").value(), "landscape");
    const pugi::xml_node extent = body.select_node("//wp:inline/wp:extent").node();
    EXPECT_EQ(extent.attribute("cx").as_llong(), 200LL * 12700);
    const std::string embed = body.select_node("//a:blip").node().attribute("r:embed").value();
    const auto links = Part(file, "word/_rels/document.xml.rels");
    const std::string target =
        links.select_node(("//*[@Id='" + embed + "']").c_str()).node().attribute("Target").value();
    EXPECT_EQ(TestDocuments::ZipMember(file, "word/" + target), png);

    const fs::path pdf = ToPdf(file);
    ASSERT_FALSE(pdf.empty());
    ExpectTexts(TestDocuments::Capture({"pdftotext", pdf.string(), "-"}),
                {"Quarterly report", "中文段落测试", kSpecialText, "Step two", "North", "1,234.50",
                 "Second page text"});
    const std::string info =
        TestDocuments::Capture({"pdfinfo", "-f", "1", "-l", "9", pdf.string()});
    ExpectTexts(info, {"Pages:           4", "Page    1 size:  595.3", "Page    4 size:  841.8"});
    const auto pageText = [&pdf](const std::string& page) {
        return TestDocuments::Capture({"pdftotext", "-f", page, "-l", page, pdf.string(), "-"});
    };
    ExpectTexts(pageText("3"), {"Third page text"});
    ExpectTexts(pageText("4"), {"Fourth page table"});
    // The office suite takes the headings for headings: they are the PDF's outline.
    ExpectTexts(TestDocuments::Capture({"pdftohtml", "-xml", "-stdout", "-i", pdf.string()}),
                {">Quarterly report</", ">Figures</"});
}

TEST_F(WritersTest, WorkbookHasOneSheetAPageWithNumbersAndMergedCells)
{
    const fs::path file = Written(WriteXlsx, Sample(png), "sample.xlsx");
    const auto workbook = Part(file, "xl/workbook.xml");
    const auto sheets = All(workbook, "//sheet");
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_STREQ(sheets[0].attribute("name").value(), "Page 1");
    EXPECT_STREQ(sheets[1].attribute("name").value(), "Page 2");

    // Ten paragraphs in A1..A10, an empty row, the table from row 12.
    const auto sheet = Part(file, "xl/worksheets/sheet1.xml");
    const auto cell = [&sheet](const std::string& reference) {
        return sheet.select_node(("//c[@r='" + reference + "']").c_str()).node();
    };
    EXPECT_STREQ(cell("A10").attribute("t").value(), "s");
    EXPECT_TRUE(cell("A11").empty());
    const std::vector<std::pair<std::string, double>> numbers = {
        {"C13", 1234.5}, {"C14", 0.12}, {"C15", 1200}};
    for (const auto& [reference, value] : numbers) {
        EXPECT_STREQ(cell(reference).attribute("t").value(), "n") << reference;
        EXPECT_DOUBLE_EQ(cell(reference).child("v").text().as_double(), value) << reference;
    }
    std::vector<std::string> merged;
    for (const pugi::xml_node& range : All(sheet, "//mergeCell")) {
        merged.emplace_back(range.attribute("ref").value());
    }
    EXPECT_EQ(merged, (std::vector<std::string>{"A12:B12", "A13:A14"}));
    EXPECT_EQ(All(sheet, "//col").size(), 3u);

    const auto strings = Part(file, "xl/sharedStrings.xml");
    const auto text = [&](const std::string& reference) {
        const int index = cell(reference).child("v").text().as_int(-1);
        return Value(strings, "//si[" + std::to_string(index + 1) + "]/t");
    };
    EXPECT_EQ(text("A4"), kSpecialText);
    EXPECT_EQ(text("C12"), "Total\nin euros");
    const auto styles = Part(file, "xl/styles.xml");
    const std::string look =
        "//cellXfs/xf[" + std::to_string(cell("C12").attribute("s").as_int() + 1) + "]";
    EXPECT_TRUE(
        styles.select_node((look + "/alignment").c_str()).node().attribute("wrapText").as_bool());

    ExpectTexts(PdfText(file),
                {"Quarterly report", "中文段落测试", kSpecialText, "• First point", "2. Step two",
                 "Region", "1,234.50", "12%", "¥1,200", "Second page text"});
}

TEST_F(WritersTest, PresentationHasASlideAPageWithBoxesTableAndPicture)
{
    const fs::path file = Written(WritePptx, Sample(png), "sample.pptx");
    const auto presentation = Part(file, "ppt/presentation.xml");
    EXPECT_EQ(All(presentation, "//p:sldId").size(), 2u);
    EXPECT_EQ(presentation.select_node("//p:sldSz").node().attribute("cx").as_llong(),
              std::llround(595.3 * 12700));

    const auto slide = Part(file, "ppt/slides/slide1.xml");
    const auto boxes = All(slide, "//p:sp[p:nvSpPr/p:cNvSpPr/@txBox='1']");
    ASSERT_EQ(boxes.size(), 10u);
    const pugi::xml_node offset = boxes[0].select_node("p:spPr/a:xfrm/a:off").node();
    EXPECT_EQ(offset.attribute("x").as_llong(), 72LL * 12700);
    EXPECT_GT(boxes[0].select_node("p:spPr/a:xfrm/a:ext").node().attribute("cx").as_llong(),
              328LL * 12700);
    EXPECT_STREQ(boxes[0].select_node(".//a:rPr").node().attribute("b").value(), "1");
    EXPECT_EQ(Value(boxes[3], ".//a:t"), kSpecialText);
    EXPECT_TRUE(boxes[6].select_node(".//a:buChar"));
    EXPECT_STREQ(boxes[9].select_node(".//a:buAutoNum").node().attribute("startAt").value(), "2");

    const auto rows = All(slide, "//a:tbl/a:tr");
    ASSERT_EQ(rows.size(), 4u);
    for (const pugi::xml_node& row : rows) {
        EXPECT_EQ(All(row, "a:tc").size(), 3u);
    }
    EXPECT_STREQ(rows[0].select_node("a:tc[1]").node().attribute("gridSpan").value(), "2");
    EXPECT_STREQ(rows[0].select_node("a:tc[2]").node().attribute("hMerge").value(), "1");
    EXPECT_STREQ(rows[1].select_node("a:tc[1]").node().attribute("rowSpan").value(), "2");
    EXPECT_STREQ(rows[2].select_node("a:tc[1]").node().attribute("vMerge").value(), "1");

    // The landscape page is scaled to fit the portrait slide.
    const auto second = Part(file, "ppt/slides/slide2.xml");
    const pugi::xml_node picture = second.select_node("//p:pic").node();
    ASSERT_TRUE(picture);
    EXPECT_LT(picture.select_node(".//a:ext").node().attribute("cx").as_llong(), 200LL * 12700);
    const std::string embed = picture.select_node(".//a:blip").node().attribute("r:embed").value();
    const auto links = Part(file, "ppt/slides/_rels/slide2.xml.rels");
    const std::string target =
        links.select_node(("//*[@Id='" + embed + "']").c_str()).node().attribute("Target").value();
    EXPECT_EQ(TestDocuments::ZipMember(file, (fs::path("ppt/slides") / target).lexically_normal()),
              png);

    const fs::path pdf = ToPdf(file);
    ASSERT_FALSE(pdf.empty());
    ExpectTexts(TestDocuments::Capture({"pdftotext", pdf.string(), "-"}),
                {"Quarterly report", "中文段落测试", kSpecialText, "Step two", "North", "¥1,200",
                 "Second page text"});
    ExpectTexts(TestDocuments::Capture({"pdfinfo", pdf.string()}), {"Pages:           2"});
}

TEST_F(WritersTest, WordMarginsComeFromTheBodyWithinBounds)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    // The default A4 page: a third of its width is 3969 twips, of its height 5613.
    struct Case
    {
        Box body;
        std::vector<int> margins; // top, right, bottom, left in twips
    };
    const std::vector<Case> cases = {
        {{72, 72, 523, 300}, {1440, 1446, 1440, 1440}}, // a short letter: bottom as top
        {{72, 72, 523, 800}, {1440, 1446, 838, 1440}},  // a full page keeps its own
        {{250, 350, 560, 800}, {5613, 706, 838, 3969}}, // text far right and low
        {{10, 10, 300, 830}, {200, 3969, 200, 200}},    // text in the left half
        {{-kInfinity, 72, kInfinity, 300}, {1440, 0, 1440, 0}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Page page;
        page.body = cases[i].body;
        page.blocks = {Text(ParagraphStyle::Normal, "Dear reader", 80)};
        const fs::path file =
            Written(WriteDocx, Document{{page}}, "margins" + std::to_string(i) + ".docx");
        const pugi::xml_document document = Part(file, "word/document.xml");
        const pugi::xml_node margins = document.select_node("//w:sectPr/w:pgMar").node();
        std::vector<int> found;
        for (const char* side : {"w:top", "w:right", "w:bottom", "w:left"}) {
            found.push_back(static_cast<int>(Integer(margins.attribute(side))));
        }
        EXPECT_EQ(found, cases[i].margins) << "case " << i;
    }
}

TEST_F(WritersTest, TableColumnsHoldTheirTextBesideTheCellMargins)
{
    // Each column exactly as wide as its four Chinese characters of 11 points.
    const std::vector<std::string> headers = {"营业收入", "利润总额"};
    Page page;
    page.body = Box{72, 72, 523, 770};
    page.blocks = {HeaderTable({44, 44}, headers)};
    const Document narrow{{page}};
    page.blocks = {HeaderTable({300, 300}, {"Wide", "Wider"})};
    const Document wide{{page}};

    const fs::path docx = Written(WriteDocx, narrow, "narrow.docx");
    const auto document = Part(docx, "word/document.xml");
    const auto columns = All(document, "//w:gridCol");
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(Integer(columns[0].attribute("w:w")), ToTwips(44 * 1.1 + 2 * 5.4));
    EXPECT_EQ(Integer(document.select_node("//w:tc/w:tcPr/w:tcW").node().attribute("w:w")),
              Integer(columns[0].attribute("w:w")));
    const fs::path pptx = Written(WritePptx, narrow, "narrow.pptx");
    const auto slide = Part(pptx, "ppt/slides/slide1.xml");
    const auto slideColumns = All(slide, "//a:gridCol");
    ASSERT_EQ(slideColumns.size(), 2u);
    EXPECT_EQ(Integer(slideColumns[0].attribute("w")), ToEmu(44 * 1.1 + 2 * 3.6));
    EXPECT_EQ(Integer(slide.select_node("//p:graphicFrame/p:xfrm/a:ext").node().attribute("cx")),
              Sum(slideColumns, "w"));
    // No header breaks between its characters.
    for (const fs::path& file : {docx, pptx}) {
        ExpectTexts(PdfText(file), headers);
    }

    // A table wider than the body is scaled down to it.
    const auto wideDocument = Part(Written(WriteDocx, wide, "wide.docx"), "word/document.xml");
    EXPECT_NEAR(Sum(All(wideDocument, "//w:gridCol"), "w:w"), ToTwips(451), 1);
    const auto wideSlide = Part(Written(WritePptx, wide, "wide.pptx"), "ppt/slides/slide1.xml");
    EXPECT_NEAR(Sum(All(wideSlide, "//a:gridCol"), "w"), ToEmu(451), 1);
}

TEST_F(WritersTest, BoxesOutsideAnyPageGiveBoundedFiniteSizes)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Box> boxes = {{72, -7.18e10, 400, 14},
                                    {kNan, kNan, kNan, kNan},
                                    {1e300, 1e300, kInfinity, kInfinity},
                                    {-kInfinity, -kInfinity, kInfinity, kInfinity},
                                    {500, 800, 5000, 9000}};
    Page page;
    for (const Box& box : boxes) {
        Paragraph paragraph = Text(ParagraphStyle::Normal, "Adrift", 0);
        paragraph.box = box;
        page.blocks.emplace_back(paragraph);
        page.blocks.emplace_back(Picture{png, "png", box});
    }
    Table table = HeaderTable({kNan, kInfinity, 1e300, -5}, {"a", "b", "c", "d"});
    table.rowHeights = {kInfinity};
    table.box = Box{kNan, -1e300, kInfinity, kNan};
    page.blocks.emplace_back(table);
    const Document document{{page}};

    const fs::path pptx = Written(WritePptx, document, "adrift.pptx");
    const auto slide = Part(pptx, "ppt/slides/slide1.xml");
    const long long width = 7560310; // 595.3 points
    const long long height = 10692130;
    // The shapes' boxes, not the shape tree's own.
    const auto offsets = All(slide, "//a:off[not(ancestor::p:grpSpPr)]");
    const auto extents = All(slide, "//a:ext[not(ancestor::p:grpSpPr)]");
    ASSERT_EQ(offsets.size(), 2 * boxes.size() + 1);
    ASSERT_EQ(extents.size(), offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const long long x = Integer(offsets[i].attribute("x"));
        const long long y = Integer(offsets[i].attribute("y"));
        const long long cx = Integer(extents[i].attribute("cx"));
        const long long cy = Integer(extents[i].attribute("cy"));
        EXPECT_TRUE(x >= 0 && cx >= 0 && x + cx <= width) << i << ": " << x << " " << cx;
        EXPECT_TRUE(y >= 0 && cy >= 0 && y + cy <= height) << i << ": " << y << " " << cy;
    }
    for (const pugi::xml_node& column : All(slide, "//a:gridCol")) {
        EXPECT_LE(Integer(column.attribute("w")), height);
    }
    EXPECT_LE(Integer(slide.select_node("//a:tr").node().attribute("h")), height);
    EXPECT_FALSE(ToPdf(pptx).empty());

    // Word pictures fit the text area; spreadsheet columns are 1 to 255 characters wide.
    const auto word = Part(Written(WriteDocx, document, "adrift.docx"), "word/document.xml");
    const auto pictures = All(word, "//wp:extent");
    ASSERT_EQ(pictures.size(), boxes.size());
    for (const pugi::xml_node& extent : pictures) {
        const long long cx = Integer(extent.attribute("cx"));
        const long long cy = Integer(extent.attribute("cy"));
        EXPECT_TRUE(cx > 0 && cx <= ToEmu(451.3)) << cx;
        EXPECT_TRUE(cy > 0 && cy <= ToEmu(697.9)) << cy;
    }
    const auto sheet =
        Part(Written(WriteXlsx, document, "adrift.xlsx"), "xl/worksheets/sheet1.xml");
    const auto columns = All(sheet, "//col");
    ASSERT_EQ(columns.size(), 4u);
    for (const pugi::xml_node& column : columns) {
        const double characters = column.attribute("width").as_double(kNan);
        EXPECT_TRUE(characters >= 1 && characters <= 255) << column.attribute("width").value();
    }
}

TEST_F(WritersTest, LandscapePagesGiveLandscapeSheets)
{
    Page portrait;
    portrait.blocks = {Text(ParagraphStyle::Normal, "Upright", 72)};
    Page landscape;
    landscape.width = 841.9;
    landscape.height = 595.3;
    Table table = HeaderTable({100, 100}, {"Merged", ""});
    table.cells.pop_back();
    table.cells.back().columnSpan = 2;
    landscape.blocks = {table};
    const fs::path file = Written(WriteXlsx, Document{{portrait, landscape}}, "turned.xlsx");

    EXPECT_FALSE(Part(file, "xl/worksheets/sheet1.xml").select_node("//pageSetup"));
    const auto sheet = Part(file, "xl/worksheets/sheet2.xml");
    std::vector<std::string> order;
    for (const pugi::xml_node& child : sheet.child("worksheet").children()) {
        order.emplace_back(child.name());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"cols", "sheetData", "mergeCells", "pageSetup"}));
    EXPECT_STREQ(sheet.select_node("//pageSetup").node().attribute("orientation").value(),
                 "landscape");

    const fs::path pdf = ToPdf(file);
    ASSERT_FALSE(pdf.empty());
    const auto sizes = PageSizes(pdf);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_LT(sizes[0].first, sizes[0].second);
    EXPECT_GT(sizes[1].first, sizes[1].second);
}

TEST_F(WritersTest, EmptyDocumentsStillOpen)
{
    for (const auto& [write, name] :
         std::vector<std::pair<std::function<bool(const Document&, const fs::path&, std::string&)>,
                               std::string>>{
             {WriteDocx, "empty.docx"}, {WriteXlsx, "empty.xlsx"}, {WritePptx, "empty.pptx"}}) {
        EXPECT_FALSE(ToPdf(Written(write, Document{}, name)).empty()) << name;
    }
    const auto document = Part(dir / "empty.docx", "word/document.xml");
    EXPECT_EQ(All(document, "//w:body/w:p").size(), 1u);
}

TEST_F(WritersTest, AFailedWriteLeavesNothingBehind)
{
    std::string error;
    EXPECT_FALSE(WriteDocx(Sample(png), dir / "missing" / "out.docx", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "missing"));

    // The target is a folder that cannot be replaced: the folder stays, no part is left.
    fs::create_directories(dir / "taken.xlsx" / "inside");
    error.clear();
    EXPECT_FALSE(WriteXlsx(Sample(png), dir / "taken.xlsx", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "taken.xlsx" / "inside"));
    EXPECT_FALSE(fs::exists(dir / "taken.xlsx.part"));

    // An earlier file is replaced whole.
    ASSERT_TRUE(TestDocuments::WriteText(dir / "old.pptx", "old"));
    EXPECT_TRUE(WritePptx(Sample(png), dir / "old.pptx", error)) << error;
    EXPECT_EQ(TestDocuments::ZipMembers(dir / "old.pptx").front(), "[Content_Types].xml");
}

TEST(TableGridTest, OverlappingCellsKeepTheirTextAndEverySlotHasOneOwner)
{
    Table table;
    table.cells = {MakeCell(0, 0, "A", 2, 2), MakeCell(0, 2, "B", 3, 1), MakeCell(1, 1, "in A"),
                   MakeCell(2, 0, "C", 1, 3), MakeCell(-1, 3, "D")};
    const TableGrid grid(table);
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.Columns(), 4);
    const auto text = [&grid](int row, int column) {
        std::string joined;
        for (const Paragraph& paragraph : grid.Cells()[grid.Owner(row, column)].paragraphs) {
            joined += PlainText(paragraph) + "|";
        }
        return joined;
    };
    EXPECT_EQ(text(1, 1), "A|in A|");
    EXPECT_EQ(text(2, 2), "B|");
    EXPECT_EQ(text(2, 1), "C|"); // C gives up the column B holds
    EXPECT_EQ(grid.Cells()[grid.Owner(2, 0)].columnSpan, 2);
    EXPECT_EQ(text(0, 3), "D|");
    EXPECT_EQ(grid.Owner(1, 3), -1);
    EXPECT_DOUBLE_EQ(grid.ColumnWidth(3), 72);
}

TEST(CellNumberTest, WholeNumbersAreNumbersAndTheRestText)
{
    const std::vector<std::tuple<std::string, double, std::string>> numbers = {
        {"12", 12, ""},         {"-3.5", -3.5, "0.0"},          {" 1,234.50 ", 1234.5, "#,##0.00"},
        {"12%", 0.12, "0%"},    {"¥1,200", 1200, "\"¥\"#,##0"}, {"(42)", -42, "0;(0)"},
        {"0.25", 0.25, "0.00"},
    };
    for (const auto& [text, value, format] : numbers) {
        const auto number = ParseCellNumber(text);
        ASSERT_TRUE(number) << text;
        EXPECT_DOUBLE_EQ(number->value, value) << text;
        EXPECT_EQ(number->format, format) << text;
    }
    for (const std::string text : {"", "007", "1,23", "12a", "2024-01-01", "1.2.3", "(42", "-",
                                   "1234567890123456", "12.", "%", "1,2345"}) {
        EXPECT_FALSE(ParseCellNumber(text)) << text;
    }
}

} // namespace
