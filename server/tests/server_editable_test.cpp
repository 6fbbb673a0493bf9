// The PDF rebuild judged against the generated corpus: the reader and the scores first, on
// what the office suite itself writes, then dokora-rebuild's documents.
#include "editablecorpus.h"
#include "editablemetrics.h"
#include "ooxmlcontent.h"
#include "testdocuments.h"
#include "textcompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using EditableCorpus::BlockKind;
using EditableCorpus::CorpusDocument;
using EditableCorpus::TruthBlock;

class EditableTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!corpus_.empty()) {
            return;
        }
        std::string pattern = (fs::temp_directory_path() / "editable-test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::string error;
        corpus_ = EditableCorpus::MakeEditableCorpus(
            dir_ / "corpus", {"report", "ruled-table", "two-column", "headers-footers", "scanned"},
            error);
        ASSERT_FALSE(corpus_.empty()) << error;
    }

    void SetUp() override { ASSERT_FALSE(corpus_.empty()) << "the corpus could not be made"; }

    static void TearDownTestSuite()
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        corpus_.clear();
    }

    static const CorpusDocument& Document(const std::string& name)
    {
        const auto found = std::find_if(corpus_.begin(), corpus_.end(),
                                        [&](const CorpusDocument& d) { return d.name == name; });
        EXPECT_NE(found, corpus_.end()) << name;
        return *found;
    }

    static std::vector<const TruthBlock*> Blocks(const CorpusDocument& document, BlockKind kind)
    {
        std::vector<const TruthBlock*> blocks;
        for (const TruthBlock& block : document.truth.body) {
            if (block.kind == kind) {
                blocks.push_back(&block);
            }
        }
        return blocks;
    }

    // The file dokora-rebuild makes of a corpus document as "docx", "xlsx" or "pptx".
    static std::optional<fs::path> Rebuilt(const CorpusDocument& document, const std::string& kind)
    {
        const fs::path output = dir_ / (document.name + "-rebuilt." + kind);
        std::string error;
        if (!EditableCorpus::RunProgram(
                {DOKORA_REBUILD_BINARY, kind, document.pdf.string(), output.string()}, 300,
                error)) {
            ADD_FAILURE() << error;
            return std::nullopt;
        }
        return output;
    }

    static std::optional<OoxmlContent::WordContent> RebuiltWord(const CorpusDocument& document)
    {
        const auto path = Rebuilt(document, "docx");
        if (!path) {
            return std::nullopt;
        }
        std::string error;
        auto word = OoxmlContent::ReadDocx(*path, error);
        if (!word) {
            ADD_FAILURE() << error;
        }
        return word;
    }

    // The office suite's own conversion of `inputs` (its import of a PDF when `filter` names
    // one), read back.
    static std::vector<OoxmlContent::WordContent> OfficeWord(const std::vector<fs::path>& inputs,
                                                             const std::string& filter,
                                                             const std::string& outName)
    {
        const fs::path out = dir_ / outName;
        fs::create_directories(out);
        std::string error;
        EXPECT_TRUE(EditableCorpus::OfficeConvert(dir_ / "profile", filter, "docx:MS Word 2007 XML",
                                                  inputs, out, error))
            << error;
        std::vector<OoxmlContent::WordContent> read;
        for (const fs::path& input : inputs) {
            auto word = OoxmlContent::ReadDocx(out / (input.stem().string() + ".docx"), error);
            EXPECT_TRUE(word) << input << ": " << error;
            read.push_back(word.value_or(OoxmlContent::WordContent{}));
        }
        return read;
    }

    static std::vector<const OoxmlContent::WordParagraph*>
    Body(const OoxmlContent::WordContent& word)
    {
        std::vector<const OoxmlContent::WordParagraph*> body;
        for (const auto& paragraph : word.paragraphs) {
            if (!paragraph.inTextBox && !paragraph.inTable &&
                !TextCompare::NormaliseSpace(paragraph.text).empty()) {
                body.push_back(&paragraph);
            }
        }
        return body;
    }

    static inline fs::path dir_;
    static inline std::vector<CorpusDocument> corpus_;
};

// ---- The measure itself

