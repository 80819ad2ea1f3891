// The ICO, TGA, PCX, WBMP, PNM, PGX and Sun raster readers on tiny hand-made
// files: the variants ImageMagick does not write, or writes wrongly.

#include <gtest/gtest.h>

#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"

namespace {

using picturetest::AllRgb;
using picturetest::Append;
using picturetest::Be32;
using picturetest::Bytes;
using picturetest::Le16;
using picturetest::Le32;
using Rgbs = std::vector<std::uint32_t>;

CPicture Decoded(const Bytes& bytes, int type) {
  CPicture picture;
  EXPECT_TRUE(picture.Decode(bytes.data(), bytes.size(), type)) << picture.GetLastError();
  return picture;
}

// ---------------------------------------------------------------------------
// ICO

// An icon DIB of `size` x `size` at 24 bits, every pixel `bgr`, with an AND
// mask whose first row (the bottom) has its first pixel transparent.
Bytes IconDib(unsigned size, std::uint8_t blue) {
  Bytes b;
  Le32(&b, 40);
  Le32(&b, size);
  Le32(&b, size * 2);  // colour bitmap and mask
  Le16(&b, 1);
  Le16(&b, 24);
  b.resize(40, 0);
  const unsigned stride = (size * 3 + 3) / 4 * 4;
  for (unsigned y = 0; y < size; ++y) {
    for (unsigned x = 0; x < stride; ++x) b.push_back(x < size * 3 && x % 3 == 0 ? blue : 0);
  }
  for (unsigned y = 0; y < size; ++y) Append(&b, Bytes{static_cast<std::uint8_t>(y == 0 ? 0x80 : 0), 0, 0, 0});
  return b;
}

TEST(IcoReaderTest, TakesTheLargestEntryWithItsMaskAsAlpha) {
  const Bytes small = IconDib(2, 0x11);
  const Bytes large = IconDib(3, 0x22);
  Bytes ico = {0, 0, 1, 0, 2, 0};  // reserved, icon, two entries
  const std::uint32_t first = 6 + 32;
  for (int i = 0; i < 2; ++i) {
    const Bytes& e = i == 0 ? small : large;
    ico.push_back(i == 0 ? 2 : 3);  // width
    ico.push_back(i == 0 ? 2 : 3);  // height
    Append(&ico, Bytes{0, 0});      // colours, reserved
    Le16(&ico, 1);                  // planes
    Le16(&ico, 24);                 // bits
    Le32(&ico, static_cast<std::uint32_t>(e.size()));
    Le32(&ico, i == 0 ? first : first + static_cast<std::uint32_t>(small.size()));
  }
  Append(&ico, small);
  Append(&ico, large);
  CPicture p = Decoded(ico, keFileTypeICO);
  ASSERT_EQ(3u, p.GetWidth());
  ASSERT_EQ(3u, p.GetHeight());
  EXPECT_EQ(0x000022u, picturetest::RgbAt(p, 1, 1));
  ASSERT_TRUE(p.AlphaIsValid());
  EXPECT_EQ(0u, picturetest::AlphaAt(p, 0, 2));  // bottom-left: masked
  EXPECT_EQ(255u, picturetest::AlphaAt(p, 1, 2));
  EXPECT_EQ(255u, picturetest::AlphaAt(p, 0, 0));
}

// ---------------------------------------------------------------------------
// TGA

Bytes Tga(unsigned imageType, unsigned depth, unsigned descriptor, unsigned width, unsigned height,
          const Bytes& pixels, const Bytes& colourMap = {}, unsigned mapFirst = 0) {
  Bytes b = {0, static_cast<std::uint8_t>(colourMap.empty() ? 0 : 1), static_cast<std::uint8_t>(imageType)};
  Le16(&b, mapFirst);                                               // first map entry
  Le16(&b, static_cast<unsigned>(colourMap.size() / 3));           // map length
  b.push_back(colourMap.empty() ? 0 : 24);                          // map entry size
  Le16(&b, 0);                                                      // x origin
  Le16(&b, 0);                                                      // y origin
  Le16(&b, width);
  Le16(&b, height);
  b.push_back(static_cast<std::uint8_t>(depth));
  b.push_back(static_cast<std::uint8_t>(descriptor));
  Append(&b, colourMap);
  Append(&b, pixels);
  return b;
}

TEST(TgaReaderTest, AllFourOriginsPlaceTheFirstStoredPixel) {
  // 2 x 2 grey, stored 10, 20, 30, 40.
  const Bytes stored = {10, 20, 30, 40};
  struct Case {
    unsigned descriptor;
    Rgbs topDown;
  } cases[] = {
      {0x00, {0x1E1E1E, 0x282828, 0x0A0A0A, 0x141414}},  // bottom-left
      {0x20, {0x0A0A0A, 0x141414, 0x1E1E1E, 0x282828}},  // top-left
      {0x10, {0x282828, 0x1E1E1E, 0x141414, 0x0A0A0A}},  // bottom-right
      {0x30, {0x141414, 0x0A0A0A, 0x282828, 0x1E1E1E}},  // top-right
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.descriptor);
    EXPECT_EQ(c.topDown, AllRgb(Decoded(Tga(3, 8, c.descriptor, 2, 2, stored), keFileTypeTGA)));
  }
}

