#pragma once

#include "tiles/documentviewer.h"

#include <string>
#include <utility>
#include <vector>

// A stand-in for the viewer plug-ins that records what it is asked to show and print.
class RecordingViewer : public DocumentViewer
{
public:
    bool NeedsPassword(const std::string&) override { return false; }
    ViewerOpen ShowViewer(const std::string& path, ViewerFunctionCallback, bool scanned, void*,
                          const std::optional<std::string>&) override
    {
        shown.emplace_back(path, scanned);
        return ViewerOpen::Shown;
    }
    bool ShowPrint(const std::string& path, const std::optional<std::string>&) override
    {
        printed.push_back(path);
        return true;
    }
    void PreparePrinting() override { ++prepared; }
    bool IsPasswordCorrect(const std::string&, const std::string&) override { return true; }

    // The paths shown, each with whether it came from the scanner.
    std::vector<std::pair<std::string, bool>> shown;
    std::vector<std::string> printed;
    int prepared = 0;
};
