#include "imagefiles/TemplateLoader.h"

#include <gtest/gtest.h>

#include <string>

#include "image/PixelFormat.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Bytes;
using picturetest::MakeBmp;

// BGR bytes of buffer pixel (x, y), y = 0 the top row.
std::uint32_t RgbOf(const CImageBuffer& buffer, int x, int y) {
  CRowReader row(buffer, y);
  const std::uint8_t* p = row.Row() + 3 * x;
  return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

TEST(TemplateLoaderTest, TopRowOfThePictureLandsInBufferRowZero) {
  TempDir dir;
  // 2 x 3, 24 bits, bottom-up: the file's first row is the picture's bottom.
  const std::string path = dir.File("rows.bmp");
  picturetest::WriteFile(path, MakeBmp(2, 3, 24, {},
                                       {0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0, 0,     // bottom: blue 1, 2
                                        0x00, 0x03, 0x00, 0x00, 0x04, 0x00, 0, 0,     // middle: green 3, 4
                                        0x00, 0x00, 0x05, 0x00, 0x00, 0x06, 0, 0}));  // top: red 5, 6
  std::string error;
  const CImageBuffer buffer = LoadTemplateBuffer(path, &error);
  ASSERT_FALSE(buffer.IsEmpty()) << error;
  EXPECT_EQ(keFormatBGR, buffer.StorageFormat());
  ASSERT_EQ(2, buffer.Width());
  ASSERT_EQ(3, buffer.Height());
  EXPECT_EQ(0x050000u, RgbOf(buffer, 0, 0));
  EXPECT_EQ(0x060000u, RgbOf(buffer, 1, 0));
  EXPECT_EQ(0x000300u, RgbOf(buffer, 0, 1));
  EXPECT_EQ(0x000001u, RgbOf(buffer, 0, 2));
  EXPECT_EQ(0x000002u, RgbOf(buffer, 1, 2));
}

TEST(TemplateLoaderTest, PalettePicturesAreReadThroughThePaletteAndAlphaIsIgnored) {
  TempDir dir;
  // 1 bit, 9 pixels wide: top row 1 0 0 0 0 0 0 0 1, bottom row all 0.
  const std::string oneBit = dir.File("MONO.BMP");  // upper case: found by detection
  picturetest::WriteFile(oneBit, MakeBmp(9, 2, 1, {0x102030, 0xC08040},
                                         {0x00, 0x00, 0, 0,     // bottom row
                                          0x80, 0x80, 0, 0}));  // top row: pixels 0 and 8 set
  CImageBuffer buffer = LoadTemplateBuffer(oneBit);
  ASSERT_FALSE(buffer.IsEmpty());
  EXPECT_EQ(0xC08040u, RgbOf(buffer, 0, 0));
  EXPECT_EQ(0x102030u, RgbOf(buffer, 1, 0));
  EXPECT_EQ(0xC08040u, RgbOf(buffer, 8, 0));
  EXPECT_EQ(0x102030u, RgbOf(buffer, 8, 1));

  // A GIF-named BMP whose 32-bit pixels are fully transparent: the colours
  // still arrive.
  Bytes bmp = MakeBmp(1, 1, 32, {}, {0x11, 0x22, 0x33, 0x00}, 3 /* bit fields */);
  // Insert the V3 bit-field masks (red, green, blue) after the info header
  // and move the pixel offset past them.
  const Bytes masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
  bmp.insert(bmp.begin() + 54, masks.begin(), masks.end());
  bmp[10] = 54 + 12;
  const std::string named = dir.File("alpha.gif");
  picturetest::WriteFile(named, bmp);
  buffer = LoadTemplateBuffer(named);
  ASSERT_FALSE(buffer.IsEmpty());
  EXPECT_EQ(0x332211u, RgbOf(buffer, 0, 0));
}

TEST(TemplateLoaderTest, UndecodableFileGivesNoBuffer) {
  TempDir dir;
  const std::string path = dir.File("readme.txt");
  picturetest::WriteFile(path, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  std::string error;
  EXPECT_TRUE(LoadTemplateBuffer(path, &error).IsEmpty());
  EXPECT_EQ("Decode: Unknown or wrong format", error);
  EXPECT_TRUE(LoadTemplateBuffer(dir.File("missing.bmp")).IsEmpty());
}

}  // namespace
