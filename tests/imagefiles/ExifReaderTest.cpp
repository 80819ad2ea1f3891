// The EXIF reader on hand-made APP1 blocks: every field in both byte orders,
// and broken blocks - directory loops, offsets and counts past the end,
// oversized directories - that must keep what was read before the fault and
// never read outside the block.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/ExifReader.h"
#include "imagefiles/PictureJpg.h"
#include "tests/imagefiles/ExifTestSupport.h"
#include "tests/imagefiles/PictureTestSupport.h"

namespace {

using picturetest::Append;
using picturetest::Bytes;
using picturetest::ExifBlock;

// A stand-in thumbnail: starts with the start of image marker.
const Bytes kThumbnail = {0xFF, 0xD8, 0xFF, 0xD9, 1, 2, 3, 4, 5, 6};

ExifBlock FullBlock(bool big) {
  ExifBlock b(big);
  b.ifd0 = {ExifBlock::Ascii(0x010F, "Velmora Optics  "),            // Make, trailing blanks
            ExifBlock::Ascii(0x0110, "VX-100"),                      // Model
            {0x0112, 3, 1, b.Short(6)},                              // Orientation
            ExifBlock::Ascii(0x0132, "2020:01:02 03:04:05")};        // DateTime
  b.exif = {ExifBlock::Ascii(0x9003, "2019:12:31 23:59:58"),         // DateTimeOriginal
            {0xA002, 4, 1, b.Long(4000)},                            // PixelXDimension, LONG
            {0xA003, 3, 1, b.Short(3000)}};                          // PixelYDimension, SHORT
  b.thumbnail = kThumbnail;
  return b;
}

// ---- every field, both byte orders -----------------------------------------------------

class ExifByteOrderTest : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrderTest, ReadsEveryField) {
  ExifBlock builder = FullBlock(GetParam());
  const Bytes block = builder.Build();
  CPictureJPG::CExifInfo info;
  std::string error;
  ASSERT_TRUE(info.ReadApp1(block.data(), block.size(), &error)) << error;
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_TRUE(info.HasExif());
  EXPECT_EQ("Velmora Optics", info.GetCameraMake());
  EXPECT_EQ("VX-100", info.GetCameraModel());
  EXPECT_EQ("2019:12:31 23:59:58", info.GetDateTime());  // DateTimeOriginal before DateTime
  EXPECT_EQ(6u, info.GetOrientation());
  EXPECT_EQ(4000u, info.GetWidth());
  EXPECT_EQ(3000u, info.GetHeight());
  EXPECT_EQ(kThumbnail, info.GetThumbnail());
}

TEST_P(ExifByteOrderTest, DateTimeOfIfd0WithoutDateTimeOriginal) {
  ExifBlock builder = FullBlock(GetParam());
  builder.exif.erase(builder.exif.begin());
  const Bytes block = builder.Build();
  CPictureJPG::CExifInfo info;
  ASSERT_TRUE(info.ReadApp1(block.data(), block.size()));
  EXPECT_EQ("2020:01:02 03:04:05", info.GetDateTime());
}

INSTANTIATE_TEST_SUITE_P(Exif, ExifByteOrderTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "BigEndian" : "LittleEndian");
                         });

// ---- broken blocks ---------------------------------------------------------------------

struct Broken {
  const char* name;
  std::function<void(const ExifBlock&, Bytes*)> breakIt;
  bool ok;                 // what ReadApp1 answers
  const char* model;       // still read
  bool thumbnail;          // still read
  const char* error;       // what ReadApp1 says went wrong ("" when nothing)
};

void PrintTo(const Broken& b, std::ostream* os) { *os << b.name; }

