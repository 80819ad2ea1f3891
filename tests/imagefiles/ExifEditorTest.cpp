#include "imagefiles/ExifEditor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imagefiles/MetadataForOutput.h"
#include "tests/imagefiles/ExifTestSupport.h"

namespace {

using picturetest::Bytes;
using picturetest::ExifBlock;

// The TIFF structure of a camera's block (without "Exif\0\0").
Bytes CameraBlock(bool bigEndian, unsigned orientation, bool withSoftware) {
  ExifBlock b(bigEndian);
  b.ifd0.push_back(ExifBlock::Ascii(0x010F, "Velmora"));
  b.ifd0.push_back({0x0112, 3, 1, b.Short(orientation)});
  if (withSoftware) b.ifd0.push_back(ExifBlock::Ascii(0x0131, "Camera firmware 1.0"));
  b.exif.push_back(ExifBlock::Ascii(0x9003, "2026:12:10 09:30:00"));
  b.exif.push_back({0xA002, 3, 1, b.Short(4000)});
  b.exif.push_back({0xA003, 3, 1, b.Short(3000)});
  b.thumbnail = Bytes(300, 0x5A);
  const Bytes block = b.Build();
  return Bytes(block.begin() + 6, block.end());
}

std::string Text(const std::vector<ExifTag>& tags, unsigned tag) {
  for (const ExifTag& t : tags) {
    if (t.tag == tag) return std::string(t.value.begin(), t.value.end()).c_str();
  }
  return "(absent)";
}

std::uint32_t Number(const std::vector<ExifTag>& tags, unsigned tag) {
  for (const ExifTag& t : tags) {
    if (t.tag != tag) continue;
    if (t.type == 3 && t.value.size() >= 2) {
      std::uint16_t v;
      std::memcpy(&v, t.value.data(), 2);
      return v;
    }
    if (t.type == 4 && t.value.size() >= 4) {
      std::uint32_t v;
      std::memcpy(&v, t.value.data(), 4);
      return v;
    }
  }
  return 0;
}

TEST(ExifEditorTest, AnOutputIsUprightWithoutThumbnailAndNamesTheProgram) {
  for (bool big : {false, true}) {
    for (bool software : {false, true}) {
      SCOPED_TRACE(std::string(big ? "big" : "little") + " endian, software tag " + (software ? "present" : "absent"));
      CExifBlock block(CameraBlock(big, 6, software));
      ASSERT_TRUE(block.IsValid());
      EXPECT_EQ(6u, block.Orientation());
      EXPECT_TRUE(block.HasThumbnail());
      block.PrepareForOutput(3000, 4000, "Tintavo 1.1");

      // What a reader finds in the edited bytes.
      CExifBlock again(block.Bytes());
      ASSERT_TRUE(again.IsValid());
      EXPECT_EQ(1u, again.Orientation());
      EXPECT_FALSE(again.HasThumbnail());
      const std::vector<ExifTag> ifd0 = again.Tags(ExifDirectory::kIfd0);
      const std::vector<ExifTag> exif = again.Tags(ExifDirectory::kExif);
      EXPECT_EQ("Velmora", Text(ifd0, 0x010F));
      EXPECT_EQ("Tintavo 1.1", Text(ifd0, 0x0131));
      EXPECT_EQ("2026:12:10 09:30:00", Text(exif, 0x9003));
      EXPECT_EQ(3000u, Number(exif, 0xA002));
      EXPECT_EQ(4000u, Number(exif, 0xA003));
      EXPECT_LE(again.Bytes().size(), CExifBlock::kMaxBytes);
    }
  }
}

TEST(ExifEditorTest, BrokenStructuresAreRefusedWhole) {
  const Bytes good = CameraBlock(false, 6, false);
  struct Case {
    const char* fault;
    Bytes block;
  };
  Bytes badOrder = good;
  badOrder[0] = 'X';
  Bytes ifd0Outside = good;
  ifd0Outside[4] = 0xF0;  // IFD0 offset far past the end
  ifd0Outside[5] = 0xFF;
  Bytes cut(good.begin(), good.begin() + 12);  // IFD0's entries cut off
  const Case cases[] = {
      {"empty", {}},
      {"no byte-order mark", badOrder},
      {"IFD0 outside the block", ifd0Outside},
      {"IFD0 cut short", cut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    CExifBlock block(c.block);
    EXPECT_FALSE(block.IsValid());
    EXPECT_EQ(0u, block.Orientation());
  }
  // A broken block is left out of an output rather than carried half-edited.
  PictureMetadata source;
  source.exif = cut;
  source.orientation = 6;
  EXPECT_TRUE(MetadataForOutput(source, 10, 10, "Tintavo").exif.empty());
}

TEST(ExifEditorTest, XmpOrientationBecomesUpright) {
  struct Case {
    const char* packet;
    const char* expected;
  };
  const Case cases[] = {
      {R"(<d tiff:Orientation="6"/>)", R"(<d tiff:Orientation="1"/>)"},
      {R"(<d tiff:Orientation = '8' x="6"/>)", R"(<d tiff:Orientation = '1' x="6"/>)"},
      {"<tiff:Orientation>3</tiff:Orientation>", "<tiff:Orientation>1</tiff:Orientation>"},
      {R"(<d tiff:Orientation="12"/>)", R"(<d tiff:Orientation="12"/>)"},  // no orientation: left alone
      {R"(<d exif:PixelXDimension="6"/>)", R"(<d exif:PixelXDimension="6"/>)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.packet);
    const std::string packet = c.packet;
    const std::vector<std::uint8_t> out = XmpWithUprightOrientation({packet.begin(), packet.end()});
    EXPECT_EQ(c.expected, std::string(out.begin(), out.end()));
  }
}

}  // namespace
