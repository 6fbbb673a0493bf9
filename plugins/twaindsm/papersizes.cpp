#include "papersizes.h"

#include <algorithm>

const std::vector<PaperSize>& StandardPaperSizes()
{
    static const std::vector<PaperSize> sizes = {
        {1, 210, 297},    {2, 182, 257},   {3, 215.9, 279.4}, {4, 215.9, 355.6},   {5, 148, 210},
        {6, 250, 353},    {7, 125, 176},   {9, 279.4, 431.8}, {10, 184.15, 266.7}, {11, 297, 420},
        {12, 353, 500},   {13, 105, 148},  {14, 229, 324},    {15, 162, 229},      {16, 114, 162},
        {19, 841, 1189},  {20, 594, 841},  {21, 420, 594},    {22, 74, 105},       {23, 52, 74},
        {24, 37, 52},     {25, 26, 37},    {26, 1000, 1414},  {27, 707, 1000},     {28, 500, 707},
        {29, 176, 250},   {30, 88, 125},   {31, 62, 88},      {32, 44, 62},        {33, 31, 44},
        {34, 1030, 1456}, {35, 728, 1030}, {36, 515, 728},    {37, 364, 515},      {38, 257, 364},
        {39, 128, 182},   {40, 91, 128},   {41, 64, 91},      {42, 45, 64},        {43, 32, 45},
        {44, 917, 1297},  {45, 648, 917},  {46, 458, 648},    {47, 324, 458},      {48, 81, 114},
        {49, 57, 81},     {50, 40, 57},    {51, 28, 40},      {52, 139.7, 215.9},  {53, 90, 55},
    };
    return sizes;
}

std::optional<PaperSize> FindPaperSize(TW_UINT16 code)
{
    const auto& sizes = StandardPaperSizes();
    const auto found = std::find_if(sizes.begin(), sizes.end(),
                                    [code](const PaperSize& size) { return size.code == code; });
    if (found == sizes.end())
        return std::nullopt;
    return *found;
}
