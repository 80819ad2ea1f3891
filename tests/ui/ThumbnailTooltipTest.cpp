// The tooltip text of a thumbnail: its lines, the byte sizes, the camera
// and the date from EXIF, and escaping of texts that come from files.

#include "ui/ThumbnailTooltip.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "image/PixelFormat.h"
#include "imagefiles/FileType.h"
#include "tests/support/TempDir.h"
#include "tests/ui/BrowserFixtures.h"
#include "ui/ThumbnailList.h"

namespace {

TEST(ThumbnailTooltipTest, ByteSizes) {
  const struct {
    std::uint64_t bytes;
    const char* text;
  } cases[] = {{0, "0 Bytes"},
               {512, "512 Bytes"},
               {1023, "1023 Bytes"},
               {1024, "1.0 KB"},
               {1536, "1.5 KB"},
               {1048575, "1024.0 KB"},
               {1048576, "1.00 MB"},
               {2000000, "1.91 MB"},
               // past 4 GB: the low 32 bits alone would say 1 MB
               {(std::uint64_t{1} << 32) + 1048576, "4097.00 MB"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, ui::ByteSizeText(c.bytes)) << c.bytes;
}

TEST(ThumbnailTooltipTest, ColourAndTypeTexts) {
  EXPECT_EQ("Monochrome", ui::ColourDepthText(keFormatIndex1));
  EXPECT_EQ("256 colors", ui::ColourDepthText(keFormatIndex8));
  EXPECT_EQ("Greyscale with transparency", ui::ColourDepthText(keFormatGreyA));
  EXPECT_EQ("True Color with transparency", ui::ColourDepthText(keFormatBGRA));
  EXPECT_EQ("", ui::ColourDepthText(keFormatBGR_u16));
  EXPECT_EQ("JPEG file", ui::FileTypeText(keFileTypeJPEG));
  EXPECT_EQ("Windows Bitmap", ui::FileTypeText(keFileTypeBMP));
  EXPECT_EQ("", ui::FileTypeText(keFileTypeTGA));
}

TEST(ThumbnailTooltipTest, ExifDateTexts) {
  const struct {
    const char* text;
    bool ok;
    platform::CalendarTime time;
  } cases[] = {{"2021:07:04 09:30:15", true, {2021, 7, 4, 9, 30, 15}},
               {"2012-09-17T15:53:45-04:00", true, {2012, 9, 17, 15, 53, 45}},
               {"2021-07-04 09.30.15", false, {}},  // no ":" at all
               {"2021:07:04", false, {}},
               {"", false, {}}};
  for (const auto& c : cases) {
    platform::CalendarTime t;
    EXPECT_EQ(c.ok, ui::ParseExifDateTime(c.text, &t)) << c.text;
    if (c.ok) {
      EXPECT_EQ(c.time.year, t.year);
      EXPECT_EQ(c.time.month, t.month);
      EXPECT_EQ(c.time.day, t.day);
      EXPECT_EQ(c.time.hour, t.hour);
      EXPECT_EQ(c.time.minute, t.minute);
      EXPECT_EQ(c.time.second, t.second);
    }
  }
}

ui::ThumbnailInfo MadeInfo() {
  ui::ThumbnailInfo info;
  info.width = 640;
  info.height = 480;
  info.pixelFormat = keFormatBGR;
  info.fileType = keFileTypeJPEG;
  info.file.size = 2000000;
  info.file.lastWriteTime = 1600000000;
  return info;
}

TEST(ThumbnailTooltipTest, LinesOfAMadeItem) {
  ui::ThumbnailInfo info = MadeInfo();
  const std::string text = ui::ThumbnailTooltipText("sea.jpg", "/pictures/holiday/sea.jpg", info);
  platform::CalendarTime written;
  ASSERT_TRUE(platform::LocalCalendarTime(1600000000, &written));
  const std::string date = platform::FormatDateTime(written);
  ASSERT_FALSE(date.empty());
  EXPECT_EQ("<b>sea.jpg</b>\n640x480 - True Color, 1.91 MB\nJPEG file\n" + date + "\nFolder: /pictures/holiday", text);
}

TEST(ThumbnailTooltipTest, NotMadeYetShowsTheNameOnly) {
  EXPECT_EQ("a&lt;1&gt;.png", ui::ThumbnailTooltipText("a<1>.png", "/x/a<1>.png", ui::ThumbnailInfo()));
}

TEST(ThumbnailTooltipTest, TextsFromFilesAreEscaped) {
  ui::ThumbnailInfo info = MadeInfo();
  TempDir dir;
  const std::string path = dir.File("x.jpg");
  browsertest::WriteCameraJpeg(path, "<b>Evil & Co</b>", "2021:07:04 09:30:15");
  CPictureJPG jpeg;
  ASSERT_TRUE(jpeg.ReadExif(path));
  info.exif = std::make_shared<const CPictureJPG::CExifInfo>(jpeg.GetExifInfo());
  const std::string text = ui::ThumbnailTooltipText("<i>&.jpg", "/a<b>/<i>&.jpg", info);
  EXPECT_NE(std::string::npos, text.find("<b>&lt;i&gt;&amp;.jpg</b>\n"));
  EXPECT_NE(std::string::npos,
            text.find("<b>Camera: <font color=\"#363072\" style=\"b\">&lt;b&gt;Evil &amp; Co&lt;/b&gt;</font></b>\n"));
  EXPECT_NE(std::string::npos, text.find("\nFolder: /a&lt;b&gt;"));
}

TEST(ThumbnailTooltipTest, CameraAndTakenOnFromAJpegOfTheList) {
  TempDir dir;
  const std::string path = dir.File("camera.jpg");
  browsertest::WriteCameraJpeg(path, "VX-100", "2021:07:04 09:30:15");
  ui::CThumbnailList list;
  list.ScanFolder(dir.Path().string(), false, false);
  ASSERT_EQ(1, list.Count());
  EXPECT_EQ("camera.jpg", list.TooltipText(0));  // not made yet
  ASSERT_EQ(0, list.MakeThumbnail(0));
  const std::string text = list.TooltipText(0);
  const std::string taken = platform::FormatDateTime({2021, 7, 4, 9, 30, 15});
  ASSERT_FALSE(taken.empty());
  EXPECT_NE(std::string::npos,
            text.find("JPEG file\n<b>Camera: <font color=\"#363072\" style=\"b\">VX-100</font></b>\nTaken On: " + taken +
                      "\n"))
      << text;
  EXPECT_NE(std::string::npos, text.find("64x48 - True Color, ")) << text;
}

TEST(ThumbnailTooltipTest, InvalidExifDateFallsBackToTheFileTime) {
  ui::ThumbnailInfo info = MadeInfo();
  TempDir dir;
  const std::string path = dir.File("x.jpg");
  browsertest::WriteCameraJpeg(path, "VX-100", "2021:02:30 09:30:15");  // no 30th of February
  CPictureJPG jpeg;
  ASSERT_TRUE(jpeg.ReadExif(path));
  info.exif = std::make_shared<const CPictureJPG::CExifInfo>(jpeg.GetExifInfo());
  const std::string text = ui::ThumbnailTooltipText("x.jpg", path, info);
  EXPECT_EQ(std::string::npos, text.find("Taken On")) << text;
  platform::CalendarTime written;
  ASSERT_TRUE(platform::LocalCalendarTime(1600000000, &written));
  EXPECT_NE(std::string::npos, text.find("</b>\n" + platform::FormatDateTime(written) + "\n")) << text;
}

// A photograph from a real program: its EXIF date is written in the ISO
// form ("2012-09-17T15:53:45-04:00") rather than EXIF's own.
TEST(ThumbnailTooltipTest, RealPhotographsExifDate) {
  const char* home = std::getenv("HOME");
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const std::string root = cache != nullptr && *cache != '\0' ? cache : std::string(home != nullptr ? home : "") + "/.cache";
  const std::string path = root + "/tintavo/samples/skimage/data/hubble_deep_field.jpg";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "sample photographs not fetched (scripts/fetch-samples)";
  ui::CThumbnailList list;
  ASSERT_TRUE(list.AddItem(path));
  ASSERT_EQ(0, list.MakeThumbnail(0));
  const std::string text = list.TooltipText(0);
  EXPECT_NE(std::string::npos, text.find("1000x872 - True Color, ")) << text;
  EXPECT_NE(std::string::npos, text.find("Taken On: " + platform::FormatDateTime({2012, 9, 17, 15, 53, 45}))) << text;
}

}  // namespace
