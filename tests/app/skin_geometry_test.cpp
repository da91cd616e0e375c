#include "app/skin_geometry.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SkinGeometry, DragZonesIncludeTheirBounds) {
  EXPECT_TRUE(InDragZone(kMainFrame, 0, 0));
  EXPECT_TRUE(InDragZone(kMainFrame, 470, 36));
  EXPECT_FALSE(InDragZone(kMainFrame, 471, 10));
  EXPECT_FALSE(InDragZone(kMainFrame, 10, 37));
  EXPECT_FALSE(InDragZone(kMainFrame, -1, 10));

  EXPECT_TRUE(InDragZone(kCommandFrame, 395, 36));
  EXPECT_FALSE(InDragZone(kCommandFrame, 396, 10));
  EXPECT_FALSE(InDragZone(kCommandFrame, 400, 10));
  EXPECT_FALSE(InDragZone(kCommandFrame, 100, 37));
}

TEST(SkinGeometry, HoverLightsOneButtonAtATimeWithinItsArea) {
  EXPECT_FALSE(HoverAt(427, 5).minimise_lit);
  EXPECT_TRUE(HoverAt(428, 0).minimise_lit);
  EXPECT_TRUE(HoverAt(456, 18).minimise_lit);
  EXPECT_FALSE(HoverAt(456, 18).exit_lit);
  EXPECT_FALSE(HoverAt(456, 19).minimise_lit);
  EXPECT_TRUE(HoverAt(457, 0).exit_lit);
  EXPECT_FALSE(HoverAt(457, 0).minimise_lit);
  EXPECT_TRUE(HoverAt(502, 18).exit_lit);
  EXPECT_FALSE(HoverAt(503, 10).exit_lit);
  EXPECT_FALSE(HoverAt(480, 19).exit_lit);
}

}  // namespace
}  // namespace orvane
