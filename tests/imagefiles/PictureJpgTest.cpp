// CPictureJPG::LoadThumbnail: the EXIF thumbnail when it fits the picture,
// otherwise the whole file, reduced.  The JPEG files are written in-process
// (the main picture green, the thumbnail red, so the test sees which one was
// decoded) and the EXIF block is built field by field.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include "imagefiles/PictureJpg.h"
#include "tests/imagefiles/ExifTestSupport.h"
#include "tests/imagefiles/LibraryTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Bytes;
using picturetest::ExifBlock;

bool Reddish(const CPicture& p) {
  const PictureRgbQuad q = p.GetPixelColor(p.GetWidth() / 2, p.GetHeight() / 2, false);
  return q.rgbRed > 200 && q.rgbGreen < 60 && q.rgbBlue < 60;
}

bool Greenish(const CPicture& p) {
  const PictureRgbQuad q = p.GetPixelColor(p.GetWidth() / 2, p.GetHeight() / 2, false);
  return q.rgbGreen > 200 && q.rgbRed < 60 && q.rgbBlue < 60;
}

struct ThumbnailCase {
  const char* name;
  int mainWidth, mainHeight;
  int thumbWidth, thumbHeight;   // 0: no EXIF block at all
  bool exifSize;                 // EXIF carries PixelX/YDimension
  bool corruptThumbnail;
  unsigned minWidth, minHeight;
  bool thumbnailUsed;
  unsigned width, height;        // of the decoded picture
  const char* lastError;
};

void PrintTo(const ThumbnailCase& c, std::ostream* os) { *os << c.name; }

const ThumbnailCase kCases[] = {
    {"landscape_thumbnail_of_landscape_picture", 64, 48, 16, 12, true, false, 8, 8, true, 16, 12, ""},
    {"square_thumbnail_fits_any_picture", 64, 48, 16, 16, true, false, 8, 8, true, 16, 16, ""},
    {"portrait_thumbnail_of_landscape_picture", 64, 48, 12, 16, true, false, 8, 8, false, 16, 12,
     "Bad thumbnail orientation"},
    {"landscape_thumbnail_of_portrait_picture", 48, 64, 16, 12, true, false, 30, 30, false, 48, 64,
     "Bad thumbnail orientation"},
    {"orientation_from_the_frame_header", 48, 64, 16, 12, false, false, 30, 30, false, 48, 64,
     "Bad thumbnail orientation"},
    {"thumbnail_smaller_than_asked", 64, 48, 16, 12, true, false, 50, 40, false, 64, 48,
     "JPEG: embedded thumbnail too small"},
    {"undecodable_thumbnail", 64, 48, 16, 12, true, true, 30, 30, false, 64, 48, nullptr},
    // Without a thumbnail the file is decoded at 1/1, 1/2, 1/4 or 1/8, as
    // small as the minimum allows.
    {"no_exif_decodes_the_file", 64, 48, 0, 0, true, false, 30, 30, false, 64, 48, ""},
    {"no_exif_reduced_by_a_quarter", 64, 48, 0, 0, true, false, 8, 8, false, 16, 12, ""},
    {"no_exif_reduced_by_an_eighth", 400, 400, 0, 0, true, false, 50, 50, false, 50, 50, ""},
    {"no_exif_rounds_up", 400, 300, 0, 0, true, false, 50, 50, false, 100, 75, ""},
    {"no_exif_small_picture_is_not_reduced", 40, 30, 0, 0, true, false, 50, 50, false, 40, 30, ""},
};

class LoadThumbnailTest : public ::testing::TestWithParam<ThumbnailCase> {};

