#include "scan/papertable.h"

#include <algorithm>

const std::map<int, std::string>& PaperNames()
{
    static const std::map<int, std::string> names = {
        {-3, "@string/str_scan_paper_maxsize"},
        {-1, "@string/str_scan_paper_auto"},
        {1, "A4"},
        {2, "JISB5"},
        {3, "@string/str_scan_paper_letter"},
        {4, "@string/str_scan_paper_legal"},
        {5, "A5"},
        {6, "B4"},
        {7, "B6"},
        {9, "@string/str_scan_paper_ledger"},
        {10, "@string/str_scan_paper_executive"},
        {11, "A3"},
        {12, "B3"},
        {13, "A6"},
        {14, "C4"},
        {15, "C5"},
        {16, "C6"},
        {19, "A0"},
        {20, "A1"},
        {21, "A2"},
        {22, "A7"},
        {23, "A8"},
        {24, "A9"},
        {25, "A10"},
        {26, "B0"},
        {27, "B1"},
        {28, "B2"},
        {29, "B5"},
        {30, "B7"},
        {31, "B8"},
        {32, "B9"},
        {33, "B10"},
        {34, "JISB0"},
        {35, "JISB1"},
        {36, "JISB2"},
        {37, "JISB3"},
        {38, "JISB4"},
        {39, "JISB6"},
        {40, "JISB7"},
        {41, "JISB8"},
        {42, "JISB9"},
        {43, "JISB10"},
        {44, "C0"},
        {45, "C1"},
        {46, "C2"},
        {47, "C3"},
        {48, "C7"},
        {49, "C8"},
        {50, "C9"},
        {51, "C10"},
        {52, "StateMent"},
        {53, "@string/str_scan_paper_businesscard"},
    };
    return names;
}

const std::map<int, std::pair<float, float>>& PaperSizes()
{
    static const std::map<int, std::pair<float, float>> sizes = {
        {1, {8.268f, 11.693f}},   {2, {7.165f, 10.118f}},   {5, {5.827f, 8.268f}},
        {6, {9.842f, 13.898f}},   {7, {4.921f, 6.929f}},    {11, {11.693f, 16.535f}},
        {12, {13.898f, 19.685f}}, {13, {4.134f, 5.827f}},   {14, {9.016f, 12.756f}},
        {15, {6.378f, 9.016f}},   {16, {4.448f, 6.378f}},   {19, {33.110f, 46.811f}},
        {20, {23.386f, 33.110f}}, {21, {16.535f, 23.386f}}, {22, {2.913f, 4.134f}},
        {23, {2.047f, 2.913f}},   {24, {1.457f, 2.047f}},   {25, {1.024f, 1.457f}},
        {26, {39.370f, 55.669f}}, {27, {27.834f, 39.370f}}, {28, {19.685f, 27.834f}},
        {29, {6.929f, 9.842f}},   {30, {3.464f, 4.921f}},   {31, {2.441f, 3.464f}},
        {32, {1.732f, 2.441f}},   {33, {1.220f, 1.732f}},   {34, {40.551f, 57.322f}},
        {35, {28.661f, 40.551f}}, {36, {20.276f, 28.661f}}, {37, {14.331f, 20.276f}},
        {38, {10.118f, 14.331f}}, {39, {5.039f, 7.165f}},   {40, {3.583f, 5.039f}},
        {41, {2.520f, 3.583f}},   {42, {1.772f, 2.520f}},   {43, {1.260f, 1.772f}},
        {44, {36.102f, 51.063f}}, {45, {25.512f, 36.102f}}, {46, {18.031f, 25.512f}},
        {47, {12.756f, 18.031f}},
    };
    return sizes;
}

std::vector<int> PaperChoices(bool flatbedAnswered, bool feederAnswered, std::vector<int> codes)
{
    const auto add = [&codes](int code) {
        if (std::find(codes.begin(), codes.end(), code) == codes.end())
            codes.push_back(code);
    };
    if (!flatbedAnswered && !feederAnswered)
        for (int code : {1, 5, 2})
            add(code);
    add(29);
    return codes;
}
