#include "rebuilder.h"

#include "filebytes.h"
#include "headersfooters.h"
#include "headings.h"
#include "pageanalysis.h"
#include "pdfpages.h"
#include "pictures.h"
#include "recognisedwords.h"

#include <algorithm>

namespace Layout {
namespace {

namespace fs = std::filesystem;

// Ruling lines are looked for in the page drawn at this many pixels per point.
constexpr double rulingPixelsPerPoint = 2;
// A page with nothing but a drawing keeps it as a picture of this resolution.
constexpr double pagePictureDpi = 150;
// A picture covering this share of its page is a scan of it.
constexpr double scanShare = 0.5;
// Whether a page shows anything is seen in it drawn this coarsely.
constexpr double inkPixelsPerPoint = 0.25;

std::vector<Word> WithoutRunning(std::vector<Word> words, const std::vector<bool>& running)
{
    std::vector<Word> kept;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!running[i]) {
            kept.push_back(std::move(words[i]));
        }
    }
    return kept;
}

Picture PagePicture(const PdfPages& pdf, int index, const PageContent& content,
                    const fs::path& workDir)
{
    Picture picture;
    const fs::path file = workDir / ("page-" + std::to_string(index + 1) + ".png");
    if (!pdf.SavePng(index, pagePictureDpi, file)) {
        return picture;
    }
    picture.data = FileBytes(file);
    picture.format = "png";
    picture.box = Box{0, 0, content.width, content.height};
    return picture;
}

// A scanned page is a picture filling most of the page, or no picture at all (text drawn as
// outlines); a page with smaller pictures and no text is a page of pictures.
bool CoversPage(const Picture& picture, const PageContent& content)
{
    return picture.box.Width() * picture.box.Height() >= scanShare * content.width * content.height;
}

bool LooksScanned(const PageContent& content, const std::vector<Picture>& pictures)
{
    return pictures.empty() ||
           std::any_of(pictures.begin(), pictures.end(),
                       [&](const Picture& picture) { return CoversPage(picture, content); });
}

Block ToBlock(DraftBlock&& block)
{
    if (auto* draft = std::get_if<DraftParagraph>(&block)) {
        return std::move(draft->paragraph);
    }
    if (auto* table = std::get_if<Table>(&block)) {
        return std::move(*table);
    }
    return std::move(std::get<Picture>(block));
}

} // namespace

bool RebuildDocument(const fs::path& pdf, const fs::path& workDir, Document& document,
                     std::string& error)
{
    const std::unique_ptr<PdfPages> pages = PdfPages::Open(pdf, error);
    if (!pages) {
        return false;
    }
    const int count = pages->Count();
    std::vector<std::vector<Picture>> pictures = ReadPictures(pdf, workDir, count);
    std::vector<PageContent> contents;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        PageContent content = pages->Read(i);
        if (content.words.empty() && LooksScanned(content, pictures[at]) &&
            HasInk(pages->Draw(i, inkPixelsPerPoint, 0))) {
            content.words = RecogniseWords(*pages, i, workDir);
            content.recognised = !content.words.empty();
        }
        contents.push_back(std::move(content));
    }
    const std::vector<std::vector<bool>> running = FindHeadersAndFooters(contents);

    std::vector<DraftPage> drafts;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        PageContent& content = contents[at];
        content.words = WithoutRunning(std::move(content.words), running[at]);
        content.pictures = std::move(pictures[at]);
        const bool sideways = content.quarterTurns % 2 == 1;
        const auto [left, top] = pages->VisibleOrigin(i);
        for (Picture& picture : content.pictures) {
            picture.box = Box{picture.box.left - left, picture.box.top - top,
                              picture.box.right - left, picture.box.bottom - top};
            picture.box = Upright(picture.box, content.quarterTurns,
                                  sideways ? content.height : content.width,
                                  sideways ? content.width : content.height);
        }
        if (content.recognised) { // the scan itself is now text
            const auto scan = std::remove_if(
                content.pictures.begin(), content.pictures.end(),
                [&](const Picture& picture) { return CoversPage(picture, content); });
            content.pictures.erase(scan, content.pictures.end());
        }
        content.raster = pages->Draw(i, rulingPixelsPerPoint, content.quarterTurns);
        const bool drawingOnly =
            content.words.empty() && content.pictures.empty() && HasInk(content.raster);
        drafts.push_back(AnalysePage(content, drawingOnly ? PagePicture(*pages, i, content, workDir)
                                                          : Picture()));
        content.raster = Raster();
    }

    std::vector<DraftParagraph*> paragraphs;
    for (DraftPage& draft : drafts) {
        for (DraftBlock& block : draft.blocks) {
            if (auto* paragraph = std::get_if<DraftParagraph>(&block)) {
                paragraphs.push_back(paragraph);
            }
        }
    }
    JoinContinuedParagraphs(paragraphs);
    AssignHeadings(paragraphs);

    document.pages.clear();
    for (DraftPage& draft : drafts) {
        Page page;
        page.width = draft.width;
        page.height = draft.height;
        page.body = draft.body;
        page.recognised = draft.recognised;
        for (DraftBlock& block : draft.blocks) {
            const auto* paragraph = std::get_if<DraftParagraph>(&block);
            if (paragraph == nullptr ||
                !paragraph->paragraph.runs.empty()) { // empty: joined to the one before
                page.blocks.push_back(ToBlock(std::move(block)));
            }
        }
        document.pages.push_back(std::move(page));
    }
    return true;
}

} // namespace Layout
