// The library-backed decoders (JPEG, PNG, TIFF, JPEG-2000) beyond the exact
// round trips of PictureRoundTripTest: PNG colour types, depths and
// transparency from hand-made files; files whose name lies about their
// type; ICO entries holding PNG data; and lossy or transparent files from
// ImageMagick, compared with ImageMagick's own decode of the same file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/TemplateLoader.h"
#include "tests/imagefiles/LibraryTestSupport.h"
#include "tests/support/ImageMagick.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Append;
using picturetest::Be32;
using picturetest::Bytes;
using picturetest::MakePng;

// ---- PNG colour types and transparency --------------------------------------------------

struct PngCase {
  const char* name;
  Bytes png;                            // a 2 x 1 picture
  unsigned bpp;
  std::vector<std::uint32_t> rgb;       // 0xRRGGBB of both pixels
  std::vector<unsigned> alpha;          // empty: no alpha plane
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

Bytes Plte(std::initializer_list<std::uint32_t> colours) {
  Bytes b;
  for (std::uint32_t c : colours) {
    b.push_back(static_cast<std::uint8_t>(c >> 16));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
    b.push_back(static_cast<std::uint8_t>(c));
  }
  return b;
}

std::vector<PngCase> PngCases() {
  return {
      // Rows start with filter type 0.
      {"rgba_8", MakePng(2, 1, 8, 6, {0, 10, 20, 30, 40, 50, 60, 70, 255}), 24, {0x0A141E, 0x323C46}, {40, 255}},
      {"grey_alpha_8", MakePng(2, 1, 8, 4, {0, 100, 7, 200, 250}), 8, {0x646464, 0xC8C8C8}, {7, 250}},
      {"rgba_16", MakePng(2, 1, 16, 6, {0, 0x12, 0x34, 0xFF, 0xFF, 0, 0, 0x80, 0x80, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}),
       24, {0x12FF00, 0x000000}, {128, 255}},
      {"grey_1", MakePng(2, 1, 1, 0, {0, 0x80}), 1, {0xFFFFFF, 0x000000}, {}},
      {"grey_4", MakePng(2, 1, 4, 0, {0, 0xF5}), 8, {0xFFFFFF, 0x555555}, {}},
      {"grey_16", MakePng(2, 1, 16, 0, {0, 0x80, 0x80, 0x12, 0x34}), 8, {0x808080, 0x121212}, {}},
      {"palette_2_bits_widened_to_4", MakePng(2, 1, 2, 3, {0, 0xD0}, {{"PLTE", Plte({0x000000, 0x00FF00, 0x0000FF, 0xFF0000})}}),
       4, {0xFF0000, 0x00FF00}, {}},
      {"palette_with_trns", MakePng(2, 1, 8, 3, {0, 0, 2}, {{"PLTE", Plte({0xFF0000, 0x00FF00, 0x0000FF})}, {"tRNS", {0, 128}}}),
       8, {0xFF0000, 0x0000FF}, {0, 255}},
      {"palette_index_past_the_palette", MakePng(2, 1, 8, 3, {0, 1, 200}, {{"PLTE", Plte({0, 0x123456})}}), 8,
       {0x123456, 0x000000}, {}},
      {"grey_with_trns", MakePng(2, 1, 8, 0, {0, 0x50, 0x60}, {{"tRNS", {0, 0x50}}}), 8, {0x505050, 0x606060}, {0, 255}},
      {"rgb_with_trns", MakePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}, {{"tRNS", {0, 1, 0, 2, 0, 3}}}), 24,
       {0x010203, 0x040506}, {0, 255}},
  };
}

class PngDecodeTest : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngDecodeTest, ColoursBitsAndAlpha) {
  const PngCase& c = GetParam();
  CPicture picture;
  ASSERT_TRUE(picture.Decode(c.png.data(), c.png.size(), keFileTypePNG)) << picture.GetLastError();
  ASSERT_EQ(2u, picture.GetWidth());
  ASSERT_EQ(1u, picture.GetHeight());
  EXPECT_EQ(c.bpp, picture.GetBpp());
  for (unsigned x = 0; x < 2; ++x) EXPECT_EQ(c.rgb[x], picturetest::RgbAt(picture, x, 0)) << "pixel " << x;
  ASSERT_EQ(!c.alpha.empty(), picture.AlphaIsValid());
  for (unsigned x = 0; x < c.alpha.size(); ++x) EXPECT_EQ(c.alpha[x], picturetest::AlphaAt(picture, x, 0));
}

