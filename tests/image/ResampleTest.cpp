// Resample: the filter choice, identity copies, worked values of each
// filter, flat pictures at large factors, transparency, rectangles and
// stopping.
#include "image/Resample.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "image/RowProgress.h"
#include "image/Resample_p.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

int RowBytes(const CImageBuffer& b) { return (b.Width() * FormatBitsPerPixel(b.AccessFormat()) + 7) / 8; }

// The row's bytes; bits past the last pixel of a sub-byte row are not the
// row's and read as 0.
Bytes Row(const CImageBuffer& b, int y) {
  CRowReader row(b, y);
  Bytes bytes(row.Row(), row.Row() + RowBytes(b));
  const int tail = b.Width() * FormatBitsPerPixel(b.AccessFormat()) % 8;
  if (tail != 0) bytes.back() = static_cast<std::uint8_t>(bytes.back() & (0xFF00 >> tail));
  return bytes;
}

Bytes Pixels(const CImageBuffer& b) {
  Bytes all;
  for (int y = 0; y < b.Height(); ++y) {
    const Bytes r = Row(b, y);
    all.insert(all.end(), r.begin(), r.end());
  }
  return all;
}

void SetRow(CImageBuffer& b, int y, const Bytes& bytes) {
  CRowWriter row(b, y);
  std::copy(bytes.begin(), bytes.end(), row.Row());
}

CImageBuffer Make(int w, int h, int format, const Bytes& pixels = {}) {
  CImageBuffer b;
  EXPECT_EQ(b.Create(w, h, format).Code(), 0u);
  if (!pixels.empty()) {
    const int rb = RowBytes(b);
    for (int y = 0; y < h; ++y) SetRow(b, y, Bytes(pixels.begin() + y * rb, pixels.begin() + (y + 1) * rb));
  }
  return b;
}

CImageBuffer Random(int w, int h, int format, unsigned seed) {
  CImageBuffer b = Make(w, h, format);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    Bytes r(static_cast<std::size_t>(RowBytes(b)));
    for (auto& v : r) v = static_cast<std::uint8_t>(rng());
    SetRow(b, y, r);
  }
  return b;
}

int Resample(int mode, CImageBuffer& dst, const CImageBuffer& src, const ImageRect* d = nullptr,
             const ResampleRect* s = nullptr, IRowProgress* progress = nullptr, int area = 0) {
  CResample r(mode, d, s, area);
  r.SetProgress(progress);
  return r.Resample(dst, src);
}

const int kModes[] = {0, 1, 2, 3, 90, 91, 92};

TEST(Resample, SameSizeCopiesExactlyInEveryModeAndFormat) {
  for (int format = keFormatIndex1; format <= keFormatBGRxA_u16; ++format) {
    const CImageBuffer src = Random(100, 100, format, static_cast<unsigned>(format));
    for (int mode : kModes) {
      SCOPED_TRACE(std::string(FormatName(format)) + " mode " + std::to_string(mode));
      CImageBuffer dst = Make(100, 100, format);
      CResample r(mode);
      EXPECT_EQ(r.ChosenMode(dst, src), -1);
      ASSERT_EQ(r.Resample(dst, src), keResampleDone);
      ASSERT_EQ(Pixels(dst), Pixels(src));
    }
  }
}

TEST(Resample, AutomaticModesChooseByDirection) {
  struct Case {
    int mode, sw, sh, dw, dh, chosen;
  };
  const Case cases[] = {
      {91, 400, 300, 85, 64, 3}, {91, 40, 30, 85, 64, 1}, {90, 40, 30, 85, 64, 0}, {92, 40, 30, 85, 64, 2},
      {92, 400, 30, 85, 64, 3},  // narrower counts as shrinking
  };
  for (const Case& c : cases) {
    const CImageBuffer src = Make(c.sw, c.sh, keFormatBGR);
    CImageBuffer dst = Make(c.dw, c.dh, keFormatBGR);
    EXPECT_EQ(CResample(c.mode).ChosenMode(dst, src), c.chosen) << c.mode << " " << c.sw;
  }
  // Indexed buffers always take nearest neighbour.
  const CImageBuffer indexed = Make(40, 30, keFormatIndex8);
  CImageBuffer bgr = Make(85, 64, keFormatBGR);
  for (int mode : {1, 2, 3, 91}) EXPECT_EQ(CResample(mode).ChosenMode(bgr, indexed), 0) << mode;
  CImageBuffer index4 = Make(20, 15, keFormatIndex4);
  EXPECT_EQ(CResample(1).ChosenMode(index4, bgr), 0);
}

