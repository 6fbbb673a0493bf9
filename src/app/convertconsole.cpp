#include "app/convertconsole.h"

#include "adapter/filerecord.h"

#include <json/writer.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBarWidth = 24;
constexpr std::size_t kNameWidth = 28; // in characters

// At most `limit` UTF-8 characters of `text`, never cutting one in half.
std::string Shorten(std::string_view text, std::size_t limit)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (++characters > limit)
            return std::string(text.substr(0, i)) + "…";
    }
    return std::string(text);
}

} // namespace

std::string ProgressLine(const ConversionItem& item)
{
    const int progress = IsDone(item.status) ? 100 : std::clamp(item.progress, 0, 100);
    const int filled = progress * kBarWidth / 100;
    std::string line = Shorten(PathFileName(item.sourcePath), kNameWidth);
    line += "  [" + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] ";
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", progress);
    line += percent;
    // While a row is on its way the bar says it all; the labels matter once it ended.
    if (!IsInProgress(item.status) && item.status != ConversionStatus::Waiting) {
        line += "  " + item.statusText;
        if (item.detailText != item.statusText)
            line += " " + item.detailText;
    }
    return line;
}

void ProgressView::Draw(const std::vector<ConversionItem>& items)
{
    std::string frame;
    if (linesDrawn > 0)
        frame += "\x1b[" + std::to_string(linesDrawn) + "F";
    for (const ConversionItem& item : items)
        frame += "\x1b[2K" + ProgressLine(item) + "\n";
    std::fputs(frame.c_str(), stdout);
    std::fflush(stdout);
    linesDrawn = items.size();
}

std::string FinalReport(const std::vector<ConversionItem>& items, bool json)
{
    std::string report;
    if (json) {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "";
        builder["emitUTF8"] = true;
        for (const ConversionItem& item : items) {
            Json::Value line;
            line["source"] = item.sourcePath;
            line["status"] = static_cast<int>(item.status);
            line["statusText"] = item.statusText;
            line["detailText"] = item.detailText;
            line["output"] = IsDone(item.status) ? item.outputPath : std::string();
            report += Json::writeString(builder, line) + "\n";
        }
        return report;
    }
    for (const ConversionItem& item : items) {
        report += item.sourcePath + ": " + item.statusText;
        if (item.detailText != item.statusText)
            report += " (" + item.detailText + ")";
        if (IsDone(item.status))
            report += " -> " + item.outputPath;
        report += "\n";
    }
    return report;
}