TEST(EditableText, ComparesCodePointsWithSpaceCollapsed)
{
    EXPECT_EQ(TextCompare::NormaliseSpace("  two\n\twords  "), "two words");
    EXPECT_EQ(TextCompare::CodePoints("中文 A").size(), 4u);
    EXPECT_EQ(TextCompare::EditDistance(U"中文", U"中 文"), 1u);
    EXPECT_EQ(TextCompare::EditDistance(U"kitten", U"sitting"), 3u);
    EXPECT_DOUBLE_EQ(TextCompare::Similarity("a  b", "a b"), 1.0);
    EXPECT_DOUBLE_EQ(TextCompare::Similarity("中文", "中 文"), 2.0 / 3);
    EXPECT_FALSE(TextCompare::Alike("a short text", "a short text that goes on", 0.97));
}

using EditableMeasure = EditableTest;

// The office suite's own export of the sources keeps everything, so reader and scores must
// find everything in it.
TEST_F(EditableMeasure, SourcesExportedStraightToWordScoreFull)
{
    std::vector<fs::path> sources;
    std::vector<const CorpusDocument*> documents;
    for (const CorpusDocument& document : corpus_) {
        if (!document.source.empty()) {
            sources.push_back(document.source);
            documents.push_back(&document);
        }
    }
    const auto read = OfficeWord(sources, "", "exported");
    ASSERT_EQ(read.size(), documents.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        SCOPED_TRACE(documents[i]->name);
        const auto score = EditableMetrics::ScoreWord(documents[i]->truth, read[i]);
        EXPECT_GE(score.text.Accuracy(), 0.999);
        EXPECT_EQ(score.paragraphs.found, score.paragraphs.total);
        EXPECT_EQ(score.tableCells.found, score.tableCells.total);
        EXPECT_EQ(score.headings.found, score.headings.total);
        EXPECT_EQ(score.headingsAtLevel.found, score.headingsAtLevel.total);
        EXPECT_EQ(score.headerFooterLeaked, 0);
        if (documents[i]->name == "ruled-table") {
            ASSERT_EQ(read[i].tables.size(), 1u);
            const TextGrid& truth = Blocks(*documents[i], BlockKind::Table).front()->table;
            const TextGrid& table = read[i].tables.front();
            EXPECT_EQ(table.cells, truth.cells);
            ASSERT_EQ(table.spans.size(), truth.spans.size());
            for (std::size_t s = 0; s < truth.spans.size(); ++s) {
                EXPECT_EQ(table.spans[s].row, truth.spans[s].row);
                EXPECT_EQ(table.spans[s].column, truth.spans[s].column);
                EXPECT_EQ(table.spans[s].rowSpan, truth.spans[s].rowSpan);
                EXPECT_EQ(table.spans[s].columnSpan, truth.spans[s].columnSpan);
            }
        }
    }
}

// The office's PDF import: a text box per line, no table, headers and footers in the body.
TEST_F(EditableMeasure, OfficeImportIsLinesInTextBoxes)
{
    const auto read = OfficeWord({Document("report").pdf, Document("headers-footers").pdf},
                                 "writer_pdf_import", "imported");
    ASSERT_EQ(read.size(), 2u);
    const auto& report = read[0];
    const auto boxes = std::count_if(report.paragraphs.begin(), report.paragraphs.end(),
                                     [](const auto& paragraph) { return paragraph.inTextBox; });
    EXPECT_GE(boxes, 15);
    EXPECT_TRUE(report.tables.empty());
    const auto score = EditableMetrics::ScoreWord(Document("report").truth, report);
    EXPECT_GE(score.text.Accuracy(), 0.95); // every word is there, in lines
    EXPECT_EQ(score.paragraphs.found, 0);
    EXPECT_EQ(score.headings.found, 0);

    const auto pages = EditableMetrics::ScoreWord(Document("headers-footers").truth, read[1]);
    EXPECT_EQ(pages.headerFooterLeaked, 4); // a header and a footer on each of two pages
}

