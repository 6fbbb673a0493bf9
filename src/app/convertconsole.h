#pragma once

#include "base/windowmessage.h"
#include "task/conversionitem.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Receives the pipeline's messages for the command-line converter: the main thread sleeps
// until one arrives and redraws.
class ConsoleMessages : public MessageTarget
{
public:
    void PostWindowMessage(WindowMessage message) override;
    // Waits up to `timeout` for messages; returns those that arrived.
    std::vector<WindowMessage> Wait(std::chrono::milliseconds timeout);

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<WindowMessage> pending;
};

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
