#pragma once

#include "pagecontent.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace poppler {
class document;
}

namespace Layout {

// An opened PDF whose pages are read for their words and drawn in grey or as PNG files.
class PdfPages
{
public:
    static std::unique_ptr<PdfPages> Open(const std::filesystem::path& path, std::string& error);
    ~PdfPages();

    int Count() const;
    // The page's size and its words with their fonts, turned so that most of its text reads
    // left to right; no pixels, no pictures.
    PageContent Read(int index) const;
    // Where the page's visible area (crop box) starts within the whole sheet (media box),
    // from the top left: what pdftohtml's positions count from.
    std::pair<double, double> VisibleOrigin(int index) const;
    // The page drawn as `Read` turned it.
    Raster Draw(int index, double pixelsPerPoint, int quarterTurns) const;
    // Draws the page into a PNG file at `dotsPerInch` or less for a huge page; the resolution
    // used, or none when it cannot be drawn.
    std::optional<double> SavePng(int index, double dotsPerInch,
                                  const std::filesystem::path& target) const;

private:
    explicit PdfPages(poppler::document* document);
    std::unique_ptr<poppler::document> document_;
};

// Whether a font's name (a subset prefix "ABCDEF+" allowed) says bold or italic.
bool BoldFontName(const std::string& name);
bool ItalicFontName(const std::string& name);

} // namespace Layout
