#include "ui/TemplatePicture.h"

#include <gtest/gtest.h>

namespace {

TEST(TemplatePictureTest, FitsIntoFourFifthsOfTheButtonWithItsAspect) {
  struct Case {
    ui::Size picture, button, expected;
  };
  const Case cases[] = {
      {{400, 300}, {140, 100}, {112, 84}},  // wider than high: the width decides
      {{300, 400}, {140, 100}, {60, 80}},   // higher than wide: the height decides
      {{100, 100}, {140, 100}, {80, 80}},   // square: the height decides
      {{16, 9}, {141, 101}, {112, 63}},     // 0.8 x 141 = 112.8 -> 112; 63 = 112 / 16 x 9
      // A panorama a thousand times wider than high still gets a row, and a
      // needle a column.
      {{10000, 10}, {140, 100}, {112, 1}},
      {{3, 5000}, {140, 100}, {1, 80}},
      {{0, 10}, {140, 100}, {0, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.picture.width << "x" << k.picture.height);
    const ui::Size size = ui::TemplatePictureSize(k.picture, k.button);
    EXPECT_EQ(size.width, k.expected.width);
    EXPECT_EQ(size.height, k.expected.height);
  }
}

}  // namespace
