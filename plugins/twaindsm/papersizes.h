#pragma once

#include "scan/twain.h"

#include <optional>
#include <vector>

// The standard paper sizes a source can offer, by TWSS code, in millimetres.
struct PaperSize
{
    TW_UINT16 code;
    double width;
    double height;
};

const std::vector<PaperSize>& StandardPaperSizes();
std::optional<PaperSize> FindPaperSize(TW_UINT16 code);
