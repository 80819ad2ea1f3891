#include "imagefiles/Picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imagefiles/FileType.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Bytes;
using picturetest::MakeBmp;

// A 3 x 2 8-bit BMP: bottom row indices 0 1 2, top row 2 1 0.
Bytes SmallBmp() {
  return MakeBmp(3, 2, 8, {0xFF0000, 0x00FF00, 0x0000FF},
                 {0, 1, 2, 0,    // bottom row, padded to 4 bytes
                  2, 1, 0, 0});  // top row
}

// ---------------------------------------------------------------------------
// The size limit

TEST(PictureTest, SizeLimitRefusesBeforeAllocating) {
  struct Case {
    std::uint64_t width, height;
    unsigned bpp;
    bool ok;
  };
  const Case cases[] = {
      {1, 1, 24, true},
      {8000, 6000, 24, true},
      // width x height x bpp / 256 just above 256,000,000.
      {65536000, 1001, 1, false},
      {2048000, 4001, 8, false},
      // Within that rule, but a DIB of more than 1 GiB.
      {20000, 20000, 24, false},
      {0x80000000ull, 1, 1, false},  // does not fit the header's signed width
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " x " + std::to_string(c.bpp));
    PictureError error;
    EXPECT_EQ(c.ok, CPicture::CheckSize(c.width, c.height, c.bpp, &error));
    if (!c.ok) {
      EXPECT_EQ("PICTURE_MAX_MEMORY exceeded", error.text);
      EXPECT_EQ(keErrOutOfMemory, error.code);
    }
  }
  // The rule's boundary itself: 256,000,000 x 256 bits is allowed, one more
  // pixel of 1 bit is not (checked without creating anything).
  PictureError error;
  EXPECT_FALSE(CPicture::CheckSize(65536000256ull / 2 + 1, 2, 1, &error));
  EXPECT_EQ("PICTURE_MAX_MEMORY exceeded", error.text);

  CPicture picture;
  EXPECT_FALSE(picture.Create(100000, 100000, 24, &error));
  EXPECT_EQ("PICTURE_MAX_MEMORY exceeded", error.text);
  EXPECT_EQ(0u, picture.GetWidth());
  EXPECT_EQ(nullptr, picture.GetDIB());
}

// ---------------------------------------------------------------------------
// Layout and pixel access

TEST(PictureTest, HoldsAPackedBottomUpDib) {
  CPicture picture;
  PictureError error;
  ASSERT_TRUE(picture.Create(5, 3, 4, &error)) << error.text;
  EXPECT_EQ(4u, picture.GetEffWidth());  // 5 pixels of 4 bits = 3 bytes, padded to 4
  EXPECT_EQ(16u, picture.GetNumColors());
  PictureDibHeader header;
  std::memcpy(&header, picture.GetDIB(), sizeof header);
  EXPECT_EQ(40u, header.biSize);
  EXPECT_EQ(5, header.biWidth);
  EXPECT_EQ(3, header.biHeight);
  EXPECT_EQ(4, header.biBitCount);
  EXPECT_EQ(16u, header.biClrUsed);
  EXPECT_EQ(40u + 16 * 4 + 3 * 4, picture.GetDIBSize());
  EXPECT_EQ(picture.GetDIB() + 40 + 64, picture.GetBits());
  EXPECT_EQ(picture.GetBits() + 8, picture.GetBits(2));
  EXPECT_EQ(nullptr, picture.GetBits(3));
}

TEST(PictureTest, PixelColoursComeThroughThePaletteWithRowZeroAtTheBottom) {
  PictureError error;
  for (unsigned bpp : {1u, 4u, 8u}) {
    SCOPED_TRACE(bpp);
    CPicture picture;
    ASSERT_TRUE(picture.Create(9, 2, bpp, &error));
    picture.SetPaletteColor(0, 10, 20, 30);
    picture.SetPaletteColor(1, 200, 100, 50);
    // Bottom row: pixel 8 has index 1 (the last pixel of a second byte for
    // 1 bit, a low nibble for 4 bits); top row: all index 0.
    std::uint8_t* bottom = picture.GetBits(0);
    if (bpp == 1) bottom[1] = 0x80;
    if (bpp == 4) bottom[4] = 0x10;
    if (bpp == 8) bottom[8] = 1;
    const PictureRgbQuad c = picture.GetPixelColor(8, 0, false);
    EXPECT_EQ(200, c.rgbRed);
    EXPECT_EQ(100, c.rgbGreen);
    EXPECT_EQ(50, c.rgbBlue);
    EXPECT_EQ(0, c.rgbReserved);
    EXPECT_EQ(1, picture.GetPixelIndex(8, 0));
    EXPECT_EQ(0, picture.GetPixelIndex(7, 0));
    EXPECT_EQ(10, picture.GetPixelColor(8, 1, false).rgbRed);
    EXPECT_EQ(255, picture.GetPixelColor(8, 1, true).rgbReserved);  // no alpha plane: opaque
  }
}

TEST(PictureTest, AlphaPlaneAndOutsidePixels) {
  CPicture picture;
  PictureError error;
  ASSERT_TRUE(picture.Create(2, 2, 24, &error));
  picture.GetBits(1)[3] = 7;  // blue of pixel (1, 1)
  ASSERT_TRUE(picture.AlphaCreate(&error));
  EXPECT_TRUE(picture.AlphaIsValid());
  *picture.AlphaGetPointer(1, 1) = 99;
  EXPECT_EQ(picture.AlphaGetPointer() + 3, picture.AlphaGetPointer(1, 1));
  const PictureRgbQuad c = picture.GetPixelColor(1, 1, true);
  EXPECT_EQ(7, c.rgbBlue);
  EXPECT_EQ(99, c.rgbReserved);
  EXPECT_EQ(0, picture.GetPixelColor(1, 1, false).rgbReserved);
  EXPECT_EQ(255, picture.GetPixelColor(0, 0, true).rgbReserved);
  for (long xy : {-1L, 2L}) {
    const PictureRgbQuad outside = picture.GetPixelColor(xy, 0, true);
    EXPECT_EQ(0, outside.rgbBlue | outside.rgbGreen | outside.rgbRed | outside.rgbReserved);
    EXPECT_EQ(nullptr, picture.AlphaGetPointer(0, xy));
  }
}

