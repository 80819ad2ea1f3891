// The portable metafile renderer's canvas, pixel by pixel: a pixel belongs
// to a shape when its centre lies inside, so shapes on whole and half
// coordinates have exact answers.  Pictures are written as rows of text, '.'
// for white and a letter for a colour.

#include "imagefiles/MetafileCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "imagefiles/Picture.h"

namespace {

using metafile::Canvas;
using metafile::ClipRect;
using metafile::Color;
using metafile::Point;

const Color kRed{255, 0, 0};
const Color kBlue{0, 0, 255};

char Letter(const std::uint8_t* bgr) {
  if (bgr[0] == 255 && bgr[1] == 255 && bgr[2] == 255) return '.';
  if (bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 255) return 'R';
  if (bgr[0] == 255 && bgr[1] == 0 && bgr[2] == 0) return 'B';
  if (bgr[0] == 0 && bgr[1] == 255 && bgr[2] == 0) return 'G';
  if (bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 0) return 'K';
  return '?';
}

// The canvas as text, one line per row, top first.
std::string Text(const Canvas& canvas) {
  std::string text;
  for (unsigned y = 0; y < canvas.Height(); ++y) {
    for (unsigned x = 0; x < canvas.Width(); ++x) text += Letter(canvas.Row(y) + 3 * x);
    text += '\n';
  }
  return text;
}

std::vector<Point> Box(double left, double top, double right, double bottom) {
  return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

TEST(MetafileCanvasTest, StartsWhite) {
  const Canvas canvas(3, 2);
  EXPECT_EQ("...\n...\n", Text(canvas));
}

TEST(MetafileCanvasTest, FillsThePixelsWhoseCentresAreInside) {
  Canvas canvas(6, 5);
  // Centres at x + 0.5: columns 1..3 lie in [1, 4), rows 1..2 in [1, 3).
  ASSERT_TRUE(canvas.FillPolygons({Box(1, 1, 4, 3)}, false, kRed));
  EXPECT_EQ("......\n"
            ".RRR..\n"
            ".RRR..\n"
            "......\n"
            "......\n",
            Text(canvas));
  // Edges between centres take the columns and rows whose centres they
  // pass: x in [3.4, 5.6) holds centres 3.5 to 5.5, y in [2.6, 4.4) only 3.5.
  ASSERT_TRUE(canvas.FillPolygons({Box(3.4, 2.6, 5.6, 4.4)}, false, kBlue));
  EXPECT_EQ("......\n"
            ".RRR..\n"
            ".RRR..\n"
            "...BBB\n"
            "......\n",
            Text(canvas));
}

TEST(MetafileCanvasTest, EvenOddLeavesOverlapsOpenWindingFillsThem) {
  // Two squares drawn the same way round, overlapping in columns 2..3.
  const std::vector<std::vector<Point>> squares = {Box(0, 0, 4, 2), Box(2, 0, 6, 2)};
  Canvas evenOdd(6, 2), winding(6, 2);
  ASSERT_TRUE(evenOdd.FillPolygons(squares, false, kRed));
  ASSERT_TRUE(winding.FillPolygons(squares, true, kRed));
  EXPECT_EQ("RR..RR\nRR..RR\n", Text(evenOdd));
  EXPECT_EQ("RRRRRR\nRRRRRR\n", Text(winding));
}

TEST(MetafileCanvasTest, ClipRectangleLimitsEveryOperation) {
  Canvas canvas(6, 4);
  canvas.SetClip(ClipRect{2, 1, 5, 3});
  ASSERT_TRUE(canvas.FillPolygons({Box(0, 0, 6, 4)}, false, kRed));
  ASSERT_TRUE(canvas.Stroke({{0.5, 0.5}, {5.5, 0.5}}, false, 1, kBlue));  // above the clip
  EXPECT_EQ("......\n"
            "..RRR.\n"
            "..RRR.\n"
            "......\n",
            Text(canvas));
}

TEST(MetafileCanvasTest, ThinLinesDrawBothEndsOnePixelPerStep) {
  Canvas canvas(5, 5);
  ASSERT_TRUE(canvas.Stroke({{0.5, 4.5}, {4.5, 4.5}}, false, 1, kRed));                  // along the bottom
  ASSERT_TRUE(canvas.Stroke({{0.5, 0.5}, {3.5, 3.5}}, false, 1.5, kBlue));               // a diagonal
  ASSERT_TRUE(canvas.Stroke({{4.5, 0.5}}, false, 1, kRed));                              // a single point
  EXPECT_EQ("B...R\n"
            ".B...\n"
            "..B..\n"
            "...B.\n"
            "RRRRR\n",
            Text(canvas));
  // A closed outline returns to its start.
  Canvas closed(4, 4);
  ASSERT_TRUE(closed.Stroke({{0.5, 0.5}, {3.5, 0.5}, {3.5, 3.5}, {0.5, 3.5}}, true, 1, kRed));
  EXPECT_EQ("RRRR\nR..R\nR..R\nRRRR\n", Text(closed));
}

TEST(MetafileCanvasTest, WidePensAreRoundAndCentredOnTheLine) {
  // A pen 4 pixels wide along row centre 4.5 from x 4 to x 8: the band
  // covers rows 3..5 (centres less than 2 from 4.5) and leaves rows 1 and 7
  // (3 away); the round ends reach 2 past each end point along the line.
  // The band and the round ends overlap and must add up, not cancel out.
  Canvas canvas(13, 9);
  ASSERT_TRUE(canvas.Stroke({{4, 4.5}, {8, 4.5}}, false, 4, kRed));
  const std::string text = Text(canvas);
  auto at = [&](unsigned x, unsigned y) { return text[y * 14 + x]; };
  for (unsigned x = 4; x < 8; ++x) {
    for (unsigned y = 3; y <= 5; ++y) EXPECT_EQ('R', at(x, y)) << x << "," << y;
    EXPECT_EQ('.', at(x, 1)) << x;
    EXPECT_EQ('.', at(x, 7)) << x;
  }
  EXPECT_EQ('R', at(2, 4));   // centre 2.5: 1.5 before the start, inside the round end
  EXPECT_EQ('R', at(9, 4));   // centre 9.5: 1.5 past the end
  EXPECT_EQ('.', at(0, 4));   // centre 0.5: 3.5 before the start
  EXPECT_EQ('.', at(11, 4));  // centre 11.5: 3.5 past the end
  EXPECT_EQ('.', at(2, 2));   // the corners of the band are cut round
  EXPECT_EQ('.', at(9, 6));
}

TEST(MetafileCanvasTest, EllipsePolygonLiesOnTheEllipse) {
  for (const double r : {1.0, 10.0, 500.0}) {
    const std::vector<Point> polygon = Canvas::EllipsePolygon(10 - r, 20 - r / 2, 10 + r, 20 + r / 2);
    // Between 16 and 256 vertices, more for larger ellipses.
    EXPECT_GE(polygon.size(), 16u);
    EXPECT_LE(polygon.size(), 256u);
    for (const Point& p : polygon) {
      const double u = (p.x - 10) / r, v = (p.y - 20) / (r / 2);
      EXPECT_NEAR(1.0, u * u + v * v, 1e-9);
    }
  }
  EXPECT_EQ(16u, Canvas::EllipsePolygon(0, 0, 2, 2).size());
  EXPECT_EQ(256u, Canvas::EllipsePolygon(0, 0, 400, 400).size());
}

TEST(MetafileCanvasTest, BlitStretchesMirrorsAndBlackensOutsideTheSource) {
  // A 2 x 2 picture: top row red, green; bottom row blue, black (bottom-up
  // storage: row 0 is the bottom).
  CPicture source;
  PictureError error;
  ASSERT_TRUE(source.Create(2, 2, 24, &error));
  const std::uint8_t bottom[] = {255, 0, 0, 0, 0, 0};
  const std::uint8_t top[] = {0, 0, 255, 0, 255, 0};
  std::copy(bottom, bottom + 6, source.GetBits(0));
  std::copy(top, top + 6, source.GetBits(1));

  Canvas canvas(6, 4);
  ASSERT_TRUE(canvas.Blit(source, 0, 0, 2, 2, {0, 0}, {4, 4}));  // each pixel a 2 x 2 block
  EXPECT_EQ("RRGG..\n"
            "RRGG..\n"
            "BBKK..\n"
            "BBKK..\n",
            Text(canvas));

  Canvas mirrored(4, 2);
  ASSERT_TRUE(mirrored.Blit(source, 0, 0, 2, 1, {4, 0}, {0, 2}));  // the top row, right to left
  EXPECT_EQ("GGRR\nGGRR\n", Text(mirrored));

  Canvas outside(4, 1);
  ASSERT_TRUE(outside.Blit(source, 1, 0, 2, 1, {0, 0}, {4, 1}));  // the second half lies past the source
  EXPECT_EQ("GGKK\n", Text(outside));
}

TEST(MetafileCanvasTest, WorkPastTheLimitStopsEveryOperation) {
  Canvas canvas(2048, 2048);
  const std::vector<std::vector<Point>> whole = {Box(0, 0, 2048, 2048)};
  int fills = 0;
  while (canvas.FillPolygons(whole, false, kRed)) ++fills;
  // A fill of 2048 x 2048 costs its 4 Mi pixels and a little more: the
  // limit of 64 Mi visits allows 15 of them, not 16.
  EXPECT_EQ(15, fills);
  EXPECT_TRUE(canvas.Exhausted());
  EXPECT_FALSE(canvas.Stroke({{0, 0}, {10, 10}}, false, 1, kBlue));
  EXPECT_FALSE(canvas.Spend(0));
}

}  // namespace
