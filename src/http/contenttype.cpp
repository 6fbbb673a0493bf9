#include "http/contenttype.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

using Row = std::pair<std::string_view, std::string_view>;

constexpr std::array kContentTypes = {
    Row{"pdf", "application/pdf"},
    Row{"jpg", "image/jpeg"},
    Row{"jpeg", "image/jpeg"},
    Row{"png", "image/png"},
    Row{"doc", "application/msword"},
    Row{"docx", "application/msword"},
    Row{"ppt", "application/x-ppt"},
    Row{"pptx", "application/x-ppt"},
    Row{"xls", "application/vnd.ms-excel"},
    Row{"xlsx", "application/vnd.ms-excel"},
};

} // namespace

std::string GetContentType(std::string_view path)
{
    const auto dot = path.rfind('.');
    std::string extension(dot == std::string_view::npos ? path : path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto found =
        std::find_if(kContentTypes.begin(), kContentTypes.end(),
                     [&extension](const Row& row) { return row.first == extension; });
    return std::string(found == kContentTypes.end() ? "" : found->second);
}
