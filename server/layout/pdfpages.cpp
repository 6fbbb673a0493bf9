#include "pdfpages.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace Layout {
namespace {

void QuietErrors(const std::string&, void*) {}

constexpr double defaultWidth = 595.3; // A4
constexpr double defaultHeight = 841.9;
constexpr double largestSide = 14400; // points, the largest page a PDF may have
// No page is drawn larger than this many pixels, however large it is.
constexpr double mostPixels = 36e6;

double Sane(double length, double otherwise)
{
    return length >= 1 && length <= largestSide ? length : otherwise;
}

// The resolution, at most `wanted`, at which `page` is drawn within `mostPixels`.
double Resolution(const poppler::page& page, double wanted)
{
    const poppler::rectf size = page.page_rect();
    const double area = Sane(size.width(), defaultWidth) * Sane(size.height(), defaultHeight);
    return std::min(wanted, 72 * std::sqrt(mostPixels / area));
}

std::string LowerStyleName(const std::string& name)
{
    const auto plus = name.find('+');
    std::string style = plus == std::string::npos ? name : name.substr(plus + 1);
    std::transform(style.begin(), style.end(), style.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return style;
}

bool Mentions(const std::string& style, std::initializer_list<const char*> signs)
{
    return std::any_of(signs.begin(), signs.end(),
                       [&](const char* sign) { return style.find(sign) != std::string::npos; });
}

std::string Utf8(const poppler::ustring& text)
{
    const poppler::byte_array bytes = text.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

Raster DrawGrey(const poppler::page& page, double pixelsPerPoint, int quarterTurns)
{
    // drawn turned back by the text's turn
    static const poppler::rotation_enum back[] = {poppler::rotate_0, poppler::rotate_270,
                                                  poppler::rotate_180, poppler::rotate_90};
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    renderer.set_render_hint(poppler::page_renderer::antialiasing, false);
    const double dpi = Resolution(page, 72 * pixelsPerPoint);
    const poppler::image image =
        renderer.render_page(&page, dpi, dpi, -1, -1, -1, -1, back[quarterTurns & 3]);
    Raster raster;
    if (!image.is_valid() || image.format() != poppler::image::format_gray8) {
        return raster;
    }
    raster.width = image.width();
    raster.height = image.height();
    raster.pixelsPerPoint = dpi / 72;
    raster.grey.resize(static_cast<std::size_t>(raster.width) * raster.height);
    for (int y = 0; y < raster.height; ++y) {
        std::memcpy(&raster.grey[static_cast<std::size_t>(y) * raster.width],
                    image.const_data() + static_cast<std::ptrdiff_t>(y) * image.bytes_per_row(),
                    raster.width);
    }
    return raster;
}

} // namespace

Box Upright(const Box& box, int quarterTurns, double width, double height)
{
    switch (quarterTurns & 3) {
    case 1: // text runs down the page
        return Box{box.top, width - box.right, box.bottom, width - box.left};
    case 2:
        return Box{width - box.right, height - box.bottom, width - box.left, height - box.top};
    case 3: // text runs up the page
        return Box{height - box.bottom, box.left, height - box.top, box.right};
    default:
        return box;
    }
}

bool BoldFontName(const std::string& name)
{
    return Mentions(LowerStyleName(name), {"bold", "black", "heavy", "semibold", "demi"});
}

bool ItalicFontName(const std::string& name)
{
    return Mentions(LowerStyleName(name), {"italic", "oblique"});
}

PdfPages::PdfPages(poppler::document* document) : document_(document) {}

PdfPages::~PdfPages() = default;

std::unique_ptr<PdfPages> PdfPages::Open(const std::filesystem::path& path, std::string& error)
{
    poppler::set_debug_error_function(QuietErrors, nullptr);
    poppler::document* document = poppler::document::load_from_file(path.string());
    if (document == nullptr) {
        error = "the document cannot be read as a PDF";
        return nullptr;
    }
    if (document->is_locked()) {
        delete document;
        error = "the document is protected by a password";
        return nullptr;
    }
    return std::unique_ptr<PdfPages>(new PdfPages(document));
}

int PdfPages::Count() const
{
    return document_->pages();
}

PageContent PdfPages::Read(int index) const
{
    PageContent content;
    const std::unique_ptr<poppler::page> page(document_->create_page(index));
    if (!page) {
        return content;
    }
    const poppler::rectf size = page->page_rect();
    double width = Sane(size.width(), defaultWidth);
    double height = Sane(size.height(), defaultHeight);
    if (page->orientation() == poppler::page::landscape ||
        page->orientation() == poppler::page::seascape) {
        std::swap(width, height);
    }
    const std::vector<poppler::text_box> boxes =
        page->text_list(poppler::page::text_list_include_font);
    std::size_t turned[4] = {};
    for (const poppler::text_box& box : boxes) {
        turned[static_cast<std::size_t>(box.rotation() & 3)] += 1;
    }
    content.quarterTurns = static_cast<int>(std::max_element(turned, turned + 4) - turned);
    content.width = content.quarterTurns % 2 == 0 ? width : height;
    content.height = content.quarterTurns % 2 == 0 ? height : width;
    for (const poppler::text_box& box : boxes) {
        Word word;
        word.text = Utf8(box.text());
        if (word.text.find_first_not_of(" \t\r\n") == std::string::npos) {
            continue;
        }
        const poppler::rectf bounds = box.bbox();
        // Text set outside the page is not seen, and nothing past its edges is placed.
        const Box shown{std::max(bounds.left(), 0.0), std::max(bounds.top(), 0.0),
                        std::min(bounds.right(), width), std::min(bounds.bottom(), height)};
        if (!(shown.right > shown.left) || !(shown.bottom > shown.top)) {
            continue;
        }
        word.box = Upright(shown, content.quarterTurns, width, height);
        word.fontSize = box.has_font_info() ? box.get_font_size() : shown.Height();
        if (!(word.fontSize >= 1) || word.fontSize > height) {
            word.fontSize = std::clamp(shown.Height(), 1.0, height);
        }
        const std::string font = box.has_font_info() ? box.get_font_name() : std::string();
        word.bold = BoldFontName(font);
        word.italic = ItalicFontName(font);
        word.spaceAfter = box.has_space_after();
        content.words.push_back(std::move(word));
    }
    return content;
}

std::pair<double, double> PdfPages::VisibleOrigin(int index) const
{
    const std::unique_ptr<poppler::page> page(document_->create_page(index));
    if (!page) {
        return {0, 0};
    }
    // page boxes come as PDF rectangles: bottom() is their upper edge
    const poppler::rectf sheet = page->page_rect(poppler::media_box);
    const poppler::rectf visible = page->page_rect(poppler::crop_box);
    const double left = visible.left() - sheet.left();
    const double top = sheet.bottom() - visible.bottom();
    const bool sane = std::isfinite(left) && std::isfinite(top) && std::abs(left) < largestSide &&
                      std::abs(top) < largestSide;
    return sane ? std::pair(left, top) : std::pair(0.0, 0.0);
}

Raster PdfPages::Draw(int index, double pixelsPerPoint, int quarterTurns) const
{
    const std::unique_ptr<poppler::page> page(document_->create_page(index));
    return page ? DrawGrey(*page, pixelsPerPoint, quarterTurns) : Raster();
}

std::optional<double> PdfPages::SavePng(int index, double dotsPerInch,
                                        const std::filesystem::path& target) const
{
    const std::unique_ptr<poppler::page> page(document_->create_page(index));
    if (!page) {
        return std::nullopt;
    }
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    const double dpi = Resolution(*page, dotsPerInch);
    const poppler::image image = renderer.render_page(page.get(), dpi, dpi);
    if (!image.is_valid() || !image.save(target.string(), "png", static_cast<int>(dpi))) {
        return std::nullopt;
    }
    return dpi;
}

} // namespace Layout
