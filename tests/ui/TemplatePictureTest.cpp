#include "ui/TemplatePicture.h"

#include <gtest/gtest.h>

namespace {

TEST(TemplatePictureTest, FitsIntoFourFifthsOfTheButtonWithItsAspect) {
  struct Case {
    ui::Size picture, button, expected;
  };
  const Case cases[] = {
      {{400, 300}, {140, 100}, {107, 80}},  // 112 x 84 would not fit: the height decides
      {{300, 400}, {140, 100}, {60, 80}},   // higher than wide: the height decides
      {{400, 200}, {140, 100}, {112, 56}},  // wide enough: the width decides
      {{100, 100}, {140, 100}, {80, 80}},   // square: the height decides
      {{16, 9}, {141, 101}, {112, 63}},     // 0.8 x 141 = 112.8 -> 112; 63 = 112 / 16 x 9
      // A panorama a thousand times wider than high still gets a row, and a
      // needle a column.
      {{10000, 10}, {140, 100}, {112, 1}},
      {{3, 5000}, {140, 100}, {1, 80}},
      {{0, 10}, {140, 100}, {0, 0}},
      // The pane's button is wide and low: a landscape picture is fitted to
      // its height, so none of it is cut off.
      {{160, 120}, {203, 65}, {69, 52}},
      {{4000, 100}, {203, 65}, {162, 4}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.picture.width << "x" << k.picture.height);
    const ui::Size size = ui::TemplatePictureSize(k.picture, k.button);
    EXPECT_EQ(size.width, k.expected.width);
    EXPECT_EQ(size.height, k.expected.height);
  }
}

}  // namespace
