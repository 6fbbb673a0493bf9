#include "tablelayout.h"

#include <sstream>
#include <vector>

namespace {

std::vector<std::string> SplitCells(const std::string& line)
{
    std::vector<std::string> cells;
    std::string cell;
    std::size_t spaces = 0;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            ++spaces;
            continue;
        }
        if (spaces >= 2 && !cell.empty()) {
            cells.push_back(cell);
            cell.clear();
        } else if (spaces > 0 && !cell.empty()) {
            cell.append(spaces, ' ');
        }
        spaces = 0;
        cell += c;
    }
    if (!cell.empty()) {
        cells.push_back(cell);
    }
    return cells;
}

std::string Quote(const std::string& cell)
{
    std::string out = "\"";
    for (char c : cell) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

} // namespace

std::string LayoutTextToCsv(const std::string& layoutText)
{
    std::string csv;
    std::istringstream lines(layoutText);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // pdftotext ends every page with a form feed
        std::size_t feed;
        while ((feed = line.find('\f')) != std::string::npos) {
            line.erase(feed, 1);
            csv += "\n";
        }
        const std::vector<std::string> cells = SplitCells(line);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                csv += ',';
            csv += Quote(cells[i]);
        }
        csv += "\n";
    }
    return csv;
}