TEST(Resample, BilinearLandsTheLastColumnOnTheLastSourceColumn) {
  for (int format : {keFormatGrey, keFormatBGR, keFormatGrey_u16}) {
    for (auto [a, b] : {std::pair<int, int>{0, 255}, {200, 10}, {17, 18}}) {
      SCOPED_TRACE(std::string(FormatName(format)) + " " + std::to_string(a) + "," + std::to_string(b));
      const int scale = format == keFormatGrey_u16 ? 257 : 1;
      const int channels = format == keFormatBGR ? 3 : 1, size = format == keFormatGrey_u16 ? 2 : 1;
      Bytes in;
      for (int v : {a * scale, b * scale}) {
        for (int c = 0; c < channels; ++c) {
          for (int k = 0; k < size; ++k) in.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
        }
      }
      const CImageBuffer src = Make(2, 1, format, in);
      CImageBuffer dst = Make(3, 1, format);
      ASSERT_EQ(Resample(1, dst, src), 0);
      const int A = a * scale, B = b * scale;
      const int want[3] = {A, (128 * A + 128 * B + 128) / 256, (8 * A + 248 * B + 128) / 256};
      const Bytes out = Row(dst, 0);
      for (int i = 0; i < 3; ++i) {
        const int got = size == 2 ? out[i * 2] | out[i * 2 + 1] << 8 : out[i * channels];
        EXPECT_EQ(got, want[i]) << i;
      }
    }
  }
}

TEST(Resample, BilinearFromOneColumnUsesThatColumnTwice) {
  const CImageBuffer src = Make(1, 2, keFormatBGR, {10, 20, 30, 40, 50, 60});
  CImageBuffer dst = Make(4, 3, keFormatBGR);
  ASSERT_EQ(Resample(1, dst, src), 0);
  EXPECT_EQ(Row(dst, 0), (Bytes{10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30}));
  EXPECT_EQ(Row(dst, 2), (Bytes{40, 50, 60, 40, 50, 60, 40, 50, 60, 40, 50, 60}));
}

TEST(Resample, NearestTakesTheLeftEdgeOfEachPixel) {
  const CImageBuffer src = Make(4, 1, keFormatGrey, {1, 2, 3, 4});
  CImageBuffer dst = Make(2, 1, keFormatGrey);
  ASSERT_EQ(Resample(0, dst, src), 0);
  EXPECT_EQ(Row(dst, 0), (Bytes{1, 3}));
  // A 1-bit source into BGR: indices through the palette, rows repeated.
  const CImageBuffer bits = Make(8, 1, keFormatIndex1, {0x96});  // 1001 0110
  CImageBuffer wide = Make(4, 2, keFormatBGR);
  ASSERT_EQ(Resample(1, wide, bits), 0);  // indexed: nearest whatever was asked
  const Bytes want = {255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 255};
  EXPECT_EQ(Row(wide, 0), want);
  EXPECT_EQ(Row(wide, 1), want);
}

