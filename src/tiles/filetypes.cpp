#include "tiles/filetypes.h"

#include "utility/pathsplit.h"
#include "utility/stringtable.h"
#include "utility/textcase.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

struct FileKind
{
    std::string_view description; // string-table key
    std::vector<std::string_view> extensions;
    // The functions a dropped file is offered to, in display order.
    std::vector<std::string_view> offeredTo;
    // The functions that take these files from a drop or the dialog.
    std::vector<std::string_view> acceptedBy;
};

const std::vector<std::string_view> kImageExtensions = {".jpg",  ".jpeg", ".png",
                                                        ".tiff", ".bmp",  ".gif"};
const std::vector<std::string_view> kImageFunctions = {"JPG2PDF", "IMG2TXT"};

const std::array<FileKind, 6> kKinds = {{
    {"@string/str_filter_pdf",
     {".pdf"},
     {"PDFPrint", "PDF2Word", "PDFMerge", "PDFCompress", "PDF2JPG", "PDF2PPT", "PDF2Excel",
      "PDF2Html", "PDFUnlock", "PDFLock", "timestamp", "pdfchecksafe", "PDFRotate",
      "PDFExportImage", "pdf-portfolios", "PDFAddPageNumber", "watermark", "PDFSplit"},
     {"PDFPrint", "PDF2Word", "PDFMerge", "PDFCompress", "PDF2JPG", "PDF2PPT", "PDF2CAD",
      "PDF2Excel", "PDF2Html", "PDFUnlock", "PDFLock", "timestamp", "pdfchecksafe", "PDFRotate",
      "PDFExportImage", "pdf-portfolios", "PDFAddPageNumber", "watermark"}},
    {"@string/str_filter_doc", {".doc", ".docx"}, {"Word2PDF"}, {"Word2PDF"}},
    {"@string/str_filter_excel", {".xls", ".xlsx"}, {"Excel2PDF"}, {"Excel2PDF"}},
    {"@string/str_filter_ppt", {".ppt", ".pptx"}, {"PPT2PDF"}, {"PPT2PDF"}},
    {"@string/str_filter_image", kImageExtensions, kImageFunctions, kImageFunctions},
    {"@string/str_filter_txt", {".txt"}, {"TXT2PDF"}, {"TXT2PDF"}},
}};

bool Contains(const std::vector<std::string_view>& list, std::string_view value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

const FileKind* KindAcceptedBy(std::string_view key)
{
    const auto found = std::find_if(kKinds.begin(), kKinds.end(), [&](const FileKind& kind) {
        return Contains(kind.acceptedBy, key);
    });
    return found == kKinds.end() ? nullptr : &*found;
}

std::vector<std::string> ToStrings(const std::vector<std::string_view>& list)
{
    return {list.begin(), list.end()};
}

} // namespace

std::string FileFilterForFunction(std::string_view key)
{
    const FileKind* kind = KindAcceptedBy(key);
    if (!kind)
        kind = &kKinds.front();
    std::string patterns;
    for (const std::string_view extension : kind->extensions)
        patterns += (patterns.empty() ? "*" : " *") + std::string(extension);
    // The table's description names its patterns in the Windows form "(*.doc;*.docx)"; the
    // dialog shows the patterns it is given, so that part is left out.
    std::string description = StringTable::Resolve(kind->description);
    description.erase(std::min(description.find('('), description.size()));
    while (!description.empty() && description.back() == ' ')
        description.pop_back();
    return description + " (" + patterns + ")";
}

std::vector<std::string> FunctionsForExtension(std::string_view extension)
{
    std::string normalized = ToLower(extension);
    if (normalized.empty() || normalized.front() != '.')
        normalized.insert(0, 1, '.');
    for (const FileKind& kind : kKinds)
        if (Contains(kind.extensions, normalized))
            return ToStrings(kind.offeredTo);
    return {};
}

std::vector<std::string> ExtensionsForFunction(std::string_view key)
{
    const FileKind* kind = KindAcceptedBy(key);
    return kind ? ToStrings(kind->extensions) : std::vector<std::string>{};
}

std::string FileExtension(std::string_view path)
{
    const std::string_view name = SplitPath(path).name;
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : ToLower(name.substr(dot));
}

std::vector<std::string> FilesForFunction(std::string_view key,
                                          const std::vector<std::string>& paths)
{
    const FileKind* kind = KindAcceptedBy(key);
    std::vector<std::string> accepted;
    if (kind)
        std::copy_if(paths.begin(), paths.end(), std::back_inserter(accepted),
                     [&](const std::string& path) {
                         return Contains(kind->extensions, FileExtension(path));
                     });
    return accepted;
}

DropOffer FunctionsForFiles(const std::vector<std::string>& paths)
{
    DropOffer offer;
    for (const std::string& path : paths) {
        const std::vector<std::string> functions = FunctionsForExtension(FileExtension(path));
        if (functions.empty())
            continue;
        offer.files.push_back(path);
        for (const std::string& function : functions)
            if (std::find(offer.functions.begin(), offer.functions.end(), function) ==
                offer.functions.end())
                offer.functions.push_back(function);
    }
    return offer;
}
