#include "tiles/tilemodel.h"

#include <algorithm>

int TileRows(int itemCount, int width, int itemWidth)
{
    const int perRow = std::max(itemWidth > 0 ? width / itemWidth : 0, 1);
    return itemCount / perRow + (itemCount % perRow != 0 ? 1 : 0);
}
