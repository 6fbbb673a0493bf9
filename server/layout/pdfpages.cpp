#include "pdfpages.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Layout {
namespace {

void QuietErrors(const std::string&, void*) {}

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
    const poppler::image image = renderer.render_page(
        &page, 72 * pixelsPerPoint, 72 * pixelsPerPoint, -1, -1, -1, -1, back[quarterTurns & 3]);
    Raster raster;
    if (!image.is_valid() || image.format() != poppler::image::format_gray8) {
        return raster;
    }
    raster.width = image.width();
    raster.height = image.height();
    raster.pixelsPerPoint = pixelsPerPoint;
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
    double width = size.width();
    double height = size.height();
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
        word.box = Upright(Box{bounds.left(), bounds.top(), bounds.right(), bounds.bottom()},
                           content.quarterTurns, width, height);
        word.fontSize = box.has_font_info() ? box.get_font_size() : bounds.height();
        if (word.fontSize <= 0) {
            word.fontSize = std::max(bounds.height(), 1.0);
        }
        const std::string font = box.has_font_info() ? box.get_font_name() : std::string();
        word.bold = BoldFontName(font);
        word.italic = ItalicFontName(font);
        word.spaceAfter = box.has_space_after();
        content.words.push_back(std::move(word));
    }
    return content;
}

Raster PdfPages::Draw(int index, double pixelsPerPoint, int quarterTurns) const
{
    const std::unique_ptr<poppler::page> page(document_->create_page(index));
    return page ? DrawGrey(*page, pixelsPerPoint, quarterTurns) : Raster();
}

bool PdfPages::SavePng(int index, double dotsPerInch, const std::filesystem::path& target) const
{
    const std::unique_ptr<poppler::page> page(document_->create_page(index));
    if (!page) {
        return false;
    }
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    const poppler::image image = renderer.render_page(page.get(), dotsPerInch, dotsPerInch);
    return image.is_valid() && image.save(target.string(), "png", static_cast<int>(dotsPerInch));
}

} // namespace Layout