// Sheets and slides read back from the office's own files: a CSV import and a PDF import.
TEST_F(EditableMeasure, SheetsAndSlidesReadBack)
{
    const fs::path out = dir_ / "sheets";
    fs::create_directories(out);
    const fs::path csv = out / "figures.csv";
    ASSERT_TRUE(TestDocuments::WriteText(csv, "Measure,Q1,Q2\nOrders,1840,2115\nReturns,62,48\n"));
    std::string error;
    ASSERT_TRUE(EditableCorpus::OfficeConvert(dir_ / "profile",
                                              "Text - txt - csv (StarCalc):44,34,76,1",
                                              "xlsx:Calc MS Excel 2007 XML", {csv}, out, error))
        << error;
    const auto sheets = OoxmlContent::ReadXlsx(out / "figures.xlsx", error);
    ASSERT_TRUE(sheets) << error;
    ASSERT_EQ(sheets->size(), 1u);
    const auto& cells = sheets->front().cells;
    const auto at = [&](const std::string& reference) {
        const auto found = std::find_if(cells.begin(), cells.end(), [&](const auto& cell) {
            return cell.reference == reference;
        });
        return found == cells.end() ? OoxmlContent::SheetCell{} : *found;
    };
    EXPECT_EQ(at("A1").text, "Measure");
    EXPECT_FALSE(at("A1").numeric);
    EXPECT_TRUE(at("B2").numeric);
    EXPECT_EQ(at("B2").number, 1840);
    EXPECT_EQ(at("C3").row, 2);
    EXPECT_EQ(at("C3").column, 2);
    const auto placed = EditableMetrics::ScoreSheets(Document("report").truth, *sheets);
    EXPECT_EQ(placed.found, placed.total);

    ASSERT_TRUE(EditableCorpus::OfficeConvert(dir_ / "profile", "impress_pdf_import",
                                              "pptx:Impress MS PowerPoint 2007 XML",
                                              {Document("report").pdf}, out, error))
        << error;
    const auto slides = OoxmlContent::ReadPptx(out / "report.pptx", error);
    ASSERT_TRUE(slides) << error;
    ASSERT_EQ(slides->size(), 1u);
    std::string text;
    for (const auto& frame : slides->front().frames) {
        for (const std::string& paragraph : frame.paragraphs) {
            text += paragraph + " ";
        }
    }
    // A frame per line: every word is there, no paragraph is whole.
    EXPECT_GE(slides->front().frames.size(), 15u);
    EXPECT_GE(TextCompare::Similarity(EditableMetrics::SourceText(Document("report").truth), text),
              0.95);
    EXPECT_EQ(EditableMetrics::ScoreSlides(Document("report").truth, *slides).found, 0);
}

// ---- The rebuild

using EditableRebuild = EditableTest;

TEST_F(EditableRebuild, ReportBecomesHeadingParagraphsAndTable)
{
    const CorpusDocument& report = Document("report");
    const auto rebuilt = RebuiltWord(report);
    ASSERT_TRUE(rebuilt);
    const auto& word = *rebuilt;
    const auto body = Body(word);
    const auto headings = std::count_if(body.begin(), body.end(), [](const auto* paragraph) {
        return paragraph->headingLevel > 0;
    });
    EXPECT_EQ(headings, 1);
    const auto score = EditableMetrics::ScoreWord(report.truth, word);
    EXPECT_EQ(score.headings.found, 1);
    EXPECT_EQ(score.paragraphs.found, score.paragraphs.total);
    EXPECT_GE(score.text.Accuracy(), 0.98);
    ASSERT_EQ(word.tables.size(), 1u);
    EXPECT_EQ(word.tables.front().cells, Blocks(report, BlockKind::Table).front()->table.cells);
    // Chinese lines are joined without a space, and none goes between characters.
    const std::string& chinese = Blocks(report, BlockKind::Paragraph).back()->text;
    EXPECT_TRUE(std::any_of(body.begin(), body.end(), [&](const auto* paragraph) {
        return TextCompare::NormaliseSpace(paragraph->text) == chinese;
    }));
}

// A page turned for display (/Rotate) holds the same document as the upright one.
TEST_F(EditableRebuild, ATurnedPageReadsLikeTheUprightOne)
{
    CorpusDocument turned = Document("report");
    const fs::path upright = turned.pdf;
    turned.name = "report-turned";
    turned.pdf = dir_ / "report-turned.pdf";
    std::string error;
    ASSERT_TRUE(EditableCorpus::RunProgram(
        {"qpdf", "--rotate=+90", upright.string(), turned.pdf.string()}, 60, error))
        << error;
    const auto rebuilt = RebuiltWord(turned);
    ASSERT_TRUE(rebuilt);
    const auto score = EditableMetrics::ScoreWord(turned.truth, *rebuilt);
    EXPECT_EQ(score.paragraphs.found, score.paragraphs.total);
    EXPECT_EQ(score.headings.found, score.headings.total);
    EXPECT_EQ(score.tableCells.found, score.tableCells.total);
}

