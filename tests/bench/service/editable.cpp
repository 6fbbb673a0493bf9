// How well PDFs are rebuilt into editable documents: prints the corpus of generated documents
// through dokora-rebuild and through the office suite's own PDF import (what the service did
// before), and compares the Word results' text, paragraphs, table cells, headings, pictures
// and leaked page headers, the Excel results' table cells and the PowerPoint results'
// paragraphs, with seconds per page. Totals pool the counts of all documents.
// The office's times include starting it for each document; "batch" is one start for all.
// Run: build/tests/bench/service/bench_editable [--keep] (--keep leaves the corpus and results)
#include "editablecorpus.h"
#include "editablemetrics.h"
#include "ooxmlcontent.h"
#include "tablelayout.h"
#include "testdocuments.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using EditableCorpus::CorpusDocument;
using EditableMetrics::Share;
using EditableMetrics::WordScore;

struct Result
{
    int failures = 0; // conversions that gave no readable result
    double seconds = 0;
    WordScore word;
    Share sheetCells;
    Share slideParagraphs;
};

struct Way
{
    std::string name;
    // Converts the PDF into `output` as "docx", "xlsx" or "pptx".
    std::function<bool(const fs::path& pdf, const std::string& kind, const fs::path& output,
                       std::string& error)>
        convert;
};

double Seconds(const std::function<void()>& work)
{
    const auto started = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

int Pages(const fs::path& pdf)
{
    const std::string info = TestDocuments::Capture({"pdfinfo", pdf.string()});
    const auto at = info.find("Pages:");
    return at == std::string::npos ? 1 : std::max(1, std::atoi(info.c_str() + at + 6));
}

bool Rebuild(const fs::path& pdf, const std::string& kind, const fs::path& output,
             std::string& error)
{
    return EditableCorpus::RunProgram({DOKORA_REBUILD_BINARY, kind, pdf.string(), output.string()},
                                      300, error);
}

// The office writes `<stem>.<kind>` into a directory; this moves it to `output`.
bool MoveOfficeResult(const fs::path& dir, const fs::path& pdf, const std::string& kind,
                      const fs::path& output, std::string& error)
{
    const fs::path written = dir / (pdf.stem().string() + "." + kind);
    std::error_code moveError;
    fs::rename(written, output, moveError);
    if (moveError) {
        error = "the office wrote no " + written.string();
        return false;
    }
    return true;
}

class OfficeImport
{
public:
    explicit OfficeImport(fs::path work) : work_(std::move(work)) {}

    bool Convert(const fs::path& pdf, const std::string& kind, const fs::path& output,
                 std::string& error) const
    {
        const fs::path dir = work_ / ("office-" + kind);
        fs::create_directories(dir);
        if (kind == "xlsx") {
            return Spreadsheet(pdf, dir, output, error);
        }
        const bool word = kind == "docx";
        return EditableCorpus::OfficeConvert(
                   Profile(), word ? "writer_pdf_import" : "impress_pdf_import",
                   word ? "docx:MS Word 2007 XML" : "pptx:Impress MS PowerPoint 2007 XML", {pdf},
                   dir, error) &&
               MoveOfficeResult(dir, pdf, kind, output, error);
    }

    fs::path Profile() const { return work_ / "office-profile"; }

private:
    // The text laid out by pdftotext, cut into cells at wide gaps, imported as CSV.
    bool Spreadsheet(const fs::path& pdf, const fs::path& dir, const fs::path& output,
                     std::string& error) const
    {
        const fs::path text = dir / (pdf.stem().string() + ".txt");
        const fs::path csv = dir / (pdf.stem().string() + ".csv");
        if (!EditableCorpus::RunProgram(
                {"pdftotext", "-layout", "-enc", "UTF-8", pdf.string(), text.string()}, 60,
                error) ||
            !TestDocuments::WriteText(csv, LayoutTextToCsv(TestDocuments::Read(text)))) {
            return false;
        }
        return EditableCorpus::OfficeConvert(Profile(), "Text - txt - csv (StarCalc):44,34,76,1",
                                             "xlsx:Calc MS Excel 2007 XML", {csv}, dir, error) &&
               MoveOfficeResult(dir, csv, "xlsx", output, error);
    }

    fs::path work_;
};

Result Measure(const Way& way, const CorpusDocument& document, const fs::path& dir)
{
    Result result;
    std::string error;
    const fs::path base = dir / (way.name + "-" + document.name);
    bool wordDone = false;
    result.seconds = Seconds(
        [&] { wordDone = way.convert(document.pdf, "docx", base.string() + ".docx", error); });
    std::optional<OoxmlContent::WordContent> word;
    if (wordDone) {
        word = OoxmlContent::ReadDocx(base.string() + ".docx", error);
    }
    if (!word) {
        std::fprintf(stderr, "%s, %s, docx: %s\n", way.name.c_str(), document.name.c_str(),
                     error.c_str());
    }
    result.failures += word ? 0 : 1;
    result.word =
        EditableMetrics::ScoreWord(document.truth, word.value_or(OoxmlContent::WordContent{}));

    std::optional<std::vector<OoxmlContent::Sheet>> sheets;
    if (way.convert(document.pdf, "xlsx", base.string() + ".xlsx", error)) {
        sheets = OoxmlContent::ReadXlsx(base.string() + ".xlsx", error);
    }
    result.failures += sheets ? 0 : 1;
    if (!sheets) {
        std::fprintf(stderr, "%s, %s, xlsx: %s\n", way.name.c_str(), document.name.c_str(),
                     error.c_str());
    }
    result.sheetCells = EditableMetrics::ScoreSheets(
        document.truth, sheets.value_or(std::vector<OoxmlContent::Sheet>{}));

    std::optional<std::vector<OoxmlContent::Slide>> slides;
    if (way.convert(document.pdf, "pptx", base.string() + ".pptx", error)) {
        slides = OoxmlContent::ReadPptx(base.string() + ".pptx", error);
    }
    result.failures += slides ? 0 : 1;
    if (!slides) {
        std::fprintf(stderr, "%s, %s, pptx: %s\n", way.name.c_str(), document.name.c_str(),
                     error.c_str());
    }
    result.slideParagraphs = EditableMetrics::ScoreSlides(
        document.truth, slides.value_or(std::vector<OoxmlContent::Slide>{}));
    return result;
}

std::string Percent(const Share& share)
{
    if (share.total == 0) {
        return "-";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.0f", share.Value() * 100);
    return text;
}

std::string Pair(const std::string& ours, const std::string& office)
{
    return ours + "/" + office;
}

std::string Accuracy(const EditableMetrics::TextScore& score)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", score.Accuracy() * 100);
    return text;
}

std::string PerPage(double seconds, int pages)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", seconds / pages);
    return text;
}

