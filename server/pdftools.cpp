#include "pdftools.h"

#include "inputcheck.h"
#include "zipwriter.h"

#include <json/reader.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace PdfTools {
namespace {

namespace fs = std::filesystem;

Outcome Refused(std::string message)
{
    Outcome outcome;
    outcome.status = 400;
    outcome.message = std::move(message);
    return outcome;
}

Outcome Broken(std::string message)
{
    Outcome outcome;
    outcome.status = 500;
    outcome.message = std::move(message);
    return outcome;
}

Outcome Download(fs::path result, std::string name)
{
    Outcome outcome;
    outcome.result = std::move(result);
    outcome.resultName = std::move(name);
    return outcome;
}

// The tools see no network, read the system and write only the request's directory.
Confinement ToolConfinement(const Request& request)
{
    Confinement confinement;
    confinement.memoryLimit = request.memoryLimit;
    confinement.network = false;
    confinement.limitFiles = true;
    confinement.writable = {request.workDir};
    confinement.temporaryDir = request.workDir;
    return confinement;
}

ChildProcess::RunResult RunTool(const std::vector<std::string>& argv, const Request& request)
{
    return ChildProcess::Run(argv, request.deadline, *request.cancel, ToolConfinement(request));
}

// qpdf exits 3 when it repaired something on the way: the output is still good.
bool Succeeded(const ChildProcess::RunResult& run)
{
    return run.started && !run.timedOut && (run.exitCode == 0 || run.exitCode == 3);
}

Outcome Failure(const ChildProcess::RunResult& run)
{
    if (!run.started) {
        return Broken("服务无法启动处理程序");
    }
    if (run.timedOut) {
        Outcome outcome = Refused("处理时间过长，已停止");
        outcome.status = 408;
        return outcome;
    }
    if (run.output.find("invalid password") != std::string::npos) {
        return Refused("文件已加密，请先用密码解密");
    }
    return Refused("文件已损坏或无法处理");
}

// Arguments with secrets go to qpdf in a file of the request, not on a command line others
// can read.
std::optional<fs::path> ArgumentFile(const Request& request, const std::vector<std::string>& args)
{
    const fs::path path = request.workDir / "arguments";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& arg : args) {
            out << arg << '\n';
        }
        if (!out) {
            return std::nullopt;
        }
    }
    chmod(path.c_str(), 0600);
    return path;
}

struct Document
{
    int pages = 0;
    bool needsPassword = false; // encrypted, and the password given (if any) does not open it
    Outcome problem;            // status 200 when the document can be read
};

// The page count qpdf prints last, after any warnings about what it repaired.
std::optional<int> LastNumber(const std::string& output)
{
    std::optional<int> number;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        int value = 0;
        const auto [end, code] = std::from_chars(line.data(), line.data() + line.size(), value);
        if (code == std::errc() && end == line.data() + line.size()) {
            number = value;
        }
    }
    return number;
}

Document Inspect(const Upload& file, const Request& request, const std::string& password = {})
{
    Document document;
    std::error_code error;
    if (fs::file_size(file.path, error) == 0 || error) {
        document.problem = Refused("文件“" + file.name + "”是空的");
        return document;
    }
    if (CheckInput(InputKind::Pdf, file.path)) {
        document.problem = Refused("文件“" + file.name + "”不是 PDF 文件");
        return document;
    }
    std::vector<std::string> argv = {"qpdf", "--show-npages"};
    if (!password.empty()) {
        const auto args = ArgumentFile(request, {"--password=" + password});
        if (!args) {
            document.problem = Broken("服务无法保存临时文件");
            return document;
        }
        argv.push_back("@" + args->string());
    }
    argv.push_back(file.path.string());
    const auto run = RunTool(argv, request);
    const auto pages = Succeeded(run) ? LastNumber(run.output) : std::nullopt;
    if (!pages) {
        document.problem = Failure(run);
        document.needsPassword = run.output.find("invalid password") != std::string::npos;
        if (document.problem.status == 400 && !document.needsPassword) {
            document.problem.message = "文件“" + file.name + "”已损坏，无法读取";
        }
        return document;
    }
    document.pages = *pages;
    return document;
}

std::string Option(const Request& request, const std::string& name,
                   const std::string& fallback = {})
{
    const auto found = request.options.find(name);
    return found == request.options.end() || found->second.empty() ? fallback : found->second;
}

