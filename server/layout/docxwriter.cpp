#include "docxwriter.h"

#include "lines.h"

#include "ooxmlcommon.h"
#include "ooxmlpackage.h"
#include "tablegrid.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace Layout {
namespace {

constexpr const char* kWordNamespace =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kWordDrawingNamespace =
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
constexpr int kListLevels = 3;
constexpr double kFallbackMargin = 72;
constexpr double kNarrowestText = 72;
constexpr double kMostMarginShare = 3;
// The table style's cell margin on the left and on the right, in points.
constexpr double kCellMargin = 5.4;
// Word's largest page side, 22 inches, and a small one.
constexpr double kLargestPageSide = 1584;
constexpr double kSmallestPageSide = 72;

const char* StyleId(ParagraphStyle style)
{
    switch (style) {
    case ParagraphStyle::Heading1:
        return "Heading1";
    case ParagraphStyle::Heading2:
        return "Heading2";
    case ParagraphStyle::Heading3:
        return "Heading3";
    case ParagraphStyle::ListBullet:
        return "ListBullet";
    case ParagraphStyle::ListNumber:
        return "ListNumber";
    case ParagraphStyle::Normal:
        break;
    }
    return "Normal";
}

const char* Justification(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Centre:
        return "center";
    case Alignment::Right:
        return "right";
    case Alignment::Justified:
        return "both";
    case Alignment::Left:
        break;
    }
    return "left";
}

std::string HalfPoints(double points)
{
    return std::to_string(std::clamp<std::int64_t>(std::llround(points * 2), 2, 3276));
}

// A section's page: its size, and the margins around the widest body of its pages.
struct Geometry
{
    double width = 0;
    double height = 0;
    Box text; // the area between the margins

    double TextWidth() const { return text.Width(); }
    double TextHeight() const { return text.Height(); }
};

bool SameSize(const Page& a, const Page& b)
{
    return ToTwips(a.width) == ToTwips(b.width) && ToTwips(a.height) == ToTwips(b.height);
}

Geometry SectionGeometry(const std::vector<Page>& pages, std::size_t first, std::size_t end)
{
    Geometry geometry;
    geometry.width = Bounded(pages[first].width, kSmallestPageSide, kLargestPageSide);
    geometry.height = Bounded(pages[first].height, kSmallestPageSide, kLargestPageSide);
    std::optional<Box> bodies;
    for (std::size_t i = first; i < end; ++i) {
        const Box& body = pages[i].body;
        if (body.Width() > 0 && body.Height() > 0) {
            bodies = bodies ? Union(*bodies, body) : body;
        }
    }
    const double fallbackX = std::min(kFallbackMargin, geometry.width / 8);
    const double fallbackY = std::min(kFallbackMargin, geometry.height / 8);
    Box text = bodies.value_or(
        Box{fallbackX, fallbackY, geometry.width - fallbackX, geometry.height - fallbackY});
    // A margin is at most a third of its side; the bottom one, where the text happened to
    // end, at most the top one, so an edit or a wider font does not spill onto a new page.
    const double mostX = geometry.width / kMostMarginShare;
    const double mostY = geometry.height / kMostMarginShare;
    text.left = Bounded(text.left, 0, mostX);
    text.top = Bounded(text.top, 0, mostY);
    text.right = Bounded(text.right, geometry.width - mostX, geometry.width);
    text.bottom = Bounded(text.bottom, geometry.height - text.top, geometry.height);
    if (text.Width() < std::min(kNarrowestText, geometry.width / 2)) {
        text.left = fallbackX;
        text.right = geometry.width - fallbackX;
    }
    if (text.Height() < std::min(kNarrowestText, geometry.height / 2)) {
        text.top = fallbackY;
        text.bottom = geometry.height - fallbackY;
    }
    geometry.text = text;
    return geometry;
}

