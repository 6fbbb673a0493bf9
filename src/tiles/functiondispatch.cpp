#include "tiles/functiondispatch.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kWebPages = {{
    {"PDF2CAD", "/pdf-to-cad?extra=PC&Device=PC"},
    {"PDFMerge", "/pdf-merge?extra=PC&Device=PC"},
    {"PDFSplit", "/pdf-split?extra=PC&Device=PC"},
    {"PDFLock", "/pdf-lock?extra=PC&Device=PC"},
    {"PDFUnlock", "/pdf-unlock?extra=PC&Device=PC"},
    {"timestamp", "/timestamp?extra=PC&Device=PC"},
    {"pdfchecksafe", "/pdf-scan?extra=PC&Device=PC"},
    {"PDFRotate", "/pdf-rotate?extra=PC&Device=PC"},
    {"pdf-portfolios", "/pdf-portfolios?extra=PC&Device=PC"},
    {"watermark", "/watermark?extra=PC&Device=PC"},
    {"PDFAddPageNumber", "/pdf-add-page-number?extra=PC&Device=PC"},
}};

} // namespace

FunctionDispatch DispatchFor(std::string_view key)
{
    if (key == "PDFPrint")
        return {FunctionAction::Print, {}};
    if (key == "PDFScanner")
        return {FunctionAction::Scanner, {}};
    const auto page = std::find_if(kWebPages.begin(), kWebPages.end(),
                                   [&](const auto& entry) { return entry.first == key; });
    if (page != kWebPages.end())
        return {FunctionAction::WebPage, page->second};
    return {FunctionAction::Conversion, {}};
}

std::optional<std::string> WebPageUrl(std::string_view key, std::string_view webHost)
{
    const FunctionDispatch dispatch = DispatchFor(key);
    if (dispatch.action != FunctionAction::WebPage)
        return std::nullopt;
    return std::string(webHost) + std::string(dispatch.webPath);
}

bool RunsDuringConversion(std::string_view key)
{
    return key == "PDF2CAD" || key == "PDFMerge" || key == "PDFLock" || key == "PDFSplit";
}