std::optional<double> NumberOption(const Request& request, const std::string& name, double fallback,
                                   double low, double high)
{
    const std::string text = Option(request, name);
    if (text.empty()) {
        return fallback;
    }
    double value = 0;
    const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (code != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string Stem(const std::string& name)
{
    const std::string stem = fs::path(name).stem().string();
    return stem.empty() ? "document" : stem;
}

// Runs qpdf to write `output`; the download on success.
Outcome Qpdf(const std::vector<std::string>& args, const Request& request, const fs::path& output,
             const std::string& name)
{
    std::vector<std::string> argv = {"qpdf"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto run = RunTool(argv, request);
    if (!Succeeded(run) || !fs::exists(output)) {
        return Failure(run);
    }
    return Download(output, name);
}

std::string XmlEscaped(const std::string& text)
{
    std::string out;
    for (const char c : RepairUtf8(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
                out += c;
            }
        }
    }
    return out;
}

struct PageSize
{
    double width = 595;
    double height = 842;
};

// The sizes of the document's pages as poppler reports them ("Page    1 size: 612 x 792 pts").
std::vector<PageSize> PageSizes(const fs::path& pdf, int pages, const Request& request)
{
    const auto run =
        RunTool({"pdfinfo", "-f", "1", "-l", std::to_string(pages), pdf.string()}, request);
    std::vector<PageSize> sizes(static_cast<std::size_t>(pages));
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line)) {
        int page = 0;
        PageSize size;
        if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &size.width,
                        &size.height) == 3 &&
            page >= 1 && page <= pages) {
            sizes[static_cast<std::size_t>(page - 1)] = size;
        }
    }
    return sizes;
}

// Draws SVG pages into one PDF with real text, so that text tools find what was drawn.
Outcome DrawPages(const std::vector<std::string>& svgs, const Request& request,
                  const fs::path& output)
{
    std::vector<std::string> argv = {"rsvg-convert", "-f", "pdf", "-o", output.string()};
    for (std::size_t i = 0; i < svgs.size(); ++i) {
        const fs::path svg = request.workDir / ("drawn-" + std::to_string(i) + ".svg");
        std::ofstream(svg, std::ios::binary) << svgs[i];
        argv.push_back(svg.string());
    }
    const auto run = RunTool(argv, request);
    if (!Succeeded(run) || !fs::exists(output)) {
        return Broken("服务无法生成页面");
    }
    return {};
}

std::string Svg(const PageSize& size, const std::string& content)
{
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << size.width << "pt\" height=\""
        << size.height << "pt\" viewBox=\"0 0 " << size.width << ' ' << size.height << "\">"
        << content << "</svg>\n";
    return svg.str();
}

std::string Text(double x, double y, double size, const std::string& anchor,
                 const std::string& extra, const std::string& text)
{
    std::ostringstream out;
    out << "<text x=\"" << x << "\" y=\"" << y << "\" font-size=\"" << size
        << "\" font-family=\"Noto Sans CJK SC\" text-anchor=\"" << anchor << "\" " << extra << ">"
        << XmlEscaped(text) << "</text>";
    return out.str();
}

using Tool = std::function<Outcome(const Request&)>;

Outcome Merge(const Request& request)
{
    if (request.files.size() < 2) {
        return Refused("请至少选择两个 PDF 文件");
    }
    std::vector<std::string> args = {"--empty", "--pages"};
    for (const Upload& file : request.files) {
        const Document document = Inspect(file, request);
        if (document.problem.status != 200) {
            return document.problem;
        }
        args.push_back(file.path.string());
    }
    const fs::path output = request.workDir / "merged.pdf";
    args.insert(args.end(), {"--", output.string()});
    return Qpdf(args, request, output, Stem(request.files.front().name) + "-合并.pdf");
}

