#include "app/skin_geometry.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SkinGeometry, DragZonesIncludeTheirBoundsAndHoverLightsOneButtonWithinItsArea) {
  EXPECT_TRUE(InDragZone(kMainFrame, 0, 0) && InDragZone(kMainFrame, 470, 36));
  EXPECT_FALSE(InDragZone(kMainFrame, 471, 10) || InDragZone(kMainFrame, 10, 37) || InDragZone(kMainFrame, -1, 10));
  EXPECT_TRUE(InDragZone(kCommandFrame, 395, 36));
  EXPECT_FALSE(InDragZone(kCommandFrame, 396, 10) || InDragZone(kCommandFrame, 100, 37));

  // (x, y) -> "m" for minimise lit, "e" for exit lit.
  const struct {
    int x, y;
    const char* lit;
  } cases[] = {{427, 5, ""}, {428, 0, "m"},  {456, 18, "m"}, {456, 19, ""},
               {457, 0, "e"}, {502, 18, "e"}, {503, 10, ""},  {480, 19, ""}};
  for (const auto& c : cases) {
    const auto hover = HoverAt(c.x, c.y);
    EXPECT_EQ(std::string(hover.minimise_lit ? "m" : "") + (hover.exit_lit ? "e" : ""), c.lit) << c.x << "," << c.y;
  }
}

}  // namespace
}  // namespace orvane