TEST(TgaReaderTest, ColourMapOffset16BitAnd32BitAlpha) {
  // Colour map starting at entry 5: index 5 is red, 6 blue; index 0 is
  // outside the map and black.
  CPicture p = Decoded(Tga(1, 8, 0x20, 3, 1, {5, 6, 0}, {0, 0, 255, 255, 0, 0}, 5), keFileTypeTGA);
  EXPECT_EQ((Rgbs{0xFF0000, 0x0000FF, 0x000000}), AllRgb(p));
  // 16 bits: x RRRRR GGGGG BBBBB.
  p = Decoded(Tga(2, 16, 0x20, 2, 1, {0x00, 0x7C, 0x1F, 0x00}), keFileTypeTGA);
  EXPECT_EQ((Rgbs{0xFF0000, 0x0000FF}), AllRgb(p));
  // 32 bits, RLE: one run of two pixels B, G, R, A.
  p = Decoded(Tga(10, 32, 0x28, 2, 1, {0x81, 1, 2, 3, 0x40}), keFileTypeTGA);
  EXPECT_EQ((Rgbs{0x030201, 0x030201}), AllRgb(p));
  ASSERT_TRUE(p.AlphaIsValid());
  EXPECT_EQ(0x40u, picturetest::AlphaAt(p, 1, 0));
}

// ---------------------------------------------------------------------------
// PCX

Bytes Pcx(unsigned bits, unsigned planes, unsigned width, unsigned height, unsigned bytesPerLine,
          const Bytes& egaPalette, const Bytes& data) {
  Bytes b = {0x0A, 5, 1, static_cast<std::uint8_t>(bits)};
  Le16(&b, 0);           // xMin
  Le16(&b, 0);           // yMin
  Le16(&b, width - 1);   // xMax
  Le16(&b, height - 1);  // yMax
  Le16(&b, 72);          // resolution
  Le16(&b, 72);
  Append(&b, egaPalette);
  b.resize(65, 0);
  b.push_back(static_cast<std::uint8_t>(planes));
  Le16(&b, bytesPerLine);
  b.resize(128, 0);
  Append(&b, data);
  return b;
}

TEST(PcxReaderTest, BitPlanesAndRunsAcrossScanLines) {
  // 16 colours as four bit planes: a pixel's index has bit k from plane k.
  Bytes ega(48, 0);
  for (unsigned i = 0; i < 16; ++i) ega[3 * i] = static_cast<std::uint8_t>(i * 16);  // red = 16 x index
  // 2 x 1: pixel 0 index 5 (planes 0 and 2), pixel 1 index 10 (planes 1, 3).
  CPicture p = Decoded(Pcx(1, 4, 2, 1, 2, ega, {0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0}), keFileTypePCX);
  EXPECT_EQ(4u, p.GetBpp());
  EXPECT_EQ((Rgbs{0x500000, 0xA00000}), AllRgb(p));

  // 8 bits, 2 x 2, one run of 4 covering both lines, the 256-colour palette.
  Bytes data = {0xC4, 7};
  data.push_back(0x0C);
  Bytes palette(768, 0);
  palette[3 * 7 + 1] = 0x99;  // entry 7: green 0x99
  Append(&data, palette);
  p = Decoded(Pcx(8, 1, 2, 2, 2, {}, data), keFileTypePCX);
  EXPECT_EQ((Rgbs{0x009900, 0x009900, 0x009900, 0x009900}), AllRgb(p));

  // 1 bit, one plane, no header palette: black and white.
  p = Decoded(Pcx(1, 1, 3, 1, 2, {}, {0xA0, 0}), keFileTypePCX);
  EXPECT_EQ((Rgbs{0xFFFFFF, 0x000000, 0xFFFFFF}), AllRgb(p));
}

