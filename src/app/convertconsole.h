#pragma once

#include "base/windowmessage.h"
#include "task/conversionitem.h"

#include <cstddef>
#include <string>
#include <vector>

// One progress bar per file on a terminal, redrawn in place.
class ProgressView
{
public:
    void Draw(const std::vector<ConversionItem>& items);

private:
    std::size_t linesDrawn = 0;
};

// The final report: one line per file, or one JSON object per line with the keys source,
// status, statusText, detailText and output.
std::string FinalReport(const std::vector<ConversionItem>& items, bool json);

// The row's bar line, e.g. "report.pdf  [#########-----------]  45%"; a row that ended
// adds its state and detail.
std::string ProgressLine(const ConversionItem& item);