void AddSectionProperties(pugi::xml_node parent, const Geometry& geometry)
{
    pugi::xml_node section = AddElement(parent, "w:sectPr");
    pugi::xml_node size = AddElement(section, "w:pgSz",
                                     {{"w:w", std::to_string(ToTwips(geometry.width))},
                                      {"w:h", std::to_string(ToTwips(geometry.height))}});
    if (geometry.width > geometry.height) {
        size.append_attribute("w:orient") = "landscape";
    }
    const double top = geometry.text.top;
    const double bottom = geometry.height - geometry.text.bottom;
    AddElement(section, "w:pgMar",
               {{"w:top", std::to_string(ToTwips(top))},
                {"w:right", std::to_string(ToTwips(geometry.width - geometry.text.right))},
                {"w:bottom", std::to_string(ToTwips(bottom))},
                {"w:left", std::to_string(ToTwips(geometry.text.left))},
                {"w:header", std::to_string(ToTwips(top / 2))},
                {"w:footer", std::to_string(ToTwips(bottom / 2))},
                {"w:gutter", "0"}});
}

// The numbering definitions: one bullet list shared by every bulleted item, and one
// numbered list for each run of numbered items, so each counts from 1.
class Numbering
{
public:
    static constexpr int kBulletId = 1;

    int NewNumberedList() { return ++numberedLists_ + kBulletId; }

    void Write(pugi::xml_document& xml) const
    {
        pugi::xml_node root = AddRoot(xml, "w:numbering");
        root.append_attribute("xmlns:w") = kWordNamespace;
        for (int list = 0; list <= numberedLists_; ++list) {
            AddAbstract(root, list, list > 0);
        }
        for (int list = 0; list <= numberedLists_; ++list) {
            pugi::xml_node number =
                AddElement(root, "w:num", {{"w:numId", std::to_string(list + kBulletId)}});
            AddElement(number, "w:abstractNumId", {{"w:val", std::to_string(list)}});
        }
    }

private:
    static void AddAbstract(pugi::xml_node root, int id, bool numbered)
    {
        static const char* const bullets[kListLevels] = {"\u2022", "\u25E6", "\u25AA"};
        pugi::xml_node abstract =
            AddElement(root, "w:abstractNum", {{"w:abstractNumId", std::to_string(id)}});
        AddElement(abstract, "w:multiLevelType", {{"w:val", "hybridMultilevel"}});
        for (int level = 0; level < kListLevels; ++level) {
            pugi::xml_node definition =
                AddElement(abstract, "w:lvl", {{"w:ilvl", std::to_string(level)}});
            AddElement(definition, "w:start", {{"w:val", "1"}});
            AddElement(definition, "w:numFmt", {{"w:val", numbered ? "decimal" : "bullet"}});
            // "%1." is the number of the item at level 1.
            const std::string text =
                numbered ? std::string(1, '%').append(std::to_string(level + 1)).append(".")
                         : bullets[level];
            AddElement(definition, "w:lvlText", {{"w:val", text}});
            AddElement(definition, "w:lvlJc", {{"w:val", "left"}});
            pugi::xml_node properties = AddElement(definition, "w:pPr");
            AddElement(properties, "w:ind",
                       {{"w:left", std::to_string(360 * (level + 2))}, {"w:hanging", "360"}});
        }
    }

    int numberedLists_ = 0;
};

void AddStyle(pugi::xml_node root, ParagraphStyle style, const char* name, int outlineLevel)
{
    pugi::xml_node definition = AddElement(root, "w:style", {{"w:type", "paragraph"}});
    if (style == ParagraphStyle::Normal) {
        definition.append_attribute("w:default") = "1";
    }
    definition.append_attribute("w:styleId") = StyleId(style);
    AddElement(definition, "w:name", {{"w:val", name}});
    if (style != ParagraphStyle::Normal) {
        AddElement(definition, "w:basedOn", {{"w:val", "Normal"}});
        AddElement(definition, "w:next",
                   {{"w:val", StyleId(IsHeading(style) ? ParagraphStyle::Normal : style)}});
    }
    if (IsHeading(style)) {
        AddElement(definition, "w:uiPriority", {{"w:val", "9"}});
    }
    AddElement(definition, "w:qFormat");
    if (IsHeading(style)) {
        pugi::xml_node paragraph = AddElement(definition, "w:pPr");
        AddElement(paragraph, "w:keepNext");
        AddElement(paragraph, "w:spacing", {{"w:before", "240"}, {"w:after", "120"}});
        AddElement(paragraph, "w:outlineLvl", {{"w:val", std::to_string(outlineLevel)}});
    } else if (IsList(style)) {
        pugi::xml_node paragraph = AddElement(definition, "w:pPr");
        AddElement(paragraph, "w:contextualSpacing");
    }
    pugi::xml_node run = AddElement(definition, "w:rPr");
    if (IsHeading(style)) {
        AddElement(run, "w:b");
    }
    AddElement(run, "w:sz", {{"w:val", HalfPoints(StyleFontSize(style))}});
    AddElement(run, "w:szCs", {{"w:val", HalfPoints(StyleFontSize(style))}});
}