INSTANTIATE_TEST_SUITE_P(Png, PngDecodeTest, ::testing::ValuesIn(PngCases()),
                         [](const ::testing::TestParamInfo<PngCase>& info) { return std::string(info.param.name); });

TEST(PngDecodeTest, IcoEntryHoldingPng) {
  const Bytes png = PngCases()[0].png;
  Bytes ico = {0, 0, 1, 0, 1, 0};                  // reserved, type 1 (icon), one entry
  Append(&ico, Bytes{2, 1, 0, 0, 1, 0, 32, 0});    // 2 x 1, no palette, reserved, planes 1, 32 bits
  picturetest::Le32(&ico, static_cast<std::uint32_t>(png.size()));  // bytes in the entry
  picturetest::Le32(&ico, 22);                     // offset of the entry
  Append(&ico, png);
  CPicture picture;
  ASSERT_TRUE(picture.Decode(ico.data(), ico.size(), keFileTypeICO)) << picture.GetLastError();
  EXPECT_EQ(0x0A141Eu, picturetest::RgbAt(picture, 0, 0));
  EXPECT_EQ(40u, picturetest::AlphaAt(picture, 0, 0));
}

// ---- names that do not tell the type ----------------------------------------------------

struct MisnamedCase {
  const char* name;        // the file name
  PictureFormat written;   // what the file really is
};

void PrintTo(const MisnamedCase& c, std::ostream* os) { *os << c.name; }

const MisnamedCase kMisnamed[] = {
    {"png_named.jpg", PictureFormat::kPng},
    {"upper_case.PNG", PictureFormat::kPng},
    {"upper_case.JPG", PictureFormat::kJpeg},
    {"jpeg_named.png", PictureFormat::kJpeg},
    {"tiff_named.bmp", PictureFormat::kTiff},
    {"png_named.tar.gz", PictureFormat::kPng},
    {"png_without_dot", PictureFormat::kPng},
};

class MisnamedFileTest : public ::testing::TestWithParam<MisnamedCase> {};

TEST_P(MisnamedFileTest, DetectionDecodes) {
  const MisnamedCase& c = GetParam();
  // 5 x 3, each pixel its own colour; the top row is red.
  const CImageBuffer known = MakePicture(5, 3, [](int x, int y, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(40 * x);
    p[1] = static_cast<std::uint8_t>(y == 0 ? 0 : 100 + 50 * y);
    p[2] = static_cast<std::uint8_t>(y == 0 ? 255 : 0);
  });
  TempDir dir;
  const std::string path = dir.File(c.name);
  picturetest::WriteFile(path, picturetest::WrittenBy(known, c.written, c.written == PictureFormat::kJpeg ? "k.jpg"
                                                                         : c.written == PictureFormat::kTiff ? "k.tif"
                                                                                                               : "k.png"));
  const int byName = TypeFromExtension(ExtensionOf(path));  // case-sensitive: upper case is 0
  CPicture picture;
  ASSERT_TRUE(picture.Load(path, byName)) << picture.GetLastError();
  EXPECT_EQ(5u, picture.GetWidth());
  std::string error;
  const CImageBuffer buffer = LoadTemplateBuffer(path, &error);
  ASSERT_FALSE(buffer.IsEmpty()) << error;
  ASSERT_EQ(5, buffer.Width());
  ASSERT_EQ(3, buffer.Height());
  // The top row is red in buffer row 0.  JPEG shares chroma between rows,
  // so there only the order of the rows is checked.
  CRowReader top(buffer, 0);
  CRowReader bottom(buffer, 2);
  if (c.written == PictureFormat::kJpeg) {
    EXPECT_GT(top.Row()[2], bottom.Row()[2] + 60);
  } else {
    EXPECT_EQ(255, top.Row()[2]);
    EXPECT_EQ(0, top.Row()[1]);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, MisnamedFileTest, ::testing::ValuesIn(kMisnamed),
                         [](const ::testing::TestParamInfo<MisnamedCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) {
                             if (ch == '.') ch = '_';
                           }
                           return name;
                         });

