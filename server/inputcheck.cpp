#include "inputcheck.h"

#include <array>
#include <fstream>
#include <string_view>

namespace {

constexpr std::size_t kSampleSize = 64 * 1024;

bool StartsWith(std::string_view data, std::string_view magic)
{
    return data.substr(0, magic.size()) == magic;
}

bool IsJpeg(std::string_view d)
{
    return StartsWith(d, "\xFF\xD8\xFF");
}
bool IsPng(std::string_view d)
{
    return StartsWith(d, "\x89PNG\r\n\x1A\n");
}

bool IsImage(std::string_view d)
{
    using namespace std::string_view_literals;
    return IsJpeg(d) || IsPng(d) || StartsWith(d, "BM") || StartsWith(d, "GIF8") ||
           StartsWith(d, "II*\0"sv) || StartsWith(d, "MM\0*"sv) ||
           (StartsWith(d, "RIFF") && d.substr(8, 4) == "WEBP");
}

// A PDF starts with its header; real files may carry a byte-order mark or a few blanks
// before it, but nothing else (a PostScript program may well contain "%PDF-" further on).
bool IsPdfHeader(std::string_view d)
{
    constexpr std::size_t kLeadingBytesAllowed = 8;
    if (StartsWith(d, "\xEF\xBB\xBF")) {
        d.remove_prefix(3);
    }
    const std::size_t start = d.find_first_not_of(std::string_view(" \t\r\n\f\0", 6));
    return start != std::string_view::npos && start <= kLeadingBytesAllowed &&
           StartsWith(d.substr(start), "%PDF-");
}

bool IsOfficeDocument(std::string_view d)
{
    // zip containers (OOXML, OpenDocument), the compound file of the older formats, RTF
    return StartsWith(d, "PK\x03\x04") || StartsWith(d, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") ||
           StartsWith(d, "{\\rtf");
}

} // namespace

std::optional<std::string> CheckInput(InputKind kind, const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string sample(kSampleSize, '\0');
    in.read(sample.data(), static_cast<std::streamsize>(sample.size()));
    sample.resize(static_cast<std::size_t>(in.gcount()));
    if (sample.empty()) {
        return "the file is empty";
    }
    const std::string_view data = sample;
    switch (kind) {
    case InputKind::Pdf:
        if (!IsPdfHeader(data)) {
            return "the file is not a PDF document";
        }
        break;
    case InputKind::OfficeDocument:
        if (!IsOfficeDocument(data)) {
            return "the file is not an office document";
        }
        break;
    case InputKind::Text:
        if (data.find('\0') != std::string_view::npos) {
            return "the file is not a text file";
        }
        break;
    case InputKind::PdfImage:
        if (!IsJpeg(data) && !IsPng(data)) {
            return "the file is not a JPEG or PNG image";
        }
        break;
    case InputKind::Image:
        if (!IsImage(data)) {
            return "the file is not an image";
        }
        break;
    }
    return std::nullopt;
}