// ---------------------------------------------------------------------------
// WBMP, PNM, PGX, Sun raster

TEST(WbmpReaderTest, MultiByteWidthAndWhiteBits) {
  // Width 130 = 0x81 0x02, height 1, 17 bytes of bits: pixel 0 and 129 white.
  Bytes b = {0, 0, 0x81, 0x02, 1};
  Bytes row(17, 0);
  row[0] = 0x80;
  row[16] = 0x40;
  Append(&b, row);
  CPicture p = Decoded(b, keFileTypeWBMP);
  ASSERT_EQ(130u, p.GetWidth());
  EXPECT_EQ(0xFFFFFFu, picturetest::RgbAt(p, 0, 0));
  EXPECT_EQ(0x000000u, picturetest::RgbAt(p, 1, 0));
  EXPECT_EQ(0xFFFFFFu, picturetest::RgbAt(p, 129, 0));
}

TEST(PnmReaderTest, CommentsSmallAndLargeMaxima) {
  Bytes b;
  Append(&b, "P3 # colour\n2 1 # size\n3\n3 0 0  1 2 3\n");  // maximum 3: 1 -> 85, 2 -> 170
  EXPECT_EQ((Rgbs{0xFF0000, 0x55AAFF}), AllRgb(Decoded(b, keFileTypePNM)));
  b.clear();
  Append(&b, "P5\n2 1\n65535\n");
  Append(&b, Bytes{0xFF, 0xFF, 0x80, 0x00});  // 65535 and 32768, big-endian
  EXPECT_EQ((Rgbs{0xFFFFFF, 0x808080}), AllRgb(Decoded(b, keFileTypePNM)));
  b.clear();
  Append(&b, "P1\n3 1\n101\n");  // digits need no separator; 1 is black
  EXPECT_EQ((Rgbs{0x000000, 0xFFFFFF, 0x000000}), AllRgb(Decoded(b, keFileTypePNM)));
}

TEST(PgxReaderTest, ByteOrderAndSignedSamples) {
  Bytes b;
  Append(&b, "PG LM +12 2 1\n");
  Append(&b, Bytes{0xFF, 0x0F, 0x00, 0x00});  // 4095 and 0, least significant byte first
  EXPECT_EQ((Rgbs{0xFFFFFF, 0x000000}), AllRgb(Decoded(b, keFileTypePGX)));
  b.clear();
  Append(&b, "PG ML - 8 3 1\n");
  Append(&b, Bytes{0x80, 0x00, 0x7F});  // -128, 0, 127
  EXPECT_EQ((Rgbs{0x000000, 0x808080, 0xFFFFFF}), AllRgb(Decoded(b, keFileTypePGX)));
}

TEST(RasReaderTest, OneBitAnd32BitsAndTheRunEscape) {
  auto header = [](std::uint32_t width, std::uint32_t depth, std::uint32_t type) {
    Bytes b;
    Be32(&b, 0x59A66A95);
    Be32(&b, width);
    Be32(&b, 1);  // height
    Be32(&b, depth);
    Be32(&b, 0);  // length
    Be32(&b, type);
    Be32(&b, 0);  // no colour map
    Be32(&b, 0);
    return b;
  };
  Bytes b = header(3, 1, 1);
  Append(&b, Bytes{0xA0, 0});  // rows padded to 16 bits; a set bit is black
  EXPECT_EQ((Rgbs{0x000000, 0xFFFFFF, 0x000000}), AllRgb(Decoded(b, keFileTypeRAS)));
  b = header(2, 32, 1);
  Append(&b, Bytes{0, 1, 2, 3, 0, 4, 5, 6});  // pad, B, G, R
  EXPECT_EQ((Rgbs{0x030201, 0x060504}), AllRgb(Decoded(b, keFileTypeRAS)));
  b = header(4, 8, 2);
  Append(&b, Bytes{0x80, 0x00, 0x80, 0x02, 0x10});  // a literal 0x80, then 3 x 0x10
  EXPECT_EQ((Rgbs{0x808080, 0x101010, 0x101010, 0x101010}), AllRgb(Decoded(b, keFileTypeRAS)));
}

}  // namespace
