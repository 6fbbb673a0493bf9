// The tile pages' screenshots on a screen of twice the density: icons and texts drawn at
// the screen's resolution.
#include "gui/tilescreens.h"

namespace {

// Before the application object exists.
const bool doubled = qputenv("QT_SCALE_FACTOR", "2");

TEST_F(TileScreensTest, HomeCustomModeAndDropPageAtTwiceTheDensity)
{
    ASSERT_TRUE(doubled);
    ASSERT_EQ(window->devicePixelRatioF(), 2.0);
    SaveAll();
}

} // namespace
