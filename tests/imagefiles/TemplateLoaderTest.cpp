#include "imagefiles/TemplateLoader.h"

#include <gtest/gtest.h>

#include <string>

#include "image/PixelFormat.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/LibraryTestSupport.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/ImageMagick.h"
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

// The buffer holds exactly the picture's colours as CPicture decodes them,
// whichever way the loader takes: JPEG files go straight into the buffer,
// a JPEG under another type's name goes through detection.
void ExpectSameAsPicture(const std::string& path) {
  SCOPED_TRACE(path);
  std::string error;
  const CImageBuffer buffer = LoadTemplateBuffer(path, &error);
  ASSERT_FALSE(buffer.IsEmpty()) << error;
  CPicture picture;
  ASSERT_TRUE(picture.Load(path, 0)) << picture.GetLastError();
  ASSERT_EQ(static_cast<int>(picture.GetWidth()), buffer.Width());
  ASSERT_EQ(static_cast<int>(picture.GetHeight()), buffer.Height());
  for (int y = 0; y < buffer.Height(); ++y) {
    for (int x = 0; x < buffer.Width(); ++x) {
      const PictureRgbQuad c = picture.GetPixelColor(x, static_cast<long>(picture.GetHeight()) - 1 - y, false);
      ASSERT_EQ((std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue, RgbOf(buffer, x, y))
          << x << "," << y;
    }
  }
}

TEST(TemplateLoaderTest, JpegFilesGiveThePicturesColours) {
  TempDir dir;
  // 37 rows: the decoder hands rows over a few at a time, and the last
  // group is short.
  const CImageBuffer picture = SourcePicture(29, 37);
  const picturetest::Bytes jpeg = picturetest::WrittenBy(picture, PictureFormat::kJpeg, "colour.jpg", 90);
  ASSERT_FALSE(jpeg.empty());
  for (const char* name : {"colour.jpg", "colour.JPEG", "colour-named.png", "no-extension"}) {
    picturetest::WriteFile(dir.File(name), jpeg);
    ExpectSameAsPicture(dir.File(name));
  }
  if (!imagemagick::Available()) GTEST_SKIP() << "ImageMagick's convert makes the grey and CMYK files";
  picturetest::WriteFile(dir.File("source.bmp"), picturetest::WrittenBy(picture, PictureFormat::kBmp, "s.bmp"));
  const std::string source = dir.File("source.bmp");
  ASSERT_EQ(0, std::system(("convert " + source + " -colorspace Gray " + dir.File("grey.jpg")).c_str()));
  ASSERT_EQ(0, std::system(("convert " + source + " -colorspace CMYK " + dir.File("cmyk.jpg")).c_str()));
  ASSERT_EQ(0, std::system(("convert " + source + " -interlace JPEG " + dir.File("progressive.jpg")).c_str()));
  for (const char* name : {"grey.jpg", "cmyk.jpg", "progressive.jpg"}) ExpectSameAsPicture(dir.File(name));
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