void WriteStyles(pugi::xml_document& xml)
{
    pugi::xml_node root = AddRoot(xml, "w:styles");
    root.append_attribute("xmlns:w") = kWordNamespace;
    pugi::xml_node defaults = AddElement(root, "w:docDefaults");
    pugi::xml_node run = AddElement(AddElement(defaults, "w:rPrDefault"), "w:rPr");
    AddElement(run, "w:rFonts", {{"w:eastAsia", kEastAsianFont}});
    AddElement(run, "w:lang", {{"w:val", "en-US"}, {"w:eastAsia", "zh-CN"}});
    pugi::xml_node paragraph = AddElement(AddElement(defaults, "w:pPrDefault"), "w:pPr");
    AddElement(paragraph, "w:spacing", {{"w:after", "120"}});

    AddStyle(root, ParagraphStyle::Normal, "Normal", 0);
    AddStyle(root, ParagraphStyle::Heading1, "heading 1", 0);
    AddStyle(root, ParagraphStyle::Heading2, "heading 2", 1);
    AddStyle(root, ParagraphStyle::Heading3, "heading 3", 2);
    AddStyle(root, ParagraphStyle::ListBullet, "List Bullet", 0);
    AddStyle(root, ParagraphStyle::ListNumber, "List Number", 0);

    pugi::xml_node table = AddElement(
        root, "w:style", {{"w:type", "table"}, {"w:default", "1"}, {"w:styleId", "TableNormal"}});
    AddElement(table, "w:name", {{"w:val", "Normal Table"}});
    pugi::xml_node margins = AddElement(AddElement(table, "w:tblPr"), "w:tblCellMar");
    for (const char* side : {"w:left", "w:right"}) {
        AddElement(margins, side,
                   {{"w:w", std::to_string(ToTwips(kCellMargin))}, {"w:type", "dxa"}});
    }
}

// Adds a run's text: tabs and line breaks become Word's own elements.
void AddRunText(pugi::xml_node run, const std::string& text)
{
    std::string piece;
    const auto flush = [&run, &piece] {
        if (!piece.empty()) {
            pugi::xml_node element = AddElement(run, "w:t", {{"xml:space", "preserve"}});
            element.text() = piece.c_str();
            piece.clear();
        }
    };
    for (char c : text) {
        if (c == '\t' || c == '\n') {
            flush();
            AddElement(run, c == '\t' ? "w:tab" : "w:br");
        } else {
            piece += c;
        }
    }
    flush();
}

class BodyWriter
{
public:
    BodyWriter(pugi::xml_node body, Relationships& relationships, OoxmlPackage& package)
        : body_(body), relationships_(relationships), package_(package)
    {
    }

    void Write(const std::vector<Page>& pages)
    {
        std::size_t first = 0;
        while (first < pages.size()) {
            std::size_t end = first + 1;
            while (end < pages.size() && SameSize(pages[end], pages[first])) {
                ++end;
            }
            const Geometry geometry = SectionGeometry(pages, first, end);
            for (std::size_t page = first; page < end; ++page) {
                WritePage(pages[page], geometry, page > first);
            }
            if (end < pages.size()) {
                AddSectionProperties(LastParagraphProperties(), geometry);
            } else {
                EndWithParagraph();
                AddSectionProperties(body_, geometry);
            }
            first = end;
        }
        if (pages.empty()) {
            AddParagraph(body_, Paragraph{}, false);
            AddSectionProperties(body_, SectionGeometry({Page{}}, 0, 1));
        }
    }

