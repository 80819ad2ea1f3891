// Drawing buffers band by band and reading bitmaps back.  Natively the
// device is the memory canvas; under Wine the same tests draw with
// StretchDIBits into a DIB section, and one test compares the two.
#include "image/ScreenBitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "platform/MemoryCanvas.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Recorder : public IStretchTarget {
 public:
  void Stretch(const platform::DibInfo& i, const StretchRecord& r, std::uint32_t) override {
    records.push_back(r);
    infos.push_back(i);
  }
  std::vector<StretchRecord> records;
  std::vector<platform::DibInfo> infos;
};

// Draws into a memory canvas on every platform.
class CanvasTarget : public IStretchTarget {
 public:
  explicit CanvasTarget(platform::CMemoryCanvas& canvas) : m_canvas(canvas) {}
  void Stretch(const platform::DibInfo& i, const StretchRecord& r, std::uint32_t) override {
    m_canvas.StretchDib(r.dx, r.dy, r.dw, r.dh, r.sx, r.sy, r.sw, r.sh, r.bits, i);
  }

 private:
  platform::CMemoryCanvas& m_canvas;
};

const int kFormats[] = {keFormatIndex1, keFormatIndex4, keFormatIndex8, keFormatGrey, keFormatBGR, keFormatBGRA};

CImageBuffer RandomBuffer(int w, int h, int format, unsigned seed) {
  CImageBuffer b;
  EXPECT_EQ(b.Create(w, h, format).Code(), 0u);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    CRowWriter row(b, y);
    const int bytes = (w * FormatBitsPerPixel(format) + 7) / 8;
    for (int i = 0; i < bytes; ++i) row.Row()[i] = static_cast<std::uint8_t>(rng());
  }
  return b;
}

// The colour of buffer pixel (x, y) as B, G, R.
Bytes ColourAt(CImageBuffer& b, int x, int y) {
  CRowReader row(b, y);
  const int format = b.StorageFormat();
  const int phase = FormatBitsPerPixel(format) < 8 ? b.OriginX() : 0;
  int index = -1;
  if (format == keFormatIndex1) index = (row.Row()[(phase % 8 + x) / 8] >> (7 - (phase % 8 + x) % 8)) & 1;
  else if (format == keFormatIndex4) {
    const int k = phase % 2 + x;
    index = k % 2 ? row.Row()[k / 2] & 15 : row.Row()[k / 2] >> 4;
  } else if (format == keFormatIndex8 || format == keFormatGrey) index = row.Row()[x];
  if (index >= 0) {
    const std::uint8_t* e = b.Palette() + index * 4;
    return {e[0], e[1], e[2]};
  }
  const int size = FormatBitsPerPixel(format) / 8;
  return {row.Row()[x * size], row.Row()[x * size + 1], row.Row()[x * size + 2]};
}

Bytes CanvasPixel(platform::CDrawSurface& s, int x, int y) {
  const std::uint8_t* p = s.Row(y) + x * (s.BitsPerPixel() / 8);
  return {p[0], p[1], p[2]};
}

TEST(DrawStretched, BandsMeetWithoutGapOrOverlap) {
  for (int format : kFormats) {
    CImageBuffer b = RandomBuffer(50, 300, format, 1);
    for (double scale : {1.0, 2.0, 0.7}) {
      SCOPED_TRACE(std::string(FormatName(format)) + " scale " + std::to_string(scale));
      const int dh = static_cast<int>(300 * scale + 0.5), dw = static_cast<int>(50 * scale + 0.5);
      Recorder r;
      ASSERT_EQ(PlanStretched(b, {3, 7, 3 + dw, 7 + dh}, {0, 0, 50, 300}, platform::kSrcCopy, r).Code(), 0u);
      ASSERT_EQ(r.records.size(), 3u);
      const int rows[3] = {128, 128, 44};
      int next = 7;
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.records[k].sh, rows[k]);
        EXPECT_EQ(r.infos[k].height, rows[k]);
        EXPECT_EQ(r.infos[k].bitCount, FormatBitsPerPixel(format));
        EXPECT_EQ(r.records[k].dy, next);
        next = r.records[k].dy + r.records[k].dh;
        EXPECT_EQ(r.records[k].dx, 3);
        EXPECT_EQ(r.records[k].dw, dw);
      }
      EXPECT_EQ(next, 7 + dh);
    }
  }
}

