// The rounded cell frame: exact interior, symmetry, anti-aliased outline.

#include "ui/RoundedRect.h"

#include <gtest/gtest.h>

namespace {

using ui::Rgb;

Rgb At(const CImageBuffer& buffer, int x, int y) {
  CRowReader row(buffer, y);
  const std::uint8_t* p = row.Row() + 3 * x;
  return {p[2], p[1], p[0]};
}

CImageBuffer Cell(bool selected) {
  CImageBuffer cell;
  ui::MakeCellBackground(&cell, {95, 95}, selected, {255, 255, 255}, {255, 255, 255}, {200, 218, 255}).RaiseIfError();
  return cell;
}

TEST(RoundedRectTest, InteriorIsExactlyTheFillAndTheMarginTheWindow) {
  for (bool selected : {false, true}) {
    SCOPED_TRACE(selected);
    const CImageBuffer cell = Cell(selected);
    const Rgb fill = selected ? Rgb{200, 218, 255} : Rgb{248, 248, 248};
    for (int y = 0; y < 95; ++y) {
      for (int x = 0; x < 95; ++x) {
        const Rgb p = At(cell, x, y);
        // Inside the straight edges, clear of the corners: the fill.
        if (x >= 6 && x <= 88 && y >= 3 && y <= 91) {
          ASSERT_EQ(fill, p) << x << "," << y;
        }
        if (x <= 1 || y <= 1 || x >= 93 || y >= 93) {
          ASSERT_EQ((Rgb{255, 255, 255}), p) << x << "," << y;
        }
      }
    }
  }
}

TEST(RoundedRectTest, SymmetricInBothDirectionsAndAlongTheDiagonal) {
  const CImageBuffer cell = Cell(false);
  for (int y = 0; y < 95; ++y) {
    for (int x = 0; x < 95; ++x) {
      const Rgb p = At(cell, x, y);
      ASSERT_EQ(p, At(cell, 94 - x, y)) << x << "," << y;
      ASSERT_EQ(p, At(cell, x, 94 - y)) << x << "," << y;
      ASSERT_EQ(p, At(cell, y, x)) << x << "," << y;
    }
  }
}

TEST(RoundedRectTest, OutlinePixelsLieBetweenOutlineAndNeighbours) {
  // The straight edge runs through pixel centres at x = 2.5: pixel 2 is
  // half outline over a quarter of white and a quarter of fill.
  const CImageBuffer cell = Cell(false);
  const Rgb edge = At(cell, 2, 47);
  EXPECT_EQ(edge.r, edge.g);
  EXPECT_GT(edge.r, 200);  // lighter than the outline (200)...
  EXPECT_LT(edge.r, 248);  // ...darker than the fill
  EXPECT_EQ(Rgb({226, 226, 226}), edge);  // (255 + 248) / 4 + 200 / 2, rounded
  // In the corner the curve leaves some pixels untouched and gives others
  // a part of the outline only.
  EXPECT_EQ((Rgb{255, 255, 255}), At(cell, 2, 2));
  const Rgb corner = At(cell, 3, 3);
  EXPECT_GT(corner.r, 200);
  EXPECT_LT(corner.r, 255);
}

TEST(RoundedRectTest, OnlyBgrBuffers) {
  CImageBuffer grey;
  grey.CreateGrey(10, 10).RaiseIfError();
  ui::RoundedRectShape shape{1, 1, 9, 9, 2, 1};
  EXPECT_EQ(keErrBadArgument, ui::DrawRoundedRect(grey, shape, {0, 0, 0}, {0, 0, 0}).Code());
}

}  // namespace