Outcome Split(const Request& request)
{
    const Upload& file = request.files.front();
    const Document document = Inspect(file, request);
    if (document.problem.status != 200) {
        return document.problem;
    }
    std::vector<std::pair<int, int>> ranges;
    const std::string text = Option(request, "ranges");
    if (text.empty()) {
        for (int page = 1; page <= document.pages; ++page) {
            ranges.emplace_back(page, page);
        }
    } else {
        ranges = ParseRanges(text, document.pages);
        if (ranges.empty()) {
            return Refused("页码范围无效：文件共 " + std::to_string(document.pages) + " 页");
        }
    }
    std::vector<std::pair<std::string, fs::path>> members;
    for (const auto& [first, last] : ranges) {
        const std::string range = first == last
                                      ? std::to_string(first)
                                      : std::to_string(first) + "-" + std::to_string(last);
        const fs::path part = request.workDir / ("part-" + range + ".pdf");
        const auto run =
            RunTool({"qpdf", "--empty", "--pages", file.path.string(), range, "--", part.string()},
                    request);
        if (!Succeeded(run)) {
            return Failure(run);
        }
        members.emplace_back(Stem(file.name) + "-" + range + ".pdf", part);
    }
    const fs::path zip = request.workDir / "split.zip";
    std::string error;
    if (!WriteZip(zip, members, error)) {
        return Broken("服务无法打包结果");
    }
    return Download(zip, Stem(file.name) + "-拆分.zip");
}

Outcome Lock(const Request& request)
{
    const Upload& file = request.files.front();
    const std::string password = Option(request, "password");
    if (password.empty()) {
        return Refused("请输入密码");
    }
    if (password.find('\n') != std::string::npos) {
        return Refused("密码不能包含换行");
    }
    const Document document = Inspect(file, request);
    if (document.problem.status != 200) {
        return document.problem;
    }
    const fs::path output = request.workDir / "locked.pdf";
    const auto args = ArgumentFile(request, {file.path.string(), "--encrypt", password, password,
                                             "256", "--", output.string()});
    if (!args) {
        return Broken("服务无法保存临时文件");
    }
    return Qpdf({"@" + args->string()}, request, output, Stem(file.name) + "-加密.pdf");
}

Outcome Unlock(const Request& request)
{
    const Upload& file = request.files.front();
    const std::string password = Option(request, "password");
    if (password.find('\n') != std::string::npos) {
        return Refused("密码不能包含换行");
    }
    Document document = Inspect(file, request, password);
    if (document.problem.status != 200) {
        if (document.needsPassword) {
            document.problem.message = password.empty() ? "请输入密码" : "密码错误";
        }
        return document.problem;
    }
    const fs::path output = request.workDir / "unlocked.pdf";
    std::vector<std::string> args = {"--decrypt", file.path.string(), output.string()};
    if (!password.empty()) {
        args.insert(args.begin(), "--password=" + password);
    }
    const auto argumentFile = ArgumentFile(request, args);
    if (!argumentFile) {
        return Broken("服务无法保存临时文件");
    }
    return Qpdf({"@" + argumentFile->string()}, request, output, Stem(file.name) + "-解密.pdf");
}

Outcome Rotate(const Request& request)
{
    const Upload& file = request.files.front();
    const std::string angle = Option(request, "angle", "90");
    if (angle != "90" && angle != "180" && angle != "270") {
        return Refused("旋转角度只能是 90、180 或 270 度");
    }
    const Document document = Inspect(file, request);
    if (document.problem.status != 200) {
        return document.problem;
    }
    const std::string pages = Option(request, "pages");
    std::string selection = "1-z";
    if (!pages.empty()) {
        const auto ranges = ParseRanges(pages, document.pages);
        if (ranges.empty()) {
            return Refused("页码范围无效：文件共 " + std::to_string(document.pages) + " 页");
        }
        selection.clear();
        for (const auto& [first, last] : ranges) {
            selection +=
                (selection.empty() ? "" : ",") + std::to_string(first) + "-" + std::to_string(last);
        }
    }
    const fs::path output = request.workDir / "rotated.pdf";
    return Qpdf({file.path.string(), "--rotate=+" + angle + ":" + selection, "--", output.string()},
                request, output, Stem(file.name) + "-旋转.pdf");
}

// Lays `overlay` (one page per page, or one for all with `repeat`) over the document.
Outcome Overlay(const Request& request, const fs::path& overlay, bool repeat,
                const std::string& suffix)
{
    const Upload& file = request.files.front();
    const fs::path output = request.workDir / "stamped.pdf";
    std::vector<std::string> args = {file.path.string(), "--overlay", overlay.string()};
    if (repeat) {
        args.push_back("--repeat=1");
    }
    args.insert(args.end(), {"--", output.string()});
    return Qpdf(args, request, output, Stem(file.name) + suffix);
}