const Broken kBroken[] = {
    {"ifd1_points_back_to_ifd0",
     [](const ExifBlock& b, Bytes* block) { b.Put32(block, b.Ifd0NextAt(), static_cast<std::uint32_t>(b.Ifd0At())); },
     false, "VX-100", false, "EXIF: directories form a loop"},
    {"exif_ifd_points_to_ifd0",
     [](const ExifBlock& b, Bytes* block) {
       // The EXIF pointer is IFD0's last entry (index 4); its value at +8.
       b.Put32(block, b.EntryAt(b.Ifd0At(), 4) + 8, static_cast<std::uint32_t>(b.Ifd0At()));
     },
     false, "VX-100", true, "EXIF: directories form a loop"},
    {"ifd0_offset_past_the_end", [](const ExifBlock& b, Bytes* block) { b.Put32(block, 4, 0xFFFFFFF0u); }, false, "",
     false, "EXIF: directory offset outside the block"},
    {"ifd0_offset_inside_the_header", [](const ExifBlock& b, Bytes* block) { b.Put32(block, 4, 2); }, false, "",
     false, "EXIF: directory offset outside the block"},
    {"exif_ifd_offset_past_the_end",
     [](const ExifBlock& b, Bytes* block) { b.Put32(block, b.EntryAt(b.Ifd0At(), 4) + 8, 0x7FFFFFFF); }, false,
     "VX-100", true, "EXIF: directory offset outside the block"},
    {"make_offset_past_the_end",
     [](const ExifBlock& b, Bytes* block) { b.Put32(block, b.EntryAt(b.Ifd0At(), 0) + 8, 0xFFFFFFFFu); }, false,
     "VX-100", true, "EXIF: value of tag 271 outside the block"},
    {"model_count_past_the_end",
     [](const ExifBlock& b, Bytes* block) { b.Put32(block, b.EntryAt(b.Ifd0At(), 1) + 4, 0xFFFFFFFFu); }, false, "",
     true, "EXIF: value of tag 272 outside the block"},
    {"ifd0_with_65535_entries", [](const ExifBlock& b, Bytes* block) { b.Put16(block, b.Ifd0At(), 0xFFFF); }, false,
     "", false, "EXIF: directory with too many entries"},
    {"exif_ifd_entry_count_past_the_end",
     [](const ExifBlock& b, Bytes* block) { b.Put16(block, b.ExifAt(), 900); }, false, "VX-100", true,
     "EXIF: directory cut short"},
    {"unknown_field_type_is_skipped",
     [](const ExifBlock& b, Bytes* block) { b.Put16(block, b.EntryAt(b.Ifd0At(), 0) + 2, 99); }, true, "VX-100",
     true, ""},
    {"thumbnail_past_the_end",
     [](const ExifBlock&, Bytes* block) { block->resize(block->size() - 4); },  // the thumbnail comes last
     true, "VX-100", false, "EXIF: thumbnail outside the block"},
    {"thumbnail_without_start_of_image",
     [](const ExifBlock&, Bytes* block) { (*block)[block->size() - kThumbnail.size()] = 0; }, true, "VX-100", false,
     "EXIF: thumbnail is not a JPEG file"},
    {"bad_byte_order", [](const ExifBlock&, Bytes* block) { (*block)[6] = 'X'; }, false, "", false,
     "EXIF: unknown byte order"},
    {"bad_tiff_magic", [](const ExifBlock& b, Bytes* block) { b.Put16(block, 2, 43); }, false, "", false,
     "EXIF: bad TIFF header"},
    {"not_exif", [](const ExifBlock&, Bytes* block) { (*block)[0] = 'e'; }, false, "", false,
     "EXIF: not an EXIF block"},
};

class ExifBrokenBlockTest : public ::testing::TestWithParam<Broken> {};

TEST_P(ExifBrokenBlockTest, KeepsWhatCameBeforeTheFault) {
  const Broken& c = GetParam();
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    ExifBlock builder = FullBlock(big);
    Bytes block = builder.Build();
    c.breakIt(builder, &block);
    // An exact-size copy, so AddressSanitizer sees any read past the block.
    const Bytes exact(block);
    CPictureJPG::CExifInfo info;
    std::string error;
    EXPECT_EQ(c.ok, info.ReadApp1(exact.data(), exact.size(), &error));
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(c.model, info.GetCameraModel());
    EXPECT_EQ(c.thumbnail, info.HasThumbnail());
  }
}

INSTANTIATE_TEST_SUITE_P(Exif, ExifBrokenBlockTest, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<Broken>& info) { return std::string(info.param.name); });

