// The page analysis on words and lines placed anywhere: overlapping, off the page, of any
// size, in any script, on a page and the same page twice for running headers; and the
// recogniser's table read from the same bytes.
#include "fuzzinput.h"
#include "headersfooters.h"
#include "headings.h"
#include "pageanalysis.h"
#include "recognisedwords.h"

#include <cstring>

namespace {

const char* const texts[] = {"The", "growth", "1.",   "•",    "\xEF\x82\xB7", "增长",
                             "，",  "recov-", "ered", "7",    "Page",         "12%",
                             "-",   "(3)",    "一、", "1,250"};

class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    double Coordinate() { return (Byte() << 8 | Byte()) / 64.0 - 100; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Layout::ParseRecognisedWords(std::string(FuzzInput::Text(data, size)), 0.24);

    Reader reader(data, size);
    Layout::PageContent page;
    page.width = 595;
    page.height = 842;
    page.recognised = reader.Byte() & 1;
    while (reader.More() && page.words.size() < 400) {
        Layout::Word word;
        word.text = texts[reader.Byte() % std::size(texts)];
        const double left = reader.Coordinate();
        const double top = reader.Coordinate();
        word.box = Layout::Box{left, top, left + reader.Byte() / 4.0, top + reader.Byte() / 8.0};
        word.fontSize = reader.Byte() / 8.0;
        const std::uint8_t flags = reader.Byte();
        word.bold = flags & 1;
        word.italic = flags & 2;
        word.spaceAfter = flags & 4;
        page.words.push_back(word);
    }
    // a few ruling lines drawn from the words' boxes
    page.raster.width = 119;
    page.raster.height = 168;
    page.raster.pixelsPerPoint = 0.2;
    page.raster.grey.assign(static_cast<std::size_t>(page.raster.width) * page.raster.height, 255);
    for (std::size_t i = 0; i < page.words.size() && i < 16; ++i) {
        const int y = static_cast<int>(page.words[i].box.top * 0.2);
        if (y >= 0 && y < page.raster.height) {
            std::memset(&page.raster.grey[static_cast<std::size_t>(y) * page.raster.width], 0,
                        static_cast<std::size_t>(page.raster.width));
        }
    }
    Layout::FindHeadersAndFooters({page, page});
    Layout::DraftPage draft = Layout::AnalysePage(page, Layout::Picture());
    std::vector<Layout::DraftParagraph*> paragraphs;
    for (Layout::DraftBlock& block : draft.blocks) {
        if (auto* paragraph = std::get_if<Layout::DraftParagraph>(&block)) {
            paragraphs.push_back(paragraph);
        }
    }
    Layout::JoinContinuedParagraphs(paragraphs);
    Layout::AssignHeadings(paragraphs);
    return 0;
}
