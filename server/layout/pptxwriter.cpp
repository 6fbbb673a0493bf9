#include "pptxwriter.h"

#include "ooxmlcommon.h"
#include "ooxmlpackage.h"
#include "pptxtheme.h"
#include "tablegrid.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace Layout {
namespace {

// The slide sides PowerPoint accepts: 1 to 56 inches.
constexpr std::int64_t kSmallestSlideSide = 914400;
constexpr std::int64_t kLargestSlideSide = 51206400;
// A text box is this much wider than its text, so the text does not wrap sooner.
constexpr double kWiderShare = 0.05;
constexpr double kWiderPoints = 2;
// How far a list item's marker stands left of its text, in font sizes.
constexpr double kMarkerIndent = 1.5;
// A table cell's margin on the left and on the right, in points; half of it above and below.
constexpr double kCellMargin = 3.6;

const char* AlignmentCode(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Centre:
        return "ctr";
    case Alignment::Right:
        return "r";
    case Alignment::Justified:
        return "just";
    case Alignment::Left:
        break;
    }
    return "l";
}

double ParagraphFontSize(const Paragraph& paragraph)
{
    for (const Run& run : paragraph.runs) {
        if (run.fontSize > 0) {
            return run.fontSize;
        }
    }
    return StyleFontSize(paragraph.style);
}

std::string Hundredths(double points)
{
    return std::to_string(std::clamp<std::int64_t>(std::llround(points * 100), 100, 400000));
}

struct SlideSize
{
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// A presentation has one slide size: its first page's, scaled down when larger than a slide.
SlideSize SizeOf(const Page& page)
{
    const double largest = std::max({page.width, page.height, 1.0});
    const double factor = std::min(1.0, static_cast<double>(kLargestSlideSide) / ToEmu(largest));
    const auto side = [factor](double points) {
        return std::clamp(ToEmu(points * factor), kSmallestSlideSide, kLargestSlideSide);
    };
    return {side(page.width), side(page.height)};
}

// Points on a page to EMU on its slide: a page of another size than the slide is scaled to
// fit, and every box is kept on the slide.
class SlideScale
{
public:
    SlideScale(const Page& page, const SlideSize& slide)
        : slide_(slide),
          factor_(std::min(
              static_cast<double>(slide.width) / std::max(ToEmu(page.width), std::int64_t{1}),
              static_cast<double>(slide.height) / std::max(ToEmu(page.height), std::int64_t{1})))
    {
    }

    // A length, at most the slide's larger side.
    std::int64_t operator()(double points) const
    {
        const double largest = static_cast<double>(std::max(slide_.width, slide_.height));
        return std::llround(Bounded(ToEmu(points) * factor_, 0, largest));
    }

    // `box` on the slide: no larger than it, moved onto it where it stands out.
    void AddTransform(pugi::xml_node parent, const char* name, const Box& box) const
    {
        const auto place = [this](double start, double length, std::int64_t side) {
            const std::int64_t extent = std::min((*this)(length), side);
            const std::int64_t offset = std::llround(
                Bounded(ToEmu(start) * factor_, 0, static_cast<double>(side - extent)));
            return std::pair{std::to_string(offset), std::to_string(extent)};
        };
        const auto [x, cx] = place(box.left, box.Width(), slide_.width);
        const auto [y, cy] = place(box.top, box.Height(), slide_.height);
        pugi::xml_node transform = AddElement(parent, name);
        AddElement(transform, "a:off", {{"x", x}, {"y", y}});
        AddElement(transform, "a:ext", {{"cx", cx}, {"cy", cy}});
    }

private:
    SlideSize slide_;
    double factor_ = 1;
};

void AddRun(pugi::xml_node paragraph, const Run& run, double fontSize, bool bold)
{
    const std::string text = XmlText(run.text);
    const bool cjk = HasCjk(text);
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (start > 0) {
            AddElement(paragraph, "a:br");
        }
        if (end > start) {
            pugi::xml_node element = AddElement(paragraph, "a:r");
            pugi::xml_node properties =
                AddElement(element, "a:rPr",
                           {{"lang", cjk ? "zh-CN" : "en-US"}, {"sz", Hundredths(fontSize)}});
            if (bold) {
                properties.append_attribute("b") = "1";
            }
            if (run.italic) {
                properties.append_attribute("i") = "1";
            }
            properties.append_attribute("dirty") = "0";
            if (cjk) {
                AddElement(properties, "a:ea", {{"typeface", kEastAsianFont}});
            }
            AddElement(element, "a:t").text() = text.substr(start, end - start).c_str();
        }
        start = end + 1;
    }
}