TEST(ExifTruncationTest, EveryPrefixIsReadWithinItsBytes) {
  for (bool big : {false, true}) {
    ExifBlock builder = FullBlock(big);
    const Bytes block = builder.Build();
    for (std::size_t size = 0; size <= block.size(); ++size) {
      SCOPED_TRACE(size);
      const Bytes prefix(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
      CPictureJPG::CExifInfo info;
      const bool ok = info.ReadApp1(prefix.data(), prefix.size());
      if (size == block.size()) {
        EXPECT_TRUE(ok);
      }
      // A thumbnail is either whole or absent.
      if (info.HasThumbnail()) {
        EXPECT_EQ(kThumbnail, info.GetThumbnail());
      }
    }
  }
}

// ---- finding the block in a JPEG file ------------------------------------------------

// SOI, APP0 (JFIF), an APP1 that is XMP, the EXIF APP1, SOF0 of 640 x 480,
// SOS.  The EXIF segment may declare more bytes than follow.
Bytes JpegWithExif(const Bytes& exif, bool cutExifShort = false) {
  Bytes j = {0xFF, 0xD8};                                               // SOI
  Append(&j, Bytes{0xFF, 0xE0, 0x00, 0x07, 'J', 'F', 'I', 'F', 0});      // APP0, length 7
  Append(&j, Bytes{0xFF, 0xE1, 0x00, 0x08, 'h', 't', 't', 'p', ':', '/'});  // APP1, not EXIF
  picturetest::AppendApp1(&j, exif);                                    // the EXIF APP1
  if (cutExifShort) return j;
  Append(&j, Bytes{0xFF, 0xFF,                                          // a fill byte
                   0xFF, 0xC0, 0x00, 0x0B, 8,                           // SOF0, length 11, precision
                   0x01, 0xE0, 0x02, 0x80,                              // height 480, width 640
                   1, 1, 0x11, 0});                                     // one component
  Append(&j, Bytes{0xFF, 0xDA, 0x00, 0x02});                            // SOS
  return j;
}

TEST(ExifJpegTest, FindsTheExifSegmentAndTheFrameSize) {
  ExifBlock builder = FullBlock(true);
  builder.exif.erase(builder.exif.begin() + 1, builder.exif.end());  // no EXIF pixel size
  const Bytes file = JpegWithExif(builder.Build());
  CPictureJPG::CExifInfo info;
  ASSERT_TRUE(info.Read(file.data(), file.size()));
  EXPECT_TRUE(info.HasExif());
  EXPECT_EQ("VX-100", info.GetCameraModel());
  EXPECT_EQ(640u, info.GetFrameWidth());
  EXPECT_EQ(480u, info.GetFrameHeight());
  EXPECT_EQ(640u, info.GetWidth());  // from the frame header when EXIF has none
  EXPECT_EQ(480u, info.GetHeight());
}

TEST(ExifJpegTest, SegmentLongerThanTheFileIsReadAsFarAsItGoes) {
  ExifBlock builder = FullBlock(false);
  Bytes file = JpegWithExif(builder.Build(), true);
  file.resize(file.size() - 20);  // the segment's end (thumbnail, data) is missing
  CPictureJPG::CExifInfo info;
  ASSERT_TRUE(info.Read(file.data(), file.size()));
  EXPECT_EQ("VX-100", info.GetCameraModel());
  EXPECT_FALSE(info.HasThumbnail());
}

TEST(ExifJpegTest, JpegWithoutExifAndNonJpeg) {
  const Bytes plain = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 10, 0, 20, 1, 1, 0x11, 0, 0xFF, 0xD9};
  CPictureJPG::CExifInfo info;
  ASSERT_TRUE(info.Read(plain.data(), plain.size()));
  EXPECT_FALSE(info.HasExif());
  EXPECT_EQ(20u, info.GetWidth());
  EXPECT_EQ(10u, info.GetHeight());
  const Bytes png = {0x89, 'P', 'N', 'G'};
  std::string error;
  EXPECT_FALSE(info.Read(png.data(), png.size(), &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