TEST(DrawStretched, DrawsEveryPixelOfEveryFormat) {
  for (int format : kFormats) {
    CImageBuffer b = RandomBuffer(50, 300, format, 2);
    SCOPED_TRACE(FormatName(format));
    // Scale 1: the same pixels.
    platform::CDrawSurface one(60, 310);
    ASSERT_EQ(DrawStretched(b, one.Device(), 5, 4, 0, 0, 0, 0, 0, 0).Code(), 0u);
    for (int y = 0; y < 300; y += 7) {
      for (int x = 0; x < 50; ++x) ASSERT_EQ(CanvasPixel(one, 5 + x, 4 + y), ColourAt(b, x, y)) << x << "," << y;
    }
    // Scale 2: each pixel becomes a 2 x 2 block.
    platform::CDrawSurface two(100, 600);
    ASSERT_EQ(DrawStretched(b, two.Device(), 0, 0, 100, 600, 0, 0, 50, 300).Code(), 0u);
    for (int y = 0; y < 600; y += 5) {
      for (int x = 0; x < 100; ++x) ASSERT_EQ(CanvasPixel(two, x, y), ColourAt(b, x / 2, y / 2)) << x << "," << y;
    }
  }
}

TEST(DrawStretched, ShrunkDrawingCoversItsRectangleOnly) {
  CImageBuffer b = RandomBuffer(50, 300, keFormatBGR, 3);
  // Paint the surface with a marker that no drawn pixel has.
  platform::CDrawSurface s(40, 220);
  for (int y = 0; y < 220; ++y) {
    for (int x = 0; x < 40; ++x) std::copy_n(Bytes{1, 2, 3}.begin(), 3, s.Row(y) + x * 3);
  }
  CImageBuffer clean;
  ASSERT_EQ(clean.Create(50, 300, keFormatBGR).Code(), 0u);
  for (int y = 0; y < 300; ++y) {
    CRowWriter out(clean, y);
    CRowReader in(b, y);
    for (int i = 0; i < 150; ++i) out.Row()[i] = in.Row()[i] == 1 ? 0 : in.Row()[i];
  }
  ASSERT_EQ(DrawStretched(clean, s.Device(), 2, 5, 35, 210, 0, 0, 50, 300).Code(), 0u);
  for (int y = 0; y < 220; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 2 && x < 37 && y >= 5 && y < 215;
      EXPECT_EQ(CanvasPixel(s, x, y) == (Bytes{1, 2, 3}), !inside) << x << "," << y;
    }
  }
}

TEST(DrawStretched, ViewsPassTheRowStartAndOffsetTheSourceX) {
  for (int format : kFormats) {
    SCOPED_TRACE(FormatName(format));
    CImageBuffer whole = RandomBuffer(300, 300, format, 4);
    CImageBuffer view;
    ASSERT_EQ(view.View(whole, 5, 70, 205, 290).Code(), 0u);
    Recorder r;
    ASSERT_EQ(PlanStretched(view, {0, 0, 200, 220}, {0, 0, 200, 220}, platform::kSrcCopy, r).Code(), 0u);
    ASSERT_EQ(r.records.size(), 3u);
    const int bandTops[3] = {70, 128, 256};
    for (int k = 0; k < 3; ++k) {
      // The declared bitmap ends with the band's top row: it stays inside
      // the band.
      const int rowBytes = r.infos[k].width * r.infos[k].bitCount / 8;
      EXPECT_EQ(r.records[k].bits + static_cast<std::ptrdiff_t>(rowBytes) * (r.infos[k].height - 1),
                whole.PixelAddress(0, bandTops[k]));
      EXPECT_EQ(r.records[k].sx, 5);
    }
    platform::CDrawSurface s(200, 220);
    ASSERT_EQ(DrawStretched(view, s.Device(), 0, 0, 0, 0, 0, 0, 0, 0).Code(), 0u);
    for (int y = 0; y < 220; y += 3) {
      for (int x = 0; x < 200; ++x) ASSERT_EQ(CanvasPixel(s, x, y), ColourAt(view, x, y)) << x << "," << y;
    }
  }
}

