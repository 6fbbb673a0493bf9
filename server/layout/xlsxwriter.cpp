#include "xlsxwriter.h"

#include "cellnumber.h"
#include "ooxmlcommon.h"
#include "ooxmlpackage.h"
#include "tablegrid.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <tuple>

namespace Layout {
namespace {

constexpr const char* kSheetNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr int kMostRows = 1048576;
constexpr int kMostColumns = 16384;
constexpr std::size_t kMostCellCharacters = 32767;
constexpr int kFirstCustomFormat = 164;

std::string CellReference(int row, int column)
{
    std::string letters;
    for (int rest = column + 1; rest > 0; rest = (rest - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
    }
    return letters + std::to_string(row + 1);
}

// A cell's text cut to what a spreadsheet cell holds, at a character boundary.
std::string CellText(const std::string& text)
{
    std::string clean = XmlText(text);
    std::size_t characters = 0;
    for (std::size_t at = 0; at < clean.size(); ++at) {
        const bool starts = (static_cast<unsigned char>(clean[at]) & 0xC0) != 0x80;
        if (starts && ++characters > kMostCellCharacters) {
            clean.resize(at);
            break;
        }
    }
    return clean;
}

// How a cell looks; each different look is one entry of the styles part.
struct Look
{
    std::string format; // "" for the general format
    bool wrap = false;
    bool bordered = false;
    bool bold = false;

    auto Key() const { return std::tie(format, wrap, bordered, bold); }
    bool operator<(const Look& other) const { return Key() < other.Key(); }
};

class Styles
{
public:
    Styles() { Index(Look{}); }

    int Index(const Look& look)
    {
        const auto [entry, added] = indices_.try_emplace(look, static_cast<int>(looks_.size()));
        if (added) {
            looks_.push_back(look);
        }
        return entry->second;
    }

    void Write(pugi::xml_document& xml) const
    {
        pugi::xml_node root = AddRoot(xml, "styleSheet");
        root.append_attribute("xmlns") = kSheetNamespace;
        std::map<std::string, int> formats;
        for (const Look& look : looks_) {
            if (!look.format.empty()) {
                formats.try_emplace(look.format,
                                    kFirstCustomFormat + static_cast<int>(formats.size()));
            }
        }
        if (!formats.empty()) {
            pugi::xml_node list =
                AddElement(root, "numFmts", {{"count", std::to_string(formats.size())}});
            for (const auto& [code, id] : formats) {
                AddElement(list, "numFmt",
                           {{"numFmtId", std::to_string(id)}, {"formatCode", code}});
            }
        }
        pugi::xml_node fonts = AddElement(root, "fonts", {{"count", "2"}});
        for (bool bold : {false, true}) {
            pugi::xml_node font = AddElement(fonts, "font");
            if (bold) {
                AddElement(font, "b");
            }
            AddElement(font, "sz", {{"val", "11"}});
            AddElement(font, "name", {{"val", "Liberation Sans"}});
            AddElement(font, "family", {{"val", "2"}});
        }
        pugi::xml_node fills = AddElement(root, "fills", {{"count", "2"}});
        AddElement(AddElement(fills, "fill"), "patternFill", {{"patternType", "none"}});
        AddElement(AddElement(fills, "fill"), "patternFill", {{"patternType", "gray125"}});
        pugi::xml_node borders = AddElement(root, "borders", {{"count", "2"}});
        for (bool drawn : {false, true}) {
            pugi::xml_node border = AddElement(borders, "border");
            for (const char* side : {"left", "right", "top", "bottom"}) {
                pugi::xml_node line = AddElement(border, side);
                if (drawn) {
                    line.append_attribute("style") = "thin";
                    AddElement(line, "color", {{"auto", "1"}});
                }
            }
            AddElement(border, "diagonal");
        }
        pugi::xml_node base = AddElement(root, "cellStyleXfs", {{"count", "1"}});
        AddElement(base, "xf",
                   {{"numFmtId", "0"}, {"fontId", "0"}, {"fillId", "0"}, {"borderId", "0"}});
        pugi::xml_node entries =
            AddElement(root, "cellXfs", {{"count", std::to_string(looks_.size())}});
        for (const Look& look : looks_) {
            const int format = look.format.empty() ? 0 : formats.at(look.format);
            pugi::xml_node entry = AddElement(entries, "xf",
                                              {{"numFmtId", std::to_string(format)},
                                               {"fontId", look.bold ? "1" : "0"},
                                               {"fillId", "0"},
                                               {"borderId", look.bordered ? "1" : "0"},
                                               {"xfId", "0"}});
            if (format != 0) {
                entry.append_attribute("applyNumberFormat") = "1";
            }
            if (look.bold) {
                entry.append_attribute("applyFont") = "1";
            }
            if (look.bordered) {
                entry.append_attribute("applyBorder") = "1";
            }
            if (look.wrap) {
                entry.append_attribute("applyAlignment") = "1";
                AddElement(entry, "alignment", {{"vertical", "top"}, {"wrapText", "1"}});
            }
        }
        pugi::xml_node named = AddElement(root, "cellStyles", {{"count", "1"}});
        AddElement(named, "cellStyle", {{"name", "Normal"}, {"xfId", "0"}, {"builtinId", "0"}});
    }

private:
    std::vector<Look> looks_;
    std::map<Look, int> indices_;
};

class SharedStrings
{
public:
    int Index(const std::string& text)
    {
        ++uses_;
        const auto [entry, added] = indices_.try_emplace(text, static_cast<int>(texts_.size()));
        if (added) {
            texts_.push_back(text);
        }
        return entry->second;
    }

    void Write(pugi::xml_document& xml) const
    {
        pugi::xml_node root = AddRoot(xml, "sst");
        root.append_attribute("xmlns") = kSheetNamespace;
        root.append_attribute("count") = std::to_string(uses_).c_str();
        root.append_attribute("uniqueCount") = std::to_string(texts_.size()).c_str();
        for (const std::string& text : texts_) {
            pugi::xml_node entry =
                AddElement(AddElement(root, "si"), "t", {{"xml:space", "preserve"}});
            entry.text() = text.c_str();
        }
    }

private:
    std::vector<std::string> texts_;
    std::map<std::string, int> indices_;
    long long uses_ = 0;
};

struct SheetCell
{
    std::string text;
    std::optional<double> number; // when the whole text is one
    int style = 0;
};

// A text as a paragraph outside a document shows it: a list item with its marker.
std::string ParagraphText(const Paragraph& paragraph, ListNumbers& numbers)
{
    const int number = numbers.Next(paragraph);
    std::string marker;
    if (paragraph.style == ParagraphStyle::ListBullet) {
        marker = "\u2022 ";
    } else if (number > 0) {
        marker = std::to_string(number) + ". ";
    }
    return marker + PlainText(paragraph);
}

bool AllBold(const Paragraph& paragraph)
{
    return IsHeading(paragraph.style) ||
           (!paragraph.runs.empty() && std::all_of(paragraph.runs.begin(), paragraph.runs.end(),
                                                   [](const Run& run) { return run.bold; }));
}

class SheetWriter
{
public:
    SheetWriter(Styles& styles, SharedStrings& strings) : styles_(styles), strings_(strings) {}

    bool Place(const Page& page, std::string& error)
    {
        landscape_ = page.width > page.height;
        bool previousTable = false;
        for (const Block& block : page.blocks) {
            if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
                const std::string text = CellText(ParagraphText(*paragraph, listNumbers_));
                if (text.empty()) {
                    continue;
                }
                row_ += previousTable ? 1 : 0;
                if (!Put(row_, 0, text, Look{"", false, false, AllBold(*paragraph)}, error)) {
                    return false;
                }
                ++row_;
                previousTable = false;
            } else if (const auto* table = std::get_if<Table>(&block)) {
                listNumbers_.Reset();
                row_ += cells_.empty() ? 0 : 1;
                if (!PlaceTable(*table, error)) {
                    return false;
                }
                previousTable = true;
            }
        }
        return true;
    }

    // Writes the sheet, adding its texts to the shared strings.
    void Write(pugi::xml_document& xml)
    {
        pugi::xml_node root = AddRoot(xml, "worksheet");
        root.append_attribute("xmlns") = kSheetNamespace;
        root.append_attribute("xmlns:r") = Namespace::kRelationships;
        if (!widths_.empty()) {
            pugi::xml_node columns = AddElement(root, "cols");
            for (const auto& [column, points] : widths_) {
                // A width counts characters of about 7 pixels, 96 pixels an inch.
                const double characters = Bounded(points * 96 / 72 / 7, 1, 255);
                char width[32];
                const auto end = std::to_chars(width, width + sizeof width, characters,
                                               std::chars_format::fixed, 2)
                                     .ptr;
                AddElement(columns, "col",
                           {{"min", std::to_string(column + 1)},
                            {"max", std::to_string(column + 1)},
                            {"width", std::string(width, end)},
                            {"customWidth", "1"}});
            }
        }
        pugi::xml_node data = AddElement(root, "sheetData");
        for (const auto& [row, cells] : cells_) {
            pugi::xml_node line = AddElement(data, "row", {{"r", std::to_string(row + 1)}});
            for (const auto& [column, cell] : cells) {
                AddCell(line, row, column, cell);
            }
        }
        if (!merges_.empty()) {
            pugi::xml_node merges =
                AddElement(root, "mergeCells", {{"count", std::to_string(merges_.size())}});
            for (const std::string& range : merges_) {
                AddElement(merges, "mergeCell", {{"ref", range}});
            }
        }
        if (landscape_) {
            AddElement(root, "pageSetup", {{"orientation", "landscape"}});
        }
    }

private:
    bool PlaceTable(const Table& table, std::string& error)
    {
        const TableGrid grid(table);
        for (int column = 0; column < grid.Columns(); ++column) {
            double& width = widths_[column];
            width = std::max(width, grid.ColumnWidth(column));
        }
        for (const Cell& cell : grid.Cells()) {
            std::string text;
            ListNumbers numbers;
            for (const Paragraph& paragraph : cell.paragraphs) {
                if (!text.empty()) {
                    text += '\n';
                }
                text += ParagraphText(paragraph, numbers);
            }
            const bool bold = !cell.paragraphs.empty() &&
                              std::all_of(cell.paragraphs.begin(), cell.paragraphs.end(), AllBold);
            const Look look{"", text.find('\n') != std::string::npos, table.ruled, bold};
            const int top = row_ + cell.row;
            if (!Put(top, cell.column, CellText(text), look, error)) {
                return false;
            }
            if (cell.rowSpan > 1 || cell.columnSpan > 1) {
                const int bottom = top + cell.rowSpan - 1;
                const int right = cell.column + cell.columnSpan - 1;
                if (!Fits(bottom, right, error)) {
                    return false;
                }
                merges_.push_back(CellReference(top, cell.column) + ":" +
                                  CellReference(bottom, right));
                // The covered cells carry the borders of the merged one.
                for (int row = top; row <= bottom && table.ruled; ++row) {
                    for (int column = cell.column; column <= right; ++column) {
                        cells_[row].try_emplace(column,
                                                SheetCell{"", std::nullopt, styles_.Index(look)});
                    }
                }
            }
        }
        row_ += grid.Rows();
        return true;
    }

    static bool Fits(int row, int column, std::string& error)
    {
        if (row >= kMostRows || column >= kMostColumns) {
            error = "the page has more rows or columns than a worksheet holds";
            return false;
        }
        return true;
    }

    bool Put(int row, int column, const std::string& text, Look look, std::string& error)
    {
        if (!Fits(row, column, error)) {
            return false;
        }
        const auto number = ParseCellNumber(text);
        if (number) {
            look.format = number->format;
        }
        cells_[row][column] = SheetCell{text, number ? std::optional(number->value) : std::nullopt,
                                        styles_.Index(look)};
        return true;
    }

    void AddCell(pugi::xml_node line, int row, int column, const SheetCell& cell)
    {
        pugi::xml_node element = AddElement(line, "c", {{"r", CellReference(row, column)}});
        if (cell.style != 0) {
            element.append_attribute("s") = cell.style;
        }
        if (cell.text.empty()) {
            return;
        }
        if (cell.number) {
            char digits[64];
            const auto end = std::to_chars(digits, digits + sizeof digits, *cell.number).ptr;
            element.append_attribute("t") = "n";
            AddElement(element, "v").text() = std::string(digits, end).c_str();
        } else {
            element.append_attribute("t") = "s";
            AddElement(element, "v").text() = strings_.Index(cell.text);
        }
    }

    Styles& styles_;
    SharedStrings& strings_;
    ListNumbers listNumbers_;
    int row_ = 0;
    bool landscape_ = false; // the page is wider than high
    std::map<int, std::map<int, SheetCell>> cells_;
    std::map<int, double> widths_; // points, by column
    std::vector<std::string> merges_;
};

} // namespace

bool WriteXlsx(const Document& document, const std::filesystem::path& target, std::string& error)
{
    OoxmlPackage package;
    Relationships relationships;
    Styles styles;
    SharedStrings strings;

    pugi::xml_document workbook;
    pugi::xml_node root = AddRoot(workbook, "workbook");
    root.append_attribute("xmlns") = kSheetNamespace;
    root.append_attribute("xmlns:r") = Namespace::kRelationships;
    pugi::xml_node sheets = AddElement(root, "sheets");
    const std::size_t count = std::max<std::size_t>(document.pages.size(), 1);
    for (std::size_t i = 0; i < count; ++i) {
        SheetWriter sheet(styles, strings);
        if (i < document.pages.size() && !sheet.Place(document.pages[i], error)) {
            error = "page " + std::to_string(i + 1) + ": " + error;
            return false;
        }
        const std::string name = "sheet" + std::to_string(i + 1) + ".xml";
        pugi::xml_document xml;
        sheet.Write(xml);
        package.AddPart("xl/worksheets/" + name, xml, ContentType("spreadsheetml.worksheet"));
        const std::string id =
            relationships.Add(RelationshipType("worksheet"), "worksheets/" + name);
        AddElement(sheets, "sheet",
                   {{"name", "Page " + std::to_string(i + 1)},
                    {"sheetId", std::to_string(i + 1)},
                    {"r:id", id}});
    }
    relationships.Add(RelationshipType("styles"), "styles.xml");
    relationships.Add(RelationshipType("sharedStrings"), "sharedStrings.xml");

    package.AddPart("xl/workbook.xml", workbook, ContentType("spreadsheetml.sheet.main"));
    pugi::xml_document stylesXml;
    styles.Write(stylesXml);
    package.AddPart("xl/styles.xml", stylesXml, ContentType("spreadsheetml.styles"));
    pugi::xml_document stringsXml;
    strings.Write(stringsXml);
    package.AddPart("xl/sharedStrings.xml", stringsXml, ContentType("spreadsheetml.sharedStrings"));
    package.AddRelationships("xl/workbook.xml", relationships);
    package.AddMainDocument("xl/workbook.xml");
    return package.Write(target, error);
}

} // namespace Layout