void AddParagraph(pugi::xml_node body, const Paragraph& paragraph, ListNumbers& numbers)
{
    const double fontSize = ParagraphFontSize(paragraph);
    const int number = numbers.Next(paragraph);
    pugi::xml_node element = AddElement(body, "a:p");
    pugi::xml_node properties =
        AddElement(element, "a:pPr", {{"algn", AlignmentCode(paragraph.alignment)}});
    if (IsList(paragraph.style)) {
        const std::int64_t indent = ToEmu(fontSize * kMarkerIndent);
        properties.append_attribute("marL") = std::to_string(indent).c_str();
        properties.append_attribute("indent") = std::to_string(-indent).c_str();
        properties.append_attribute("lvl") = std::clamp(paragraph.listLevel, 0, 8);
        if (paragraph.style == ParagraphStyle::ListBullet) {
            AddElement(properties, "a:buChar", {{"char", "\u2022"}});
        } else {
            AddElement(properties, "a:buAutoNum",
                       {{"type", "arabicPeriod"}, {"startAt", std::to_string(number)}});
        }
    } else {
        AddElement(properties, "a:buNone");
    }
    for (const Run& run : paragraph.runs) {
        AddRun(element, run, run.fontSize > 0 ? run.fontSize : fontSize,
               run.bold || IsHeading(paragraph.style));
    }
    AddElement(element, "a:endParaRPr",
               {{"lang", "en-US"}, {"sz", Hundredths(fontSize)}, {"dirty", "0"}});
}

pugi::xml_node AddTextBody(pugi::xml_node parent, const char* name)
{
    pugi::xml_node body = AddElement(parent, name);
    AddElement(body, "a:bodyPr");
    AddElement(body, "a:lstStyle");
    return body;
}

// A box a little wider than the text it holds, grown away from the side it is aligned to.
Box TextBox(const Paragraph& paragraph)
{
    Box box = paragraph.box;
    const double extra = box.Width() * kWiderShare + kWiderPoints;
    switch (paragraph.alignment) {
    case Alignment::Centre:
        box.left -= extra / 2;
        box.right += extra / 2;
        break;
    case Alignment::Right:
        box.left -= extra;
        break;
    case Alignment::Left:
    case Alignment::Justified:
        box.right += extra;
        break;
    }
    if (IsList(paragraph.style)) {
        box.left -= ParagraphFontSize(paragraph) * kMarkerIndent;
    }
    return box;
}

class SlideWriter
{
public:
    SlideWriter(const Page& page, const SlideSize& size, OoxmlPackage& package, int& pictures)
        : scale_(page, size), package_(package), pictures_(pictures)
    {
        relationships_.Add(RelationshipType("slideLayout"), "../slideLayouts/slideLayout1.xml");
    }

    void Write(const Page& page, pugi::xml_document& xml)
    {
        pugi::xml_node root = AddRoot(xml, "p:sld");
        AddPresentationNamespaces(root);
        tree_ = AddShapeTree(AddElement(root, "p:cSld"));
        for (const Block& block : page.blocks) {
            if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
                AddTextBox(*paragraph);
            } else if (const auto* table = std::get_if<Table>(&block)) {
                numbers_.Reset();
                AddTable(*table, page.body.Width() > 0 ? page.body.Width() : page.width);
            } else {
                AddPicture(std::get<Picture>(block));
            }
        }
        AddElement(AddElement(root, "p:clrMapOvr"), "a:masterClrMapping");
    }

    const Relationships& Links() const { return relationships_; }

