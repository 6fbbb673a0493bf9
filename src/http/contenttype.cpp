#include "http/contenttype.h"

#include "utility/lookuptable.h"
#include "utility/textcase.h"

namespace {

using Row = TableRow;

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
    return Lookup(kContentTypes, extension, "");
}