Outcome Watermark(const Request& request)
{
    const std::string text = Option(request, "text");
    if (text.empty()) {
        return Refused("请输入水印文字");
    }
    const auto size = NumberOption(request, "size", 48, 6, 300);
    const auto opacity = NumberOption(request, "opacity", 0.3, 0.05, 1);
    const auto angle = NumberOption(request, "angle", 45, -180, 180);
    if (!size || !opacity || !angle) {
        return Refused("水印的字号、透明度或角度超出范围");
    }
    const Document document = Inspect(request.files.front(), request);
    if (document.problem.status != 200) {
        return document.problem;
    }
    const PageSize page = PageSizes(request.files.front().path, 1, request).front();
    std::ostringstream extra;
    extra << "fill=\"#808080\" fill-opacity=\"" << *opacity << "\" transform=\"rotate(" << -*angle
          << ' ' << page.width / 2 << ' ' << page.height / 2 << ")\"";
    const fs::path stamp = request.workDir / "watermark.pdf";
    const Outcome drawn = DrawPages(
        {Svg(page, Text(page.width / 2, page.height / 2, *size, "middle", extra.str(), text))},
        request, stamp);
    if (drawn.status != 200) {
        return drawn;
    }
    return Overlay(request, stamp, true, "-水印.pdf");
}

