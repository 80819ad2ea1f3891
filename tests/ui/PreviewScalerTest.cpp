#include "ui/PreviewScaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "image/ColorRef.h"
#include "ui/ZoomModel.h"

namespace {

using ui::PreviewRegion;
using ui::Rect;

// Pixel (x, y) of the test pictures: B, G from x (so that a wrong column
// shows), R from y, and for BGRA an alpha that walks through its range.
void TestPixel(int x, int y, std::uint8_t* p, int bytes) {
  p[0] = static_cast<std::uint8_t>(x);
  p[1] = static_cast<std::uint8_t>(x >> 8 | 0x80);
  p[2] = static_cast<std::uint8_t>(y * 17 + 3);
  if (bytes == 4) p[3] = static_cast<std::uint8_t>((x * 37 + y * 11) % 256);
}

CImageBuffer Picture(int width, int height, int format) {
  CImageBuffer image;
  image.Create(width, height, format).RaiseIfError();
  const int bytes = format == keFormatBGRA ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    CRowWriter row(image, y);
    for (int x = 0; x < width; ++x) TestPixel(x, y, row.Row() + x * bytes, bytes);
  }
  return image;
}

CImageBuffer Mask(int width, int height) {
  CImageBuffer mask;
  mask.CreateGrey(width, height).RaiseIfError();
  for (int y = 0; y < height; ++y) {
    CRowWriter row(mask, y);
    for (int x = 0; x < width; ++x) row.Row()[x] = static_cast<std::uint8_t>(x < width / 2 ? 255 : (x * 3 + y) % 256);
  }
  return mask;
}

// The source column or row of a destination one: the fixed-point mapping,
// inside the image.
int SourceOf(int d, double zoom, int size) {
  const long long step = std::max<long long>(1, static_cast<long long>(zoom * 10000));
  return static_cast<int>(std::min<long long>(static_cast<long long>(d) * 10000 / step, size - 1));
}

// The expected B, G, R of destination pixel (x, y), written plainly.
void Expected(int x, int y, double zoom, int width, int height, int bytes, bool masked, std::uint8_t out[3]) {
  const int sx = SourceOf(x, zoom, width), sy = SourceOf(y, zoom, height);
  std::uint8_t p[4];
  TestPixel(sx, sy, p, bytes);
  const int alpha = bytes == 4 ? p[3] : 255;
  const bool darkSquare = ((x / 10 + y / 10) % 2) == 0;
  const int checker[3] = {darkSquare ? 195 : 255, darkSquare ? 205 : 255, darkSquare ? 208 : 255};
  int c[3];
  for (int i = 0; i < 3; ++i) c[i] = alpha == 255 ? p[i] : checker[i] + (p[i] - checker[i]) * alpha / 255;
  if (masked) {
    const int m = sx < width / 2 ? 255 : (sx * 3 + sy) % 256;
    const int t = (255 - m) / 2;
    const int tint[3] = {0, 0, 255};
    for (int i = 0; i < 3; ++i) c[i] += (tint[i] - c[i]) * t / 255;
  }
  for (int i = 0; i < 3; ++i) out[i] = static_cast<std::uint8_t>(c[i]);
}

void ExpectRegion(const PreviewRegion& region, double zoom, int width, int height, int bytes, bool masked) {
  ASSERT_EQ(region.place.Width(), region.pixels.Width());
  ASSERT_EQ(region.place.Height(), region.pixels.Height());
  for (int y = region.place.top; y < region.place.bottom; ++y) {
    CRowReader row(region.pixels, y - region.place.top);
    for (int x = region.place.left; x < region.place.right; ++x) {
      std::uint8_t want[3];
      Expected(x, y, zoom, width, height, bytes, masked, want);
      const std::uint8_t* got = row.Row() + 3 * (x - region.place.left);
      ASSERT_TRUE(std::equal(want, want + 3, got)) << "pixel " << x << "," << y;
    }
  }
}

