#include "scan/scanimagenames.h"

std::string ScanImageNames::Next()
{
    const int number = scanImageCounter++;
    return number == 0 ? "无标题.bmp" : "无标题" + std::to_string(number) + ".bmp";
}