void PrintRow(const std::string& name, int pages, const Result& ours, const Result& office)
{
    std::printf(
        "%-16s %5d %12s %11s %11s %11s %11s %9s %7s %11s %11s %11s\n", name.c_str(), pages,
        Pair(Accuracy(ours.word.text), Accuracy(office.word.text)).c_str(),
        Pair(Percent(ours.word.paragraphs), Percent(office.word.paragraphs)).c_str(),
        Pair(Percent(ours.word.tableCells), Percent(office.word.tableCells)).c_str(),
        Pair(Percent(ours.word.headings), Percent(office.word.headings)).c_str(),
        Pair(Percent(ours.word.headingsAtLevel), Percent(office.word.headingsAtLevel)).c_str(),
        Pair(Percent(ours.word.pictures), Percent(office.word.pictures)).c_str(),
        Pair(std::to_string(ours.word.headerFooterLeaked),
             std::to_string(office.word.headerFooterLeaked))
            .c_str(),
        Pair(PerPage(ours.seconds, pages), PerPage(office.seconds, pages)).c_str(),
        Pair(Percent(ours.sheetCells), Percent(office.sheetCells)).c_str(),
        Pair(Percent(ours.slideParagraphs), Percent(office.slideParagraphs)).c_str());
}

// A share's target: at least `target`, and three times the office's where the office keeps
// less than a third.
void PrintTarget(const char* name, double ours, double office, double target)
{
    const bool met = ours >= target && (office >= 1.0 / 3 || ours >= 3 * office);
    std::printf("  %-22s %6.1f %% (office %5.1f %%), target >= %.0f %%%s: %s\n", name, ours * 100,
                office * 100, target * 100, office < 1.0 / 3 ? " and >= 3x the office's" : "",
                met ? "met" : "NOT MET");
}

} // namespace