TEST(Resample, FlatPicturesStayFlat) {
  struct Size {
    int sw, sh, dw, dh;
  };
  // Factors 1.7 down and up, 47 and 300.
  // 6000 rows into 40 and 3000 into 2: row sums past what 16 bits hold.
  const Size sizes[] = {{170, 17, 100, 10}, {10, 10, 17, 17}, {470, 94, 10, 2},
                        {900, 600, 3, 2},   {3, 6000, 3, 40}, {2, 3000, 1, 2}};
  const struct {
    int format;
    Bytes pixel;
  } formats[] = {{keFormatGrey, {255}},
                 {keFormatBGR, {255, 255, 255}},
                 {keFormatBGRA, {255, 255, 255, 255}},
                 {keFormatBGR_u16, {255, 255, 255, 255, 255, 255}},
                 {keFormatBGRA_u16, Bytes(8, 255)},
                 {keFormatBGR, {7, 130, 201}}};
  for (const auto& f : formats) {
    for (const Size& size : sizes) {
      Bytes in;
      for (int i = 0; i < size.sw * size.sh; ++i) in.insert(in.end(), f.pixel.begin(), f.pixel.end());
      const CImageBuffer src = Make(size.sw, size.sh, f.format, in);
      for (int mode : {1, 2, 3}) {
        SCOPED_TRACE(std::string(FormatName(f.format)) + " " + std::to_string(size.sw) + "x" +
                     std::to_string(size.sh) + " mode " + std::to_string(mode));
        CImageBuffer dst = Make(size.dw, size.dh, f.format);
        ASSERT_EQ(Resample(mode, dst, src), 0);
        Bytes want;
        for (int i = 0; i < size.dw * size.dh; ++i) want.insert(want.end(), f.pixel.begin(), f.pixel.end());
        ASSERT_EQ(Pixels(dst), want);
      }
    }
  }
}

