// Round trips against an independent encoder: ImageMagick writes a known
// picture in each format and variant, and the decoded pixels must equal the
// known ones exactly (all these formats are lossless).  The pictures are made
// at test time; without a native `convert` (the Windows builds under Wine)
// the tests are skipped.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/ImageMagick.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Bytes;

constexpr unsigned kWidth = 7;  // odd: every row needs padding
constexpr unsigned kHeight = 5;

enum Source { kColour, kFewColours, kGrey, kMono };

// The known pictures, as 0xRRGGBB from the top row.
std::uint32_t Known(Source source, unsigned x, unsigned y) {
  switch (source) {
    case kColour:
      return ((x * 36 + 10) << 16) | ((y * 50 + 20) << 8) | ((x * 30 + y * 17 + 3) & 0xFF);
    case kFewColours: {
      static const std::uint32_t kColours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x202020, 0xFFFFFF};
      return kColours[(x + 2 * y) % 6];
    }
    case kGrey: {
      const std::uint32_t v = (x * 9 + y * 47 + 5) & 0xFF;
      return v * 0x010101;
    }
    case kMono:
      return ((x + y) % 3 == 0 || x == 6) ? 0 : 0xFFFFFF;
  }
  return 0;
}

// The known picture as a binary PPM, the input ImageMagick converts.
Bytes KnownPpm(Source source) {
  Bytes b;
  picturetest::Append(&b, ("P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n").c_str());
  for (unsigned y = 0; y < kHeight; ++y) {
    for (unsigned x = 0; x < kWidth; ++x) {
      const std::uint32_t c = Known(source, x, y);
      b.push_back(static_cast<std::uint8_t>(c >> 16));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
      b.push_back(static_cast<std::uint8_t>(c));
    }
  }
  return b;
}

struct RoundTrip {
  const char* name;     // also the file name of the picture
  Source source;
  const char* options;  // ImageMagick options and output format
  int type;             // the type the file is loaded as
  unsigned bpp;         // the bits per pixel the decoded picture must have
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name << " (" << c.options << ")"; }

class PictureRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(PictureRoundTripTest, DecodesWhatImageMagickWrote) {
  if (!imagemagick::Available()) GTEST_SKIP() << "ImageMagick's convert is not available";
  const RoundTrip& c = GetParam();
  TempDir dir;
  const std::string input = dir.File("known.ppm");
  const std::string output = dir.File(c.name);
  picturetest::WriteFile(input, KnownPpm(c.source));
  const std::string command = std::string("convert '") + input + "' " + c.options + ":'" + output + "'";
  ASSERT_EQ(0, std::system(command.c_str())) << command;

  CPicture picture;
  ASSERT_TRUE(picture.Load(output, c.type)) << picture.GetLastError();
  ASSERT_EQ(kWidth, picture.GetWidth());
  ASSERT_EQ(kHeight, picture.GetHeight());
  EXPECT_EQ(c.bpp, picture.GetBpp());
  for (unsigned y = 0; y < kHeight; ++y) {
    for (unsigned x = 0; x < kWidth; ++x) {
      ASSERT_EQ(Known(c.source, x, y), picturetest::RgbAt(picture, x, y)) << "pixel " << x << ", " << y;
    }
  }
}

