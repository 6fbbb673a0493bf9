#include "http/contenttype.h"

#include "utility/textcase.h"

#include <algorithm>
#include <array>
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
    const std::string extension =
        ToLower(dot == std::string_view::npos ? path : path.substr(dot + 1));
    const auto found =
        std::find_if(kContentTypes.begin(), kContentTypes.end(),
                     [&extension](const Row& row) { return row.first == extension; });
    return std::string(found == kContentTypes.end() ? "" : found->second);
}
