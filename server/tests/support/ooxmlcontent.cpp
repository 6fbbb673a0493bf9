#include "ooxmlcontent.h"

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace OoxmlContent {
namespace {

namespace fs = std::filesystem;

// Element and attribute names without their namespace prefix: files may choose any prefix.
std::string_view LocalName(const char* name)
{
    const char* colon = std::strchr(name, ':');
    return colon == nullptr ? name : colon + 1;
}

bool Is(pugi::xml_node node, std::string_view name)
{
    return node.type() == pugi::node_element && LocalName(node.name()) == name;
}

pugi::xml_node ChildNamed(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_node child : node.children()) {
        if (Is(child, name)) {
            return child;
        }
    }
    return {};
}

std::string AttributeNamed(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_attribute attribute : node.attributes()) {
        if (LocalName(attribute.name()) == name) {
            return attribute.value();
        }
    }
    return "";
}

// The r:id of a sheet or slide entry, which may also carry an id of its own without prefix.
std::string RelationshipId(pugi::xml_node node)
{
    for (pugi::xml_attribute attribute : node.attributes()) {
        if (std::strchr(attribute.name(), ':') != nullptr && LocalName(attribute.name()) == "id") {
            return attribute.value();
        }
    }
    return "";
}

int IntegerAttribute(pugi::xml_node node, std::string_view name, int fallback)
{
    const std::string text = AttributeNamed(node, name);
    int value = fallback;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

// Of a choice of alternative content, the branch read: the first choice, else the fallback.
pugi::xml_node ChosenBranch(pugi::xml_node alternatives)
{
    pugi::xml_node choice = ChildNamed(alternatives, "Choice");
    return choice ? choice : ChildNamed(alternatives, "Fallback");
}

struct Relationship
{
    std::string id;
    std::string type;
    std::string target;
};

class Package
{
public:
    bool Open(const fs::path& path, std::string& error)
    {
        int code = 0;
        archive_.reset(zip_open(path.c_str(), ZIP_RDONLY, &code));
        if (!archive_) {
            error = path.string() + " is no zip archive";
            return false;
        }
        return true;
    }

    std::optional<std::string> Member(const std::string& name) const
    {
        zip_file_t* file = zip_fopen(archive_.get(), name.c_str(), 0);
        if (file == nullptr) {
            return std::nullopt;
        }
        std::string content;
        char chunk[16384];
        zip_int64_t got = 0;
        while ((got = zip_fread(file, chunk, sizeof chunk)) > 0) {
            content.append(chunk, static_cast<std::size_t>(got));
        }
        zip_fclose(file);
        if (got < 0) {
            return std::nullopt;
        }
        return content;
    }

    bool Parse(const std::string& name, pugi::xml_document& document, std::string& error) const
    {
        const auto content = Member(name);
        if (!content) {
            error = "the package has no part " + name;
            return false;
        }
        if (!document.load_buffer(content->data(), content->size())) {
            error = "the part " + name + " is no XML";
            return false;
        }
        return true;
    }

    // A part's relationships, their targets as part names.
    std::vector<Relationship> Relationships(const std::string& part) const
    {
        const fs::path partPath(part);
        const std::string relsName =
            (partPath.parent_path() / "_rels" / (partPath.filename().string() + ".rels"))
                .generic_string();
        std::vector<Relationship> relationships;
        pugi::xml_document rels;
        std::string ignored;
        if (!Parse(relsName, rels, ignored)) {
            return relationships;
        }
        for (pugi::xml_node relationship : rels.document_element().children()) {
            const std::string target = AttributeNamed(relationship, "Target");
            relationships.push_back(
                {AttributeNamed(relationship, "Id"), AttributeNamed(relationship, "Type"),
                 target.starts_with('/')
                     ? target.substr(1)
                     : (partPath.parent_path() / target).lexically_normal().generic_string()});
        }
        return relationships;
    }

    std::string RelatedById(const std::string& part, const std::string& id) const
    {
        for (const Relationship& relationship : Relationships(part)) {
            if (relationship.id == id) {
                return relationship.target;
            }
        }
        return "";
    }

    // The target of the first relationship whose type ends in `typeSuffix`.
    std::string RelatedByType(const std::string& part, const std::string& typeSuffix) const
    {
        for (const Relationship& relationship : Relationships(part)) {
            if (relationship.type.ends_with(typeSuffix)) {
                return relationship.target;
            }
        }
        return "";
    }

private:
    struct Closer
    {
        void operator()(zip_t* archive) const { zip_discard(archive); }
    };
    std::unique_ptr<zip_t, Closer> archive_;
};

// ---- Word

struct StyleInfo
{
    std::string name;
    std::string basedOn;
    int outlineLevel = -1; // 0 for a top-level heading
};

std::map<std::string, StyleInfo> ReadStyles(const pugi::xml_document& styles)
{
    std::map<std::string, StyleInfo> byId;
    for (pugi::xml_node style : styles.document_element().children()) {
        if (!Is(style, "style")) {
            continue;
        }
        StyleInfo info;
        info.name = AttributeNamed(ChildNamed(style, "name"), "val");
        info.basedOn = AttributeNamed(ChildNamed(style, "basedOn"), "val");
        info.outlineLevel =
            IntegerAttribute(ChildNamed(ChildNamed(style, "pPr"), "outlineLvl"), "val", -1);
        byId[AttributeNamed(style, "styleId")] = info;
    }
    return byId;
}

// "Heading2" or "heading 2" as 2, else 0.
int LevelInHeadingName(const std::string& name)
{
    std::string letters;
    for (char c : name) {
        if (c != ' ') {
            letters += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (letters.size() == 8 && letters.starts_with("heading") && letters[7] >= '1' &&
        letters[7] <= '9') {
        return letters[7] - '0';
    }
    return 0;
}

int HeadingLevel(const std::map<std::string, StyleInfo>& styles, std::string styleId,
                 int ownOutlineLevel)
{
    if (ownOutlineLevel >= 0 && ownOutlineLevel <= 8) {
        return ownOutlineLevel + 1;
    }
    for (int depth = 0; depth < 16 && !styleId.empty(); ++depth) {
        if (const int level = LevelInHeadingName(styleId)) {
            return level;
        }
        const auto found = styles.find(styleId);
        if (found == styles.end()) {
            return 0;
        }
        if (const int level = LevelInHeadingName(found->second.name)) {
            return level;
        }
        if (found->second.outlineLevel >= 0) {
            return found->second.outlineLevel <= 8 ? found->second.outlineLevel + 1 : 0;
        }
        styleId = found->second.basedOn;
    }
    return 0;
}

class WordReader
{
public:
    explicit WordReader(std::map<std::string, StyleInfo> styles) : styles_(std::move(styles)) {}

    WordContent Read(pugi::xml_node body)
    {
        Visit(body, {});
        return std::move(content_);
    }

private:
    struct Context
    {
        bool inTextBox = false;
        bool inTable = false;
        int paragraph = -1; // the paragraph whose text is being read
    };

    void VisitChildren(pugi::xml_node node, const Context& context)
    {
        for (pugi::xml_node child : node.children()) {
            Visit(child, context);
        }
    }

    void Visit(pugi::xml_node node, const Context& context)
    {
        if (node.type() != pugi::node_element) {
            return;
        }
        const std::string_view name = LocalName(node.name());
        if (name == "pPr" || name == "rPr" || name == "sectPr" || name == "tblPr" ||
            name == "trPr" || name == "tcPr" || name == "tblGrid" || name == "del" ||
            name == "delText" || name == "instrText") {
            return;
        }
        if (name == "t") {
            if (context.paragraph >= 0) {
                content_.paragraphs[context.paragraph].text += node.text().get();
            }
        } else if (name == "tab" || name == "br" || name == "cr") {
            if (context.paragraph >= 0) {
                content_.paragraphs[context.paragraph].text += name == "tab" ? "\t" : "\n";
            }
        } else if (name == "p") {
            Paragraph(node, context);
        } else if (name == "tbl") {
            Table(node, context);
        } else if (name == "txbxContent") {
            VisitChildren(node, {true, context.inTable, -1});
        } else if (name == "AlternateContent") {
            VisitChildren(ChosenBranch(node), context);
        } else {
            if (name == "pic" || name == "imagedata") {
                ++content_.pictures;
            }
            VisitChildren(node, context);
        }
    }

    void Paragraph(pugi::xml_node node, const Context& context)
    {
        const pugi::xml_node properties = ChildNamed(node, "pPr");
        WordParagraph paragraph;
        paragraph.styleId = AttributeNamed(ChildNamed(properties, "pStyle"), "val");
        paragraph.headingLevel =
            HeadingLevel(styles_, paragraph.styleId,
                         IntegerAttribute(ChildNamed(properties, "outlineLvl"), "val", -1));
        paragraph.inTextBox = context.inTextBox;
        paragraph.inTable = context.inTable;
        content_.paragraphs.push_back(paragraph);
        VisitChildren(node, {context.inTextBox, context.inTable,
                             static_cast<int>(content_.paragraphs.size() - 1)});
    }

    void Table(pugi::xml_node node, const Context& context)
    {
        const std::size_t index = content_.tables.size();
        content_.tables.emplace_back();
        std::vector<std::vector<std::string>> cells;
        std::vector<CellSpan> anchors;
        int columns = 0;
        for (pugi::xml_node row : node.children()) {
            if (!Is(row, "tr")) {
                continue;
            }
            const int rowIndex = static_cast<int>(cells.size());
            cells.emplace_back();
            int column =
                IntegerAttribute(ChildNamed(ChildNamed(row, "trPr"), "gridBefore"), "val", 0);
            for (pugi::xml_node cell : row.children()) {
                if (!Is(cell, "tc")) {
                    continue;
                }
                const pugi::xml_node properties = ChildNamed(cell, "tcPr");
                const int span =
                    std::max(1, IntegerAttribute(ChildNamed(properties, "gridSpan"), "val", 1));
                const std::string text = CellText(cell, context);
                const pugi::xml_node merge = ChildNamed(properties, "vMerge");
                const std::string mergeValue = AttributeNamed(merge, "val");
                CellSpan* above = nullptr;
                if (merge && mergeValue != "restart") {
                    for (CellSpan& anchor : anchors) {
                        if (anchor.column == column && anchor.row + anchor.rowSpan == rowIndex) {
                            above = &anchor;
                        }
                    }
                }
                std::vector<std::string>& cellRow = cells.back();
                cellRow.resize(static_cast<std::size_t>(column + span));
                if (above != nullptr) {
                    ++above->rowSpan;
                } else {
                    cellRow[column] = text;
                    anchors.push_back({rowIndex, column, 1, span});
                }
                column += span;
            }
            columns = std::max(columns, column);
        }
        for (auto& row : cells) {
            row.resize(static_cast<std::size_t>(columns));
        }
        TextGrid& grid = content_.tables[index];
        grid.cells = std::move(cells);
        for (const CellSpan& anchor : anchors) {
            if (anchor.rowSpan > 1 || anchor.columnSpan > 1) {
                grid.spans.push_back(anchor);
            }
        }
    }

    // Reads a cell's paragraphs into the document and returns their texts joined.
    std::string CellText(pugi::xml_node cell, const Context& context)
    {
        const std::size_t first = content_.paragraphs.size();
        VisitChildren(cell, {context.inTextBox, true, -1});
        std::string text;
        for (std::size_t i = first; i < content_.paragraphs.size(); ++i) {
            if (i > first) {
                text += '\n';
            }
            text += content_.paragraphs[i].text;
        }
        return text;
    }

    std::map<std::string, StyleInfo> styles_;
    WordContent content_;
};

// ---- Excel

std::string TextOf(pugi::xml_node node)
{
    std::string text;
    for (pugi::xml_node child : node.children()) {
        if (Is(child, "t")) {
            text += child.text().get();
        } else if (Is(child, "r")) {
            text += TextOf(child);
        }
    }
    return text;
}

std::vector<std::string> SharedStrings(const Package& package, const std::string& workbook)
{
    std::vector<std::string> strings;
    const std::string part = package.RelatedByType(workbook, "/sharedStrings");
    pugi::xml_document document;
    std::string ignored;
    if (part.empty() || !package.Parse(part, document, ignored)) {
        return strings;
    }
    for (pugi::xml_node item : document.document_element().children()) {
        if (Is(item, "si")) {
            strings.push_back(TextOf(item)); // phonetic runs (rPh) are left out
        }
    }
    return strings;
}

bool ParseRange(const std::string& range, CellSpan& span)
{
    const auto colon = range.find(':');
    int lastRow = 0;
    int lastColumn = 0;
    if (colon == std::string::npos ||
        !ParseCellReference(range.substr(0, colon), span.row, span.column) ||
        !ParseCellReference(range.substr(colon + 1), lastRow, lastColumn)) {
        return false;
    }
    span.rowSpan = lastRow - span.row + 1;
    span.columnSpan = lastColumn - span.column + 1;
    return span.rowSpan > 0 && span.columnSpan > 0;
}

Sheet ReadSheet(const pugi::xml_document& document, const std::vector<std::string>& strings)
{
    Sheet sheet;
    const pugi::xml_node worksheet = document.document_element();
    for (pugi::xml_node row : ChildNamed(worksheet, "sheetData").children()) {
        for (pugi::xml_node cell : row.children()) {
            SheetCell read;
            read.reference = AttributeNamed(cell, "r");
            if (!Is(cell, "c") || !ParseCellReference(read.reference, read.row, read.column)) {
                continue;
            }
            const std::string type = AttributeNamed(cell, "t");
            const std::string value = ChildNamed(cell, "v").text().get();
            if (type == "s") {
                const auto index = static_cast<std::size_t>(std::atol(value.c_str()));
                read.text = index < strings.size() ? strings[index] : "";
            } else if (type == "inlineStr") {
                read.text = TextOf(ChildNamed(cell, "is"));
            } else if (type == "str" || type == "e" || type == "b") {
                read.text = value;
            } else if (!value.empty()) {
                read.text = value;
                char* end = nullptr;
                read.number = std::strtod(value.c_str(), &end);
                read.numeric = end != nullptr && *end == '\0';
            } else {
                continue;
            }
            sheet.cells.push_back(read);
        }
    }
    for (pugi::xml_node merge : ChildNamed(worksheet, "mergeCells").children()) {
        CellSpan span;
        if (Is(merge, "mergeCell") && ParseRange(AttributeNamed(merge, "ref"), span)) {
            sheet.merges.push_back(span);
        }
    }
    return sheet;
}

// ---- PowerPoint

std::string DrawingParagraphText(pugi::xml_node paragraph)
{
    std::string text;
    for (pugi::xml_node child : paragraph.children()) {
        if (Is(child, "r") || Is(child, "fld")) {
            text += ChildNamed(child, "t").text().get();
        } else if (Is(child, "br")) {
            text += "\n";
        }
    }
    return text;
}

TextGrid DrawingTable(pugi::xml_node table)
{
    TextGrid grid;
    for (pugi::xml_node row : table.children()) {
        if (!Is(row, "tr")) {
            continue;
        }
        const int rowIndex = grid.Rows();
        grid.cells.emplace_back();
        for (pugi::xml_node cell : row.children()) {
            if (!Is(cell, "tc")) {
                continue;
            }
            const int column = static_cast<int>(grid.cells.back().size());
            const bool covered =
                AttributeNamed(cell, "hMerge") == "1" || AttributeNamed(cell, "vMerge") == "1";
            std::string text;
            for (pugi::xml_node paragraph : ChildNamed(cell, "txBody").children()) {
                if (Is(paragraph, "p")) {
                    if (!text.empty()) {
                        text += '\n';
                    }
                    text += DrawingParagraphText(paragraph);
                }
            }
            grid.cells.back().push_back(covered ? "" : text);
            const int rowSpan = IntegerAttribute(cell, "rowSpan", 1);
            const int columnSpan = IntegerAttribute(cell, "gridSpan", 1);
            if (!covered && (rowSpan > 1 || columnSpan > 1)) {
                grid.spans.push_back({rowIndex, column, rowSpan, columnSpan});
            }
        }
    }
    std::size_t columns = 0;
    for (const auto& row : grid.cells) {
        columns = std::max(columns, row.size());
    }
    for (auto& row : grid.cells) {
        row.resize(columns);
    }
    return grid;
}

void ReadShapes(pugi::xml_node tree, Slide& slide)
{
    for (pugi::xml_node shape : tree.children()) {
        if (Is(shape, "AlternateContent")) {
            ReadShapes(ChosenBranch(shape), slide);
        } else if (Is(shape, "grpSp")) {
            ReadShapes(shape, slide);
        } else if (Is(shape, "sp")) {
            const pugi::xml_node body = ChildNamed(shape, "txBody");
            if (!body) {
                continue;
            }
            SlideFrame frame;
            for (pugi::xml_node paragraph : body.children()) {
                if (Is(paragraph, "p")) {
                    frame.paragraphs.push_back(DrawingParagraphText(paragraph));
                }
            }
            slide.frames.push_back(frame);
        } else if (Is(shape, "graphicFrame")) {
            for (const pugi::xpath_node& table : shape.select_nodes(".//*[local-name()='tbl']")) {
                slide.tables.push_back(DrawingTable(table.node()));
            }
        }
    }
}

bool OpenMainPart(Package& package, const fs::path& path, std::string& part, std::string& error)
{
    if (!package.Open(path, error)) {
        return false;
    }
    part = package.RelatedByType("", "/officeDocument");
    if (part.empty()) {
        error = path.string() + " names no main part";
        return false;
    }
    return true;
}

} // namespace

bool ParseCellReference(const std::string& reference, int& row, int& column)
{
    std::size_t i = 0;
    column = 0;
    while (i < reference.size() && std::isupper(static_cast<unsigned char>(reference[i]))) {
        column = column * 26 + (reference[i] - 'A' + 1);
        ++i;
        if (column > 16384) {
            return false;
        }
    }
    if (i == 0 || i == reference.size()) {
        return false;
    }
    row = 0;
    const auto [end, parseError] =
        std::from_chars(reference.data() + i, reference.data() + reference.size(), row);
    if (parseError != std::errc() || end != reference.data() + reference.size() || row < 1) {
        return false;
    }
    row -= 1;
    column -= 1;
    return true;
}

std::optional<WordContent> ReadDocx(const fs::path& path, std::string& error)
{
    Package package;
    std::string main;
    if (!OpenMainPart(package, path, main, error)) {
        return std::nullopt;
    }
    pugi::xml_document document;
    if (!package.Parse(main, document, error)) {
        return std::nullopt;
    }
    std::map<std::string, StyleInfo> styles;
    pugi::xml_document stylesDocument;
    const std::string stylesPart = package.RelatedByType(main, "/styles");
    std::string ignored;
    if (!stylesPart.empty() && package.Parse(stylesPart, stylesDocument, ignored)) {
        styles = ReadStyles(stylesDocument);
    }
    const pugi::xml_node body = ChildNamed(document.document_element(), "body");
    if (!body) {
        error = main + " has no body";
        return std::nullopt;
    }
    return WordReader(std::move(styles)).Read(body);
}

std::optional<std::vector<Sheet>> ReadXlsx(const fs::path& path, std::string& error)
{
    Package package;
    std::string workbook;
    if (!OpenMainPart(package, path, workbook, error)) {
        return std::nullopt;
    }
    pugi::xml_document document;
    if (!package.Parse(workbook, document, error)) {
        return std::nullopt;
    }
    const std::vector<std::string> strings = SharedStrings(package, workbook);
    std::vector<Sheet> sheets;
    for (pugi::xml_node entry : ChildNamed(document.document_element(), "sheets").children()) {
        const std::string target = package.RelatedById(workbook, RelationshipId(entry));
        pugi::xml_document sheetDocument;
        if (target.empty() || !package.Parse(target, sheetDocument, error)) {
            error = "sheet " + AttributeNamed(entry, "name") + " cannot be read: " + error;
            return std::nullopt;
        }
        Sheet sheet = ReadSheet(sheetDocument, strings);
        sheet.name = AttributeNamed(entry, "name");
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}

std::optional<std::vector<Slide>> ReadPptx(const fs::path& path, std::string& error)
{
    Package package;
    std::string presentation;
    if (!OpenMainPart(package, path, presentation, error)) {
        return std::nullopt;
    }
    pugi::xml_document document;
    if (!package.Parse(presentation, document, error)) {
        return std::nullopt;
    }
    std::vector<Slide> slides;
    for (pugi::xml_node entry : ChildNamed(document.document_element(), "sldIdLst").children()) {
        const std::string target = package.RelatedById(presentation, RelationshipId(entry));
        pugi::xml_document slideDocument;
        if (target.empty() || !package.Parse(target, slideDocument, error)) {
            error = "a slide cannot be read: " + error;
            return std::nullopt;
        }
        Slide slide;
        ReadShapes(ChildNamed(ChildNamed(slideDocument.document_element(), "cSld"), "spTree"),
                   slide);
        slides.push_back(std::move(slide));
    }
    return slides;
}

} // namespace OoxmlContent