    const Numbering& Lists() const { return numbering_; }

private:
    void WritePage(const Page& page, const Geometry& geometry, bool breakBefore)
    {
        if (page.blocks.empty()) {
            AddParagraph(body_, Paragraph{}, breakBefore);
        }
        for (const Block& block : page.blocks) {
            if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
                AddParagraph(body_, *paragraph, breakBefore);
            } else if (const auto* picture = std::get_if<Picture>(&block)) {
                AddPicture(*picture, geometry, breakBefore);
            } else {
                BeforeTable(breakBefore);
                AddTable(std::get<Table>(block), geometry);
            }
            breakBefore = false;
        }
    }

    bool EndsWithTable() const { return std::string_view(body_.last_child().name()) == "w:tbl"; }

    void EndWithParagraph()
    {
        if (std::string_view(body_.last_child().name()) != "w:p") {
            AddParagraph(body_, Paragraph{}, false);
        }
    }

    pugi::xml_node LastParagraphProperties()
    {
        EndWithParagraph();
        pugi::xml_node paragraph = body_.last_child();
        pugi::xml_node properties = paragraph.child("w:pPr");
        return properties ? properties : paragraph.prepend_child("w:pPr");
    }

    // A table cannot start a page by itself, and two tables in a row would become one.
    void BeforeTable(bool breakBefore)
    {
        if (breakBefore) {
            EndWithParagraph();
            AddElement(AddElement(body_.last_child(), "w:r"), "w:br", {{"w:type", "page"}});
        } else if (EndsWithTable()) {
            AddParagraph(body_, Paragraph{}, false);
        }
    }

    pugi::xml_node AddParagraph(pugi::xml_node parent, const Paragraph& paragraph, bool breakBefore)
    {
        pugi::xml_node element = AddElement(parent, "w:p");
        pugi::xml_node properties = AddElement(element, "w:pPr");
        AddElement(properties, "w:pStyle", {{"w:val", StyleId(paragraph.style)}});
        if (breakBefore) {
            AddElement(properties, "w:pageBreakBefore");
        }
        AddListProperties(properties, paragraph);
        if (paragraph.alignment != Alignment::Left) {
            AddElement(properties, "w:jc", {{"w:val", Justification(paragraph.alignment)}});
        }
        for (const Run& run : paragraph.runs) {
            AddRun(element, run);
        }
        return element;
    }

    void AddListProperties(pugi::xml_node properties, const Paragraph& paragraph)
    {
        if (!IsList(paragraph.style)) {
            numberedList_ = 0;
            return;
        }
        if (paragraph.style == ParagraphStyle::ListNumber && numberedList_ == 0) {
            numberedList_ = numbering_.NewNumberedList();
        }
        const int list =
            paragraph.style == ParagraphStyle::ListNumber ? numberedList_ : Numbering::kBulletId;
        pugi::xml_node number = AddElement(properties, "w:numPr");
        AddElement(
            number, "w:ilvl",
            {{"w:val", std::to_string(std::clamp(paragraph.listLevel, 0, kListLevels - 1))}});
        AddElement(number, "w:numId", {{"w:val", std::to_string(list)}});
    }

    static void AddRun(pugi::xml_node paragraph, const Run& run)
    {
        const std::string text = XmlText(run.text);
        if (text.empty()) {
            return;
        }
        pugi::xml_node element = AddElement(paragraph, "w:r");
        pugi::xml_node properties = AddElement(element, "w:rPr");
        if (HasCjk(text)) {
            AddElement(properties, "w:rFonts",
                       {{"w:eastAsia", kEastAsianFont}, {"w:hint", "eastAsia"}});
        }
        if (run.bold) {
            AddElement(properties, "w:b");
        }
        if (run.italic) {
            AddElement(properties, "w:i");
        }
        if (run.fontSize > 0) {
            AddElement(properties, "w:sz", {{"w:val", HalfPoints(run.fontSize)}});
            AddElement(properties, "w:szCs", {{"w:val", HalfPoints(run.fontSize)}});
        }
        if (properties.first_child().empty()) {
            element.remove_child(properties);
        }
        AddRunText(element, text);
    }

    void AddPicture(const Picture& picture, const Geometry& geometry, bool breakBefore)
    {
        Paragraph holder;
        const double middle = (picture.box.left + picture.box.right) / 2;
        const double textMiddle = (geometry.text.left + geometry.text.right) / 2;
        if (std::abs(middle - textMiddle) < geometry.TextWidth() * 0.05) {
            holder.alignment = Alignment::Centre;
        }
        pugi::xml_node paragraph = AddParagraph(body_, holder, breakBefore);
        const std::string extension = PictureExtension(picture);
        if (extension.empty()) {
            return;
        }
        const int number = ++pictures_;
        const std::string media = "media/image" + std::to_string(number) + "." + extension;
        package_.AddMedia("word/" + media, picture.data);
        const std::string relationship = relationships_.Add(RelationshipType("image"), media);

        const auto side = [](double length) {
            return std::isfinite(length) && length > 0 ? length : kFallbackMargin;
        };
        double width = side(picture.box.Width());
        double height = side(picture.box.Height());
        const double scale =
            std::min({1.0, geometry.TextWidth() / width, geometry.TextHeight() / height});
        width *= scale;
        height *= scale;
        const std::string cx = std::to_string(std::max<std::int64_t>(ToEmu(width), 1));
        const std::string cy = std::to_string(std::max<std::int64_t>(ToEmu(height), 1));
        const std::string name = "Picture " + std::to_string(number);

        pugi::xml_node inline_ =
            AddElement(AddElement(AddElement(paragraph, "w:r"), "w:drawing"), "wp:inline",
                       {{"distT", "0"}, {"distB", "0"}, {"distL", "0"}, {"distR", "0"}});
        AddElement(inline_, "wp:extent", {{"cx", cx}, {"cy", cy}});
        AddElement(inline_, "wp:effectExtent", {{"l", "0"}, {"t", "0"}, {"r", "0"}, {"b", "0"}});
        AddElement(inline_, "wp:docPr", {{"id", std::to_string(number)}, {"name", name}});
        AddElement(AddElement(inline_, "wp:cNvGraphicFramePr"), "a:graphicFrameLocks",
                   {{"noChangeAspect", "1"}});
        pugi::xml_node data = AddElement(AddElement(inline_, "a:graphic"), "a:graphicData",
                                         {{"uri", Namespace::kPicture}});
        pugi::xml_node pic = AddElement(data, "pic:pic");
        pugi::xml_node nonVisual = AddElement(pic, "pic:nvPicPr");
        AddElement(nonVisual, "pic:cNvPr", {{"id", std::to_string(number)}, {"name", name}});
        AddElement(nonVisual, "pic:cNvPicPr");
        pugi::xml_node fill = AddElement(pic, "pic:blipFill");
        AddElement(fill, "a:blip", {{"r:embed", relationship}});
        AddElement(AddElement(fill, "a:stretch"), "a:fillRect");
        pugi::xml_node shape = AddElement(pic, "pic:spPr");
        pugi::xml_node transform = AddElement(shape, "a:xfrm");
        AddElement(transform, "a:off", {{"x", "0"}, {"y", "0"}});
        AddElement(transform, "a:ext", {{"cx", cx}, {"cy", cy}});
        AddElement(AddElement(shape, "a:prstGeom", {{"prst", "rect"}}), "a:avLst");
    }

    void AddTable(const Table& table, const Geometry& geometry)
    {
        const TableGrid grid(table);
        if (grid.Rows() == 0 || grid.Columns() == 0) {
            return;
        }
        const std::vector<double> widths =
            grid.FittedColumnWidths(2 * kCellMargin, geometry.TextWidth());
        const auto width = [&widths](int column, int span) {
            double sum = 0;
            for (int i = column; i < column + span; ++i) {
                sum += widths[i];
            }
            return std::to_string(ToTwips(sum));
        };

        pugi::xml_node element = AddElement(body_, "w:tbl");
        pugi::xml_node properties = AddElement(element, "w:tblPr");
        AddElement(properties, "w:tblW", {{"w:w", width(0, grid.Columns())}, {"w:type", "dxa"}});
        pugi::xml_node borders = AddElement(properties, "w:tblBorders");
        for (const char* side :
             {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
            if (table.ruled) {
                AddElement(
                    borders, side,
                    {{"w:val", "single"}, {"w:sz", "4"}, {"w:space", "0"}, {"w:color", "000000"}});
            } else {
                AddElement(borders, side, {{"w:val", "nil"}});
            }
        }
        AddElement(properties, "w:tblLayout", {{"w:type", "fixed"}});
        AddElement(properties, "w:tblLook", {{"w:val", "0000"}});
        pugi::xml_node columns = AddElement(element, "w:tblGrid");
        for (int column = 0; column < grid.Columns(); ++column) {
            AddElement(columns, "w:gridCol", {{"w:w", width(column, 1)}});
        }

        for (int row = 0; row < grid.Rows(); ++row) {
            pugi::xml_node line = AddElement(element, "w:tr");
            AddElement(
                AddElement(line, "w:trPr"), "w:trHeight",
                {{"w:val", std::to_string(ToTwips(grid.RowHeight(row)))}, {"w:hRule", "atLeast"}});
            for (int column = 0; column < grid.Columns();) {
                const int owner = grid.Owner(row, column);
                const Cell* cell = owner >= 0 ? &grid.Cells()[owner] : nullptr;
                const int span = cell != nullptr ? cell->columnSpan : 1;
                pugi::xml_node entry = AddElement(line, "w:tc");
                pugi::xml_node cellProperties = AddElement(entry, "w:tcPr");
                AddElement(cellProperties, "w:tcW",
                           {{"w:w", width(column, span)}, {"w:type", "dxa"}});
                if (span > 1) {
                    AddElement(cellProperties, "w:gridSpan", {{"w:val", std::to_string(span)}});
                }
                const bool starts = cell != nullptr && cell->row == row;
                if (cell != nullptr && cell->rowSpan > 1) {
                    AddElement(cellProperties, "w:vMerge",
                               {{"w:val", starts ? "restart" : "continue"}});
                }
                if (starts) {
                    for (const Paragraph& paragraph : cell->paragraphs) {
                        AddParagraph(entry, paragraph, false);
                    }
                }
                if (!entry.child("w:p")) {
                    AddParagraph(entry, Paragraph{}, false);
                }
                column += span;
            }
        }
        numberedList_ = 0;
    }

    pugi::xml_node body_;
    Relationships& relationships_;
    OoxmlPackage& package_;
    Numbering numbering_;
    int numberedList_ = 0; // the numbering of the numbered list going on, 0 when none
    int pictures_ = 0;
};

} // namespace