private:
    pugi::xml_node AddName(pugi::xml_node parent, const char* name, const char* kind)
    {
        const int id = ++shapes_ + 1;
        AddElement(
            parent, name,
            {{"id", std::to_string(id)}, {"name", std::string(kind) + " " + std::to_string(id)}});
        return parent;
    }

    void AddTextBox(const Paragraph& paragraph)
    {
        if (XmlText(PlainText(paragraph)).empty()) {
            numbers_.Next(paragraph);
            return;
        }
        pugi::xml_node shape = AddElement(tree_, "p:sp");
        pugi::xml_node nonVisual = AddName(AddElement(shape, "p:nvSpPr"), "p:cNvPr", "Text");
        AddElement(nonVisual, "p:cNvSpPr", {{"txBox", "1"}});
        AddElement(nonVisual, "p:nvPr");
        pugi::xml_node properties = AddElement(shape, "p:spPr");
        scale_.AddTransform(properties, "a:xfrm", TextBox(paragraph));
        AddElement(AddElement(properties, "a:prstGeom", {{"prst", "rect"}}), "a:avLst");
        AddElement(properties, "a:noFill");
        pugi::xml_node body = AddElement(shape, "p:txBody");
        // A box without a width would wrap its text at every letter.
        const bool wraps = paragraph.box.Width() > 0;
        pugi::xml_node bodyProperties = AddElement(body, "a:bodyPr",
                                                   {{"wrap", wraps ? "square" : "none"},
                                                    {"lIns", "0"},
                                                    {"tIns", "0"},
                                                    {"rIns", "0"},
                                                    {"bIns", "0"},
                                                    {"anchor", "t"}});
        AddElement(bodyProperties, "a:spAutoFit");
        AddElement(body, "a:lstStyle");
        AddParagraph(body, paragraph, numbers_);
    }

    // A table no wider than `widest` points.
    void AddTable(const Table& table, double widest)
    {
        const TableGrid grid(table);
        if (grid.Rows() == 0 || grid.Columns() == 0) {
            return;
        }
        const std::vector<double> widths = grid.FittedColumnWidths(2 * kCellMargin, widest);
        Box box = table.box;
        double height = 0;
        for (int row = 0; row < grid.Rows(); ++row) {
            height += grid.RowHeight(row);
        }
        box.right = box.left + std::accumulate(widths.begin(), widths.end(), 0.0);
        box.bottom = box.top + height;

        pugi::xml_node frame = AddElement(tree_, "p:graphicFrame");
        pugi::xml_node nonVisual =
            AddName(AddElement(frame, "p:nvGraphicFramePr"), "p:cNvPr", "Table");
        AddElement(AddElement(nonVisual, "p:cNvGraphicFramePr"), "a:graphicFrameLocks",
                   {{"noGrp", "1"}});
        AddElement(nonVisual, "p:nvPr");
        scale_.AddTransform(frame, "p:xfrm", box);
        pugi::xml_node data = AddElement(AddElement(frame, "a:graphic"), "a:graphicData",
                                         {{"uri", Namespace::kTable}});
        pugi::xml_node element = AddElement(data, "a:tbl");
        AddElement(element, "a:tblPr", {{"firstRow", "0"}, {"bandRow", "0"}});
        pugi::xml_node columns = AddElement(element, "a:tblGrid");
        for (const double width : widths) {
            AddElement(columns, "a:gridCol", {{"w", std::to_string(scale_(width))}});
        }
        for (int row = 0; row < grid.Rows(); ++row) {
            pugi::xml_node line =
                AddElement(element, "a:tr", {{"h", std::to_string(scale_(grid.RowHeight(row)))}});
            for (int column = 0; column < grid.Columns(); ++column) {
                AddTableCell(line, grid, row, column, table.ruled);
            }
        }
    }

    void AddTableCell(pugi::xml_node line, const TableGrid& grid, int row, int column, bool ruled)
    {
        const int owner = grid.Owner(row, column);
        const Cell* cell = owner >= 0 ? &grid.Cells()[owner] : nullptr;
        pugi::xml_node entry = AddElement(line, "a:tc");
        const bool origin = cell != nullptr && cell->row == row && cell->column == column;
        if (origin && cell->rowSpan > 1) {
            entry.append_attribute("rowSpan") = cell->rowSpan;
        }
        if (origin && cell->columnSpan > 1) {
            entry.append_attribute("gridSpan") = cell->columnSpan;
        }
        if (cell != nullptr && cell->column != column) {
            entry.append_attribute("hMerge") = "1";
        }
        if (cell != nullptr && cell->row != row) {
            entry.append_attribute("vMerge") = "1";
        }
        pugi::xml_node body = AddTextBody(entry, "a:txBody");
        ListNumbers numbers;
        if (origin) {
            for (const Paragraph& paragraph : cell->paragraphs) {
                AddParagraph(body, paragraph, numbers);
            }
        }
        if (!body.child("a:p")) {
            AddElement(body, "a:p");
        }
        const std::string sides = std::to_string(ToEmu(kCellMargin));
        const std::string ends = std::to_string(ToEmu(kCellMargin / 2));
        pugi::xml_node properties = AddElement(
            entry, "a:tcPr", {{"marL", sides}, {"marR", sides}, {"marT", ends}, {"marB", ends}});
        for (const char* side : {"a:lnL", "a:lnR", "a:lnT", "a:lnB"}) {
            if (ruled) {
                pugi::xml_node border = AddElement(properties, side, {{"w", "9525"}});
                AddElement(AddElement(border, "a:solidFill"), "a:srgbClr", {{"val", "000000"}});
            } else {
                AddElement(AddElement(properties, side, {{"w", "0"}}), "a:noFill");
            }
        }
        AddElement(properties, "a:noFill");
    }

    void AddPicture(const Picture& picture)
    {
        const std::string extension = PictureExtension(picture);
        if (extension.empty()) {
            return;
        }
        const std::string media = "image" + std::to_string(++pictures_) + "." + extension;
        package_.AddMedia("ppt/media/" + media, picture.data);
        const std::string link = relationships_.Add(RelationshipType("image"), "../media/" + media);
        pugi::xml_node element = AddElement(tree_, "p:pic");
        pugi::xml_node nonVisual = AddName(AddElement(element, "p:nvPicPr"), "p:cNvPr", "Picture");
        AddElement(AddElement(nonVisual, "p:cNvPicPr"), "a:picLocks", {{"noChangeAspect", "1"}});
        AddElement(nonVisual, "p:nvPr");
        pugi::xml_node fill = AddElement(element, "p:blipFill");
        AddElement(fill, "a:blip", {{"r:embed", link}});
        AddElement(AddElement(fill, "a:stretch"), "a:fillRect");
        pugi::xml_node properties = AddElement(element, "p:spPr");
        scale_.AddTransform(properties, "a:xfrm", picture.box);
        AddElement(AddElement(properties, "a:prstGeom", {{"prst", "rect"}}), "a:avLst");
    }

    SlideScale scale_;
    OoxmlPackage& package_;
    int& pictures_;
    Relationships relationships_;
    pugi::xml_node tree_;
    ListNumbers numbers_;
    int shapes_ = 0;
};

