#include "flatodt.h"

#include "testdocuments.h"

#include <pugixml.hpp>

#include <cctype>
#include <sstream>

namespace EditableCorpus {
namespace {

const char* const kBodyFont = "DejaVu Serif";
const char* const kHeadingFont = "DejaVu Sans";
const char* const kChineseFont = "Noto Serif CJK SC";

std::string Base64(const std::string& bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        if (i + 2 < bytes.size()) {
            value |= static_cast<unsigned char>(bytes[i + 2]);
        }
        out += digits[(value >> 18) & 63];
        out += digits[(value >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(value >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[value & 63] : '=';
    }
    return out;
}

bool LooksNumeric(const std::string& text)
{
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != ',' && c != '-') {
            return false;
        }
    }
    return true;
}

pugi::xml_node Child(pugi::xml_node parent, const char* name,
                     std::initializer_list<std::pair<const char*, const char*>> attributes = {})
{
    pugi::xml_node node = parent.append_child(name);
    for (const auto& [attribute, value] : attributes) {
        node.append_attribute(attribute) = value;
    }
    return node;
}

void TextProperties(pugi::xml_node style, const char* font, const char* size, bool bold)
{
    pugi::xml_node text = Child(style, "style:text-properties",
                                {{"style:font-name", font},
                                 {"fo:font-size", size},
                                 {"style:font-name-asian", kChineseFont},
                                 {"style:font-size-asian", size},
                                 {"fo:language", "en"},
                                 {"fo:country", "GB"},
                                 {"style:language-asian", "zh"},
                                 {"style:country-asian", "CN"}});
    if (bold) {
        text.append_attribute("fo:font-weight") = "bold";
        text.append_attribute("style:font-weight-asian") = "bold";
    }
}

void ParagraphStyle(pugi::xml_node parent, const char* name, const char* align, const char* font,
                    const char* size, bool bold, const char* spaceBelow)
{
    pugi::xml_node style =
        Child(parent, "style:style", {{"style:name", name}, {"style:family", "paragraph"}});
    Child(style, "style:paragraph-properties",
          {{"fo:text-align", align}, {"fo:margin-top", "0cm"}, {"fo:margin-bottom", spaceBelow}});
    TextProperties(style, font, size, bold);
}

void FontFaces(pugi::xml_node root)
{
    pugi::xml_node faces = Child(root, "office:font-face-decls");
    for (const char* font : {kBodyFont, kHeadingFont, kChineseFont}) {
        Child(faces, "style:font-face",
              {{"style:name", font}, {"svg:font-family", (std::string("'") + font + "'").c_str()}});
    }
}

void CommonStyles(pugi::xml_node root)
{
    pugi::xml_node styles = Child(root, "office:styles");
    ParagraphStyle(styles, "Standard", "start", kBodyFont, "11pt", false, "0cm");
    ParagraphStyle(styles, "Text_20_body", "justify", kBodyFont, "11pt", false, "0.25cm");
    ParagraphStyle(styles, "Table_20_Contents", "start", kBodyFont, "10pt", false, "0cm");
    ParagraphStyle(styles, "Header", "center", kHeadingFont, "9pt", false, "0cm");
    ParagraphStyle(styles, "Footer", "center", kHeadingFont, "9pt", false, "0cm");
    const char* const sizes[] = {"18pt", "15pt", "13pt"};
    for (int level = 1; level <= 3; ++level) {
        const std::string name = "Heading_20_" + std::to_string(level);
        ParagraphStyle(styles, name.c_str(), "start", kHeadingFont, sizes[level - 1], true,
                       "0.2cm");
        pugi::xml_node style = styles.last_child();
        style.append_attribute("style:display-name") = ("Heading " + std::to_string(level)).c_str();
        style.append_attribute("style:default-outline-level") = level;
        style.append_attribute("style:class") = "text";
        style.child("style:paragraph-properties").attribute("fo:margin-top") = "0.4cm";
    }
}

void ListLevels(pugi::xml_node listStyle, bool numbered)
{
    const char* const bullets[] = {"\u2022", "\u25E6"};
    const char* const formats[] = {"1", "a"};
    for (int level = 1; level <= 2; ++level) {
        pugi::xml_node style =
            numbered ? Child(listStyle, "text:list-level-style-number",
                             {{"style:num-format", formats[level - 1]}, {"style:num-suffix", "."}})
                     : Child(listStyle, "text:list-level-style-bullet",
                             {{"text:bullet-char", bullets[level - 1]}});
        style.prepend_attribute("text:level") = level;
        pugi::xml_node properties =
            Child(style, "style:list-level-properties",
                  {{"text:list-level-position-and-space-mode", "label-alignment"}});
        const std::string indent = std::to_string(0.8 * level) + "cm";
        Child(properties, "style:list-level-label-alignment",
              {{"text:label-followed-by", "listtab"},
               {"text:list-tab-stop-position", indent.c_str()},
               {"fo:text-indent", "-0.5cm"},
               {"fo:margin-left", indent.c_str()}});
    }
}

void AutomaticStyles(pugi::xml_node root, const SourceLayout& layout)
{
    pugi::xml_node styles = Child(root, "office:automatic-styles");
    ParagraphStyle(styles, "ListText", "start", kBodyFont, "11pt", false, "0.1cm");
    ParagraphStyle(styles, "CellText", "start", kBodyFont, "10pt", false, "0cm");
    ParagraphStyle(styles, "CellNumber", "end", kBodyFont, "10pt", false, "0cm");
    ParagraphStyle(styles, "CellHeading", "start", kBodyFont, "10pt", true, "0cm");
    ParagraphStyle(styles, "CellHeadingNumber", "end", kBodyFont, "10pt", true, "0cm");
    ParagraphStyle(styles, "PictureParagraph", "center", kBodyFont, "11pt", false, "0.25cm");

    pugi::xml_node table =
        Child(styles, "style:style", {{"style:name", "Table"}, {"style:family", "table"}});
    Child(table, "style:table-properties",
          {{"style:width", "17cm"},
           {"table:align", "margins"},
           {"fo:margin-top", "0.2cm"},
           {"fo:margin-bottom", "0.3cm"}});
    pugi::xml_node cell =
        Child(styles, "style:style", {{"style:name", "Cell"}, {"style:family", "table-cell"}});
    Child(cell, "style:table-cell-properties",
          {{"fo:padding", "0.1cm"},
           {"fo:border", layout.ruledTables ? "0.5pt solid #000000" : "none"}});

    pugi::xml_node section =
        Child(styles, "style:style", {{"style:name", "TwoColumns"}, {"style:family", "section"}});
    pugi::xml_node sectionProperties =
        Child(section, "style:section-properties", {{"text:dont-balance-text-columns", "false"}});
    Child(sectionProperties, "style:columns",
          {{"fo:column-count", "2"}, {"fo:column-gap", "0.8cm"}});

    ListLevels(Child(styles, "text:list-style", {{"style:name", "Numbered"}}), true);
    ListLevels(Child(styles, "text:list-style", {{"style:name", "Bulleted"}}), false);

    pugi::xml_node page = Child(styles, "style:page-layout", {{"style:name", "Page"}});
    Child(page, "style:page-layout-properties",
          {{"fo:page-width", "21cm"},
           {"fo:page-height", "29.7cm"},
           {"fo:margin-top", "2cm"},
           {"fo:margin-bottom", "2cm"},
           {"fo:margin-left", "2cm"},
           {"fo:margin-right", "2cm"}});
    for (const char* part : {"style:header-style", "style:footer-style"}) {
        Child(Child(page, part), "style:header-footer-properties",
              {{"fo:min-height", "0.6cm"},
               {"fo:margin-bottom", "0.4cm"},
               {"fo:margin-top", "0.4cm"}});
    }
}

void MasterPage(pugi::xml_node root, const SourceLayout& layout)
{
    pugi::xml_node master = Child(Child(root, "office:master-styles"), "style:master-page",
                                  {{"style:name", "Standard"}, {"style:page-layout-name", "Page"}});
    if (!layout.header.empty()) {
        Child(Child(master, "style:header"), "text:p", {{"text:style-name", "Header"}})
            .text()
            .set(layout.header.c_str());
    }
    if (!layout.footerLead.empty()) {
        pugi::xml_node footer =
            Child(Child(master, "style:footer"), "text:p", {{"text:style-name", "Footer"}});
        footer.append_child(pugi::node_pcdata).set_value(layout.footerLead.c_str());
        Child(footer, "text:page-number", {{"text:select-page", "current"}}).text().set("1");
    }
}

// Writes the body blocks, nesting consecutive list items into lists.
class BodyWriter
{
public:
    BodyWriter(pugi::xml_node text, pugi::xml_node automaticStyles, const SourceLayout& layout)
        : text_(text), styles_(automaticStyles), layout_(layout)
    {
    }