int main(int argc, char** argv)
{
    const bool keep = argc > 1 && std::string(argv[1]) == "--keep";
    char pattern[] = "/tmp/bench-editable.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    std::string error;
    const std::vector<CorpusDocument> corpus =
        EditableCorpus::MakeEditableCorpus(work / "corpus", error);
    if (corpus.empty()) {
        std::fprintf(stderr, "the corpus cannot be made: %s\n", error.c_str());
        return 1;
    }
    const OfficeImport office(work);
    // The office's first start makes its profile; that is not part of any conversion.
    {
        const fs::path warm = work / "warm-up";
        fs::create_directories(warm);
        EditableCorpus::OfficeConvert(office.Profile(), "writer_pdf_import",
                                      "docx:MS Word 2007 XML", {corpus.front().pdf}, warm, error);
    }
    const Way ours{"ours", Rebuild};
    const Way theirs{"office", [&office](const fs::path& pdf, const std::string& kind,
                                         const fs::path& output, std::string& convertError) {
                         return office.Convert(pdf, kind, output, convertError);
                     }};

    std::printf("%-16s %5s %12s %11s %11s %11s %11s %9s %7s %11s %11s %11s\n", "docx: ours/office",
                "pages", "text %", "paragraphs", "cells %", "headings", "at level", "pictures",
                "leaked", "s/page", "xlsx cells", "pptx paras");
    Result oursTotal;
    Result officeTotal;
    int pages = 0;
    std::vector<fs::path> pdfs;
    for (const CorpusDocument& document : corpus) {
        const int documentPages = Pages(document.pdf);
        const Result mine = Measure(ours, document, work);
        const Result baseline = Measure(theirs, document, work);
        PrintRow(document.name, documentPages, mine, baseline);
        pages += documentPages;
        pdfs.push_back(document.pdf);
        for (auto [total, result] :
             {std::pair{&oursTotal, &mine}, std::pair{&officeTotal, &baseline}}) {
            total->word += result->word;
            total->sheetCells += result->sheetCells;
            total->slideParagraphs += result->slideParagraphs;
            total->seconds += result->seconds;
            total->failures += result->failures;
        }
    }
    PrintRow("total", pages, oursTotal, officeTotal);

    const fs::path batch = work / "office-batch";
    fs::create_directories(batch);
    const double batchSeconds = Seconds([&] {
        EditableCorpus::OfficeConvert(office.Profile(), "writer_pdf_import",
                                      "docx:MS Word 2007 XML", pdfs, batch, error);
    });
    std::printf("office batch: %.2f s/page with one start for all documents\n\n",
                batchSeconds / pages);

    std::printf("targets (docx unless named):\n");
    PrintTarget("text", oursTotal.word.text.Accuracy(), officeTotal.word.text.Accuracy(), 0.98);
    PrintTarget("paragraphs", oursTotal.word.paragraphs.Value(),
                officeTotal.word.paragraphs.Value(), 0.90);
    PrintTarget("table cells", oursTotal.word.tableCells.Value(),
                officeTotal.word.tableCells.Value(), 0.85);
    PrintTarget("headings", oursTotal.word.headings.Value(), officeTotal.word.headings.Value(),
                0.80);
    PrintTarget("xlsx table cells", oursTotal.sheetCells.Value(), officeTotal.sheetCells.Value(),
                0.85);
    PrintTarget("pptx paragraphs", oursTotal.slideParagraphs.Value(),
                officeTotal.slideParagraphs.Value(), 0.90);
    // Speed and clean pages only count when every document was converted.
    const bool allConverted = oursTotal.failures == 0;
    const std::string failed =
        allConverted ? "" : " (" + std::to_string(oursTotal.failures) + " conversions failed)";
    const double oursPerPage = oursTotal.seconds / pages;
    const double officePerPage = officeTotal.seconds / pages;
    std::printf("  %-22s %6.2f s (office %5.2f s), target within 2x: %s%s\n", "time per page",
                oursPerPage, officePerPage,
                allConverted && oursPerPage <= 2 * officePerPage ? "met" : "NOT MET",
                failed.c_str());
    std::printf("  %-22s %6d (office %d), target 0: %s%s\n", "header/footer leaked",
                oursTotal.word.headerFooterLeaked, officeTotal.word.headerFooterLeaked,
                allConverted && oursTotal.word.headerFooterLeaked == 0 ? "met" : "NOT MET",
                failed.c_str());
    if (officeTotal.failures > 0) {
        std::printf("the office failed %d conversions\n", officeTotal.failures);
    }

    if (keep) {
        std::printf("corpus and results kept in %s\n", work.c_str());
        return 0;
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}
