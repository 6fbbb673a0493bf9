#pragma once

#include <string>

// Names the scanned images of one process: "无标题.bmp" first, then "无标题1.bmp",
// "无标题2.bmp"... The program keeps one for its whole run, so the numbering goes on across
// openings of the scanner window.
class ScanImageNames
{
public:
    std::string Next();

private:
    int scanImageCounter = 0;
};
