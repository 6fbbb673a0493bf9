#include "task/catalogue.h"

#include "utility/lookuptable.h"

namespace {

using Row = TableRow;

constexpr std::array kTaskNames = {
    Row{"PDF2Word", "pdf-to-word"},
    Row{"PDF2JPG", "pdf-to-jpg"},
    Row{"PDF2PPT", "pdf-to-ppt"},
    Row{"PDF2Excel", "pdf-to-excel"},
    Row{"PDF2Html", "pdf-to-html"},
    Row{"PDF2CAD", "pdf-to-dwg"},
    Row{"PDFCompress", "pdf-compress"},
    Row{"PDFSplit", "pdf-split"},
    Row{"PDFMerge", "pdf-merge"},
    Row{"PDFRotate", "pdf-rotate"},
    Row{"PDFUnlock", "pdf-unlock"},
    Row{"PDFLock", "pdf-lock"},
    Row{"watermark", "text-watermark"},
    Row{"PDFAddPageNumber", "pdf-add-page-number"},
    Row{"pdfchecksafe", "pdf-scan"},
    Row{"pdf-portfolios", "pdf-portfolios"},
    Row{"timestamp", "timestamp"},
    Row{"PDFExportImage", "pdf-getimg"},
    Row{"PDFPrint", "pdf-print"},
    Row{"Word2PDF", "word-to-pdf"},
    Row{"Excel2PDF", "excel-to-pdf"},
    Row{"PPT2PDF", "ppt-to-pdf"},
    Row{"JPG2PDF", "jpg-to-pdf"},
    Row{"IMG2TXT", "img-to-txt"},
    Row{"TXT2PDF", "txt_2_pdf"},
    Row{"CAD2PDF", "cad-to-pdf"},
    Row{"page", "page"},
    Row{"paper", "paper"},
    Row{"dokora-smart", "dokora-smart"},
};

// Only the names whose suffix differs from the default ".pdf".
constexpr std::array kResultSuffixes = {
    Row{"PDF2Word", ".docx"},      Row{"PDF2JPG", "_Images.zip"}, Row{"PDF2PPT", ".pptx"},
    Row{"PDF2Excel", ".xlsx"},     Row{"PDF2Html", "_html.zip"},  Row{"PDFSplit", "_PDFs.zip"},
    Row{"PDFExportImage", ".zip"}, Row{"IMG2TXT", ".txt"},
};

} // namespace

std::string GetTaskName(std::string_view functionName, int /*option*/)
{
    return Lookup(kTaskNames, functionName, "");
}

std::string GetResultSuffix(std::string_view functionName)
{
    return Lookup(kResultSuffixes, functionName, ".pdf");
}