TEST(Resample, AreaAverageGivesExactMeans) {
  // Each 2 x 2 block has an integer mean.
  const CImageBuffer src = Make(4, 4, keFormatGrey,
                                {0, 4, 100, 104,      //
                                 8, 12, 200, 204,     //
                                 1, 1, 255, 255,      //
                                 1, 5, 255, 251});
  CImageBuffer dst = Make(2, 2, keFormatGrey);
  ASSERT_EQ(Resample(3, dst, src), 0);
  EXPECT_EQ(Pixels(dst), (Bytes{6, 152, 2, 254}));
  // The sampling variant with every pixel counted gives the same.
  CImageBuffer sampled = Make(2, 2, keFormatGrey);
  ASSERT_EQ(Resample(3, sampled, src, nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(Pixels(sampled), Pixels(dst));
  // Every second row and column: the top-left pixel of each block.
  ASSERT_EQ(Resample(3, sampled, src, nullptr, nullptr, nullptr, 2), 0);
  EXPECT_EQ(Pixels(sampled), (Bytes{0, 100, 1, 255}));
}

TEST(Resample, TransparentPixelsLendNoColour) {
  // A transparent red pixel beside an opaque blue one.
  const CImageBuffer src = Make(2, 2, keFormatBGRA, {0, 0, 255, 0, 255, 0, 0, 255, 0, 0, 255, 0, 255, 0, 0, 255});
  for (int mode : {1, 2, 3}) {
    for (auto [w, h] : {std::pair<int, int>{1, 1}, {3, 3}, {5, 2}}) {
      SCOPED_TRACE(std::to_string(mode) + " " + std::to_string(w));
      CImageBuffer dst = Make(w, h, keFormatBGRA);
      ASSERT_EQ(Resample(mode, dst, src), 0);
      const Bytes out = Pixels(dst);
      for (std::size_t i = 0; i < out.size(); i += 4) {
        EXPECT_EQ(out[i + 2], 0) << "red in pixel " << i / 4;
        if (out[i + 3] != 0) {
          EXPECT_EQ(out[i], 255) << "pixel " << i / 4;
        }
      }
    }
  }
}

TEST(Resample, BicubicClampsOvershoot) {
  // A hard edge enlarged: cubic convolution rings past 0 and 255, which
  // must clamp (a wrapped value breaks the rising order).
  const CImageBuffer src = Make(6, 1, keFormatGrey, {0, 0, 0, 255, 255, 255});
  CImageBuffer dst = Make(31, 1, keFormatGrey);
  ASSERT_EQ(Resample(2, dst, src), 0);
  const Bytes out = Row(dst, 0);
  for (std::size_t i = 1; i < out.size(); ++i) EXPECT_GE(out[i], out[i - 1]) << i;
  EXPECT_EQ(out.front(), 0);
  EXPECT_EQ(out.back(), 255);
}

TEST(Resample, RectanglesOutsideTheirBuffersAreRefusedInEveryMode) {
  const CImageBuffer src = Random(20, 10, keFormatBGR, 3);
  const ImageRect badDst{0, 0, 11, 5}, goodDst{0, 0, 5, 5};
  const ResampleRect badSrc{10, 0, 21, 10}, negative{-1, 0, 10, 10}, goodSrc{0, 0, 20, 10};
  for (int mode : kModes) {
    SCOPED_TRACE(mode);
    CImageBuffer dst = Make(10, 5, keFormatBGR);
    const Bytes before = Pixels(dst);
    EXPECT_EQ(Resample(mode, dst, src, &badDst, &goodSrc), keResampleRefused);
    EXPECT_EQ(Resample(mode, dst, src, &goodDst, &badSrc), keResampleRefused);
    EXPECT_EQ(Resample(mode, dst, src, &goodDst, &negative), keResampleRefused);
    EXPECT_EQ(Pixels(dst), before);
  }
  CImageBuffer empty, dst = Make(4, 4, keFormatBGR);
  EXPECT_EQ(Resample(1, dst, empty), keResampleRefused);
}

class StopAt : public IRowProgress {
 public:
  explicit StopAt(int row) : m_row(row) {}
  void SetTotal(std::int64_t t) override { total = t; }
  int Step(std::int64_t step) override {
    ++asked;
    return step == m_row;
  }
  std::int64_t total = 0;
  int asked = 0;

 private:
  int m_row;
};

TEST(Resample, StopKeepsTheRowsWritten) {
  const CImageBuffer src = Random(40, 40, keFormatBGR, 5);
  for (int mode : {0, 1, 2, 3}) {
    SCOPED_TRACE(mode);
    CImageBuffer full = Make(17, 9, keFormatBGR), part = Make(17, 9, keFormatBGR);
    ASSERT_EQ(Resample(mode, full, src), 0);
    StopAt progress(4);
    EXPECT_EQ(Resample(mode, part, src, nullptr, nullptr, &progress), keResampleStopped);
    EXPECT_EQ(progress.total, 9);
    EXPECT_EQ(progress.asked, 5);
    for (int y = 0; y < 9; ++y) EXPECT_EQ(Row(part, y), y < 4 ? Row(full, y) : Bytes(17 * 3, 0)) << y;
  }
}

TEST(Resample, SubRectanglesMapOntoEachOther) {
  // The right half of the source into the bottom-right quarter.
  const CImageBuffer src = Make(4, 2, keFormatGrey, {1, 2, 3, 4, 5, 6, 7, 8});
  CImageBuffer dst = Make(4, 4, keFormatGrey);
  const ImageRect d{2, 2, 4, 4};
  const ResampleRect s{2, 0, 4, 2};
  ASSERT_EQ(Resample(1, dst, src, &d, &s), 0);
  EXPECT_EQ(Pixels(dst), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 4, 0, 0, 7, 8}));
}

}  // namespace

namespace {

TEST(ResampleRowSums, VectorLoopAddsLikeThePlainOne) {
  std::mt19937 rng(9);
  for (std::size_t n : {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17}, std::size_t{18000}}) {
    std::vector<std::uint8_t> row(n);
    std::vector<std::uint16_t> plain(n), vector(n);
    for (int k = 0; k < 257; ++k) {
      for (auto& v : row) v = static_cast<std::uint8_t>(rng());
      resample::AddRowPlain(plain.data(), row.data(), n);
      resample::AddRowSse2(vector.data(), row.data(), n);
    }
    ASSERT_EQ(plain, vector) << n;
  }
}

}  // namespace