// ---- lossy and transparent files from ImageMagick --------------------------------------

using imagemagick::CommandOutput;

constexpr unsigned kSmoothWidth = 40;
constexpr unsigned kSmoothHeight = 24;

// A smooth picture (JPEG's kind of content), R, G, B.
std::uint32_t Smooth(unsigned x, unsigned y) {
  const unsigned r = 30 + x * 5, g = 40 + y * 8, b = 200 - x * 2 - y * 3;
  return (r << 16) | (g << 8) | b;
}

Bytes SmoothPpm() {
  Bytes b;
  Append(&b, ("P6\n" + std::to_string(kSmoothWidth) + " " + std::to_string(kSmoothHeight) + "\n255\n").c_str());
  for (unsigned y = 0; y < kSmoothHeight; ++y) {
    for (unsigned x = 0; x < kSmoothWidth; ++x) {
      const std::uint32_t c = Smooth(x, y);
      Append(&b, Bytes{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
    }
  }
  return b;
}

struct CloseCase {
  const char* name;       // the file name
  const char* options;    // ImageMagick options and output format
  int type;
  unsigned bpp;
  bool alpha;
  int maxFromImageMagick; // largest difference of a sample from ImageMagick's decode
  double meanFromKnown;   // largest mean difference from the known picture
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name << " (" << c.options << ")"; }

const CloseCase kClose[] = {
    {"baseline.jpg", "-quality 90 JPEG", keFileTypeJPEG, 24, false, 2, 3.0},
    {"full_chroma.jpg", "-quality 95 -sampling-factor 1x1 JPEG", keFileTypeJPEG, 24, false, 2, 2.0},
    {"progressive.jpg", "-quality 90 -interlace JPEG JPEG", keFileTypeJPEG, 24, false, 2, 3.0},
    {"arithmetic.jpg", "-quality 90 -define jpeg:arithmetic-coding=true JPEG", keFileTypeJPEG, 24, false, 2, 3.0},
    {"grey.jpg", "-quality 90 -type Grayscale JPEG", keFileTypeJPEG, 8, false, 2, 255.0},
    {"cmyk.jpg", "-quality 95 -colorspace CMYK JPEG", keFileTypeJPEG, 24, false, 3, 4.0},
    {"jpeg.tif", "-compress JPEG -quality 90 TIFF", keFileTypeTIFF, 24, false, 2, 3.0},
    {"cmyk.tif", "-colorspace CMYK TIFF", keFileTypeTIFF, 24, false, 2, 1.0},
    {"alpha.tif", "-alpha set -channel A -evaluate set 50% +channel TIFF", keFileTypeTIFF, 24, true, 2, 1.0},
    {"alpha.png", "-alpha set -channel A -evaluate set 25% +channel PNG32", keFileTypePNG, 24, true, 0, 0.0},
    {"lossy.jp2", "-quality 40 JP2", keFileTypeJP2, 24, false, 1, 4.0},
    {"alpha.jp2", "-alpha set -channel A -evaluate set 50% +channel JP2", keFileTypeJP2, 24, true, 1, 0.0},
    {"lossy.j2k", "-quality 40 J2K", keFileTypeJPC, 24, false, 1, 4.0},
};

class LibraryCloseRoundTripTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(LibraryCloseRoundTripTest, MatchesImageMagicksDecode) {
  if (!imagemagick::Available()) GTEST_SKIP() << "ImageMagick's convert is not available";
  const CloseCase& c = GetParam();
  TempDir dir;
  const std::string input = dir.File("known.ppm");
  const std::string output = dir.File(c.name);
  picturetest::WriteFile(input, SmoothPpm());
  const std::string command = std::string("convert '") + input + "' " + c.options + ":'" + output + "'";
  ASSERT_EQ(0, std::system(command.c_str())) << command;
  const Bytes reference = CommandOutput("convert '" + output + "' -depth 8 rgb:-");
  ASSERT_EQ(kSmoothWidth * kSmoothHeight * 3, reference.size());

  CPicture picture;
  ASSERT_TRUE(picture.Load(output, c.type)) << picture.GetLastError();
  ASSERT_EQ(kSmoothWidth, picture.GetWidth());
  ASSERT_EQ(kSmoothHeight, picture.GetHeight());
  EXPECT_EQ(c.bpp, picture.GetBpp());
  EXPECT_EQ(c.alpha, picture.AlphaIsValid());
  int worst = 0;
  double fromKnown = 0;
  for (unsigned y = 0; y < kSmoothHeight; ++y) {
    for (unsigned x = 0; x < kSmoothWidth; ++x) {
      const std::uint32_t ours = picturetest::RgbAt(picture, x, y);
      const std::uint32_t known = Smooth(x, y);
      for (int s = 0; s < 3; ++s) {
        const int mine = static_cast<int>((ours >> (16 - 8 * s)) & 0xFF);
        const int theirs = reference[(y * kSmoothWidth + x) * 3 + static_cast<unsigned>(s)];
        worst = std::max(worst, std::abs(mine - theirs));
        fromKnown += std::abs(mine - static_cast<int>((known >> (16 - 8 * s)) & 0xFF));
      }
    }
  }
  EXPECT_LE(worst, c.maxFromImageMagick);
  if (c.bpp == 24) {
    EXPECT_LE(fromKnown / (kSmoothWidth * kSmoothHeight * 3), c.meanFromKnown);
  }
  if (c.alpha) {
    const Bytes alpha = CommandOutput("convert '" + output + "' -alpha extract -depth 8 gray:-");
    ASSERT_EQ(kSmoothWidth * kSmoothHeight, alpha.size());
    for (unsigned y = 0; y < kSmoothHeight; ++y) {
      for (unsigned x = 0; x < kSmoothWidth; ++x) {
        ASSERT_NEAR(alpha[y * kSmoothWidth + x], static_cast<int>(picturetest::AlphaAt(picture, x, y)), 1);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, LibraryCloseRoundTripTest, ::testing::ValuesIn(kClose),
                         [](const ::testing::TestParamInfo<CloseCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) {
                             if (ch == '.') ch = '_';
                           }
                           return name;
                         });

// The product's own writer and the decoders agree (runs everywhere, no tools).
TEST(LibraryWriterRoundTripTest, PngAndTiffExactJpegClose) {
  const CImageBuffer known = SourcePicture(33, 17);
  for (PictureFormat format : {PictureFormat::kPng, PictureFormat::kTiff, PictureFormat::kJpeg}) {
    SCOPED_TRACE(static_cast<int>(format));
    const Bytes file = picturetest::WrittenBy(known, format, format == PictureFormat::kPng ? "w.png"
                                                             : format == PictureFormat::kTiff ? "w.tif"
                                                                                               : "w.jpg");
    ASSERT_FALSE(file.empty());
    CPicture picture;
    ASSERT_TRUE(picture.Decode(file.data(), file.size(), keFileTypeUnknown)) << picture.GetLastError();
    ASSERT_EQ(33u, picture.GetWidth());
    ASSERT_EQ(17u, picture.GetHeight());
    double total = 0;
    for (int y = 0; y < 17; ++y) {
      CRowReader row(known, y);
      for (int x = 0; x < 33; ++x) {
        const std::uint32_t c = picturetest::RgbAt(picture, static_cast<unsigned>(x), static_cast<unsigned>(y));
        const int diffs[3] = {std::abs(int(c & 0xFF) - row.Row()[3 * x]), std::abs(int((c >> 8) & 0xFF) - row.Row()[3 * x + 1]),
                              std::abs(int(c >> 16) - row.Row()[3 * x + 2])};
        for (int d : diffs) {
          if (format != PictureFormat::kJpeg) {
            ASSERT_EQ(0, d) << x << ", " << y;
          }
          total += d;
        }
      }
    }
    EXPECT_LE(total / (33 * 17 * 3), 3.0);
  }
}

}  // namespace