std::string Replaced(std::string text, const std::string& key, const std::string& value)
{
    for (auto at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

Outcome PageNumbers(const Request& request)
{
    const std::string position = Option(request, "position", "bottom-center");
    const std::string format = Option(request, "format", "{n}");
    const auto start = NumberOption(request, "start", 1, 0, 1000000);
    const bool top = position.starts_with("top-");
    const std::string side = position.substr(position.find('-') + 1);
    if (!start || (!top && !position.starts_with("bottom-")) ||
        (side != "left" && side != "center" && side != "right")) {
        return Refused("页码的位置或起始页码无效");
    }
    if (format.find("{n}") == std::string::npos) {
        return Refused("页码格式中须有 {n}");
    }
    const Document document = Inspect(request.files.front(), request);
    if (document.problem.status != 200) {
        return document.problem;
    }
    const auto sizes = PageSizes(request.files.front().path, document.pages, request);
    std::vector<std::string> svgs;
    for (int i = 0; i < document.pages; ++i) {
        const PageSize& page = sizes[static_cast<std::size_t>(i)];
        const double margin = 28;
        const double x = side == "left"    ? margin
                         : side == "right" ? page.width - margin
                                           : page.width / 2;
        const std::string anchor = side == "left" ? "start" : side == "right" ? "end" : "middle";
        const std::string label =
            Replaced(Replaced(format, "{n}", std::to_string(static_cast<long>(*start) + i)),
                     "{total}", std::to_string(document.pages));
        svgs.push_back(Svg(page, Text(x, top ? margin + 10 : page.height - margin, 12, anchor,
                                      "fill=\"#000000\"", label)));
    }
    const fs::path numbers = request.workDir / "numbers.pdf";
    const Outcome drawn = DrawPages(svgs, request, numbers);
    if (drawn.status != 200) {
        return drawn;
    }
    return Overlay(request, numbers, false, "-页码.pdf");
}

// Whether any object of qpdf's JSON (or a value inside one) satisfies `test`.
bool AnyValue(const Json::Value& value, const std::function<bool(const Json::Value&)>& test)
{
    if (test(value)) {
        return true;
    }
    if (value.isObject() || value.isArray()) {
        for (const Json::Value& child : value) {
            if (AnyValue(child, test)) {
                return true;
            }
        }
    }
    return false;
}

Outcome Check(const Request& request)
{
    const Upload& file = request.files.front();
    Outcome outcome;
    const Document document = Inspect(file, request);
    if (document.problem.status != 200) {
        // A document that opens only with its password: encrypted is all there is to say.
        if (!document.needsPassword) {
            return document.problem;
        }
        outcome.report["encrypted"] = true;
        outcome.report["readable"] = false;
        return outcome;
    }
    // Written to a file: the output of a run keeps only its last few kilobytes.
    const fs::path report = request.workDir / "report.json";
    const auto run =
        RunTool({"qpdf", "--json=2", "--json-key=encrypt", "--json-key=acroform",
                 "--json-key=attachments", "--json-key=qpdf", file.path.string(), report.string()},
                request);
    Json::Value json;
    std::string errors;
    std::ifstream text(report, std::ios::binary);
    if (!Succeeded(run) ||
        !Json::parseFromStream(Json::CharReaderBuilder(), text, &json, &errors)) {
        return Failure(run);
    }
    outcome.report["readable"] = true;
    outcome.report["pages"] = document.pages;
    outcome.report["encrypted"] = json["encrypt"]["encrypted"].asBool();
    outcome.report["forms"] = json["acroform"]["hasacroform"].asBool();
    outcome.report["embeddedFiles"] = static_cast<Json::UInt>(json["attachments"].size());
    outcome.report["javascript"] = AnyValue(json["qpdf"], [](const Json::Value& value) {
        return value.isObject() &&
               (value.isMember("/JS") || value["/S"] == Json::Value("/JavaScript") ||
                value.isMember("/JavaScript"));
    });
    return outcome;
}

Outcome Portfolio(const Request& request)
{
    std::string listing;
    double y = 120;
    for (const Upload& file : request.files) {
        std::error_code error;
        if (fs::file_size(file.path, error) == 0 || error) {
            return Refused("文件“" + file.name + "”是空的");
        }
        listing += Text(72, y, 14, "start", "fill=\"#1f2329\"", file.name);
        y += 24;
    }
    const PageSize page;
    const fs::path cover = request.workDir / "cover.pdf";
    const Outcome drawn = DrawPages(
        {Svg(page, Text(72, 80, 24, "start", "fill=\"#2f6bff\"", "PDF 文件包") + listing)}, request,
        cover);
    if (drawn.status != 200) {
        return drawn;
    }
    const fs::path output = request.workDir / "portfolio.pdf";
    std::vector<std::string> args = {cover.string()};
    for (std::size_t i = 0; i < request.files.size(); ++i) {
        const std::string name = fs::path(RepairUtf8(request.files[i].name)).filename().string();
        args.insert(args.end(),
                    {"--add-attachment", request.files[i].path.string(),
                     "--key=" + std::to_string(i + 1) + "-" + name, "--filename=" + name, "--"});
    }
    args.push_back(output.string());
    return Qpdf(args, request, output, Stem(request.files.front().name) + "-文件包.pdf");
}

const std::map<std::string, Tool>& ToolTable()
{
    static const std::map<std::string, Tool> table = {
        {"merge", Merge},
        {"split", Split},
        {"lock", Lock},
        {"unlock", Unlock},
        {"rotate", Rotate},
        {"watermark", Watermark},
        {"page-numbers", PageNumbers},
        {"check", Check},
        {"portfolio", Portfolio},
    };
    return table;
}

} // namespace

const std::vector<std::string>& Tools()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const auto& entry : ToolTable()) {
            all.push_back(entry.first);
        }
        return all;
    }();
    return names;
}

std::vector<std::pair<int, int>> ParseRanges(const std::string& text, int pageCount)
{
    std::vector<std::pair<int, int>> ranges;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) {
        std::erase(part, ' ');
        const auto dash = part.find('-');
        const std::string firstText = part.substr(0, dash);
        const std::string lastText = dash == std::string::npos ? firstText : part.substr(dash + 1);
        int first = 0;
        int last = 0;
        const auto parsed = [](const std::string& number, int& value) {
            const auto [end, code] =
                std::from_chars(number.data(), number.data() + number.size(), value);
            return !number.empty() && code == std::errc() && end == number.data() + number.size();
        };
        if (!parsed(firstText, first) || !parsed(lastText, last) || first < 1 || last < first ||
            last > pageCount) {
            return {};
        }
        ranges.emplace_back(first, last);
    }
    return ranges;
}

Outcome Run(const Request& request)
{
    const auto tool = ToolTable().find(request.tool);
    if (tool == ToolTable().end()) {
        Outcome outcome = Refused("没有这个工具");
        outcome.status = 404;
        return outcome;
    }
    if (request.files.empty()) {
        return Refused("请选择文件");
    }
    return tool->second(request);
}

} // namespace PdfTools
