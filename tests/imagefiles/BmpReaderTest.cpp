// The BMP reader on tiny hand-made files: the variants ImageMagick does not
// write (RLE4, bit fields, top-down rows, OS/2 core header, packed DIBs).

#include <gtest/gtest.h>

#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"

namespace {

using picturetest::AllRgb;
using picturetest::Bytes;
using picturetest::Le16;
using picturetest::Le32;
using picturetest::MakeBmp;

CPicture Decoded(const Bytes& bytes) {
  CPicture picture;
  EXPECT_TRUE(picture.Decode(bytes.data(), bytes.size(), keFileTypeBMP)) << picture.GetLastError();
  return picture;
}

TEST(BmpReaderTest, Rle4WithLiteralRunDeltaAndEndOfLine) {
  // 5 x 2, colours 0 black, 1 red, 2 green, 3 blue.
  const Bytes rle = {
      0x05, 0x12,              // bottom row: run of 5 alternating 1, 2
      0x00, 0x00,              // end of line
      0x00, 0x03, 0x31, 0x20,  // top row: literal 3, 1, 2 (two bytes, even already)
      0x00, 0x02, 0x01, 0x00,  // delta: one pixel right (pixel 3 stays 0)
      0x01, 0x30,              // run of 1 pixel of 3
      0x00, 0x01,              // end of bitmap
  };
  CPicture p = Decoded(MakeBmp(5, 2, 4, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, rle, 2));
  EXPECT_EQ(4u, p.GetBpp());
  EXPECT_EQ((std::vector<std::uint32_t>{0x0000FF, 0xFF0000, 0x00FF00, 0x000000, 0x0000FF,    // top
                                        0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0xFF0000}),  // bottom
            AllRgb(p));
}

TEST(BmpReaderTest, Rle8RunsPastTheRowAreClipped) {
  // 2 x 1: a run of 4 (two pixels too many, as some writers pad rows).
  CPicture p = Decoded(MakeBmp(2, 1, 8, {0, 0xABCDEF}, {0x04, 0x01, 0x00, 0x00, 0x00, 0x01}, 1));
  EXPECT_EQ((std::vector<std::uint32_t>{0xABCDEF, 0xABCDEF}), AllRgb(p));
}

TEST(BmpReaderTest, TopDownRowsAndIndicesPastTheColourTable) {
  // 2 x 2, 8 bits, top-down (negative height), a table of 2 colours; index
  // 9 is past the table and reads as black.
  CPicture p = Decoded(MakeBmp(2, -2, 8, {0x112233, 0x445566}, {0, 1, 0, 0,     // top row
                                                               9, 0, 0, 0}));  // bottom row
  EXPECT_EQ((std::vector<std::uint32_t>{0x112233, 0x445566, 0x000000, 0x112233}), AllRgb(p));
}

TEST(BmpReaderTest, BitFields16And32WithAlpha) {
  // 16 bits, 5-6-5 masks in a V3 header (masks after the header).
  Bytes b565 = MakeBmp(2, 1, 16, {}, {0x00, 0xF8, 0xE0, 0x07}, 3);  // pure red, pure green
  const Bytes masks565 = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
  b565.insert(b565.begin() + 54, masks565.begin(), masks565.end());
  b565[10] = 54 + 12;
  CPicture p = Decoded(b565);
  EXPECT_EQ(24u, p.GetBpp());
  EXPECT_EQ((std::vector<std::uint32_t>{0xFF0000, 0x00FF00}), AllRgb(p));
  EXPECT_FALSE(p.AlphaIsValid());

  // 32 bits with alpha bit fields (BI_ALPHABITFIELDS, four masks).
  Bytes b32 = MakeBmp(2, 1, 32, {}, {0x30, 0x20, 0x10, 0x80, 0x01, 0x02, 0x03, 0xFF}, 6);
  const Bytes masks32 = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};
  b32.insert(b32.begin() + 54, masks32.begin(), masks32.end());
  b32[10] = 54 + 16;
  p = Decoded(b32);
  EXPECT_EQ((std::vector<std::uint32_t>{0x102030, 0x030201}), AllRgb(p));
  ASSERT_TRUE(p.AlphaIsValid());
  EXPECT_EQ(0x80u, picturetest::AlphaAt(p, 0, 0));
  EXPECT_EQ(0xFFu, picturetest::AlphaAt(p, 1, 0));
}

TEST(BmpReaderTest, Os2CoreHeaderAndPackedDib) {
  // OS/2 1.x: 12-byte header, 3-byte colour table entries.
  Bytes os2 = {'B', 'M'};
  Le32(&os2, 14 + 12 + 6 + 4);  // file size
  Le32(&os2, 0);                // reserved
  Le32(&os2, 14 + 12 + 6);      // pixel offset
  Le32(&os2, 12);               // bcSize
  Le16(&os2, 3);                // bcWidth
  Le16(&os2, 1);                // bcHeight
  Le16(&os2, 1);                // bcPlanes
  Le16(&os2, 1);                // bcBitCount
  picturetest::Append(&os2, Bytes{0x10, 0x20, 0x30, 0xF0, 0xE0, 0xD0});  // B, G, R x 2
  picturetest::Append(&os2, Bytes{0xA0, 0, 0, 0});                       // 1 0 1
  CPicture p = Decoded(os2);
  EXPECT_EQ((std::vector<std::uint32_t>{0xD0E0F0, 0x302010, 0xD0E0F0}), AllRgb(p));

  // A packed DIB (clipboard, .dib): the BMP without its 14-byte file header.
  const Bytes bmp = MakeBmp(1, 1, 24, {}, {0x01, 0x02, 0x03, 0});
  const Bytes dib(bmp.begin() + 14, bmp.end());
  p = Decoded(dib);
  EXPECT_EQ((std::vector<std::uint32_t>{0x030201}), AllRgb(p));
}

}  // namespace
