// The clipping measure against a pixel-by-pixel count: pictures whose
// extremes sit in skipped groups, in the row tails and on every channel.

#include <cstdint>
#include <random>

#include <gtest/gtest.h>

#include "tools/tintavo/PictureChecks.h"

namespace {

// Bit c: channel c is 0; bit c + 3: it is 255.
unsigned Bits(const std::uint8_t* p) {
  unsigned bits = 0;
  for (int c = 0; c < 3; ++c) bits |= (p[c] == 0 ? 1u : 0u) << c | (p[c] == 255 ? 1u : 0u) << (c + 3);
  return bits;
}

std::uint64_t CountClipped(const CImageBuffer& before, const CImageBuffer& after) {
  std::uint64_t n = 0;
  for (int y = 0; y < before.Height(); ++y) {
    CRowReader a(before, y), b(after, y);
    for (int x = 0; x < before.Width(); ++x) n += (Bits(b.Row() + 3 * x) & ~Bits(a.Row() + 3 * x)) != 0;
  }
  return n;
}

// Mid-grey noise with a share of its bytes put at 0 or 255.
CImageBuffer Noisy(int width, int height, double extremeShare, std::mt19937& random) {
  CImageBuffer picture;
  EXPECT_FALSE(picture.CreateBGR(width, height).IsError());
  std::uniform_int_distribution<int> byte(1, 254);
  std::uniform_real_distribution<double> share(0, 1);
  for (int y = 0; y < height; ++y) {
    CRowWriter row(picture, y);
    for (int i = 0; i < 3 * width; ++i) {
      const double s = share(random);
      row.Row()[i] = static_cast<std::uint8_t>(s < extremeShare / 2 ? 0 : s < extremeShare ? 255 : byte(random));
    }
  }
  return picture;
}

TEST(SourceExtremesTest, CountsWhatTheRepaintClipped) {
  struct Case {
    int width, height;
    double sourceShare, resultShare;
  } const cases[] = {
      {1, 1, 0.5, 0.5}, {7, 3, 0.2, 0.6}, {8, 2, 0.0, 0.3}, {29, 17, 0.01, 0.05},
      {64, 9, 0.3, 0.0}, {333, 41, 0.002, 0.01}, {100, 100, 0.9, 0.9},
      {1501, 1499, 0.001, 0.02},  // large enough to be shared out to threads
  };
  std::mt19937 random(7);
  for (const Case& c : cases) {
    const CImageBuffer source = Noisy(c.width, c.height, c.sourceShare, random);
    const CImageBuffer result = Noisy(c.width, c.height, c.resultShare, random);
    const double expected =
        static_cast<double>(CountClipped(source, result)) / (static_cast<double>(c.width) * c.height);
    for (int threads : {1, 3}) {
      SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", " << threads << " threads");
      CSourceExtremes extremes;
      ASSERT_TRUE(extremes.Record(source, threads));
      EXPECT_DOUBLE_EQ(extremes.ClippedShare(result, threads), expected);
      // Nothing is clipped against itself, and a result of another size is
      // not measured.
      EXPECT_EQ(extremes.ClippedShare(source, threads), 0.0);
      EXPECT_EQ(extremes.ClippedShare(Noisy(c.width + 1, c.height, 0.5, random), threads), 0.0);
    }
  }
}

}  // namespace
