// What the writers carry besides the pixels, read back through the codec
// libraries: every part of the metadata in JPEG, PNG and TIFF files, the
// transparency in PNG and TIFF, and the JPEG sampling.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "imagefiles/MetadataReader.h"
#include "imagefiles/PhotoLoader.h"
#include "imagefiles/PictureWriter.h"
#include "tests/imagefiles/ExifTestSupport.h"
#include "tests/imagefiles/PictureTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using picturetest::Bytes;
using picturetest::ExifBlock;

void Be32(Bytes* b, std::uint32_t v) { picturetest::Be32(b, v); }

// An RGB display profile: the header, a white point and a copyright text
// (libpng checks a profile's header and tag table before it keeps it).
Bytes Profile() {
  Bytes p;
  Be32(&p, 604);                                      // size
  Be32(&p, 0);                                        // CMM
  Be32(&p, 0x02100000);                               // version 2.1
  picturetest::Append(&p, "mntrRGB XYZ ");            // class, colour space, PCS
  p.resize(p.size() + 12, 0);                         // date
  picturetest::Append(&p, "acsp");                    // signature
  p.resize(p.size() + 28, 0);                         // platform .. intent
  for (std::uint32_t v : {0xF6D6u, 0x10000u, 0xD32Du}) Be32(&p, v);  // D50
  p.resize(p.size() + 48, 0);                         // creator, ID, reserved
  Be32(&p, 2);                                        // tag count
  for (std::uint32_t v : {0x77747074u, 156u, 20u, 0x63707274u, 176u, 428u}) Be32(&p, v);
  picturetest::Append(&p, "XYZ ");
  p.resize(p.size() + 4, 0);
  for (std::uint32_t v : {0xF6D6u, 0x10000u, 0xD32Du}) Be32(&p, v);
  picturetest::Append(&p, "text");
  p.resize(p.size() + 4, 0);
  p.resize(p.size() + 420, 'c');
  return p;
}

PictureMetadata SampleMetadata() {
  ExifBlock b(false);
  b.ifd0.push_back(ExifBlock::Ascii(0x010F, "Velmora"));
  b.ifd0.push_back({0x0112, 3, 1, b.Short(1)});
  b.exif.push_back(ExifBlock::Ascii(0x9003, "2026:12:10 09:30:00"));
  const Bytes app1 = b.Build();
  PictureMetadata m;
  m.icc = Profile();
  m.exif.assign(app1.begin() + 6, app1.end());
  const std::string xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";
  m.xmp.assign(xmp.begin(), xmp.end());
  m.comment = "Harbour at dawn";
  m.resolution = {300, 300, ResolutionUnit::kInch};
  m.orientation = 1;
  return m;
}

// A 5 x 3 picture whose alpha falls from left to right.
CImageBuffer Picture(bool alpha) {
  CImageBuffer p;
  (alpha ? p.CreateBGRA(5, 3) : p.CreateBGR(5, 3)).RaiseIfError();
  const int bytes = alpha ? 4 : 3;
  for (int y = 0; y < 3; ++y) {
    CRowWriter row(p, y);
    for (int x = 0; x < 5; ++x) {
      std::uint8_t* px = row.Row() + x * bytes;
      px[0] = static_cast<std::uint8_t>(40 * x);
      px[1] = static_cast<std::uint8_t>(80 * y);
      px[2] = 200;
      if (alpha) px[3] = static_cast<std::uint8_t>(255 - 60 * x);
    }
  }
  return p;
}

bool HasTag(const PictureMetadata& m, unsigned tag, const char* text) {
  for (const TiffTagValue& v : m.tiffTags) {
    if (v.tag == tag && std::strcmp(reinterpret_cast<const char*>(v.value.data()), text) == 0) return true;
  }
  return false;
}

struct FormatCase {
  PictureFormat format;
  const char* name;
  ImageFileType type;
};
const FormatCase kFormats[] = {
    {PictureFormat::kJpeg, "jpg", keFileTypeJPEG},
    {PictureFormat::kPng, "png", keFileTypePNG},
    {PictureFormat::kTiff, "tif", keFileTypeTIFF},
};

TEST(PictureWriterMetadataTest, EveryPartIsReadBack) {
  TempDir dir;
  const PictureMetadata written = SampleMetadata();
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.name);
    PictureWriteOptions options;
    options.metadata = &written;
    options.software = "Tintavo 1.1";
    const std::string path = dir.File(std::string("meta.") + c.name);
    std::string error;
    ASSERT_TRUE(WritePicture(Picture(false), path, c.format, options, &error)) << error;
    const Bytes bytes = picturetest::ReadFile(path);
    PictureMetadata read;
    ReadPictureMetadata(bytes.data(), bytes.size(), c.type, &read);
    EXPECT_EQ(written.icc, read.icc);
    EXPECT_EQ(written.xmp, read.xmp);
    EXPECT_EQ(written.comment, read.comment);
    EXPECT_DOUBLE_EQ(300, std::round(read.resolution.x));  // PNG keeps whole pixels per metre
    EXPECT_EQ(ResolutionUnit::kInch, read.resolution.unit);
    if (c.format == PictureFormat::kTiff) {
      // A TIFF file keeps the camera's facts as tags of its own.
      EXPECT_TRUE(HasTag(read, 0x010F, "Velmora"));
      EXPECT_TRUE(HasTag(read, 0x9003, "2026:12:10 09:30:00"));
    } else {
      EXPECT_EQ(written.exif, read.exif);
    }
    // Written without metadata, a file carries none of it.
    ASSERT_TRUE(WritePicture(Picture(false), path, c.format, PictureWriteOptions(), &error)) << error;
    const Bytes bare = picturetest::ReadFile(path);
    PictureMetadata none;
    ReadPictureMetadata(bare.data(), bare.size(), c.type, &none);
    EXPECT_TRUE(none.icc.empty() && none.exif.empty() && none.xmp.empty() && none.comment.empty());
  }
}

TEST(PictureWriterMetadataTest, TransparencyIsKeptWhereTheFormatHoldsIt) {
  TempDir dir;
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(std::string("alpha.") + c.name);
    std::string error;
    ASSERT_TRUE(WritePicture(Picture(true), path, c.format, PictureWriteOptions(), &error)) << error;
    PhotoLoadOptions load;
    load.keepAlpha = true;
    LoadedPhoto photo;
    PictureError decodeError;
    ASSERT_TRUE(LoadPhoto(picturetest::ReadFile(path), path, load, &photo, &decodeError)) << decodeError.text;
    if (c.format == PictureFormat::kJpeg) {
      EXPECT_EQ(keFormatBGR, photo.pixels.AccessFormat());
      continue;
    }
    ASSERT_EQ(keFormatBGRA, photo.pixels.AccessFormat());
    CRowReader row(photo.pixels, 1);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(255 - 60 * x, row.Row()[4 * x + 3]) << "x " << x;
  }
}

}  // namespace