TEST(PictureTest, TransferMovesEverythingAndDestroyEmpties) {
  CPicture source;
  ASSERT_TRUE(source.Decode(SmallBmp().data(), SmallBmp().size(), keFileTypeBMP)) << source.GetLastError();
  const std::uint8_t* dib = source.GetDIB();
  CPicture target;
  target.Transfer(source);
  EXPECT_EQ(dib, target.GetDIB());
  EXPECT_EQ(3u, target.GetWidth());
  EXPECT_EQ(8u, target.GetBpp());
  EXPECT_EQ(0u, source.GetWidth());
  EXPECT_EQ(nullptr, source.GetDIB());
  target.Destroy();
  EXPECT_EQ(0u, target.GetWidth());
  EXPECT_EQ(0u, target.GetHeight());
  EXPECT_FALSE(target.IsValid());
}

// ---------------------------------------------------------------------------
// Loading

TEST(PictureTest, LoadFallsBackToDetectionWhenTheTypeIsWrong) {
  TempDir dir;
  const std::string path = dir.File("really-a-bmp.gif");
  picturetest::WriteFile(path, SmallBmp());
  CPicture picture;
  ASSERT_TRUE(picture.Load(path, TypeFromExtension(ExtensionOf(path)))) << picture.GetLastError();
  EXPECT_EQ(3u, picture.GetWidth());
  EXPECT_EQ(0x0000FFu, picturetest::RgbAt(picture, 0, 0));  // top row starts with index 2
  EXPECT_EQ(0xFF0000u, picturetest::RgbAt(picture, 0, 1));
}

TEST(PictureTest, UpperCaseExtensionIsTypeZeroAndStillDecodes) {
  TempDir dir;
  const std::string path = dir.File("PHOTO.BMP");
  picturetest::WriteFile(path, SmallBmp());
  ASSERT_EQ(keFileTypeUnknown, TypeFromExtension(ExtensionOf(path)));
  CPicture picture;
  EXPECT_TRUE(picture.Load(path, TypeFromExtension(ExtensionOf(path)))) << picture.GetLastError();
  EXPECT_EQ(2u, picture.GetHeight());
}

TEST(PictureTest, FailuresLeaveAnEmptyPictureAndSayWhy) {
  TempDir dir;
  const std::string garbage = dir.File("notes.gif");
  picturetest::WriteFile(garbage, Bytes{'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
  CPicture picture;
  picture.SetFrame(0);

  // Nothing decodes it: with type 0 the detection's text ...
  EXPECT_FALSE(picture.Load(garbage, keFileTypeUnknown));
  EXPECT_EQ("Decode: Unknown or wrong format", picture.GetLastError());
  EXPECT_EQ(keErrNoData, picture.GetLastErrorCode());
  // ... with a type, the text of the typed attempt.
  EXPECT_FALSE(picture.Load(garbage, keFileTypeGIF));
  EXPECT_EQ("GIF: not a GIF file", picture.GetLastError());
  EXPECT_EQ(keErrNoData, picture.GetLastErrorCode());
  EXPECT_EQ(0u, picture.GetWidth());
  EXPECT_EQ(0u, picture.GetHeight());

  // A missing file, an empty file.
  EXPECT_FALSE(picture.Load(dir.File("missing.bmp"), keFileTypeBMP));
  EXPECT_EQ("Load: cannot open the file", picture.GetLastError());
  EXPECT_EQ(keErrFileOpenRead, picture.GetLastErrorCode());
  EXPECT_FALSE(picture.Load("", keFileTypeBMP));
  EXPECT_EQ("Load: no file name", picture.GetLastError());
  EXPECT_EQ(keErrBadArgument, picture.GetLastErrorCode());
  const std::string empty = dir.File("empty.bmp");
  picturetest::WriteFile(empty, Bytes{});
  EXPECT_FALSE(picture.Load(empty, keFileTypeBMP));
  EXPECT_FALSE(picture.GetLastError().empty());

  // A failed load after a good one empties the picture.
  const std::string good = dir.File("good.bmp");
  picturetest::WriteFile(good, SmallBmp());
  ASSERT_TRUE(picture.Load(good, keFileTypeBMP));
  EXPECT_EQ("", picture.GetLastError());
  EXPECT_EQ(keErrNone, picture.GetLastErrorCode());
  EXPECT_FALSE(picture.Load(garbage, keFileTypeBMP));
  EXPECT_EQ(0u, picture.GetWidth());
  EXPECT_EQ(nullptr, picture.GetDIB());
}

TEST(PictureTest, DecodeFromMemoryTakesNoFallback) {
  const Bytes bmp = SmallBmp();
  CPicture picture;
  EXPECT_FALSE(picture.Decode(bmp.data(), bmp.size(), keFileTypeGIF));
  EXPECT_EQ("GIF: not a GIF file", picture.GetLastError());
  EXPECT_TRUE(picture.Decode(bmp.data(), bmp.size(), keFileTypeUnknown));
  EXPECT_FALSE(picture.Decode(nullptr, 0, keFileTypeUnknown));
  EXPECT_EQ("Decode: Unknown or wrong format", picture.GetLastError());
}

}  // namespace