void AddPresentationPart(OoxmlPackage& package, const char* root, const std::string& name,
                         const std::string& type)
{
    pugi::xml_document xml;
    AddPresentationNamespaces(AddRoot(xml, root));
    package.AddPart(name, xml, ContentType(type));
}

} // namespace

bool WritePptx(const Document& document, const std::filesystem::path& target, std::string& error)
{
    OoxmlPackage package;
    Relationships relationships;
    relationships.Add(RelationshipType("slideMaster"), "slideMasters/slideMaster1.xml");

    pugi::xml_document presentation;
    pugi::xml_node root = AddRoot(presentation, "p:presentation");
    AddPresentationNamespaces(root);
    AddElement(AddElement(root, "p:sldMasterIdLst"), "p:sldMasterId",
               {{"id", "2147483648"}, {"r:id", "rId1"}});
    pugi::xml_node slides = AddElement(root, "p:sldIdLst");

    const std::vector<Page> blank(1);
    const std::vector<Page>& pages = document.pages.empty() ? blank : document.pages;
    const SlideSize size = SizeOf(pages.front());
    int pictures = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        SlideWriter slide(pages[i], size, package, pictures);
        pugi::xml_document xml;
        slide.Write(pages[i], xml);
        const std::string name = "slides/slide" + std::to_string(i + 1) + ".xml";
        package.AddPart("ppt/" + name, xml, ContentType("presentationml.slide"));
        package.AddRelationships("ppt/" + name, slide.Links());
        const std::string id = relationships.Add(RelationshipType("slide"), name);
        AddElement(slides, "p:sldId", {{"id", std::to_string(256 + i)}, {"r:id", id}});
    }
    AddElement(root, "p:sldSz",
               {{"cx", std::to_string(size.width)}, {"cy", std::to_string(size.height)}});
    AddElement(root, "p:notesSz", {{"cx", "6858000"}, {"cy", "9144000"}});
    relationships.Add(RelationshipType("theme"), "theme/theme1.xml");
    relationships.Add(RelationshipType("presProps"), "presProps.xml");
    relationships.Add(RelationshipType("viewProps"), "viewProps.xml");
    relationships.Add(RelationshipType("tableStyles"), "tableStyles.xml");
    package.AddPart("ppt/presentation.xml", presentation,
                    ContentType("presentationml.presentation.main"));
    package.AddRelationships("ppt/presentation.xml", relationships);

    pugi::xml_document master;
    WriteSlideMaster(master);
    package.AddPart("ppt/slideMasters/slideMaster1.xml", master,
                    ContentType("presentationml.slideMaster"));
    Relationships masterLinks;
    masterLinks.Add(RelationshipType("slideLayout"), "../slideLayouts/slideLayout1.xml");
    masterLinks.Add(RelationshipType("theme"), "../theme/theme1.xml");
    package.AddRelationships("ppt/slideMasters/slideMaster1.xml", masterLinks);

    pugi::xml_document layout;
    WriteSlideLayout(layout);
    package.AddPart("ppt/slideLayouts/slideLayout1.xml", layout,
                    ContentType("presentationml.slideLayout"));
    Relationships layoutLinks;
    layoutLinks.Add(RelationshipType("slideMaster"), "../slideMasters/slideMaster1.xml");
    package.AddRelationships("ppt/slideLayouts/slideLayout1.xml", layoutLinks);

    pugi::xml_document theme;
    WritePresentationTheme(theme);
    package.AddPart("ppt/theme/theme1.xml", theme, ContentType("theme"));
    AddPresentationPart(package, "p:presentationPr", "ppt/presProps.xml",
                        "presentationml.presProps");
    AddPresentationPart(package, "p:viewPr", "ppt/viewProps.xml", "presentationml.viewProps");
    pugi::xml_document tableStyles;
    pugi::xml_node styles = AddRoot(tableStyles, "a:tblStyleLst");
    styles.append_attribute("xmlns:a") = Namespace::kDrawing;
    styles.append_attribute("def") = "{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}";
    package.AddPart("ppt/tableStyles.xml", tableStyles, ContentType("presentationml.tableStyles"));

    package.AddMainDocument("ppt/presentation.xml");
    return package.Write(target, error);
}

} // namespace Layout
