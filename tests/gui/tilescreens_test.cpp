// The tile pages' screenshots at the usual scale.
#include "gui/tilescreens.h"

namespace {

TEST_F(TileScreensTest, HomeCustomModeAndDropPage)
{
    ASSERT_EQ(window->devicePixelRatioF(), 1.0);
    SaveAll();
}

} // namespace