    void Write(const std::vector<TruthBlock>& blocks)
    {
        pugi::xml_node parent = text_;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (i == layout_.twoColumnsFrom) {
                parent = Child(text_, "text:section",
                               {{"text:style-name", "TwoColumns"}, {"text:name", "Columns"}});
                lists_.clear();
            } else if (i == layout_.twoColumnsTo) {
                parent = text_;
                lists_.clear();
            }
            const TruthBlock& block = blocks[i];
            if (block.kind != BlockKind::ListItem) {
                lists_.clear();
            }
            switch (block.kind) {
            case BlockKind::Heading:
                Heading(parent, block, i == layout_.pageBreakBefore);
                break;
            case BlockKind::Paragraph:
                Paragraph(parent, "Text_20_body", i == layout_.pageBreakBefore)
                    .text()
                    .set(block.text.c_str());
                break;
            case BlockKind::ListItem:
                ListItem(parent, block);
                break;
            case BlockKind::Table:
                Table(parent, block.table);
                break;
            case BlockKind::Picture:
                Picture(parent);
                break;
            }
        }
    }

private:
    // A paragraph starting a page gets a style of its own that breaks before it.
    std::string StyleName(const std::string& style, bool pageBreak)
    {
        if (!pageBreak) {
            return style;
        }
        const std::string name = "BreakBefore" + style;
        pugi::xml_node broken = Child(styles_, "style:style",
                                      {{"style:name", name.c_str()},
                                       {"style:family", "paragraph"},
                                       {"style:parent-style-name", style.c_str()}});
        Child(broken, "style:paragraph-properties", {{"fo:break-before", "page"}});
        return name;
    }