TEST_P(LoadThumbnailTest, ChoosesThumbnailOrFile) {
  const ThumbnailCase& c = GetParam();
  const Bytes main = picturetest::WrittenBy(picturetest::SolidPicture(c.mainWidth, c.mainHeight, 0, 255, 0),
                                            PictureFormat::kJpeg, "main.jpg");
  ASSERT_FALSE(main.empty());
  Bytes file = main;
  if (c.thumbWidth != 0) {
    ExifBlock exif(false);
    exif.ifd0 = {ExifBlock::Ascii(0x0110, "VX-100")};
    if (c.exifSize) {
      exif.exif = {{0xA002, 4, 1, exif.Long(static_cast<std::uint32_t>(c.mainWidth))},
                   {0xA003, 4, 1, exif.Long(static_cast<std::uint32_t>(c.mainHeight))}};
    }
    exif.thumbnail = picturetest::WrittenBy(picturetest::SolidPicture(c.thumbWidth, c.thumbHeight, 0, 0, 255),
                                            PictureFormat::kJpeg, "thumb.jpg");
    if (c.corruptThumbnail) exif.thumbnail.resize(12);  // SOI and part of a table
    file = picturetest::InsertExif(main, exif.Build());
  }
  TempDir dir;
  const std::string path = dir.File("photo.jpg");
  picturetest::WriteFile(path, file);

  CPictureJPG picture;
  PictureSize size;
  ASSERT_TRUE(picture.LoadThumbnail(path, &size, c.minWidth, c.minHeight)) << picture.GetLastError();
  EXPECT_EQ(static_cast<unsigned>(c.mainWidth), size.width);
  EXPECT_EQ(static_cast<unsigned>(c.mainHeight), size.height);
  EXPECT_EQ(c.width, picture.GetWidth());
  EXPECT_EQ(c.height, picture.GetHeight());
  EXPECT_EQ(c.thumbnailUsed, Reddish(picture));
  EXPECT_EQ(!c.thumbnailUsed, Greenish(picture));
  if (c.lastError != nullptr) {
    EXPECT_EQ(c.lastError, picture.GetLastError());
  } else {
    EXPECT_FALSE(picture.GetLastError().empty());  // why the thumbnail was not used
  }
  if (c.thumbWidth != 0) {
    EXPECT_EQ("VX-100", picture.GetExifInfo().GetCameraModel());
  }
}

INSTANTIATE_TEST_SUITE_P(Jpeg, LoadThumbnailTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ThumbnailCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(LoadThumbnailFailureTest, MissingAndNonJpegFiles) {
  TempDir dir;
  CPictureJPG picture;
  PictureSize size;
  EXPECT_FALSE(picture.LoadThumbnail(dir.File("missing.jpg"), &size, 50, 50));
  EXPECT_FALSE(picture.GetLastError().empty());
  EXPECT_EQ(0u, picture.GetWidth());

  const std::string png = dir.File("picture.jpg");
  picturetest::WriteFile(png, picturetest::WrittenBy(picturetest::SolidPicture(4, 4, 1, 2, 3), PictureFormat::kPng,
                                                     "p.png"));
  EXPECT_FALSE(picture.LoadThumbnail(png, &size, 50, 50));
  EXPECT_FALSE(picture.GetLastError().empty());
  EXPECT_EQ(0u, size.width);
}

TEST(ReadExifTest, ReadsTheRecordWithoutPixels) {
  ExifBlock exif(true);
  exif.ifd0 = {ExifBlock::Ascii(0x010F, "Velmora"), ExifBlock::Ascii(0x0110, "VX-100"),
               ExifBlock::Ascii(0x0132, "2021:06:07 08:09:10")};
  const Bytes main = picturetest::WrittenBy(picturetest::SolidPicture(20, 10, 0, 255, 0), PictureFormat::kJpeg,
                                            "main.jpg");
  TempDir dir;
  const std::string path = dir.File("photo.jpg");
  picturetest::WriteFile(path, picturetest::InsertExif(main, exif.Build()));
  CPictureJPG picture;
  ASSERT_TRUE(picture.ReadExif(path));
  EXPECT_EQ(0u, picture.GetWidth());
  EXPECT_EQ("Velmora", picture.GetExifInfo().GetCameraMake());
  EXPECT_EQ("2021:06:07 08:09:10", picture.GetExifInfo().GetDateTime());
  EXPECT_EQ(20u, picture.GetExifInfo().GetWidth());
  EXPECT_FALSE(picture.GetExifInfo().HasThumbnail());
  // The file with its EXIF block still decodes as a plain JPEG.
  CPicture plain;
  ASSERT_TRUE(plain.Load(path, 3)) << plain.GetLastError();
  EXPECT_EQ(20u, plain.GetWidth());
}

}  // namespace