const RoundTrip kRoundTrips[] = {
    // BMP: Windows V3 header 24 bits, 8 and 4 bits with palette, RLE8 (whose
    // rows ImageMagick pads with a run past the row end), 1 bit, the OS/2
    // core header and the V5 header.  ImageMagick writes no RLE4: that is
    // covered by the reader's own tests.
    {"rgb24.bmp", kColour, "BMP3", keFileTypeBMP, 24},
    {"pal8.bmp", kColour, "-type Palette BMP3", keFileTypeBMP, 8},
    {"pal4.bmp", kFewColours, "-type Palette BMP3", keFileTypeBMP, 4},
    {"rle8.bmp", kColour, "-type Palette -compress RLE BMP3", keFileTypeBMP, 8},
    {"mono.bmp", kMono, "-type Bilevel BMP3", keFileTypeBMP, 1},
    {"os2.bmp", kColour, "BMP2", keFileTypeBMP, 24},
    {"v5.bmp", kColour, "BMP", keFileTypeBMP, 24},
    // GIF: plain and interlaced, many and two colours.
    {"plain.gif", kColour, "GIF", keFileTypeGIF, 8},
    {"interlaced.gif", kColour, "-interlace GIF GIF", keFileTypeGIF, 8},
    {"mono.gif", kMono, "GIF", keFileTypeGIF, 8},
    // TGA: true colour plain and RLE, colour-mapped, grey plain and RLE.
    // ImageMagick marks its rows as bottom-up unless told the orientation,
    // yet writes the top row first; with the orientation given it writes a
    // correct top-down file.
    {"rgb24.tga", kColour, "-orient TopLeft TGA", keFileTypeTGA, 24},
    {"rle24.tga", kColour, "-orient TopLeft -compress RLE TGA", keFileTypeTGA, 24},
    {"mapped.tga", kColour, "-orient TopLeft -type Palette TGA", keFileTypeTGA, 8},
    {"grey.tga", kGrey, "-orient TopLeft -type Grayscale TGA", keFileTypeTGA, 8},
    {"greyrle.tga", kGrey, "-orient TopLeft -type Grayscale -compress RLE TGA", keFileTypeTGA, 8},
    // PCX: 24 bits as three planes, 8 bits with the tail palette.
    // (ImageMagick writes two-colour PCX and Sun pictures at 24 bits, and
    // its PGX writer scrambles rows: those cases are byte arrays in the
    // readers' own tests.)
    {"rgb24.pcx", kColour, "PCX", keFileTypePCX, 24},
    {"pal8.pcx", kColour, "-type Palette PCX", keFileTypePCX, 8},
    // ICO: a small picture is stored as a DIB with its AND mask.
    {"icon.ico", kColour, "ICO", keFileTypeICO, 24},
    // WBMP.
    {"mono.wbmp", kMono, "WBMP", keFileTypeWBMP, 1},
    // PNM: binary and text forms of all three kinds, 16-bit samples.
    {"rgb.ppm", kColour, "PPM", keFileTypePNM, 24},
    {"text.ppm", kColour, "-compress none PPM", keFileTypePNM, 24},
    {"deep.ppm", kColour, "-depth 16 PPM", keFileTypePNM, 24},
    {"grey.pgm", kGrey, "PGM", keFileTypePNM, 8},
    {"text.pgm", kGrey, "-compress none PGM", keFileTypePNM, 8},
    {"deep.pgm", kGrey, "-depth 16 PGM", keFileTypePNM, 8},
    {"mono.pbm", kMono, "PBM", keFileTypePNM, 1},
    {"text.pbm", kMono, "-compress none PBM", keFileTypePNM, 1},
    // Sun raster: 24 bits, 8 bits with a colour map, run-length encoded.
    {"rgb24.ras", kColour, "SUN", keFileTypeRAS, 24},
    {"pal8.ras", kColour, "-type Palette SUN", keFileTypeRAS, 8},
    {"rle.ras", kColour, "-compress RLE SUN", keFileTypeRAS, 24},
    // PNG: palette (8, 4 and 1 bits), grey, 16-bit colour and grey, with an
    // alpha channel, interlaced.
    {"pal8.png", kColour, "PNG8", keFileTypePNG, 8},
    {"pal4.png", kFewColours, "-type Palette -define png:bit-depth=4 PNG8", keFileTypePNG, 4},
    {"pal1.png", kMono, "-type Palette -define png:bit-depth=1 -define png:color-type=3 PNG", keFileTypePNG, 1},
    {"rgb24.png", kColour, "PNG24", keFileTypePNG, 24},
    {"grey.png", kGrey, "-type Grayscale PNG", keFileTypePNG, 8},
    {"rgb48.png", kColour, "PNG48", keFileTypePNG, 24},
    {"grey16.png", kGrey, "-type Grayscale -depth 16 PNG", keFileTypePNG, 8},
    {"rgba.png", kColour, "-alpha on PNG32", keFileTypePNG, 24},
    {"interlaced.png", kColour, "-interlace PNG PNG24", keFileTypePNG, 24},
    {"interlaced_grey.png", kGrey, "-interlace PNG -type Grayscale PNG", keFileTypePNG, 8},
    // TIFF: the codecs of the Windows build (none, LZW, Deflate, PackBits),
    // palette, grey, bilevel, 16 bits, tiles, planar.  (ImageMagick writes
    // uncompressed tiles with wrong byte counts, which libtiff refuses: the
    // tiled case is compressed.)
    {"none.tif", kColour, "-compress None TIFF", keFileTypeTIFF, 24},
    {"lzw.tif", kColour, "-compress LZW TIFF", keFileTypeTIFF, 24},
    {"deflate.tif", kColour, "-compress Zip TIFF", keFileTypeTIFF, 24},
    {"packbits.tif", kColour, "-compress RLE TIFF", keFileTypeTIFF, 24},
    {"palette.tif", kColour, "-type Palette TIFF", keFileTypeTIFF, 24},
    {"grey.tif", kGrey, "-type Grayscale TIFF", keFileTypeTIFF, 8},
    {"bilevel.tif", kMono, "-type Bilevel TIFF", keFileTypeTIFF, 8},
    {"deep.tif", kColour, "-depth 16 TIFF", keFileTypeTIFF, 24},
    {"tiled.tif", kColour, "-compress LZW -define tiff:tile-geometry=16x16 TIFF", keFileTypeTIFF, 24},
    {"planar.tif", kColour, "-interlace Plane TIFF", keFileTypeTIFF, 24},
    {"bigendian.tif", kColour, "-endian MSB TIFF", keFileTypeTIFF, 24},
    // JPEG-2000, lossless: the box format and the bare code stream.
    {"rgb.jp2", kColour, "JP2", keFileTypeJP2, 24},
    {"grey.jp2", kGrey, "-type Grayscale JP2", keFileTypeJP2, 8},
    {"rgb.j2k", kColour, "J2K", keFileTypeJPC, 24},
};

std::string CaseName(const ::testing::TestParamInfo<RoundTrip>& info) {
  std::string name = info.param.name;
  for (char& ch : name) {
    if (ch == '.') ch = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, PictureRoundTripTest, ::testing::ValuesIn(kRoundTrips), CaseName);

// The same files, loaded with type 0, are found by detection.
TEST(PictureRoundTripDetectionTest, TypeZeroFindsEveryFormat) {
  if (!imagemagick::Available()) GTEST_SKIP() << "ImageMagick's convert is not available";
  TempDir dir;
  const std::string input = dir.File("known.ppm");
  picturetest::WriteFile(input, KnownPpm(kColour));
  for (const RoundTrip& c : kRoundTrips) {
    if (c.source != kColour) continue;
    SCOPED_TRACE(c.name);
    const std::string output = dir.File(c.name);
    const std::string command = std::string("convert '") + input + "' " + c.options + ":'" + output + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
    CPicture picture;
    ASSERT_TRUE(picture.Load(output, keFileTypeUnknown)) << picture.GetLastError();
    EXPECT_EQ(Known(kColour, 3, 2), picturetest::RgbAt(picture, 3, 2));
  }
}

}  // namespace
