#include "task/resulttype.h"

#include "utility/textcase.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

struct Signature
{
    std::string_view extension;
    std::array<std::string_view, 2> starts; // any of them; empty entries are unused
};

using namespace std::string_view_literals;

// A zip with entries starts with a local file header, an empty one with its end record.
constexpr std::array kSignatures = {
    Signature{"pdf", {"%PDF-"sv, {}}},          Signature{"zip", {"PK\x03\x04"sv, "PK\x05\x06"sv}},
    Signature{"docx", {"PK\x03\x04"sv, {}}},    Signature{"xlsx", {"PK\x03\x04"sv, {}}},
    Signature{"pptx", {"PK\x03\x04"sv, {}}},    Signature{"jpg", {"\xFF\xD8\xFF"sv, {}}},
    Signature{"jpeg", {"\xFF\xD8\xFF"sv, {}}},  Signature{"png", {"\x89PNG\r\n\x1A\n"sv, {}}},
    Signature{"gif", {"GIF87a"sv, "GIF89a"sv}}, Signature{"bmp", {"BM"sv, {}}},
    Signature{"tif", {"II*\0"sv, "MM\0*"sv}},   Signature{"tiff", {"II*\0"sv, "MM\0*"sv}},
    Signature{"dwg", {"AC10"sv, {}}},
};

// The text after a UTF-8 byte order mark and leading white space.
std::string_view Content(std::string_view head)
{
    if (head.starts_with("\xEF\xBB\xBF"))
        head.remove_prefix(3);
    const auto first = head.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? std::string_view() : head.substr(first);
}

bool LooksLikeHtml(std::string_view head)
{
    const std::string start = ToLower(Content(head).substr(0, 14));
    return start.starts_with("<!doctype html") || start.starts_with("<html");
}

} // namespace

bool ResultMatchesType(std::string_view resultSuffix, std::string_view head)
{
    const auto dot = resultSuffix.rfind('.');
    const std::string extension =
        ToLower(dot == std::string_view::npos ? resultSuffix : resultSuffix.substr(dot + 1));
    if (extension == "txt")
        return head.find('\0') == std::string_view::npos && !LooksLikeHtml(head);
    if (extension == "html" || extension == "htm")
        return Content(head).starts_with('<');
    const auto known = std::find_if(kSignatures.begin(), kSignatures.end(),
                                    [&](const Signature& s) { return s.extension == extension; });
    if (known == kSignatures.end())
        return true;
    return std::any_of(known->starts.begin(), known->starts.end(), [&](std::string_view start) {
        return !start.empty() && head.starts_with(start);
    });
}