TEST(DrawStretched, RefusesWhatItCannotDraw) {
  CImageBuffer b = RandomBuffer(10, 10, keFormatBGR, 5);
  platform::CDrawSurface s(10, 10);
  struct Case {
    const char* what;
    ImageRect d, src;
    std::uint32_t code;
  };
  const Case cases[] = {
      {"empty source", {0, 0, 10, 10}, {0, 0, 0, 10}, 101},
      {"empty destination", {0, 0, 0, 0}, {0, 0, 10, 10}, 101},
      {"source past the bottom", {0, 0, 10, 10}, {0, 5, 10, 15}, 101},
      {"negative source", {0, 0, 10, 10}, {-2, 0, 8, 10}, 101},
  };
  for (const Case& c : cases) EXPECT_EQ(DrawStretched(b, s.Device(), c.d, c.src).Code(), c.code) << c.what;
  for (int format : {keFormatGreyA, keFormatBGRxA, keFormatIndex8A, keFormatBGR_u16}) {
    CImageBuffer other;
    ASSERT_EQ(other.Create(4, 4, format).Code(), 0u);
    EXPECT_EQ(DrawStretched(other, s.Device(), 0, 0, 0, 0, 0, 0, 0, 0).Code(), 110u) << format;
  }
  CImageBuffer empty;
  EXPECT_EQ(DrawStretched(empty, s.Device(), 0, 0, 4, 4, 0, 0, 4, 4).Code(), 110u);
}

// Under Wine the device is a DIB section and the drawing is StretchDIBits;
// natively both sides are the canvas and the test still checks the
// planner's two routes against each other.
TEST(DrawStretched, DeviceDrawingEqualsTheMemoryCanvas) {
  for (int format : kFormats) {
    CImageBuffer whole = RandomBuffer(120, 300, format, 6);
    CImageBuffer view;
    ASSERT_EQ(view.View(whole, 3, 10, 113, 300).Code(), 0u);
    for (CImageBuffer* b : {&whole, &view}) {
      for (double scale : {1.0, 2.0, 0.7, 1.3}) {
        SCOPED_TRACE(std::string(FormatName(format)) + (b == &view ? " view" : "") + " scale " +
                     std::to_string(scale));
        const int dw = static_cast<int>(b->Width() * scale), dh = static_cast<int>(b->Height() * scale);
        platform::CDrawSurface device(dw + 4, dh + 4);
        platform::CMemoryCanvas canvas(dw + 4, dh + 4);
        const ImageRect d{2, 2, 2 + dw, 2 + dh}, src{0, 0, b->Width(), b->Height()};
        ASSERT_EQ(DrawStretched(*b, device.Device(), d, src).Code(), 0u);
        CanvasTarget target(canvas);
        ASSERT_EQ(PlanStretched(*b, d, src, platform::kSrcCopy, target).Code(), 0u);
        int differing = 0;
        for (int y = 0; y < dh + 4; ++y) {
          for (int x = 0; x < dw + 4; ++x) {
            const std::uint8_t* c = canvas.Row(y) + x * 3;
            if (CanvasPixel(device, x, y) != Bytes{c[0], c[1], c[2]}) ++differing;
          }
        }
        ASSERT_EQ(differing, 0);
      }
    }
  }
}

// ---- ImageFromBitmap ---------------------------------------------------------------

TEST(ImageFromBitmap, GivesBackThePixelsItWasGiven) {
  for (int bits : {24, 32}) {
    SCOPED_TRACE(bits);
    platform::CDrawSurface s(37, 21, bits);
    ASSERT_TRUE(s.IsValid());
    std::mt19937 rng(7);
    for (int y = 0; y < 21; ++y) {
      for (int x = 0; x < 37 * bits / 8; ++x) s.Row(y)[x] = static_cast<std::uint8_t>(rng());
    }
    s.SelectBitmap(false);
    CImageBuffer image;
    ASSERT_EQ(ImageFromBitmap(image, s.Bitmap()).Code(), 0u);
    s.SelectBitmap(true);
    ASSERT_EQ(image.StorageFormat(), keFormatBGR);
    ASSERT_EQ(image.Width(), 37);
    ASSERT_EQ(image.Height(), 21);
    for (int y = 0; y < 21; ++y) {
      CRowReader row(image, y);
      for (int x = 0; x < 37; ++x) {
        ASSERT_EQ(Bytes(row.Row() + x * 3, row.Row() + x * 3 + 3), CanvasPixel(s, x, y)) << x << "," << y;
      }
    }
  }
}

TEST(ImageFromBitmap, WithoutABitmapIsRefusedAndTheTargetKept) {
  CImageBuffer image;
  ASSERT_EQ(image.Create(3, 3, keFormatGrey).Code(), 0u);
  EXPECT_EQ(ImageFromBitmap(image, nullptr).Code(), 101u);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.StorageFormat(), keFormatGrey);
}

}  // namespace
