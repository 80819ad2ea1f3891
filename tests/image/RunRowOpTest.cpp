// RunRowOp over image buffers: rectangles, binding failures, stopping, and
// sub-byte rows of views.
#include "image/RunRowOp.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/ImageBuffer.h"
#include "image/RowProgress.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Stops when asked for step `stopAt`; records the steps.
class StopAt : public IRowProgress {
 public:
  explicit StopAt(int stopAt) : m_stopAt(stopAt) {}
  void SetTotal(std::int64_t total) override { total_ = total; }
  int Step(std::int64_t step) override {
    steps.push_back(step);
    return step == m_stopAt ? 1 : 0;
  }
  std::int64_t total_ = -1;
  std::vector<std::int64_t> steps;

 private:
  int m_stopAt;
};

Bytes Pixels(const CImageBuffer& buffer) {
  Bytes all;
  for (int y = 0; y < buffer.Height(); ++y) {
    CRowReader row(buffer, y);
    const int bytes = (buffer.Width() * FormatBitsPerPixel(buffer.AccessFormat()) + 7) / 8;
    all.insert(all.end(), row.Row(), row.Row() + bytes);
  }
  return all;
}

void Gradient(CImageBuffer& buffer) {
  for (int y = 0; y < buffer.Height(); ++y) {
    CRowWriter row(buffer, y);
    const int bytes = buffer.Width() * FormatBitsPerPixel(buffer.AccessFormat()) / 8;
    for (int i = 0; i < bytes; ++i) row.Row()[i] = static_cast<std::uint8_t>(y * 31 + i * 7);
  }
}

TEST(RunRowOp, ConvertsEveryRowOfTheRectangles) {
  CImageBuffer src, dst;
  src.Create(5, 4, keFormatBGRA).Code();
  Gradient(src);
  dst.Create(8, 6, keFormatBGR).Code();
  const ImageRect d{2, 1, 7, 5}, s{0, 0, 5, 4};
  StopAt progress(-1);
  ASSERT_TRUE(RunRowOp(CRowOp::Copy(), dst, &src, &d, &s, &progress));
  EXPECT_EQ(progress.total_, 4);
  EXPECT_EQ(progress.steps, (std::vector<std::int64_t>{0, 1, 2, 3}));
  for (int y = 0; y < 6; ++y) {
    CRowReader out(dst, y);
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 1 && y < 5;
      for (int c = 0; c < 3; ++c) {
        const int want = inside ? src.GetRow(y - 1)[(x - 2) * 4 + c] : 0;
        src.ReleaseRow(y - 1 < 0 ? 0 : y - 1);
        EXPECT_EQ(out.Row()[x * 3 + c], want) << x << "," << y;
      }
    }
  }
}

TEST(RunRowOp, RefusesBeforeWritingAnything) {
  CImageBuffer src, dst;
  src.Create(12, 12, keFormatBGR).Code();
  Gradient(src);
  dst.Create(10, 10, keFormatBGR).Code();
  const Bytes before = Pixels(dst);
  struct Case {
    const char* what;
    ImageRect d, s;
  };
  const Case cases[] = {
      {"10 x 10 against 10 x 11", {0, 0, 10, 10}, {0, 0, 10, 11}},
      {"destination past the bottom", {0, 5, 10, 15}, {0, 0, 10, 10}},
      {"source past the right edge", {0, 0, 10, 10}, {5, 0, 15, 10}},
      {"negative destination", {-1, 0, 9, 10}, {0, 0, 10, 10}},
      {"empty", {0, 0, 0, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(RunRowOp(CRowOp::Copy(), dst, &src, &c.d, &c.s));
    EXPECT_EQ(Pixels(dst), before);
  }
}

TEST(RunRowOp, UnbindablePairAnswersFalseAndChangesNothing) {
  CImageBuffer src, dst;
  src.Create(4, 3, keFormatBGRA).Code();
  Gradient(src);
  dst.Create(4, 3, keFormatBGR).Code();
  const Bytes before = Pixels(dst);
  EXPECT_FALSE(RunRowOp(CRowOp(keRoRowNoise), dst, &src));
  EXPECT_FALSE(RunRowOp(CRowOp::BlendLayer(5), dst, &src));
  EXPECT_EQ(Pixels(dst), before);
}

TEST(RunRowOp, StopAtRowKeepsTheRowsBefore) {
  CImageBuffer src, dst;
  src.Create(3, 6, keFormatGrey).Code();
  Gradient(src);
  dst.Create(3, 6, keFormatGrey).Code();
  StopAt progress(4);
  EXPECT_FALSE(RunRowOp(CRowOp::Copy(), dst, &src, nullptr, nullptr, &progress));
  const Bytes in = Pixels(src), out = Pixels(dst);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 12), Bytes(in.begin(), in.begin() + 12));
  EXPECT_EQ(Bytes(out.begin() + 12, out.end()), Bytes(6, 0));
}

TEST(RunRowOp, SubByteRowsOfAViewKeepTheirBitPositions) {
  // A 1-bit view starting at column 3 of its storage: the copy must land
  // on the view's pixels and leave the storage's first three alone.
  CImageBuffer whole, src;
  whole.Create(20, 2, keFormatIndex1).Code();
  src.Create(8, 2, keFormatIndex1).Code();
  for (int y = 0; y < 2; ++y) {
    CRowWriter row(src, y);
    row.Row()[0] = 0xB5;  // 1011 0101
  }
  CImageBuffer view;
  view.View(whole, 3, 0, 11, 2).Code();
  ASSERT_TRUE(RunRowOp(CRowOp::Copy(), view, &src));
  CRowReader row(whole, 1);
  // Pixels 3 to 10 hold 10110101: bytes 000 10110 | 101 00000.
  EXPECT_EQ(row.Row()[0], 0x16);
  EXPECT_EQ(row.Row()[1], 0xA0);
}

TEST(RunRowOp, ThroughAnAccessFormat) {
  // The buffers' access formats are what the kernels see.
  CImageBuffer src, dst;
  const CColorRef red(255, 0, 0);
  src.Create(4, 2, keFormatBGR, &red).Code();
  dst.Create(4, 2, keFormatGrey).Code();
  ASSERT_TRUE(src.SetAccessFormat(keFormatGrey, keAccessRead).Code() == 0);
  ASSERT_TRUE(dst.SetAccessFormat(keFormatBGRA, keAccessReadWrite).Code() == 0);
  ASSERT_TRUE(RunRowOp(CRowOp::Copy(), dst, &src));
  ASSERT_TRUE(dst.SetAccessFormat(0).Code() == 0);
  EXPECT_EQ(Pixels(dst), Bytes(8, 76));
}

}  // namespace
