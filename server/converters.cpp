#include "converters.h"

#include "officeinstance.h"
#include "tablelayout.h"
#include "zipwriter.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

namespace Converters {
namespace {

namespace fs = std::filesystem;
using Convertor = std::function<Outcome(const Job&, OfficeInstance&)>;

struct Task
{
    std::string function; // the client's function name
    InputKind input;
    std::string suffix;
    Convertor convert;
};

Outcome Failed(std::string message)
{
    return Outcome{false, {}, std::move(message)};
}

Outcome Done(fs::path result)
{
    return Outcome{true, std::move(result), {}};
}

std::string LastLine(const std::string& output)
{
    std::string text = output;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    const auto start = text.rfind('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

// A tool sees no network, reads only the system and its task's directory, writes only its
// work directory and has a memory cap.
Confinement ToolConfinement(const Job& job)
{
    Confinement confinement;
    confinement.memoryLimit = job.memoryLimit;
    confinement.network = false;
    confinement.limitFiles = true;
    confinement.readable = {job.input.parent_path()};
    confinement.writable = {job.workDir};
    confinement.temporaryDir = job.workDir;
    return confinement;
}

bool MentionsMemory(const std::string& output)
{
    for (const char* sign : {"memory", "Memory", "alloc", "VMerror"}) {
        if (output.find(sign) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Runs a tool; nothing on success, else the reason. `programDir` is where a tool that is not
// the system's lives.
std::optional<std::string> RunTool(const std::vector<std::string>& argv, const Job& job,
                                   const fs::path& programDir = {})
{
    Confinement confinement = ToolConfinement(job);
    if (!programDir.empty()) {
        confinement.readable.push_back(programDir);
    }
    const ChildProcess::RunResult run =
        ChildProcess::Run(argv, job.deadline, *job.cancel, confinement);
    if (!run.started) {
        return argv.front() + " cannot be started";
    }
    if (run.timedOut) {
        return std::string("the conversion took too long and was stopped");
    }
    // Under the cap an allocation fails: most tools say so, some abort or crash.
    if (job.memoryLimit != 0 && run.exitCode != 0 &&
        (run.signal != 0 || MentionsMemory(run.output))) {
        return argv.front() + " ran out of memory (the limit is " +
               std::to_string(job.memoryLimit >> 20) + " MiB per converter)";
    }
    if (run.exitCode != 0) {
        const std::string detail = LastLine(run.output);
        return argv.front() + " failed" + (detail.empty() ? "" : ": " + detail);
    }
    return std::nullopt;
}

std::optional<std::string> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool NonEmptyFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error) && fs::file_size(path, error) > 0;
}

Outcome Office(const Job& job, OfficeInstance& office, OfficeInstance::Request request)
{
    std::string error;
    if (!office.Convert(request, job.deadline, error)) {
        return Failed(error);
    }
    if (!NonEmptyFile(request.output)) {
        return Failed("the office program wrote no result");
    }
    return Done(request.output);
}

Outcome OfficeToPdf(const Job& job, OfficeInstance& office)
{
    return Office(job, office, {job.input, job.workDir / "result.pdf", "pdf", "", ""});
}

Outcome TextToPdf(const Job& job, OfficeInstance& office)
{
    const auto text = ReadFile(job.input);
    if (!text) {
        return Failed("the upload cannot be read");
    }
    // Text that is not UTF-8 comes from Chinese Windows systems, in GBK.
    const std::string charset = IsValidUtf8(*text) ? "UTF8" : "MS_936";
    return Office(job, office,
                  {job.input, job.workDir / "result.pdf", "pdf", "Text (encoded)", charset});
}

// The rebuilder ships beside the service's program (in the build tree) or in its library
// directory (installed).
fs::path RebuilderProgram()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error).parent_path();
    for (const fs::path& candidate :
         {self / "dokora-rebuild", self.parent_path() / "libexec/dokora-server/dokora-rebuild"}) {
        if (fs::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

// The editable document rebuilt from the PDF's words, lines, tables and pictures; where that
// fails, the way it was converted before, so that the user still gets the text.
Outcome Editable(const Job& job, const std::string& format, const std::function<Outcome()>& before)
{
    const fs::path result = job.workDir / ("result." + format);
    const fs::path program = RebuilderProgram();
    if (program.empty()) {
        return before();
    }
    // The rebuild may take two thirds of the time left, so that converting as before still can.
    Job rebuild = job;
    rebuild.deadline = ChildProcess::Clock::now() + (job.deadline - ChildProcess::Clock::now()) * 2 / 3;
    const auto error = RunTool({program, format, job.input, result}, rebuild, program.parent_path());
    if (!error && NonEmptyFile(result)) {
        return Done(result);
    }
    std::cerr << "dokora-server: rebuilding " << job.input.filename() << " as " << format
              << " failed (" << error.value_or("no result") << "); converting it as before\n";
    std::error_code ignored;
    fs::remove(result, ignored);
    return before();
}

Outcome PdfToWord(const Job& job, OfficeInstance& office)
{
    return Editable(job, "docx", [&] {
        return Office(
            job, office,
            {job.input, job.workDir / "result.docx", "MS Word 2007 XML", "writer_pdf_import", ""});
    });
}

Outcome PdfToPresentation(const Job& job, OfficeInstance& office)
{
    return Editable(job, "pptx", [&] {
        return Office(job, office,
                      {job.input, job.workDir / "result.pptx", "Impress MS PowerPoint 2007 XML",
                       "impress_pdf_import", ""});
    });
}

// The text laid out with its spacing, cut into cells at wide gaps.
Outcome SpreadsheetFromLayoutText(const Job& job, OfficeInstance& office)
{
    const fs::path text = job.workDir / "text.txt";
    if (auto error = RunTool({"pdftotext", "-layout", "-enc", "UTF-8", job.input, text}, job)) {
        return Failed(*error);
    }
    const auto layout = ReadFile(text);
    if (!layout || layout->find_first_not_of(" \t\r\n\f") == std::string::npos) {
        return Failed("the document holds no text");
    }
    const fs::path csv = job.workDir / "table.csv";
    {
        std::ofstream out(csv, std::ios::binary);
        out << LayoutTextToCsv(*layout);
        if (!out.flush()) {
            return Failed("the table cannot be written");
        }
    }
    // comma separated, quoted with ", UTF-8, from line 1
    return Office(job, office,
                  {csv, job.workDir / "result.xlsx", "Calc MS Excel 2007 XML",
                   "Text - txt - csv (StarCalc)", "44,34,76,1"});
}

Outcome PdfToSpreadsheet(const Job& job, OfficeInstance& office)
{
    return Editable(job, "xlsx", [&] { return SpreadsheetFromLayoutText(job, office); });
}

// Zips every file under `dir`, named by their paths below it, in name order.
Outcome ZipDirectory(const Job& job, const fs::path& dir, const std::string& emptyMessage)
{
    std::vector<std::pair<std::string, fs::path>> members;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(dir, error)) {
        if (entry.is_regular_file()) {
            members.emplace_back(fs::relative(entry.path(), dir).string(), entry.path());
        }
    }
    if (members.empty()) {
        return Failed(emptyMessage);
    }
    std::sort(members.begin(), members.end());
    const fs::path result = job.workDir / "result.zip";
    std::string zipError;
    if (!WriteZip(result, members, zipError)) {
        return Failed(zipError);
    }
    return Done(result);
}

fs::path MakeDirectory(const Job& job, const std::string& name)
{
    const fs::path dir = job.workDir / name;
    std::error_code error;
    fs::create_directories(dir, error);
    return dir;
}

Outcome PdfToJpeg(const Job& job, OfficeInstance&)
{
    const fs::path pages = MakeDirectory(job, "pages");
    if (auto error = RunTool({"pdftoppm", "-jpeg", "-r", "150", job.input, pages / "page"}, job)) {
        return Failed(*error);
    }
    return ZipDirectory(job, pages, "the document has no pages");
}

Outcome PdfToHtml(const Job& job, OfficeInstance&)
{
    const fs::path html = MakeDirectory(job, "html");
    if (auto error = RunTool({"pdftohtml", "-s", "-noframes", "-q", "-nodrm", "-enc", "UTF-8",
                              job.input, html / "document"},
                             job)) {
        return Failed(*error);
    }
    return ZipDirectory(job, html, "the document has no pages");
}

Outcome PdfImages(const Job& job, OfficeInstance&)
{
    const fs::path images = MakeDirectory(job, "images");
    if (auto error = RunTool({"pdfimages", "-all", job.input, images / "image"}, job)) {
        return Failed(*error);
    }
    return ZipDirectory(job, images, "the document holds no images");
}

Outcome CompressPdf(const Job& job, OfficeInstance&)
{
    const fs::path compressed = job.workDir / "compressed.pdf";
    if (auto error = RunTool({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                              "-dCompatibilityLevel=1.5", "-dPDFSETTINGS=/ebook",
                              "-sOutputFile=" + compressed.string(), job.input},
                             job)) {
        return Failed(*error);
    }
    if (!NonEmptyFile(compressed)) {
        return Failed("the compressed document is empty");
    }
    // Never hand back a larger file than the one given (which parsed as a PDF before).
    std::error_code error;
    if (fs::file_size(compressed, error) < fs::file_size(job.input, error)) {
        return Done(compressed);
    }
    const fs::path copy = job.workDir / "result.pdf";
    fs::copy_file(job.input, copy, fs::copy_options::overwrite_existing, error);
    return error ? Failed("the document cannot be copied") : Done(copy);
}

Outcome ImageToPdf(const Job& job, OfficeInstance&)
{
    const fs::path result = job.workDir / "result.pdf";
    if (auto error = RunTool({"img2pdf", job.input, "-o", result}, job)) {
        return Failed(*error);
    }
    return NonEmptyFile(result) ? Done(result) : Failed("img2pdf wrote no result");
}

Outcome ImageToText(const Job& job, OfficeInstance&)
{
    const fs::path base = job.workDir / "result";
    if (auto error = RunTool({"tesseract", job.input, base, "-l", "chi_sim+eng"}, job)) {
        return Failed(*error);
    }
    const fs::path result = base.string() + ".txt";
    std::error_code error;
    return fs::is_regular_file(result, error) ? Done(result) : Failed("tesseract wrote no result");
}

// The header check at upload is cheap; before any tool runs the document must also parse as
// a PDF, so nothing else (PostScript above all) reaches a converter as one.
std::optional<std::string> CheckParsesAsPdf(const Job& job)
{
    if (auto error = RunTool({"pdfinfo", job.input}, job)) {
        return "the file is not a PDF document (" + *error + ")";
    }
    return std::nullopt;
}

const std::map<std::string, Task, std::less<>>& Tasks()
{
    static const std::map<std::string, Task, std::less<>> tasks = {
        {"word-to-pdf", {"Word2PDF", InputKind::OfficeDocument, ".pdf", OfficeToPdf}},
        {"excel-to-pdf", {"Excel2PDF", InputKind::OfficeDocument, ".pdf", OfficeToPdf}},
        {"ppt-to-pdf", {"PPT2PDF", InputKind::OfficeDocument, ".pdf", OfficeToPdf}},
        {"txt_2_pdf", {"TXT2PDF", InputKind::Text, ".pdf", TextToPdf}},
        {"pdf-to-word", {"PDF2Word", InputKind::Pdf, ".docx", PdfToWord}},
        {"pdf-to-ppt", {"PDF2PPT", InputKind::Pdf, ".pptx", PdfToPresentation}},
        {"pdf-to-excel", {"PDF2Excel", InputKind::Pdf, ".xlsx", PdfToSpreadsheet}},
        {"pdf-to-jpg", {"PDF2JPG", InputKind::Pdf, "_Images.zip", PdfToJpeg}},
        {"pdf-to-html", {"PDF2Html", InputKind::Pdf, "_html.zip", PdfToHtml}},
        {"pdf-compress", {"PDFCompress", InputKind::Pdf, ".pdf", CompressPdf}},
        {"pdf-getimg", {"PDFExportImage", InputKind::Pdf, ".zip", PdfImages}},
        {"jpg-to-pdf", {"JPG2PDF", InputKind::PdfImage, ".pdf", ImageToPdf}},
        {"img-to-txt", {"IMG2TXT", InputKind::Image, ".txt", ImageToText}},
    };
    return tasks;
}

} // namespace

std::optional<InputKind> InputFor(const std::string& taskName)
{
    const auto found = Tasks().find(taskName);
    return found == Tasks().end() ? std::nullopt : std::optional(found->second.input);
}

std::string ResultSuffix(const std::string& taskName)
{
    const auto found = Tasks().find(taskName);
    return found == Tasks().end() ? ".pdf" : found->second.suffix;
}

const std::vector<std::string>& OfferedFunctions()
{
    static const std::vector<std::string> functions = [] {
        std::vector<std::string> names;
        for (const auto& [name, task] : Tasks()) {
            names.push_back(task.function);
        }
        return names;
    }();
    return functions;
}

Outcome Convert(const Job& job, OfficeInstance& office)
{
    const auto found = Tasks().find(job.taskName);
    if (found == Tasks().end()) {
        return Failed("unknown task name \"" + job.taskName + "\"");
    }
    if (found->second.input == InputKind::Pdf) {
        if (auto error = CheckParsesAsPdf(job)) {
            return Failed(*error);
        }
    }
    return found->second.convert(job, office);
}

} // namespace Converters