    pugi::xml_node Paragraph(pugi::xml_node parent, const std::string& style, bool pageBreak)
    {
        return Child(parent, "text:p", {{"text:style-name", StyleName(style, pageBreak).c_str()}});
    }

    void Heading(pugi::xml_node parent, const TruthBlock& block, bool pageBreak)
    {
        const std::string style = StyleName("Heading_20_" + std::to_string(block.level), pageBreak);
        pugi::xml_node heading = Child(parent, "text:h", {{"text:style-name", style.c_str()}});
        heading.append_attribute("text:outline-level") = block.level;
        heading.text().set(block.text.c_str());
    }

    void ListItem(pugi::xml_node parent, const TruthBlock& block)
    {
        const auto depth = static_cast<std::size_t>(block.level);
        if (!lists_.empty() && lists_.front().numbered != block.numbered) {
            lists_.clear();
        }
        if (lists_.size() > depth + 1) {
            lists_.resize(depth + 1);
        }
        while (lists_.size() <= depth) {
            pugi::xml_node holder = lists_.empty() ? parent : lists_.back().lastItem;
            pugi::xml_node list = Child(holder, "text:list");
            if (lists_.empty()) {
                list.append_attribute("text:style-name") = block.numbered ? "Numbered" : "Bulleted";
            }
            lists_.push_back({list, {}, block.numbered});
        }
        OpenList& list = lists_.back();
        list.lastItem = Child(list.node, "text:list-item");
        Child(list.lastItem, "text:p", {{"text:style-name", "ListText"}})
            .text()
            .set(block.text.c_str());
    }