// Every zoom step over widths around the sizes where a truncated fixed-point
// step makes the last destination column map past the last source column.
TEST(PreviewScalerTest, BothScalersMatchTheReferenceAtEveryZoomStep) {
  for (int format : {keFormatBGR, keFormatBGRA}) {
    for (int width : {1, 7, 128, 2500, 2503}) {
      for (int step = 0; step < ui::CZoomModel::kStepCount; ++step) {
        const double zoom = ui::CZoomModel::StepFactor(step);
        SCOPED_TRACE(testing::Message() << "format " << format << " width " << width << " zoom " << zoom);
        // At least two destination rows at every zoom, few at the large ones.
        const int height = zoom < 1 ? 23 : 3;
        const CImageBuffer image = Picture(width, height, format);
        const Rect all{0, 0, 1 << 20, 1 << 20};
        PreviewRegion region;
        const bool drawn = ui::ScalePreview(image, CImageBuffer(), zoom, all, all, &region);
        ASSERT_EQ(static_cast<int>(width * zoom) > 0 && static_cast<int>(height * zoom) > 0, drawn);
        if (!drawn) continue;
        EXPECT_EQ(keFormatBGR, region.pixels.AccessFormat());
        ExpectRegion(region, zoom, width, height, format == keFormatBGRA ? 4 : 3, false);
      }
    }
  }
}

TEST(PreviewScalerTest, SelectionIsTintedAboutHalfWayToRed) {
  const int width = 40, height = 30;
  const CImageBuffer image = Picture(width, height, keFormatBGR);
  const CImageBuffer mask = Mask(width, height);
  const Rect all{0, 0, 1000, 1000};
  for (double zoom : {1.0, 2.0, 0.5}) {
    SCOPED_TRACE(zoom);
    PreviewRegion region;
    ASSERT_TRUE(ui::ScalePreview(image, mask, zoom, all, all, &region));
    ExpectRegion(region, zoom, width, height, 3, true);
  }
  // A worked pixel: grey 100 where the mask is 0 becomes (51, 51, 177).
  CImageBuffer grey;
  const CColorRef hundred(100, 100, 100);
  grey.CreateBGR(1, 1, &hundred).RaiseIfError();
  CImageBuffer outside;
  outside.CreateGrey(1, 1).RaiseIfError();
  CRowWriter(outside, 0).Row()[0] = 0;
  PreviewRegion one;
  ASSERT_TRUE(ui::ScalePreview(grey, outside, 1.0, all, all, &one));
  CRowReader row(one.pixels, 0);
  EXPECT_EQ(51, row.Row()[0]);
  EXPECT_EQ(51, row.Row()[1]);
  EXPECT_EQ(177, row.Row()[2]);
}

// Painting a part of the view gives exactly that part of a whole paint: the
// checkerboard is anchored to the image, so it moves with it when scrolling.
TEST(PreviewScalerTest, APartialPaintMatchesTheWholeOne) {
  const CImageBuffer image = Picture(97, 61, keFormatBGRA);
  const CImageBuffer mask = Mask(97, 61);
  const double zoom = 1.5;
  const Rect all{0, 0, 1000, 1000};
  PreviewRegion whole;
  ASSERT_TRUE(ui::ScalePreview(image, mask, zoom, all, all, &whole));
  const Rect clip{23, 17, 81, 50};
  const Rect visible{15, 12, 70, 90};
  PreviewRegion part;
  ASSERT_TRUE(ui::ScalePreview(image, mask, zoom, clip, visible, &part));
  EXPECT_GE(part.place.left, visible.left);
  EXPECT_LE(part.place.right, visible.right);
  EXPECT_LE(part.place.left, clip.left);
  EXPECT_GE(part.place.bottom, clip.bottom);
  for (int y = part.place.top; y < part.place.bottom; ++y) {
    CRowReader a(whole.pixels, y - whole.place.top), b(part.pixels, y - part.place.top);
    for (int x = part.place.left; x < part.place.right; ++x) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(a.Row()[3 * (x - whole.place.left) + c], b.Row()[3 * (x - part.place.left) + c]) << x << "," << y;
      }
    }
  }
}

TEST(PreviewScalerTest, NothingIsDrawnOutsideTheImageOrWithoutOne) {
  const CImageBuffer image = Picture(10, 10, keFormatBGR);
  PreviewRegion region;
  EXPECT_FALSE(ui::ScalePreview(image, CImageBuffer(), 1.0, {20, 20, 40, 40}, {0, 0, 100, 100}, &region));
  EXPECT_FALSE(ui::ScalePreview(image, CImageBuffer(), 1.0, {0, 0, 5, 5}, {50, 50, 60, 60}, &region));
  EXPECT_FALSE(ui::ScalePreview(CImageBuffer(), CImageBuffer(), 1.0, {0, 0, 5, 5}, {0, 0, 5, 5}, &region));
  EXPECT_FALSE(ui::ScalePreview(image, CImageBuffer(), 0.0, {0, 0, 5, 5}, {0, 0, 5, 5}, &region));
}

}  // namespace