TEST_F(EditableRebuild, RuledTableKeepsMergedCells)
{
    const CorpusDocument& document = Document("ruled-table");
    const auto rebuilt = RebuiltWord(document);
    ASSERT_TRUE(rebuilt);
    const auto& word = *rebuilt;
    const TextGrid& truth = Blocks(document, BlockKind::Table).front()->table;
    ASSERT_EQ(word.tables.size(), 1u);
    const TextGrid& table = word.tables.front();
    EXPECT_EQ(table.cells, truth.cells);
    for (const CellSpan& span : truth.spans) {
        EXPECT_TRUE(std::any_of(table.spans.begin(), table.spans.end(),
                                [&](const CellSpan& got) {
                                    return got.row == span.row && got.column == span.column &&
                                           got.rowSpan == span.rowSpan &&
                                           got.columnSpan == span.columnSpan;
                                }))
            << "the cell merged at row " << span.row << ", column " << span.column;
    }
}

TEST_F(EditableRebuild, TwoColumnsComeInColumnOrder)
{
    const CorpusDocument& document = Document("two-column");
    const auto word = RebuiltWord(document);
    ASSERT_TRUE(word);
    const auto body = Body(*word);
    std::ptrdiff_t previous = -1;
    for (const TruthBlock* block : Blocks(document, BlockKind::Paragraph)) {
        const auto found = std::find_if(body.begin(), body.end(), [&](const auto* paragraph) {
            return TextCompare::Alike(block->text, paragraph->text, EditableMetrics::kSameText);
        });
        ASSERT_NE(found, body.end()) << block->text;
        EXPECT_GT(found - body.begin(), previous) << block->text;
        previous = found - body.begin();
    }
}

TEST_F(EditableRebuild, HeadersAndFootersAreLeftOut)
{
    const CorpusDocument& document = Document("headers-footers");
    const auto word = RebuiltWord(document);
    ASSERT_TRUE(word);
    const auto score = EditableMetrics::ScoreWord(document.truth, *word);
    EXPECT_EQ(score.headerFooterLeaked, 0);
    EXPECT_EQ(score.paragraphs.found, score.paragraphs.total);
    EXPECT_GE(score.text.Accuracy(), 0.98);
}

TEST_F(EditableRebuild, ScannedReportIsRecognisedWithItsTable)
{
    const CorpusDocument& document = Document("scanned");
    const auto word = RebuiltWord(document);
    ASSERT_TRUE(word);
    const auto score = EditableMetrics::ScoreWord(document.truth, *word);
    EXPECT_GE(score.text.Accuracy(), 0.95);
    ASSERT_EQ(word->tables.size(), 1u);
    EXPECT_EQ(word->tables.front().Rows(), 3);
    EXPECT_GE(score.tableCells.Value(), 0.85);
}

TEST_F(EditableRebuild, ReportSheetHoldsTheTableWithNumbers)
{
    const CorpusDocument& report = Document("report");
    const auto path = Rebuilt(report, "xlsx");
    ASSERT_TRUE(path);
    std::string error;
    const auto sheets = OoxmlContent::ReadXlsx(*path, error);
    ASSERT_TRUE(sheets) << error;
    const auto cells = EditableMetrics::ScoreSheets(report.truth, *sheets);
    EXPECT_EQ(cells.found, cells.total);
    for (double number : {1840.0, 2115.0, 62.0, 48.0}) {
        EXPECT_TRUE(std::any_of(sheets->begin(), sheets->end(), [&](const auto& sheet) {
            return std::any_of(sheet.cells.begin(), sheet.cells.end(), [&](const auto& cell) {
                return cell.numeric && cell.number == number;
            });
        })) << number;
    }
}

TEST_F(EditableRebuild, ReportSlidesHaveAFramePerParagraph)
{
    const CorpusDocument& report = Document("report");
    const auto path = Rebuilt(report, "pptx");
    ASSERT_TRUE(path);
    std::string error;
    const auto slides = OoxmlContent::ReadPptx(*path, error);
    ASSERT_TRUE(slides) << error;
    const auto paragraphs = EditableMetrics::ScoreSlides(report.truth, *slides);
    EXPECT_EQ(paragraphs.found, paragraphs.total);
    for (const TruthBlock* block : Blocks(report, BlockKind::Paragraph)) {
        EXPECT_TRUE(
            std::any_of(slides->begin(), slides->end(),
                        [&](const auto& slide) {
                            return std::any_of(
                                slide.frames.begin(), slide.frames.end(), [&](const auto& frame) {
                                    return frame.paragraphs.size() == 1 &&
                                           TextCompare::Alike(block->text, frame.paragraphs.front(),
                                                              EditableMetrics::kSameText);
                                });
                        }))
            << "no frame of its own: " << block->text;
    }
}

} // namespace