bool WriteDocx(const Document& document, const std::filesystem::path& target, std::string& error)
{
    OoxmlPackage package;
    Relationships relationships;
    relationships.Add(RelationshipType("styles"), "styles.xml");
    relationships.Add(RelationshipType("numbering"), "numbering.xml");

    pugi::xml_document content;
    pugi::xml_node root = AddRoot(content, "w:document");
    root.append_attribute("xmlns:w") = kWordNamespace;
    root.append_attribute("xmlns:r") = Namespace::kRelationships;
    root.append_attribute("xmlns:wp") = kWordDrawingNamespace;
    root.append_attribute("xmlns:a") = Namespace::kDrawing;
    root.append_attribute("xmlns:pic") = Namespace::kPicture;
    BodyWriter body(root.append_child("w:body"), relationships, package);
    body.Write(document.pages);

    package.AddPart("word/document.xml", content, ContentType("wordprocessingml.document.main"));
    pugi::xml_document styles;
    WriteStyles(styles);
    package.AddPart("word/styles.xml", styles, ContentType("wordprocessingml.styles"));
    pugi::xml_document numbering;
    body.Lists().Write(numbering);
    package.AddPart("word/numbering.xml", numbering, ContentType("wordprocessingml.numbering"));
    package.AddRelationships("word/document.xml", relationships);
    package.AddMainDocument("word/document.xml");
    return package.Write(target, error);
}

} // namespace Layout
