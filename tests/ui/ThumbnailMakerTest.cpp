// Making one thumbnail: the size rule, palette and transparent pictures,
// the EXIF record of JPEG files and files that cannot be decoded.

#include "ui/ThumbnailMaker.h"

#include <gtest/gtest.h>

#include "image/Resample.h"
#include "imagefiles/FileType.h"
#include "tests/support/TempDir.h"
#include "tests/ui/BrowserFixtures.h"

namespace {

using ui::Size;

struct FitCase {
  const char* name;
  Size picture;
  Size expected;
};

class FitThumbnailSizeTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitThumbnailSizeTest, FitsTheBoxWithoutEnlarging) {
  const FitCase& c = GetParam();
  EXPECT_EQ(c.expected, ui::FitThumbnailSize(c.picture, {85, 85}));
}

INSTANTIATE_TEST_SUITE_P(Cases, FitThumbnailSizeTest,
                         ::testing::Values(FitCase{"small_stays", {16, 16}, {16, 16}},
                                           FitCase{"box_size_stays", {85, 85}, {85, 85}},
                                           FitCase{"wide", {170, 85}, {85, 42}},
                                           FitCase{"tall", {85, 170}, {42, 85}},
                                           FitCase{"square", {1000, 1000}, {85, 85}},
                                           FitCase{"one_row_stays_one_high", {10000, 1}, {85, 1}},
                                           FitCase{"one_column_stays_one_wide", {1, 10000}, {1, 85}},
                                           FitCase{"just_wider", {86, 85}, {85, 84}},
                                           FitCase{"photo", {4000, 3000}, {85, 63}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The B, G, R bytes of pixel (x, y).
std::vector<int> Pixel(const CImageBuffer& buffer, int x, int y) {
  CRowReader row(buffer, y);
  const int bytes = FormatBitsPerPixel(buffer.AccessFormat()) / 8;
  std::vector<int> out;
  for (int i = 0; i < bytes; ++i) out.push_back(row.Row()[bytes * x + i]);
  return out;
}

TEST(ThumbnailMakerTest, PngOfTwiceTheBoxWidthBecomes85By42) {
  TempDir dir;
  const std::string path = dir.File("wide.png");
  browsertest::WriteGradient(path, 170, 85);
  CImageBuffer thumbnail;
  ui::ThumbnailInfo info;
  ASSERT_EQ(0, ui::MakeThumbnailFromFile(path, {85, 85}, &thumbnail, &info));
  EXPECT_EQ(85, thumbnail.Width());
  EXPECT_EQ(42, thumbnail.Height());
  EXPECT_EQ(keFormatBGR, thumbnail.StorageFormat());
  EXPECT_EQ(170, info.width);
  EXPECT_EQ(85, info.height);
  EXPECT_EQ(keFileTypePNG, info.fileType);
  EXPECT_EQ(keFormatBGR, info.pixelFormat);
  EXPECT_GT(info.file.size, 0u);
}

TEST(ThumbnailMakerTest, SmallGifKeepsItsSizeAndIsMadeTrueColour) {
  TempDir dir;
  const std::string path = dir.File("small.gif");
  browsertest::WriteGif(path, 16, 16);
  CImageBuffer thumbnail;
  ui::ThumbnailInfo info;
  ASSERT_EQ(0, ui::MakeThumbnailFromFile(path, {85, 85}, &thumbnail, &info));
  EXPECT_EQ(16, thumbnail.Width());
  EXPECT_EQ(16, thumbnail.Height());
  // The picture is a palette picture; its thumbnail is BGR.
  EXPECT_TRUE(IsIndexedFormat(info.pixelFormat));
  EXPECT_EQ(keFormatBGR, thumbnail.StorageFormat());
  EXPECT_EQ(keFileTypeGIF, info.fileType);
  // The frame's colours at the top left, the red background elsewhere.
  EXPECT_EQ((std::vector<int>{0, 0, 0}), Pixel(thumbnail, 0, 0));
  EXPECT_EQ((std::vector<int>{0, 0, 255}), Pixel(thumbnail, 1, 0));
  EXPECT_EQ((std::vector<int>{255, 0, 0}), Pixel(thumbnail, 1, 1));
  EXPECT_EQ((std::vector<int>{0, 0, 255}), Pixel(thumbnail, 10, 10));
}

TEST(ThumbnailMakerTest, TransparentPngComesOutOnWhite) {
  TempDir dir;
  struct Case {
    std::uint8_t alpha;
    std::vector<int> bgr;
  } cases[] = {{0, {255, 255, 255}}, {255, {0, 0, 200}}, {128, {127, 127, 227}}};
  // 200 x 100 is made from a full-size buffer, 800 x 400 reduced while it
  // is read: both lay the picture over white.
  for (const Case& c : cases) for (int scale : {1, 4}) {
    SCOPED_TRACE(static_cast<int>(c.alpha));
    SCOPED_TRACE(scale);
    const std::string path = dir.File("alpha" + std::to_string(c.alpha) + "x" + std::to_string(scale) + ".png");
    browsertest::WriteRgbaPng(path, 200 * scale, 100 * scale, 200, 0, 0, c.alpha);
    CImageBuffer thumbnail;
    ui::ThumbnailInfo info;
    ASSERT_EQ(0, ui::MakeThumbnailFromFile(path, {85, 85}, &thumbnail, &info));
    EXPECT_EQ(keFormatBGRA, info.pixelFormat);
    EXPECT_EQ(keFormatBGR, thumbnail.StorageFormat());
    EXPECT_EQ(85, thumbnail.Width());
    EXPECT_EQ(42, thumbnail.Height());
    for (int y : {0, 20, 41}) {
      for (int x : {0, 40, 84}) {
        const std::vector<int> p = Pixel(thumbnail, x, y);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(c.bgr[k], p[k], 1) << x << "," << y;
      }
    }
  }
}

// A large picture is reduced by a whole factor as it is read, then by the
// area average: the result matches the area average of the whole picture.
TEST(ThumbnailMakerTest, LargePictureMatchesTheAreaAverageOfTheWholePicture) {
  TempDir dir;
  for (Size size : {Size{700, 500}, Size{1003, 341}, Size{341, 1003}}) {
    SCOPED_TRACE(size.width);
    const std::string path = dir.File("large" + std::to_string(size.width) + ".png");
    browsertest::WriteGradient(path, size.width, size.height);
    CImageBuffer thumbnail;
    ui::ThumbnailInfo info;
    ASSERT_EQ(0, ui::MakeThumbnailFromFile(path, {85, 85}, &thumbnail, &info));
    EXPECT_EQ(keFormatBGR, info.pixelFormat);
    const Size fitted = ui::FitThumbnailSize(size, {85, 85});
    ASSERT_EQ(fitted.width, thumbnail.Width());
    ASSERT_EQ(fitted.height, thumbnail.Height());
    const CImageBuffer whole = SourcePicture(size.width, size.height);
    CImageBuffer expected;
    expected.Create(fitted.width, fitted.height, keFormatBGR).RaiseIfError();
    ASSERT_EQ(0, CResample(keResampleArea).Resample(expected, whole));
    int worst = 0;
    for (int y = 0; y < fitted.height; ++y) {
      for (int x = 0; x < fitted.width; ++x) {
        const std::vector<int> a = Pixel(thumbnail, x, y), b = Pixel(expected, x, y);
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(a[k] - b[k]));
      }
    }
    EXPECT_LE(worst, 3);
  }
}

TEST(ThumbnailMakerTest, JpegKeepsItsExifRecordAndFullSize) {
  TempDir dir;
  const std::string path = dir.File("camera.jpg");
  browsertest::WriteCameraJpeg(path, "VX-100", "2021:07:04 09:30:15");
  CImageBuffer thumbnail;
  ui::ThumbnailInfo info;
  ASSERT_EQ(0, ui::MakeThumbnailFromFile(path, {85, 85}, &thumbnail, &info));
  ASSERT_NE(nullptr, info.exif);
  EXPECT_EQ("VX-100", info.exif->GetCameraModel());
  EXPECT_EQ("2021:07:04 09:30:15", info.exif->GetDateTime());
  EXPECT_EQ(64, info.width);
  EXPECT_EQ(48, info.height);
  EXPECT_EQ(keFileTypeJPEG, info.fileType);
}

TEST(ThumbnailMakerTest, TypeComesFromTheContentNotTheName) {
  TempDir dir;
  const std::string path = dir.File("really-a-png.jpg");
  browsertest::WriteGradient(dir.File("x.png"), 30, 20);
  std::filesystem::rename(dir.File("x.png"), path);
  CImageBuffer thumbnail;
  ui::ThumbnailInfo info;
  ASSERT_EQ(0, ui::MakeThumbnailFromFile(path, {85, 85}, &thumbnail, &info));
  EXPECT_EQ(keFileTypePNG, info.fileType);
  EXPECT_EQ(nullptr, info.exif);
}

TEST(ThumbnailMakerTest, FilesThatCannotBeMadeAnswerTheirReason) {
  TempDir dir;
  browsertest::WriteCorruptJpeg(dir.File("corrupt.jpg"));
  picturetest::WriteFile(dir.File("empty.png"), {});
  struct Case {
    const char* name;
    std::string path;
    int code;
  } cases[] = {{"corrupt", dir.File("corrupt.jpg"), keErrFileOpenRead},
               {"empty_file", dir.File("empty.png"), keErrFileRead},
               {"missing", dir.File("missing.png"), keErrFileOpenRead},
               {"no_path", "", keErrBadArgument}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CImageBuffer thumbnail;
    ui::ThumbnailInfo info;
    EXPECT_EQ(c.code, ui::MakeThumbnailFromFile(c.path, {85, 85}, &thumbnail, &info));
    EXPECT_TRUE(thumbnail.IsEmpty());
  }
}

}  // namespace
