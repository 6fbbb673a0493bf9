#include "pictures.h"

#include "filebytes.h"
#include "toolrun.h"

#include <pugixml.hpp>

namespace Layout {
namespace {

namespace fs = std::filesystem;

constexpr double smallestSide = 8; // points

std::string FormatOf(const fs::path& path)
{
    const std::string extension = path.extension().string();
    if (extension == ".png") {
        return "png";
    }
    if (extension == ".jpg" || extension == ".jpeg") {
        return "jpeg";
    }
    return {};
}

} // namespace

std::vector<std::vector<Picture>> ReadPictures(const fs::path& pdf, const fs::path& workDir,
                                               int pageCount)
{
    std::vector<std::vector<Picture>> pages(static_cast<std::size_t>(std::max(pageCount, 0)));
    const fs::path dir = workDir / "pictures";
    std::error_code error;
    fs::create_directories(dir, error);
    // -zoom 1 puts the positions in points; -fmt png keeps every image but JPEGs lossless.
    if (!RunTool({"pdftohtml", "-xml", "-zoom", "1", "-fmt", "png", "-q", "-nodrm", pdf.string(),
                  (dir / "page").string()})) {
        return pages;
    }
    pugi::xml_document xml;
    if (!xml.load_file((dir / "page.xml").c_str())) {
        return pages;
    }
    for (const pugi::xml_node page : xml.child("pdf2xml").children("page")) {
        const int number = page.attribute("number").as_int();
        if (number < 1 || number > pageCount) {
            continue;
        }
        for (const pugi::xml_node image : page.children("image")) {
            Picture picture;
            picture.box.left = image.attribute("left").as_double();
            picture.box.top = image.attribute("top").as_double();
            picture.box.right = picture.box.left + image.attribute("width").as_double();
            picture.box.bottom = picture.box.top + image.attribute("height").as_double();
            const fs::path file = fs::path(image.attribute("src").as_string()).filename();
            picture.format = FormatOf(file);
            if (picture.format.empty() || picture.box.Width() < smallestSide ||
                picture.box.Height() < smallestSide) {
                continue;
            }
            picture.data = FileBytes(dir / file);
            if (!picture.data.empty()) {
                pages[static_cast<std::size_t>(number - 1)].push_back(std::move(picture));
            }
        }
    }
    return pages;
}

} // namespace Layout