    void Table(pugi::xml_node parent, const TextGrid& grid)
    {
        pugi::xml_node table = Child(parent, "table:table",
                                     {{"table:name", ("Table" + std::to_string(++tables_)).c_str()},
                                      {"table:style-name", "Table"}});
        Child(table, "table:table-column").append_attribute("table:number-columns-repeated") =
            grid.Columns();
        for (int row = 0; row < grid.Rows(); ++row) {
            pugi::xml_node tableRow = Child(table, "table:table-row");
            for (int column = 0; column < grid.Columns(); ++column) {
                if (grid.Covered(row, column)) {
                    Child(tableRow, "table:covered-table-cell");
                    continue;
                }
                pugi::xml_node cell =
                    Child(tableRow, "table:table-cell",
                          {{"table:style-name", "Cell"}, {"office:value-type", "string"}});
                for (const CellSpan& span : grid.spans) {
                    if (span.row == row && span.column == column) {
                        cell.append_attribute("table:number-rows-spanned") = span.rowSpan;
                        cell.append_attribute("table:number-columns-spanned") = span.columnSpan;
                    }
                }
                const std::string& text = grid.cells[row][column];
                const bool number = LooksNumeric(text);
                const char* style = row == 0 ? (number ? "CellHeadingNumber" : "CellHeading")
                                             : (number ? "CellNumber" : "CellText");
                Child(cell, "text:p", {{"text:style-name", style}}).text().set(text.c_str());
            }
        }
    }

    void Picture(pugi::xml_node parent)
    {
        pugi::xml_node frame =
            Child(Paragraph(parent, "PictureParagraph", false), "draw:frame",
                  {{"draw:name", ("Picture" + std::to_string(++pictures_)).c_str()},
                   {"text:anchor-type", "as-char"},
                   {"svg:width", "12cm"},
                   {"svg:height", "6cm"}});
        Child(Child(frame, "draw:image"), "office:binary-data")
            .text()
            .set(Base64(TestDocuments::BarChartPng(480, 240)).c_str());
    }

    struct OpenList
    {
        pugi::xml_node node;
        pugi::xml_node lastItem;
        bool numbered = false;
    };

    pugi::xml_node text_;
    pugi::xml_node styles_;
    const SourceLayout& layout_;
    std::vector<OpenList> lists_; // the open lists, outermost first
    int tables_ = 0;
    int pictures_ = 0;
};

} // namespace

std::string FlatOdt(const Truth& truth, const SourceLayout& layout)
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("office:document");
    const std::pair<const char*, const char*> namespaces[] = {
        {"xmlns:office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"},
        {"xmlns:style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"},
        {"xmlns:text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"},
        {"xmlns:table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"},
        {"xmlns:draw", "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"},
        {"xmlns:fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"},
        {"xmlns:svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"},
        {"xmlns:xlink", "http://www.w3.org/1999/xlink"},
        {"office:version", "1.3"},
        {"office:mimetype", "application/vnd.oasis.opendocument.text"}};
    for (const auto& [name, value] : namespaces) {
        root.append_attribute(name) = value;
    }
    FontFaces(root);
    CommonStyles(root);
    AutomaticStyles(root, layout);
    MasterPage(root, layout);
    pugi::xml_node text = Child(Child(root, "office:body"), "office:text");
    BodyWriter(text, root.child("office:automatic-styles"), layout).Write(truth.body);

    std::ostringstream out;
    document.save(out, "", pugi::format_raw);
    return out.str();
}

} // namespace EditableCorpus
